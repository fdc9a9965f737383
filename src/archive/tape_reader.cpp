#include "tape_reader.h"

#include "platform/date_time_text.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/path_bytes.h"
#include "platform/protocol_log.h"
#include "platform/result_code.h"
#include "sparse_file_writer.h"
#include "tape/block_stream.h"
#include "tape/end_marker.h"
#include "tape/tape_date.h"
#include "tape/tape_set.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>

namespace orvane {

namespace {

// A header that cannot be right ends the read like a tape error, with words for it.
void ReportDamagedRecord(ArchiveContext& ctx, const QString& why) {
    ctx.CancelFlag = true;
    const QString text = QStringLiteral("Damaged file record in block %1: %2")
                             .arg(ctx.Stream.Counter() - 1)
                             .arg(why);
    ctx.Protocol.AddBlockOpening();
    ctx.Protocol.AddProtocolLine(QStringLiteral("Error: ") + NowText() + QStringLiteral(" : ") +
                                 text);
    ctx.Protocol.AddProtocolLine(ProtocolLog::Separator());
    ctx.Op.ShowError(text);
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
    // The name shows any byte that is not UTF-8 as text, so that the work file can be handled by
    // its name like any other; it is renamed to its place by bytes.
    QString name = DisplayPath(QByteArrayView(FileNamePart(tapePath)));
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("orvane restored file");
    return ctx.Paths.WorkDirectory + name;
}

namespace {

// Reads the next header into ctx.LastHeader. False at the end marker, at the end of the data and
// for a damaged header (reported).
bool ReadRecordHeader(ArchiveContext& ctx, TapeHandlePtr& handle) {
    char headerBytes[TapeFileHeader::Size];
    if (!ReadStream(ctx, handle, headerBytes, TapeFileHeader::Size))
        return false;
    PumpMessages(10);
    ctx.LastHeader = TapeFileHeader::Decode(headerBytes);
    const TapeFileHeader& header = ctx.LastHeader;
    if (IsEndMarkerPath(header.Path))
        return false;
    if (const QString damage = CheckHeader(ctx, header); !damage.isEmpty()) {
        ReportDamagedRecord(ctx, damage);
        return false;
    }
    const int64_t recordBytes = int64_t(header.DataLength) + TapeFileHeader::Size;
    ctx.Counters.TapeBytes += recordBytes;
    ctx.Progress.BeginItem(header.Path, recordBytes, int64_t(header.DataLength));
    ctx.Op.SetStatus(PathFromBytes(header.Path));
    PumpMessages(1);
    return true;
}

void ReportEarlyEnd(ArchiveContext& ctx) {
    LogTapeError(ctx, ResultCode::NoDataDetected);
}

// Hands the record's data to `consume` piece by piece, in place. False when the data ended early
// (reported) or the run was cancelled.
bool ConsumeData(ArchiveContext& ctx, TapeHandlePtr& handle, uint64_t length,
                 const std::function<void(std::span<const char>)>& consume) {
    for (uint64_t chunk = 1; length > 0 && !ctx.CancelFlag; ++chunk) {
        const std::span<const char> piece =
            ReadStreamInPlace(ctx, handle, int32_t(std::min<uint64_t>(length, TapeBlockSize)));
        if (piece.empty()) {
            ReportEarlyEnd(ctx);
            return false;
        }
        consume(piece);
        length -= piece.size();
        ctx.Progress.Streamed(int64_t(piece.size()));
        if (chunk % 100 == 0)
            PumpMessages(1);
    }
    return !ctx.CancelFlag;
}

// Below this many blocks, reading on is quicker than positioning the drive.
constexpr uint64_t PositioningBlocks = 32;

// Passes over `length` bytes of the stream. Where they end on the same tape far enough ahead, the
// drive is positioned to their last block instead of reading every block.
bool PassOver(ArchiveContext& ctx, TapeHandlePtr& handle, uint64_t length) {
    const uint64_t inBlock = TapeBlockSize - uint64_t(ctx.Stream.Offset());
    if (length > inBlock && handle) {
        const uint64_t beyond = length - inBlock;
        const uint64_t refills = (beyond + TapeBlockSize - 1) / TapeBlockSize;
        const bool sameTape =
            ctx.BlockLimit <= 0 || ctx.Stream.Counter() + int64_t(refills) < ctx.BlockLimit;
        if (refills > PositioningBlocks && sameTape) {
            const int64_t lastBlock = ctx.Stream.Counter() - 1 + int64_t(refills);
            MoveHandleToBlock(ctx, *handle, lastBlock);
            if (handle->ReadBlock(ctx.Stream.Block().Data(), TapeBlockSize) !=
                ResultCode::Success) {
                ReportEarlyEnd(ctx);
                return false;
            }
            // 1..TapeBlockSize bytes of the last block belong to the record.
            const auto usedInLast = int32_t(beyond - (refills - 1) * TapeBlockSize);
            return ctx.Stream.SetPosition({usedInLast, 0, lastBlock + 1});
        }
    }
    return ConsumeData(ctx, handle, length, [](std::span<const char>) {});
}

// A compressed record that fits in memory stays there until it is unpacked.
void ReadIntoMemory(ArchiveContext& ctx, TapeHandlePtr& handle, bool unpack) {
    const TapeFileHeader& header = ctx.LastHeader;
    ctx.PackedRecord.emplace();
    ctx.PackedRecord->reserve(qsizetype(header.DataLength));
    ConsumeData(ctx, handle, header.DataLength, [&ctx](std::span<const char> piece) {
        ctx.PackedRecord->append(piece.data(), qsizetype(piece.size()));
    });
    PumpMessages(1);
    if (unpack && !ctx.CancelFlag)
        UnpackRestoredFile(ctx, WorkFileFor(ctx, header.Path));
}

void ReadIntoWorkFile(ArchiveContext& ctx, TapeHandlePtr& handle, const RecordSink& sink) {
    const TapeFileHeader& header = ctx.LastHeader;
    ctx.PackedRecord.reset();
    if (header.Compressed && SoftCompression::FitsInMemory(qint64(header.DataLength))) {
        ReadIntoMemory(ctx, handle, sink.Unpack);
        return;
    }
    QFile target;
    if (header.Compressed) {
        QFile::remove(ctx.Paths.SoftCompressionArchivePath);
        target.setFileName(ctx.Paths.SoftCompressionArchivePath);
    } else {
        target.setFileName(sink.File.isEmpty() ? WorkFileFor(ctx, header.Path) : sink.File);
    }
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        LogFileError(ctx, ResultCodeFromErrno(errno), target.fileName());
    }
    PumpMessages(1);
    // Unbuffered: the writer's calls on the descriptor are all the writing there is.
    SparseFileWriter writer(target.handle());
    ConsumeData(ctx, handle, header.DataLength, [&](std::span<const char> piece) {
        if (target.isOpen() && !writer.Write(piece))
            LogFileError(ctx, ResultCodeFromErrno(errno), target.fileName());
    });
    if (target.isOpen() && !ctx.CancelFlag && !writer.Finish())
        LogFileError(ctx, ResultCodeFromErrno(errno), target.fileName());
    if (target.isOpen()) {
        // A plain record's file gets its recorded permissions as a compressed record's file gets
        // those of its archive member; the owner can always write his file, as there.
        if (!header.Compressed && header.Permissions)
            ::fchmod(target.handle(), mode_t(*header.Permissions | S_IRUSR | S_IWUSR));
        target.flush(); // the time must be set after the last byte reached the file
        target.setFileTime(FromTapeDate(header.Date), QFileDevice::FileModificationTime);
        target.close();
    }
    PumpMessages(1);
    if (sink.Unpack && !ctx.CancelFlag)
        UnpackRestoredFile(ctx, WorkFileFor(ctx, header.Path));
    PumpMessages(1);
}

} // namespace

QByteArray ReadFileRecord(ArchiveContext& ctx, TapeHandlePtr& handle,
                          const RecordSinkChooser& choose) {
    if (!ReadRecordHeader(ctx, handle))
        return {};
    const RecordSink sink = choose(ctx.LastHeader);
    switch (sink.Kind) {
    case RecordSink::Kind::Skip:
        PassOver(ctx, handle, ctx.LastHeader.DataLength);
        break;
    case RecordSink::Kind::WorkFile:
        ReadIntoWorkFile(ctx, handle, sink);
        break;
    case RecordSink::Kind::Consumer:
        ConsumeData(ctx, handle, ctx.LastHeader.DataLength, sink.Consume);
        break;
    }
    return ctx.CancelFlag ? QByteArray() : ctx.LastHeader.Path;
}

QByteArray ReadFileRecord(ArchiveContext& ctx, TapeHandlePtr& handle, bool skip, bool unpack) {
    const RecordSink sink = skip ? RecordSink::Skip() : RecordSink::WorkFile(unpack);
    return ReadFileRecord(ctx, handle, [&sink](const TapeFileHeader&) { return sink; });
}

namespace {

bool IsPlainFile(const QByteArray& path) {
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

// The file unpacked for a record: its member is named as the file on tape. An archive written
// elsewhere may spell that name in another code page; its only file is taken then.
QByteArray UnpackedMember(const QByteArray& directory, const QByteArray& tapePath) {
    const QByteArray named = directory + FileNamePart(tapePath);
    if (IsPlainFile(named))
        return named;
    QByteArray only;
    if (DIR* entries = ::opendir(directory.constData())) {
        int files = 0;
        while (const dirent* entry = ::readdir(entries)) {
            const QByteArray candidate = directory + entry->d_name;
            if (IsPlainFile(candidate) && ++files == 1)
                only = candidate;
        }
        ::closedir(entries);
        if (files != 1)
            only.clear();
    }
    return only;
}

} // namespace

void UnpackRestoredFile(ArchiveContext& ctx, const QString& path) {
    if (!ctx.LastHeader.Compressed)
        return;
    QFile::remove(path);
    QTemporaryDir unpacked(ctx.Paths.WorkDirectory + QStringLiteral("orvane unpack-XXXXXX"));
    if (!unpacked.isValid()) {
        ctx.PackedRecord.reset();
        ctx.Op.ShowMessage(QStringLiteral("Softcompression could not unpack into ") +
                           ctx.Paths.WorkDirectory + QStringLiteral(": ") + unpacked.errorString());
        return;
    }
    const QString directory = unpacked.path() + QLatin1Char('/');
    if (ctx.PackedRecord) {
        ctx.Compression.ExtractFrom(*ctx.PackedRecord, directory, ctx.Op);
        ctx.PackedRecord.reset();
    } else {
        ctx.Compression.Extract(directory, ctx.Op);
    }
    PumpMessages(1);
    const QByteArray member = UnpackedMember(PathToBytes(directory), ctx.LastHeader.Path);
    if (!member.isEmpty())
        ::rename(member.constData(), PathToBytes(path).constData());
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
        const ResultCode code = handle->ReadBlock(buffer.data(), TapeBlockSize);
        if (code == ResultCode::NoDataDetected) {
            ctx.Op.SetStatus(QStringLiteral("End of data found."));
            result = QStringLiteral("End of data");
            break;
        }
        if (code == ResultCode::Success) {
            written = true;
            if (file.write(buffer.data(), TapeBlockSize) != TapeBlockSize) {
                LogFileError(ctx, ResultCodeFromErrno(errno), file.fileName());
            }
        } else {
            if (written) {
                result = QStringLiteral("No Error");
            } else {
                ctx.Op.SetStatus(QStringLiteral("No data written to file."));
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
