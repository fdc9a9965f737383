#include "zip_pack.h"

#include "platform/message_pump.h"
#include "platform/path_bytes.h"
#include "zip_member_time.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <zip.h>

namespace orvane {

namespace {

// Keeps the window alive while a large file is deflated.
void PumpWhilePacking(zip_t*, double, void*) {
    PumpMessages(1);
}

int CancelWhenAsked(zip_t*, void* cancelled) {
    return static_cast<const std::atomic<bool>*>(cancelled)->load(std::memory_order_relaxed) ? 1
                                                                                             : 0;
}

ZipOutcome LibraryFailure(zip_error_t* error) {
    return ZipOutcome::Failure(zip_error_code_zip(error),
                               QString::fromUtf8(zip_error_strerror(error)));
}

// Removes a file or a dangling link; true when nothing is left at the path.
bool RemoveIfPresent(const QString& path) {
    QFile::remove(path);
    const QFileInfo info(path);
    return !info.exists() && !info.isSymLink();
}

// The file to pack, opened by its bytes: a name need not be UTF-8. Checked before libzip sees
// it, for a clear reason; a pipe or device would also block the reader.
struct SourceFile {
    FILE* Stream = nullptr;
    struct stat Info {};
    // A second descriptor of the file, still open when libzip has closed the stream, to tell
    // whether the file grew while it was read.
    int Watch = -1;
    SourceFile() = default;
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;
    ~SourceFile() {
        if (Stream)
            std::fclose(Stream);
        if (Watch >= 0)
            ::close(Watch);
    }
    // libzip reads the length fixed at the open and ignores what is appended later.
    bool Grew() const {
        struct stat now {};
        return Watch >= 0 && ::fstat(Watch, &now) == 0 && now.st_size > Info.st_size;
    }
};

ZipOutcome OpenSource(const QString& filePath, SourceFile& source) {
    // Non-blocking, so that a FIFO put in the file's place cannot hold the open.
    const int fd = ::open(PathToBytes(filePath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT
                   ? ZipOutcome::FromCode(ZIP_ER_NOENT)
                   : ZipOutcome::Failure(ZIP_ER_OPEN, QString::fromLocal8Bit(std::strerror(errno)));
    if (::fstat(fd, &source.Info) != 0 || !S_ISREG(source.Info.st_mode)) {
        ::close(fd);
        return ZipOutcome::Failure(ZIP_ER_OPEN, QStringLiteral("not a regular file"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    source.Stream = ::fdopen(fd, "rb");
    if (!source.Stream) {
        ::close(fd);
        return ZipOutcome::Failure(ZIP_ER_OPEN, QString::fromLocal8Bit(std::strerror(errno)));
    }
    source.Watch = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    return {};
}

// Adds the file as the archive's only member and sets everything that decides its bytes, so that
// an archive made in a file and one made in memory are the same. The member is named by the
// file name's bytes. The data is read at close.
ZipOutcome AddOnlyMember(zip_t* archive, const QString& filePath, SourceFile& source, int level,
                         const PackControl& control) {
    zip_error_t error;
    zip_error_init(&error);
    // The source takes the stream over, also when it cannot be made.
    zip_source_t* data =
        zip_source_filep_create(std::exchange(source.Stream, nullptr), 0, -1, &error);
    if (!data) {
        const ZipOutcome outcome = LibraryFailure(&error);
        zip_error_fini(&error);
        return outcome;
    }
    zip_error_fini(&error);

    const QString name = QFileInfo(filePath).fileName();
    const zip_int64_t index =
        zip_file_add(archive, PathToBytes(name).constData(), data, ZIP_FL_ENC_GUESS);
    if (index < 0) {
        zip_source_free(data);
        return LibraryFailure(zip_get_error(archive));
    }
    const bool stored = IsStoredSuffix(name);
    zip_set_file_compression(archive, zip_uint64_t(index), stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                             stored ? 0 : zip_uint32_t(qBound(1, level, 9)));
    SetMemberModificationTime(archive, zip_uint64_t(index), source.Info.st_mtime);
    if (control.PumpMessages)
        zip_register_progress_callback_with_state(archive, 0.01, PumpWhilePacking, nullptr,
                                                  nullptr);
    if (control.Cancelled)
        zip_register_cancel_callback_with_state(
            archive, CancelWhenAsked, nullptr,
            const_cast<void*>(static_cast<const void*>(control.Cancelled)));
    return {};
}

} // namespace

bool IsStoredSuffix(const QString& fileName) {
    static const QSet<QString> stored = {
        QStringLiteral("gif"), QStringLiteral("png"), QStringLiteral("z"),   QStringLiteral("zip"),
        QStringLiteral("zoo"), QStringLiteral("arc"), QStringLiteral("lzh"), QStringLiteral("arj"),
        QStringLiteral("taz"), QStringLiteral("tgz"), QStringLiteral("lha"), QStringLiteral("rar"),
        QStringLiteral("ace"), QStringLiteral("cab"), QStringLiteral("gz"),  QStringLiteral("gzip"),
        QStringLiteral("jar")};
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && stored.contains(fileName.mid(dot + 1).toLower());
}

ZipOutcome PackFile(const QString& archivePath, const QString& filePath, int level,
                    const PackControl& control) {
    if (!RemoveIfPresent(archivePath))
        return ZipOutcome::Failure(ZIP_ER_REMOVE, QStringLiteral("the old archive ") + archivePath +
                                                      QStringLiteral(" cannot be removed"));
    SourceFile source;
    if (ZipOutcome outcome = OpenSource(filePath, source); !outcome.Ok())
        return outcome;

    int openError = 0;
    zip_t* archive =
        zip_open(PathToBytes(archivePath).constData(), ZIP_CREATE | ZIP_TRUNCATE, &openError);
    if (!archive)
        return ZipOutcome::FromCode(openError);
    if (ZipOutcome outcome = AddOnlyMember(archive, filePath, source, level, control);
        !outcome.Ok()) {
        zip_discard(archive);
        return outcome;
    }
    // The archive is written at close, to a temporary file that replaces the target at the end.
    if (zip_close(archive) != 0) {
        const ZipOutcome outcome = LibraryFailure(zip_get_error(archive));
        zip_discard(archive);
        RemoveIfPresent(archivePath);
        return outcome;
    }
    ZipOutcome packed;
    packed.SourceGrew = source.Grew();
    return packed;
}

ZipOutcome PackFileInMemory(const QString& filePath, int level, MemoryArchive& archive,
                            const PackControl& control) {
    archive = MemoryArchive();
    SourceFile source;
    if (ZipOutcome outcome = OpenSource(filePath, source); !outcome.Ok())
        return outcome;

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* zip = buffer ? zip_open_from_source(buffer, ZIP_TRUNCATE, &error) : nullptr;
    if (!zip) {
        const ZipOutcome outcome = LibraryFailure(&error);
        zip_error_fini(&error);
        if (buffer)
            zip_source_free(buffer);
        return outcome;
    }
    zip_error_fini(&error);
    // The archive releases its source at close; this reference keeps the written bytes.
    zip_source_keep(buffer);

    ZipOutcome outcome = AddOnlyMember(zip, filePath, source, level, control);
    if (outcome.Ok()) {
        if (zip_close(zip) == 0) {
            outcome = archive.Adopt(buffer);
            outcome.SourceGrew = outcome.Ok() && source.Grew();
            return outcome;
        }
        outcome = LibraryFailure(zip_get_error(zip));
    }
    zip_discard(zip);
    zip_source_free(buffer);
    return outcome;
}

} // namespace orvane
