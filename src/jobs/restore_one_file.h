#pragma once

#include <QByteArray>
#include <QString>

namespace orvane {

class Session;

// Restores one file that the tape reader extracted to `workFile` (`RestoreOneFile`): unpacks it
// when it was stored compressed, finds its destination below the restore target, creates the
// directory, and moves it there under the restore option ("Restore with asking",
// "Overwrite never", "Overwrite ever"). A restored file keeps its modification time, counts in
// "Files" and `RestoredBytes` and gets its protocol line. A copy that is not kept is deleted.
// True when the file was restored.
bool RestoreOneFile(Session& session, const QByteArray& tapePath, const QString& workFile);

// Where the tape reader puts the data of a plain record before RestoreOneFile moves it: beside
// its destination, so that the move is a rename on the same file system and the data is written
// once. The work directory where that directory cannot be made, and for compressed records
// (they are unpacked there).
QString RestoreCopyPath(Session& session, const QByteArray& tapePath, bool compressed);

// Whether "Overwrite never" keeps the file already at the destination of `tapePath`, so that the
// record's data would be read only to be thrown away.
bool KeptByOverwriteNever(const Session& session, const QByteArray& tapePath);

} // namespace orvane
