#include "restore_place.h"

#include "platform/path_bytes.h"
#include "platform/result_code.h"
#include "restore_match.h"

#include <QFile>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

namespace {

QString RefusalFor(const SafeTargetDirectory& directory) {
    const QString path = PathFromBytes(directory.Path());
    if (directory.FailureKind() == SafeTargetDirectory::Failure::SymbolicLink)
        return QStringLiteral(
                   "Not restored, a symbolic link stands where a directory should be: ") +
               path;
    return QStringLiteral("Not restored, the directory could not be made or opened: ") + path +
           QStringLiteral(" (") + SystemMessage(ResultCodeFromErrno(directory.FailureErrno())) +
           QLatin1Char(')');
}

// Makes the directory and those above it, by the bytes of its name: a target given as bytes
// need not be UTF-8.
void MakeDirectories(const QByteArray& path) {
    for (qsizetype slash = path.indexOf('/', 1); slash != -1; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0777);
    ::mkdir(path.constData(), 0777);
}

} // namespace

RestorePlace RestorePlace::For(const QString& target, const QByteArray& tapePath) {
    RestorePlace place;
    const RestoreDestination destination = RestoreDestinationFor(target, tapePath);
    if (destination.Path.isEmpty()) {
        place.m_refusal = destination.Refusal;
        return place;
    }
    place.m_path = destination.Path;
    const qsizetype slash = destination.Below.lastIndexOf(QLatin1Char('/'));
    place.m_name = PathToBytes(destination.Below.mid(slash + 1));
    // The target is the operator's: it is made as named. Below it nothing is followed.
    place.m_anchor = PathToBytes(destination.Anchor);
    place.m_below = PathToBytes(destination.Below.left(std::max<qsizetype>(slash, 0)));
    MakeDirectories(place.m_anchor);
    place.m_directory = SafeTargetDirectory::Open(place.m_anchor, place.m_below);
    if (!place.m_directory.IsOpen())
        place.m_refusal = RefusalFor(place.m_directory);
    return place;
}

RestorePlace RestorePlace::At(const QString& path) {
    RestorePlace place;
    place.m_path = path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    place.m_name = PathToBytes(path.mid(slash + 1));
    const QString directory = slash > 0 ? path.left(slash) : QStringLiteral("/");
    place.m_anchor = PathToBytes(directory);
    MakeDirectories(place.m_anchor);
    place.m_directory = SafeTargetDirectory::Open(place.m_anchor, {});
    if (!place.m_directory.IsOpen())
        place.m_refusal = RefusalFor(place.m_directory);
    return place;
}

RestorePlace::~RestorePlace() {
    if (m_copyDescriptor >= 0)
        ::close(m_copyDescriptor);
}

namespace {

// A copy's name carries the id of the process that writes it, so that a copy left by a run that
// was killed can be told from one being written now: one whose process is gone, or is this one
// (which writes one copy at a time), is abandoned. Files of any other name, a copy whose process
// lives, and anything that is not a plain file are never touched.
constexpr QByteArrayView CopyPrefix(".orvane-restoring.");
constexpr QByteArrayView CopySuffix(".part");

QByteArray CopyNameOf(qint64 pid) {
    return CopyPrefix.toByteArray() + QByteArray::number(pid) + CopySuffix.toByteArray();
}

bool Abandoned(int directory, const QByteArray& name) {
    if (!name.startsWith(CopyPrefix) || !name.endsWith(CopySuffix))
        return false;
    bool ok = false;
    const qint64 pid =
        name.mid(CopyPrefix.size(), name.size() - CopyPrefix.size() - CopySuffix.size())
            .toLongLong(&ok);
    if (!ok || pid <= 0 || CopyNameOf(pid) != name)
        return false;
    struct stat info;
    if (::fstatat(directory, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode))
        return false;
    return pid == ::getpid() || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH);
}

void RemoveAbandonedCopies(int directory) {
    const int listing = ::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return;
    DIR* entries = ::fdopendir(listing);
    if (!entries) {
        ::close(listing);
        return;
    }
    while (const dirent* entry = ::readdir(entries)) {
        const QByteArray name(entry->d_name);
        if (Abandoned(directory, name))
            ::unlinkat(directory, name.constData(), 0);
    }
    ::closedir(entries);
}

} // namespace

QByteArray RestorePlace::CopyName() {
    return CopyNameOf(::getpid());
}

bool RestorePlace::StartCopy(std::optional<uint16_t> permissions) {
    // A file of that name that is already there is never touched.
    if (!m_directory.IsOpen() || m_name == CopyName())
        return false;
    RemoveAbandonedCopies(m_directory.Descriptor());
    m_copyDescriptor = m_directory.CreateFile(CopyName());
    if (m_copyDescriptor < 0)
        return false;
    if (permissions)
        ::fchmod(m_copyDescriptor, mode_t(*permissions | S_IRUSR | S_IWUSR));
    m_writer.emplace(m_copyDescriptor);
    m_copyMade = true;
    m_copyErrno = 0;
    m_copySize = 0;
    return true;
}

void RestorePlace::WriteCopy(std::span<const char> data) {
    if (m_copyErrno != 0 || !m_writer)
        return;
    if (!m_writer->Write(data))
        m_copyErrno = errno != 0 ? errno : ENOSPC;
    else
        m_copySize += int64_t(data.size());
}

bool RestorePlace::FinishCopy() {
    if (m_copyDescriptor < 0)
        return m_copyMade && m_copyErrno == 0;
    if (m_copyErrno == 0 && m_writer && !m_writer->Finish())
        m_copyErrno = errno;
    m_writer.reset();
    if (::close(m_copyDescriptor) != 0 && m_copyErrno == 0)
        m_copyErrno = errno;
    m_copyDescriptor = -1;
    return m_copyErrno == 0;
}

void RestorePlace::DropCopy() {
    m_writer.reset();
    if (m_copyDescriptor >= 0) {
        ::close(m_copyDescriptor);
        m_copyDescriptor = -1;
    }
    if (m_copyMade)
        m_directory.Remove(CopyName());
    m_copyMade = false;
}

QString NotWrittenLine(const QString& path, int error) {
    return QStringLiteral("Not restored, the file could not be written: ") + path +
           QStringLiteral(" (") + SystemMessage(ResultCodeFromErrno(error)) + QLatin1Char(')');
}

void SetModificationTime(int directory, const QByteArray& name, const QDateTime& modified) {
    const qint64 msecs = modified.toMSecsSinceEpoch();
    const qint64 seconds = msecs >= 0 ? msecs / 1000 : -((-msecs + 999) / 1000);
    const struct timespec times[2] = {
        {0, UTIME_OMIT},
        {time_t(seconds), long((msecs - seconds * 1000) * 1000000)},
    };
    ::utimensat(directory, name.constData(), times, AT_SYMLINK_NOFOLLOW);
}

} // namespace orvane
