#include "zip_unpack.h"

#include "platform/message_pump.h"
#include "platform/path_bytes.h"
#include "platform/result_code.h"
#include "zip_member_path.h"
#include "zip_member_time.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>
#include <zip.h>

namespace orvane {

namespace {

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

struct MemberCloser {
    void operator()(zip_file_t* member) const { zip_fclose(member); }
};
using Member = std::unique_ptr<zip_file_t, MemberCloser>;

constexpr qint64 ChunkSize = 1 << 16;
constexpr int ChunksPerPump = 16;

// True when `directory` lies inside the base directory also after resolving links, judged by
// its nearest existing ancestor, so that a link planted in the target cannot carry a member
// (or a directory made for it) elsewhere.
bool StaysInside(const QString& directory, const QString& canonicalBase) {
    QFileInfo existing(directory);
    while (!existing.exists() && !existing.isSymLink() && !existing.isRoot())
        existing.setFile(existing.path());
    const QString canonical = existing.canonicalFilePath();
    return !canonical.isEmpty() &&
           (canonical == canonicalBase || canonical.startsWith(canonicalBase + QLatin1Char('/')));
}

// The permissions to give an extracted file: the member's Unix mode when it has one, otherwise
// read-only exactly when the DOS attribute says so. The owner can always read his file back.
std::optional<mode_t> MemberPermissions(zip_t* archive, zip_uint64_t index) {
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0)
        return std::nullopt;
    if (system == ZIP_OPSYS_UNIX && (attributes >> 16) != 0)
        return mode_t(((attributes >> 16) & 0777) | S_IRUSR);
    constexpr zip_uint32_t DosReadOnly = 0x01;
    if (system == ZIP_OPSYS_DOS && (attributes & DosReadOnly))
        return mode_t(S_IRUSR | S_IRGRP | S_IROTH);
    return std::nullopt;
}

// Why a call on an extracted file failed, read right after it: a full disk in the words every
// other full disk of a run is told in.
QString SystemFailure(int error) {
    const ResultCode code = ResultCodeFromErrno(error);
    return code == ResultCode::HandleDiskFull ? SystemMessage(code)
                                              : QString::fromLocal8Bit(std::strerror(error));
}

// A file being extracted, under a name of its own beside its target until it is whole.
class PartFile {
public:
    explicit PartFile(const QByteArray& target) {
        const qsizetype slash = target.lastIndexOf('/');
        const QByteArray directory = target.left(slash + 1);
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            m_path = directory + ".orvane-unpacking." + QByteArray::number(::getpid()) + '.' +
                     QByteArray::number(QRandomGenerator::global()->generate());
            m_fd = ::open(m_path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          0666);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
        m_error = m_fd < 0 ? errno : 0;
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;
    ~PartFile() {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_committed && !m_path.isEmpty())
            ::unlink(m_path.constData());
    }
    int Fd() const { return m_fd; }
    int Error() const { return m_error; }

    bool Write(const char* data, qint64 count) {
        while (count > 0) {
            const ssize_t n = ::write(m_fd, data, size_t(count));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return Fail(n < 0 ? errno : ENOSPC);
            data += n;
            count -= n;
        }
        return true;
    }

    // Closes the file and gives it the target's name; the file at the target, a link
    // included, is replaced and never followed.
    bool Commit(const QByteArray& target) {
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0)
            return Fail(errno);
        if (::rename(m_path.constData(), target.constData()) != 0)
            return Fail(errno);
        m_committed = true;
        return true;
    }

private:
    bool Fail(int error) {
        m_error = error;
        return false;
    }

    QByteArray m_path;
    int m_fd = -1;
    int m_error = 0;
    bool m_committed = false;
};

