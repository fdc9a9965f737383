#include "backup_file_record.h"

#include "backup_filler.h"
#include "backup_inclusion.h"
#include "entry_metadata_read.h"
#include "packed_file.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/path_bytes.h"
#include "platform/protocol_log.h"
#include "tape/tape_date.h"

#include <QDateTime>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

// How a file's data compared with the length its header announced.
enum class DataOutcome { Complete, Shrunk, Grown, ReadError, TapeGone };

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Reset(); }
    void Reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

QString Shown(const QByteArray& path) {
    return PathFromBytes(path);
}

void ReportExcludedFile(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& path) {
    struct stat info {};
    if (::lstat(path.constData(), &info) == 0) {
        const QString line = Shown(path) + KBytesText(info.st_size);
        ctx.Op.SetStatus(QStringLiteral("Processing :  ") + line);
        if (!state.ShortProtocol)
            ctx.Protocol.AddProtocolLine(QStringLiteral("Excluded: ") + line);
    }
    state.Displays.FileSkipped(ctx.Op);
    PumpMessages(1);
}

// Opens a regular file for reading without following a link and without blocking on a FIFO
// that was put in its place; -1 for anything else.
int OpenRegularFile(const QByteArray& path, struct stat& info, FileInDirectory where = {}) {
    constexpr int Flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    const int fd = where.Name ? ::openat(where.DirectoryFd, where.Name, Flags)
                              : ::open(path.constData(), Flags);
    if (fd < 0)
        return -1;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

double ModificationDate(const struct stat& info) {
    const std::optional<double> date = ToTapeDate(info.st_mtim);
    return date && *date > 1.0 ? *date : ToTapeDate(QDateTime::currentDateTime());
}

// Reads `wanted` bytes, or up to `most` when a single read brings more: the count read, or -1
// after a read error. A read of a regular file that brings less than asked is its end.
int64_t ReadFully(int fd, char* into, int64_t wanted, int64_t most) {
    int64_t got = 0;
    while (got < wanted) {
        const ssize_t n = ::read(fd, into + got, size_t(most - got));
        if (n > 0)
            got += n;
        else if (n == 0)
            break;
        else if (errno != EINTR)
            return -1;
    }
    return got;
}

// Streams exactly `length` bytes of the file. The bytes are read straight into the room of the
// current tape block, so file data is not copied on its way to the drive. Where the room has a
// byte to spare, the last read asks for one byte more than the file should have: a file that
// grew is noticed without a read of its own.
DataOutcome StreamFileData(ArchiveContext& ctx, TapeHandlePtr& handle, int fd, uint64_t length) {
    DataOutcome outcome = DataOutcome::Complete;
    uint64_t remaining = length;
    bool endSeen = false;
    for (uint64_t chunk = 1; remaining > 0; ++chunk) {
        const std::span<char> room = WritableStreamRoom(ctx, handle);
        // A tape change that was given up leaves no tape to write to.
        if (!handle)
            return DataOutcome::TapeGone;
        const int64_t wanted = int64_t(std::min<uint64_t>(remaining, room.size()));
        const bool last = uint64_t(wanted) == remaining;
        const int64_t most = last && uint64_t(wanted) < room.size() ? wanted + 1 : wanted;
        int64_t got = 0;
        if (outcome == DataOutcome::Complete) {
            got = ReadFully(fd, room.data(), wanted, most);
            if (got < 0) {
                outcome = DataOutcome::ReadError;
                got = 0;
            } else if (got < wanted) {
                outcome = DataOutcome::Shrunk;
            } else if (got > wanted) {
                outcome = DataOutcome::Grown;
                got = wanted;
            } else if (most > wanted) {
                endSeen = true;
            }
        }
        std::memset(room.data() + got, 0, size_t(wanted - got));
        CommitStreamRoom(ctx, int32_t(wanted));
        remaining -= uint64_t(wanted);
        ctx.Progress.Streamed(wanted);
        if (chunk % 100 == 0)
            PumpMessages(1);
    }
    if (outcome == DataOutcome::Complete && !endSeen) {
        char probe = 0;
        if (ReadFully(fd, &probe, 1, 1) > 0)
            outcome = DataOutcome::Grown;
    }
    return outcome;
}

// Streams exactly `length` bytes of an archive held in memory, copied straight into the room of
// the current tape block.
DataOutcome StreamMemoryData(ArchiveContext& ctx, TapeHandlePtr& handle, MemoryArchive& archive,
                             uint64_t length) {
    DataOutcome outcome = DataOutcome::Complete;
    uint64_t remaining = length;
    for (uint64_t chunk = 1; remaining > 0; ++chunk) {
        const std::span<char> room = WritableStreamRoom(ctx, handle);
        if (!handle)
            return DataOutcome::TapeGone;
        const int64_t wanted = int64_t(std::min<uint64_t>(remaining, room.size()));
        int64_t got = 0;
        if (outcome == DataOutcome::Complete) {
            got = archive.Read(room.data(), wanted);
            if (got < 0) {
                outcome = DataOutcome::ReadError;
                got = 0;
            } else if (got < wanted) {
                outcome = DataOutcome::Shrunk;
            }
        }
        std::memset(room.data() + got, 0, size_t(wanted - got));
        CommitStreamRoom(ctx, int32_t(wanted));
        remaining -= uint64_t(wanted);
        ctx.Progress.Streamed(wanted);
        if (chunk % 100 == 0)
            PumpMessages(1);
    }
    return outcome;
}

void ReportDataOutcome(ArchiveContext& ctx, DataOutcome outcome, const QByteArray& path,
                       uint64_t length) {
    QString what;
    switch (outcome) {
    case DataOutcome::Shrunk:
        what = QStringLiteral("Changed during backup, padded with zeros: ");
        break;
    case DataOutcome::Grown:
        what = QStringLiteral("Changed during backup, cut: ");
        break;
    case DataOutcome::ReadError:
        what = QStringLiteral("Read error, padded with zeros: ");
        break;
    default:
        return;
    }
    ctx.Protocol.AddProtocolLine(what + Shown(path) + KBytesText(int64_t(length)));
}

} // namespace

