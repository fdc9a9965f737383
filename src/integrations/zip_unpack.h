#pragma once

#include "zip_outcome.h"

#include <QByteArray>
#include <QString>

namespace orvane {

// Writes every member of the archive at `archivePath` into `baseDirectory` under its stored
// name, replacing files of that name, with the member's modification time and permissions. An
// archive with a member name that would lead out of `baseDirectory` is refused before anything
// is written. Each file appears only once it is complete, so a damaged member never replaces
// a good file. The data is streamed.
ZipOutcome UnpackArchive(const QString& archivePath, const QString& baseDirectory);
// The same for an archive held in memory.
ZipOutcome UnpackArchiveFrom(const QByteArray& archive, const QString& baseDirectory);

} // namespace orvane
