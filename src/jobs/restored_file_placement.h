#pragma once

#include "platform/result_code.h"

#include <QDateTime>
#include <QString>

namespace orvane {

// The part file a restored file is completed in before it takes its final name: in the
// destination's own directory, so that the last step is a rename on one file system.
QString PartFileBeside(const QString& destination);

// Gives the complete restored file at `from` the name `to`, replacing what is there only in the
// one atomic rename at the end, and sets the modification time. Where `to` lies on another file
// system the data is first copied into the part file beside it, every write checked; a copy that
// fails leaves neither a part file nor a change at `to`. `from` stays where it is on failure.
ResultCode PlaceRestoredFile(const QString& from, const QString& to, const QDateTime& modified);

} // namespace orvane