void ReportGrownFile(ArchiveContext& ctx, const QByteArray& path, uint64_t length) {
    ReportDataOutcome(ctx, DataOutcome::Grown, path, length);
}

QString KBytesText(int64_t size) {
    return QStringLiteral(" <") + QString::number(size / 1024) + QStringLiteral(" KBytes> ");
}

void ReportSkippedFile(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& path,
                       int64_t size) {
    ctx.Protocol.AddProtocolLine(QStringLiteral("Skipped: ") + Shown(path) + KBytesText(size));
    state.Displays.FileSkipped(ctx.Op);
}

bool RecordedAsHardLink(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& path,
                        const struct stat& info) {
    if (info.st_nlink < 2)
        return false;
    const auto key = std::make_pair(info.st_dev, info.st_ino);
    const auto first = state.LinkedFiles.constFind(key);
    if (first == state.LinkedFiles.cend()) {
        state.LinkedFiles.insert(key, path);
        return false;
    }
    EntryMetadata entry = MetadataFromStat(path, EntryMetadata::Type::HardLink, info, state.Owners);
    entry.Target = *first;
    state.Metadata.Add(std::move(entry));
    if (!state.ShortProtocol)
        ctx.Protocol.AddProtocolLine(Shown(path) + QStringLiteral(" link to ") + Shown(*first));
    return true;
}

void WriteMemoryData(ArchiveContext& ctx, TapeHandlePtr& handle, std::span<const char> data) {
    for (size_t done = 0, piece = 1; done < data.size() && handle; ++piece) {
        const std::span<char> room = WritableStreamRoom(ctx, handle);
        if (!handle)
            break;
        const size_t length = std::min(room.size(), data.size() - done);
        std::memcpy(room.data(), data.data() + done, length);
        CommitStreamRoom(ctx, int32_t(length));
        done += length;
        if (piece % 100 == 0)
            PumpMessages(1);
    }
}

void WriteZeros(ArchiveContext& ctx, TapeHandlePtr& handle, uint64_t length) {
    const TapeBlock zeros;
    for (uint64_t chunk = 1; length > 0 && handle; ++chunk) {
        const uint64_t part = std::min<uint64_t>(length, TapeBlockSize);
        WriteStream(ctx, handle, zeros.Data(), int32_t(part));
        length -= part;
        if (chunk % 100 == 0)
            PumpMessages(1);
    }
}

bool AppendCatalogRecord(ArchiveContext& ctx, BackupWriterState& state,
                         const TapeFileHeader& header) {
    if (header.Path == PathToBytes(ctx.Paths.CatalogFilePath))
        return true;
    const CatalogRecord record{header.Path, ctx.Stream.Position()};
    char bytes[CatalogRecord::Size];
    record.Encode(bytes);
    return state.Catalog.isOpen() &&
           state.Catalog.write(bytes, CatalogRecord::Size) == CatalogRecord::Size;
}

