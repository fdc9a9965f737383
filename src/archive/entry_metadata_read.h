#pragma once

#include "entry_metadata.h"

#include <QByteArray>
#include <QHash>
#include <sys/stat.h>

namespace orvane {

// The names of owners and groups by number, each looked up once per run.
class OwnerNames {
public:
    QByteArray User(uint32_t uid);
    QByteArray Group(uint32_t gid);

private:
    QHash<uint32_t, QByteArray> m_users;
    QHash<uint32_t, QByteArray> m_groups;
};

// The metadata of an entry found by the walk, from its lstat answer: type, mode, owner, time.
EntryMetadata MetadataFromStat(const QByteArray& path, EntryMetadata::Type type,
                               const struct stat& info, OwnerNames& names);

// The extended attributes of the open file or directory `fd`; none where the file system has
// none.
std::vector<ExtendedAttribute> ReadExtendedAttributes(int fd);
// The same for the entry at `path` itself, never its link target.
std::vector<ExtendedAttribute> ReadLinkExtendedAttributes(const QByteArray& path);

// The target of the symbolic link `name` in `directory` (AT_FDCWD for a path); empty when it
// cannot be read.
QByteArray ReadLinkTarget(int directory, const QByteArray& name);

} // namespace orvane
