#include "tape_reader.h"

#include "platform/date_time_text.h"
#include "platform/last_error.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "tape/tape_date.h"
#include "tape/tape_set.h"

#include <QFile>

namespace orvane {

namespace {

// A header that cannot be right ends the read like a tape error, with words for it.
void ReportDamagedRecord(ArchiveContext& ctx, const QString& why) {
    ctx.CancelFlag = true;
    const QString text =
        QStringLiteral("Damaged file record in block %1: %2").arg(ctx.BlockCounter - 1).arg(why);
    ctx.protocol.AddBlockOpening();
    ctx.protocol.AddProtocolLine(QStringLiteral("Error: ") + NowText() + QStringLiteral(" : ") +
                                 text);
    ctx.protocol.AddProtocolLine(ProtocolLog::Separator());
    ctx.op.showError(text);
}

QString CheckHeader(const ArchiveContext& ctx, const TapeFileHeader& header) {
    if (header.Path.isEmpty() || header.Path.contains('\0'))
        return QStringLiteral("the path is not a file path");
    // No file can be longer than a whole set of tapes holds.
    const uint64_t setBytes = ctx.BlockLimit > 0
                                  ? uint64_t(ctx.BlockLimit) * TapeBlockSize * MaxTapesInSet
                                  : uint64_t(1) << 50;
    if (header.DataLength > setBytes)
        return QStringLiteral("a length of %1 bytes runs past the end of the data")
            .arg(header.DataLength);
    return QString();
}

} // namespace

QString WorkFileFor(const ArchiveContext& ctx, const QByteArray& tapePath) {
    QString name = QFile::decodeName(FileNamePart(tapePath));
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("orvane restored file");
    return ctx.paths.WorkDirectory + name;
}

QByteArray ReadFileRecord(ArchiveContext& ctx, TapeHandlePtr& handle, bool skip, bool unpack) {
    char headerBytes[TapeFileHeader::Size];
    if (!ReadStream(ctx, handle, headerBytes, TapeFileHeader::Size))
        return {};
    PumpMessages(10);
    ctx.LastHeader = TapeFileHeader::decode(headerBytes);
    const TapeFileHeader& header = ctx.LastHeader;
    if (header.Path.contains("XENDEX"))
        return {};
    if (const QString damage = CheckHeader(ctx, header); !damage.isEmpty()) {
        ReportDamagedRecord(ctx, damage);
        return {};
    }
    const uint64_t length = header.DataLength;
    const uint64_t chunks = length > 0 ? length / TapeBlockSize + 1 : 0;
    ctx.counters.TapeBytes += int64_t(length) + TapeFileHeader::Size;
    ctx.op.setStatus(QString::fromUtf8(header.Path));
    PumpMessages(1);

    QFile target;
    if (!skip) {
        if (header.Compressed) {
            QFile::remove(ctx.paths.SoftCompressionArchivePath);
            target.setFileName(ctx.paths.SoftCompressionArchivePath);
        } else {
            target.setFileName(WorkFileFor(ctx, header.Path));
        }
        if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            SetLastError(ResultCodeFromErrno(errno));
            LogTapeError(ctx);
        }
    }
    PumpMessages(1);

    for (uint64_t i = 1; i <= chunks && !ctx.CancelFlag; ++i) {
        const int32_t n =
            i == chunks ? int32_t(length - (chunks - 1) * TapeBlockSize) : int32_t(TapeBlockSize);
        if (!ReadStream(ctx, handle, ctx.FileBuffer.data(), n)) {
            SetLastError(ResultCode::NoDataDetected);
            LogTapeError(ctx);
            break;
        }
        if (!skip && target.isOpen() && target.write(ctx.FileBuffer.data(), n) != n) {
            SetLastError(ResultCodeFromErrno(errno));
            LogTapeError(ctx);
        }
        if (i % 100 == 0)
            PumpMessages(1);
    }

    if (!skip && target.isOpen()) {
        target.flush(); // the time must be set after the last byte reached the file
        target.setFileTime(FromTapeDate(header.Date), QFileDevice::FileModificationTime);
        target.close();
    }
    PumpMessages(1);
    if (unpack && !skip && !ctx.CancelFlag)
        UnpackRestoredFile(ctx, WorkFileFor(ctx, header.Path));
    PumpMessages(1);
    return ctx.CancelFlag ? QByteArray() : header.Path;
}

void UnpackRestoredFile(ArchiveContext& ctx, const QString& path) {
    if (!ctx.LastHeader.Compressed)
        return;
    ctx.compression.Extract(ctx.paths.WorkDirectory, ctx.op);
    PumpMessages(1);
    ClearReadOnlyAttribute(path);
}

QString ReadNextTapeFile(ArchiveContext& ctx, const QString& target) {
    TapeHandlePtr handle = OpenTape(ctx);
    if (!handle)
        return QString();
    QFile file(target);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QString result;
    bool written = false;
    std::vector<char> buffer(TapeBlockSize);
    for (;;) {
        std::fill(buffer.begin(), buffer.end(), 0);
        const uint32_t code = handle->readBlock(buffer.data(), TapeBlockSize);
        if (code == ResultCode::NoDataDetected) {
            ctx.op.setStatus(QStringLiteral("End of data found."));
            result = QStringLiteral("End of data");
            break;
        }
        if (code == ResultCode::Success) {
            written = true;
            if (file.write(buffer.data(), TapeBlockSize) != TapeBlockSize) {
                SetLastError(ResultCodeFromErrno(errno));
                LogTapeError(ctx);
            }
        } else {
            if (written) {
                result = QStringLiteral("No Error");
            } else {
                ctx.op.setStatus(QStringLiteral("No data written to file."));
                result = QStringLiteral("Error");
            }
            break;
        }
        DrainMessages();
    }
    CloseTape(handle, 1);
    file.close();
    if (result != QLatin1String("No Error"))
        QFile::remove(target);
    return result;
}

} // namespace orvane
