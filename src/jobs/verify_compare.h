#pragma once

#include <QString>

namespace orvane {

struct TapeContext;

// Compares a file on disk with the copy the tape reader extracted (`CompareFiles`): true when
// they are equal. A difference is reported in the verify report and the protocol: "Error with
// filesize " when the sizes differ in whole KiB, "Error in File:  " when the contents differ,
// "Error in File ... or File not exists !" when the disk file is missing, no regular file or
// unreadable. A cancel ends the comparison; what was compared until then decides.
bool CompareFiles(TapeContext& ctx, const QString& diskPath, const QString& copyPath);

// A line in the verify report (Memo4) and the protocol, framed by empty lines.
void ReportVerifyError(TapeContext& ctx, const QString& text);

} // namespace orvane
