#pragma once

#include "archive/entry_metadata.h"

#include <QByteArray>
#include <QString>

namespace orvane {

// One entry as `catalog -v` lists it, in the manner of `tar -tv`: type and mode, owner/group
// (names where the backup knew them), stored size, modification time, the tape and block where
// its record begins, the path, and a link's target. With `storage` also whether the data is
// stored compressed. Without metadata (a set written before it was kept) the fields it would
// give read "?".
QString CatalogEntryLine(const QByteArray& path, const EntryMetadata* entry, bool storage);

// The detail the window shows for an entry: "drwxr-x--- root/adm", "-> target" for a link.
QString CatalogEntryDetail(const EntryMetadata& entry);

} // namespace orvane