ZipOutcome ExtractMember(zip_t* archive, zip_uint64_t index, const QString& memberName,
                         const QString& target) {
    const auto failure = [&](int code, const QString& reason) {
        return ZipOutcome::Failure(code, memberName + QStringLiteral(": ") + reason);
    };
    // Names are bytes: the file is written by the bytes of its name, which need not be UTF-8.
    const QByteArray targetBytes = PathToBytes(target);
    if (struct stat existing{};
        ::lstat(targetBytes.constData(), &existing) == 0 && S_ISDIR(existing.st_mode))
        return failure(ZIP_ER_EXISTS, QStringLiteral("a directory of that name exists"));

    Member member(zip_fopen_index(archive, index, 0));
    if (!member)
        return failure(zip_error_code_zip(zip_get_error(archive)),
                       QString::fromUtf8(zip_strerror(archive)));

    PartFile output(targetBytes);
    if (output.Fd() < 0)
        return failure(ZIP_ER_WRITE, SystemFailure(output.Error()));
    std::vector<char> buffer(ChunkSize);
    for (int chunk = 1;; ++chunk) {
        const zip_int64_t count = zip_fread(member.get(), buffer.data(), buffer.size());
        if (count < 0)
            return failure(zip_error_code_zip(zip_file_get_error(member.get())),
                           QString::fromUtf8(zip_file_strerror(member.get())));
        if (count == 0)
            break;
        if (!output.Write(buffer.data(), count))
            return failure(ZIP_ER_WRITE, SystemFailure(output.Error()));
        if (chunk % ChunksPerPump == 0)
            PumpMessages(1);
    }
    if (const auto modified = MemberModificationTime(archive, index)) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(*modified), 0}};
        ::futimens(output.Fd(), times);
    }
    if (const auto permissions = MemberPermissions(archive, index))
        ::fchmod(output.Fd(), *permissions);
    if (!output.Commit(targetBytes))
        return failure(ZIP_ER_WRITE, SystemFailure(output.Error()));
    return {};
}

// Writes the members of an open archive; see UnpackArchive.
ZipOutcome UnpackOpenArchive(zip_t* opened, const QString& baseDirectory) {
    Archive archive(opened);
    // Every name is checked before the first byte is written.
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    std::vector<std::pair<QString, QString>> members; // stored name, target path
    for (zip_int64_t i = 0; i < count; ++i) {
        // The stored bytes: the name of a file that is not UTF-8 is kept as it was written.
        const char* raw = zip_get_name(archive.get(), zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (!raw)
            return ZipOutcome::Failure(zip_error_code_zip(zip_get_error(archive.get())),
                                       QString::fromUtf8(zip_strerror(archive.get())));
        const QString name = PathFromBytes(raw);
        const auto target = MemberTargetPath(baseDirectory, name);
        if (!target)
            return ZipOutcome::Failure(
                ZIP_ER_INVAL, QStringLiteral("the member \"") + name +
                                  QStringLiteral("\" would be written outside ") + baseDirectory);
        members.emplace_back(name, *target);
    }

    if (!QDir().mkpath(baseDirectory))
        return ZipOutcome::Failure(ZIP_ER_WRITE, QStringLiteral("the directory ") + baseDirectory +
                                                     QStringLiteral(" cannot be created"));
    const QString canonicalBase = QFileInfo(baseDirectory).canonicalFilePath();

    for (zip_uint64_t i = 0; i < members.size(); ++i) {
        const auto& [name, target] = members[i];
        const bool isDirectory = target.endsWith(QLatin1Char('/'));
        const QString directory = isDirectory ? target : QFileInfo(target).path();
        if (!StaysInside(directory, canonicalBase) || !QDir().mkpath(directory))
            return ZipOutcome::Failure(ZIP_ER_WRITE, name + QStringLiteral(": the directory ") +
                                                         directory +
                                                         QStringLiteral(" cannot be used"));
        if (isDirectory)
            continue;
        if (ZipOutcome outcome = ExtractMember(archive.get(), i, name, target); !outcome.Ok())
            return outcome;
    }
    return {};
}

} // namespace

ZipOutcome UnpackArchive(const QString& archivePath, const QString& baseDirectory) {
    if (!QFileInfo(archivePath).isFile())
        return ZipOutcome::FromCode(ZIP_ER_NOENT);
    int openError = 0;
    zip_t* archive =
        zip_open(PathToBytes(archivePath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &openError);
    if (!archive)
        return ZipOutcome::FromCode(openError);
    return UnpackOpenArchive(archive, baseDirectory);
}

ZipOutcome UnpackArchiveFrom(const QByteArray& bytes, const QString& baseDirectory) {
    // libzip takes an empty buffer for an empty archive, an empty file for none at all.
    if (bytes.isEmpty())
        return ZipOutcome::FromCode(ZIP_ER_NOZIP);
    zip_error_t error;
    zip_error_init(&error);
    // The source reads `bytes` in place; they outlive the archive, which is gone on return.
    zip_source_t* source =
        zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    zip_t* archive =
        source ? zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error) : nullptr;
    const int openError = zip_error_code_zip(&error);
    zip_error_fini(&error);
    if (!archive) {
        if (source)
            zip_source_free(source);
        return ZipOutcome::FromCode(openError);
    }
    return UnpackOpenArchive(archive, baseDirectory);
}

} // namespace orvane
