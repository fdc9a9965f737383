#include "packed_file.h"

#include "backup_file_record.h"
#include "backup_inclusion.h"
#include "platform/path_bytes.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace orvane {

namespace {

// Opens an archive the zip component wrote; -1 when it cannot be read.
int OpenArchive(const QString& path, uint64_t& length) {
    const int fd = ::open(PathToBytes(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    length = uint64_t(info.st_size);
    return fd;
}

} // namespace

bool WillBePacked(const ArchiveContext& ctx, const BackupWriterState& state, const QByteArray& path,
                  const struct stat& info) {
    return S_ISREG(info.st_mode) && path.size() <= TapeFileHeader::MaxPathBytes &&
           SoftCompression::Applies(true, info.st_size) && IsIncluded(ctx, state, path);
}

PackedFile::PackedFile(PackedFile&& other) noexcept
    : m_ahead(std::move(other.m_ahead)), m_packedHere(std::move(other.m_packedHere)),
      m_inMemory(std::exchange(other.m_inMemory, nullptr)),
      m_descriptor(std::exchange(other.m_descriptor, -1)),
      m_length(std::exchange(other.m_length, 0)) {}

PackedFile& PackedFile::operator=(PackedFile&& other) noexcept {
    if (this != &other) {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        m_ahead = std::move(other.m_ahead);
        m_packedHere = std::move(other.m_packedHere);
        m_inMemory = std::exchange(other.m_inMemory, nullptr);
        m_descriptor = std::exchange(other.m_descriptor, -1);
        m_length = std::exchange(other.m_length, 0);
    }
    return *this;
}

PackedFile::~PackedFile() {
    // Closed before the look-ahead removes its work file.
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

PackedFile PackForTape(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& path,
                       const struct stat& info) {
    PackedFile packed;
    const QString shown = PathFromBytes(path);
    bool grew = false;
    if (PackedAhead ahead = state.Ahead.Take(path, info, ctx.CancelFlag)) {
        if (!ahead.Outcome().Ok()) {
            SoftCompression::ReportAddOutcome(ctx.Op, shown, ahead.Outcome());
            return packed;
        }
        grew = ahead.Outcome().SourceGrew;
        if (!ahead.WorkFile().isEmpty()) {
            packed.m_descriptor = OpenArchive(ahead.WorkFile(), packed.m_length);
        } else {
            packed.m_inMemory = &ahead.Memory();
            packed.m_length = ahead.Memory().Size();
        }
        packed.m_ahead = std::move(ahead);
    } else if (SoftCompression::FitsInMemory(info.st_size)) {
        if (auto archive = ctx.Compression.AddInMemory(shown, ctx.Op, &grew)) {
            packed.m_packedHere = std::make_unique<MemoryArchive>(std::move(*archive));
            packed.m_inMemory = packed.m_packedHere.get();
            packed.m_length = packed.m_inMemory->Size();
        }
    } else {
        QFile::remove(ctx.Paths.SoftCompressionArchivePath);
        if (ctx.Compression.Add(shown, ctx.Op, &grew))
            packed.m_descriptor =
                OpenArchive(ctx.Paths.SoftCompressionArchivePath, packed.m_length);
    }
    // The archive holds the file as it was opened; what was appended since is not on tape, as
    // with a plain record that grows while it is read.
    if (packed.IsPacked() && grew)
        ReportGrownFile(ctx, path, uint64_t(info.st_size));
    return packed;
}

} // namespace orvane
