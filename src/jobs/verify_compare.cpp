#include "verify_compare.h"

#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/path_bytes.h"
#include "platform/protocol_log.h"
#include "tape/tape_context.h"

#include <QFileInfo>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

constexpr qint64 CompareBlock = 64 * 1024;
// Messages are pumped about every thousand KiB compared.
constexpr int BlocksPerPump = 16;

void ReportNotReadable(TapeContext& ctx, const QString& diskPath) {
    ReportVerifyError(ctx, QStringLiteral("Error in File ") + diskPath +
                               QStringLiteral(" or File not exists !"));
}

} // namespace

void ReportVerifyError(TapeContext& ctx, const QString& text) {
    for (const QString& line : {QString(), text, QString()})
        ctx.Op.AppendVerifyLine(line);
    for (const QString& line : {QString(), text, QString()})
        ctx.Protocol.AddProtocolLine(line);
}

DiskComparison::DiskComparison(const QString& diskPath, const QString& copyName, int64_t tapeSize)
    : m_diskPath(diskPath), m_copyName(copyName) {
    // Opened by the bytes of its name, which need not be UTF-8. Only regular files are read: a
    // pipe or a device at the path would never end (nor hold the open, being opened without
    // blocking).
    const int fd = ::open(PathToBytes(diskPath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat disk {};
    if (fd < 0 || ::fstat(fd, &disk) != 0 || !S_ISREG(disk.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        m_verdict = Verdict::NotReadable;
        return;
    }
    m_diskKiB = disk.st_size / 1024;
    m_tapeKiB = tapeSize / 1024;
    if (m_diskKiB != m_tapeKiB) {
        ::close(fd);
        m_verdict = Verdict::SizeDiffers;
    } else if (!m_disk.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                            QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        m_verdict = Verdict::NotReadable;
    } else if (disk.st_size != tapeSize) {
        m_verdict = Verdict::ContentDiffers;
    }
}

void DiskComparison::Feed(std::span<const char> tapeBytes) {
    if (m_verdict != Verdict::Equal || tapeBytes.empty())
        return;
    m_buffer.resize(std::max(m_buffer.size(), tapeBytes.size()));
    const qint64 wanted = qint64(tapeBytes.size());
    qint64 got = 0;
    while (got < wanted) {
        const qint64 n = m_disk.read(m_buffer.data() + got, wanted - got);
        if (n < 0) {
            m_verdict = Verdict::NotReadable;
            return;
        }
        if (n == 0)
            break;
        got += n;
    }
    if (got != wanted || std::memcmp(m_buffer.data(), tapeBytes.data(), size_t(wanted)) != 0)
        m_verdict = Verdict::ContentDiffers;
}

bool DiskComparison::Finish(TapeContext& ctx) {
    if (m_verdict == Verdict::Equal) {
        // A disk file that grew since its size was taken differs as well.
        char probe = 0;
        if (m_disk.read(&probe, 1) != 0)
            m_verdict = Verdict::ContentDiffers;
    }
    m_disk.close();
    PumpMessages(1);
    switch (m_verdict) {
    case Verdict::Equal:
        return true;
    case Verdict::NotReadable:
        ReportNotReadable(ctx, m_diskPath);
        break;
    case Verdict::SizeDiffers:
        ReportVerifyError(ctx, QStringLiteral("Error with filesize ") + m_diskPath +
                                   QStringLiteral(" <%1> / ").arg(m_diskKiB) + m_copyName +
                                   QStringLiteral(" <%1>").arg(m_tapeKiB));
        break;
    case Verdict::ContentDiffers:
        ReportVerifyError(ctx, QStringLiteral("Error in File:  ") + m_diskPath);
        break;
    }
    return false;
}

bool CompareFiles(TapeContext& ctx, const QString& diskPath, const QString& copyPath) {
    PumpMessages(1);
    QFile copy(copyPath);
    if (!QFileInfo(copyPath).isFile() || !copy.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        ReportNotReadable(ctx, diskPath);
        return false;
    }
    DiskComparison comparison(diskPath, copyPath, copy.size());
    std::vector<char> block(CompareBlock);
    for (int count = 1; !ctx.CancelFlag; ++count) {
        if (count % BlocksPerPump == 0)
            PumpMessages(1);
        const qint64 n = copy.read(block.data(), CompareBlock);
        if (n <= 0)
            break;
        comparison.Feed({block.data(), size_t(n)});
    }
    return comparison.Finish(ctx);
}

} // namespace orvane
