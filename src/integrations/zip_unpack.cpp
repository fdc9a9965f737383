#include "zip_unpack.h"

#include "platform/message_pump.h"
#include "platform/result_code.h"
#include "zip_member_path.h"
#include "zip_member_time.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <memory>
#include <optional>
#include <sys/stat.h>
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
std::optional<QFile::Permissions> MemberPermissions(zip_t* archive, zip_uint64_t index) {
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0)
        return std::nullopt;
    if (system == ZIP_OPSYS_UNIX && (attributes >> 16) != 0) {
        const mode_t mode = (attributes >> 16) & 0777;
        // QFile's owner and user flags are both the owner's bits on Unix.
        QFile::Permissions permissions = QFile::ReadOwner | QFile::ReadUser;
        const std::pair<mode_t, QFile::Permissions> bits[] = {
            {S_IWUSR, QFile::WriteOwner | QFile::WriteUser},
            {S_IXUSR, QFile::ExeOwner | QFile::ExeUser},
            {S_IRGRP, QFile::ReadGroup},
            {S_IWGRP, QFile::WriteGroup},
            {S_IXGRP, QFile::ExeGroup},
            {S_IROTH, QFile::ReadOther},
            {S_IWOTH, QFile::WriteOther},
            {S_IXOTH, QFile::ExeOther}};
        for (const auto& [bit, flags] : bits)
            if (mode & bit)
                permissions |= flags;
        return permissions;
    }
    constexpr zip_uint32_t DosReadOnly = 0x01;
    if (system == ZIP_OPSYS_DOS && (attributes & DosReadOnly))
        return QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup | QFile::ReadOther;
    return std::nullopt;
}

// Why a write of an extracted file failed, read right after it: a full disk in the words every
// other full disk of a run is told in.
QString WriteFailure(const QSaveFile& output) {
    const ResultCode code = ResultCodeFromErrno(errno);
    return code == ResultCode::HandleDiskFull ? SystemMessage(code) : output.errorString();
}

ZipOutcome ExtractMember(zip_t* archive, zip_uint64_t index, const QString& memberName,
                         const QString& target) {
    const auto failure = [&](int code, const QString& reason) {
        return ZipOutcome::Failure(code, memberName + QStringLiteral(": ") + reason);
    };

    // Replacing means replacing: a link at the target is removed, never followed, and a
    // read-only file is replaced all the same.
    if (const QFileInfo existing(target); existing.isSymLink())
        QFile::remove(target);
    else if (existing.isDir())
        return failure(ZIP_ER_EXISTS, QStringLiteral("a directory of that name exists"));
    else if (existing.exists() && !existing.isWritable())
        QFile::setPermissions(target, existing.permissions() | QFile::WriteOwner);

    Member member(zip_fopen_index(archive, index, 0));
    if (!member)
        return failure(zip_error_code_zip(zip_get_error(archive)),
                       QString::fromUtf8(zip_strerror(archive)));

    QSaveFile output(target);
    // Unbuffered, so that every write's failure is seen at that write.
    if (!output.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(ZIP_ER_WRITE, output.errorString());
    std::vector<char> buffer(ChunkSize);
    for (int chunk = 1;; ++chunk) {
        const zip_int64_t count = zip_fread(member.get(), buffer.data(), buffer.size());
        if (count < 0)
            return failure(zip_error_code_zip(zip_file_get_error(member.get())),
                           QString::fromUtf8(zip_file_strerror(member.get())));
        if (count == 0)
            break;
        if (output.write(buffer.data(), count) != count)
            return failure(ZIP_ER_WRITE, WriteFailure(output));
        if (chunk % ChunksPerPump == 0)
            PumpMessages(1);
    }
    // Buffered bytes written after the time is set would move it again.
    if (!output.flush())
        return failure(ZIP_ER_WRITE, WriteFailure(output));
    if (const auto modified = MemberModificationTime(archive, index))
        output.setFileTime(QDateTime::fromSecsSinceEpoch(*modified),
                           QFileDevice::FileModificationTime);
    if (!output.commit())
        return failure(ZIP_ER_WRITE, WriteFailure(output));
    if (const auto permissions = MemberPermissions(archive, index))
        QFile::setPermissions(target, *permissions);
    return {};
}

// Writes the members of an open archive; see UnpackArchive.
ZipOutcome UnpackOpenArchive(zip_t* opened, const QString& baseDirectory) {
    Archive archive(opened);
    // Every name is checked before the first byte is written.
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    std::vector<std::pair<QString, QString>> members; // stored name, target path
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(archive.get(), zip_uint64_t(i), 0);
        if (!raw)
            return ZipOutcome::Failure(zip_error_code_zip(zip_get_error(archive.get())),
                                       QString::fromUtf8(zip_strerror(archive.get())));
        const QString name = QFile::decodeName(raw);
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
    zip_t* archive = zip_open(QFile::encodeName(archivePath).constData(),
                              ZIP_RDONLY | ZIP_CHECKCONS, &openError);
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