void WriteFileRecord(ArchiveContext& ctx, BackupWriterState& state, TapeHandlePtr& handle,
                     const QByteArray& path, bool compress, const BeforeFileHeader& beforeHeader,
                     FileInDirectory where) {
    if (!IsIncluded(ctx, state, path)) {
        ReportExcludedFile(ctx, state, path);
        return;
    }
    struct stat info {};
    if (path.size() > TapeFileHeader::MaxPathBytes) {
        // Never stored under a cut name: two long paths could become one.
        ReportSkippedFile(ctx, state, path,
                          ::lstat(path.constData(), &info) == 0 ? info.st_size : 0);
        return;
    }
    FileDescriptor file(OpenRegularFile(path, info, where));
    if (!file.Valid()) {
        ReportSkippedFile(ctx, state, path, 0);
        return;
    }
    if (!state.WritingCatalog && RecordedAsHardLink(ctx, state, path, info))
        return;

    const int64_t size = info.st_size;
    ctx.Counters.SourceBytes += size;
    ctx.Op.SetStatus(QStringLiteral("Processing :  ") + Shown(path) + KBytesText(size));
    ctx.Counters.FileCount += 1;
    state.Displays.FileCounted(ctx.Op, ctx.Counters.FileCount);

    TapeFileHeader header;
    header.Path = path;
    header.Date = ModificationDate(info);
    header.Permissions = uint16_t(info.st_mode & 0777);
    PumpMessages(1);

    // Soft compression packs the file (or takes it packed ahead), and its archive goes to tape in
    // its place. A file the zip component cannot pack goes to tape as it is.
    PackedFile packed;
    uint64_t storedLength = uint64_t(size);
    if (SoftCompression::Applies(compress, size)) {
        packed = PackForTape(ctx, state, path, info);
        if (packed.IsPacked()) {
            header.Compressed = true;
            storedLength = packed.Length();
        }
    }
    header.DataLength = storedLength;
    if (state.WritingCatalog)
        header.MetadataRecord = state.MetadataRecordPlace;

    if (beforeHeader)
        beforeHeader(storedLength);
    // The catalog closes the run; it is no part of the files measured.
    if (!state.WritingCatalog)
        ctx.Progress.BeginItem(path, size, int64_t(storedLength));
    const StreamPosition headerStart = NextRecordStart(ctx);
    const uint8_t headerTape = ctx.CurrentTapeDescription.TapeNumber;
    ctx.Counters.TapeBytes += int64_t(storedLength) + TapeFileHeader::Size;
    char headerBytes[TapeFileHeader::Size];
    header.Encode(headerBytes);
    WriteStream(ctx, handle, headerBytes, TapeFileHeader::Size);
    const DataOutcome outcome =
        packed.InMemory()
            ? StreamMemoryData(ctx, handle, *packed.InMemory(), storedLength)
            : StreamFileData(ctx, handle, packed.IsPacked() ? packed.Descriptor() : file.Get(),
                             storedLength);
    packed = PackedFile();
    if (!state.WritingCatalog) {
        EntryMetadata entry = MetadataFromStat(path, EntryMetadata::Type::File, info, state.Owners);
        entry.Attributes = ReadExtendedAttributes(file.Get());
        entry.TapeNumber = headerTape;
        entry.HeaderBlock = headerStart.BlockCounter;
        entry.StoredLength = storedLength;
        entry.Compressed = header.Compressed;
        state.Metadata.Add(std::move(entry));
    }
    file.Reset();
    ctx.Progress.EndItem();
    ReportDataOutcome(ctx, outcome, path, storedLength);

    if (!state.ShortProtocol)
        ctx.Protocol.AddProtocolLine(Shown(path) + KBytesText(int64_t(storedLength)));
    state.Displays.BytesCounted(ctx.Op, ctx.Counters);
    state.Displays.RateMeasured(ctx.Op);
    if (!AppendCatalogRecord(ctx, state, header))
        ReportSkippedFile(ctx, state, path, int64_t(storedLength));
}

void WriteDataRecord(ArchiveContext& ctx, BackupWriterState& state, TapeHandlePtr& handle,
                     const QByteArray& path, std::span<const char> data) {
    if (!IsIncluded(ctx, state, path)) {
        ReportExcludedFile(ctx, state, path);
        return;
    }
    const auto size = int64_t(data.size());
    ctx.Counters.SourceBytes += size;
    ctx.Op.SetStatus(QStringLiteral("Processing :  ") + Shown(path) + KBytesText(size));
    ctx.Counters.FileCount += 1;
    state.Displays.FileCounted(ctx.Op, ctx.Counters.FileCount);

    TapeFileHeader header;
    header.Path = path;
    header.Date = ToTapeDate(QDateTime::currentDateTime());
    header.Permissions = uint16_t(0600);
    header.DataLength = uint64_t(size);
    ctx.Counters.TapeBytes += size + TapeFileHeader::Size;
    char headerBytes[TapeFileHeader::Size];
    header.Encode(headerBytes);
    WriteStream(ctx, handle, headerBytes, TapeFileHeader::Size);
    WriteMemoryData(ctx, handle, data);

    if (!state.ShortProtocol)
        ctx.Protocol.AddProtocolLine(Shown(path) + KBytesText(size));
    state.Displays.BytesCounted(ctx.Op, ctx.Counters);
    state.Displays.RateMeasured(ctx.Op);
    if (!AppendCatalogRecord(ctx, state, header))
        ReportSkippedFile(ctx, state, path, size);
}

} // namespace orvane
