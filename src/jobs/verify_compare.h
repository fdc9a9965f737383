#pragma once

#include <QFile>
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

namespace orvane {

struct TapeContext;

// Compares a file on disk with the data of its tape record while that data streams past, so that
// the record needs no copy on disk. The verdict is reported by Finish(), in the verify report
// and the protocol: "Error with filesize " when the sizes differ in whole KiB, "Error in File:  "
// when the contents differ (a size difference within the same KiB included), "Error in File ...
// or File not exists !" when the disk file is missing, no regular file or unreadable.
class DiskComparison {
public:
    // `copyName` names the tape's copy in the size report.
    DiskComparison(const QString& diskPath, const QString& copyName, int64_t tapeSize);

    // The next bytes of the record, compared with the next bytes of the disk file.
    void Feed(std::span<const char> tapeBytes);
    // After the whole record was fed: reports a difference; true when the file is equal.
    bool Finish(TapeContext& ctx);

private:
    enum class Verdict { Equal, NotReadable, SizeDiffers, ContentDiffers };

    QString m_diskPath;
    QString m_copyName;
    QFile m_disk;
    int64_t m_diskKiB = 0;
    int64_t m_tapeKiB = 0;
    Verdict m_verdict = Verdict::Equal;
    std::vector<char> m_buffer;
};

// Compares a file on disk with the copy the tape reader extracted (`CompareFiles`), with the
// verdicts and reports of DiskComparison; a copy that is missing counts as an unreadable file. A
// cancel ends the comparison; what was compared until then decides.
bool CompareFiles(TapeContext& ctx, const QString& diskPath, const QString& copyPath);

// A line in the verify report and the protocol, framed by empty lines.
void ReportVerifyError(TapeContext& ctx, const QString& text);

} // namespace orvane
