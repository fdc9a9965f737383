#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace orvane {

class Session;
class RestorePlace;

// Restores one file whose data the tape reader wrote into `place`'s copy, or, when the place has
// none, extracted to the work directory (`RestoreOneFile`): unpacks it when it was stored
// compressed, and moves it to its destination under the restore option ("Restore with asking",
// "Overwrite never", "Overwrite ever"). A restored file keeps its modification time, counts in
// "Files" and `RestoredBytes` and gets its protocol line; one that could not be written gets a
// "Not restored" line and counts in `NotRestoredCount`. A copy that is not kept is deleted.
// With "Overwrite ever" a symbolic link at the destination is replaced by the file, never
// followed. True when the file was restored; its place is then handed to `restored`.
bool RestoreOneFile(Session& session, const QByteArray& tapePath, RestorePlace& place,
                    const std::function<void(const RestorePlace&)>& restored = {});

// Whether "Overwrite never" keeps the file already at `place`, so that the record's data would
// be read only to be thrown away.
bool KeptByOverwriteNever(const Session& session, const RestorePlace& place);

// Reports a selected file that is not restored and counts it.
void ReportNotRestored(Session& session, const QString& protocolLine);

} // namespace orvane
