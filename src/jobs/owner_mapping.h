#pragma once

#include "archive/entry_metadata.h"

#include <QByteArray>
#include <QHash>
#include <cstdint>

namespace orvane {

// The owner and group an entry gets on this machine: by the recorded name where this machine
// knows it, else by the recorded number, as tar does; with `numeric` always by number. Each
// name is looked up once.
class OwnerMapping {
public:
    explicit OwnerMapping(bool numeric) : m_numeric(numeric) {}
    uint32_t Uid(const EntryMetadata& entry);
    uint32_t Gid(const EntryMetadata& entry);

private:
    bool m_numeric;
    QHash<QByteArray, uint32_t> m_uids;
    QHash<QByteArray, uint32_t> m_gids;
};

} // namespace orvane
