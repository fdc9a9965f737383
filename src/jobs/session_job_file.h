#pragma once

#include <QString>

namespace orvane {

class Session;

// Applies the current job file (Session::JobFilePath) to the settings and both path lists, with
// LoadingJobFile set meanwhile. A missing file is created with the new-file values; a file that
// cannot be read or written is said in the status and the protocol. Returns the error, or an
// empty text. The window and the command line both start with this.
QString LoadSessionJobFile(Session& session);

// Writes every setting into the current job file, the lists left as they are there. Does nothing
// while LoadingJobFile is set. A failure is said once, until a write succeeds again.
void SaveJobSettings(Session& session);

// The Save command: makes `path` the current job file and writes both lists (normalised) and
// every setting into it. Returns the error, which is also said, or an empty text.
QString SaveSessionJobFileAs(Session& session, const QString& path);

} // namespace orvane
