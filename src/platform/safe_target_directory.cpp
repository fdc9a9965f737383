#include "safe_target_directory.h"

#include <QList>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace orvane {

SafeTargetDirectory::SafeTargetDirectory(SafeTargetDirectory&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1)), m_path(std::move(other.m_path)),
      m_failure(other.m_failure), m_errno(other.m_errno), m_made(std::move(other.m_made)) {}

SafeTargetDirectory& SafeTargetDirectory::operator=(SafeTargetDirectory&& other) noexcept {
    if (this != &other) {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        m_descriptor = std::exchange(other.m_descriptor, -1);
        m_path = std::move(other.m_path);
        m_failure = other.m_failure;
        m_errno = other.m_errno;
        m_made = std::move(other.m_made);
    }
    return *this;
}

SafeTargetDirectory::~SafeTargetDirectory() {
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

SafeTargetDirectory SafeTargetDirectory::Open(const QByteArray& anchor, const QByteArray& below) {
    SafeTargetDirectory result;
    result.m_path = anchor.isEmpty() ? QByteArray("/") : anchor;
    int current = ::open(result.m_path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const auto fail = [&](Failure kind, int error) {
        if (current >= 0)
            ::close(current);
        result.m_failure = kind;
        result.m_errno = error;
        return std::move(result);
    };
    if (current < 0)
        return fail(Failure::System, errno);
    for (const QByteArray& component : below.split('/')) {
        if (component.isEmpty() || component == ".")
            continue;
        if (!result.m_path.endsWith('/'))
            result.m_path += '/';
        result.m_path += component;
        if (::mkdirat(current, component.constData(), 0777) == 0)
            result.m_made << result.m_path;
        else if (errno != EEXIST)
            return fail(Failure::System, errno);
        const int next = ::openat(current, component.constData(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            const int error = errno;
            struct stat status {};
            if (::fstatat(current, component.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(status.st_mode))
                return fail(Failure::SymbolicLink, ELOOP);
            return fail(Failure::System, error);
        }
        ::close(current);
        current = next;
    }
    result.m_descriptor = current;
    return result;
}

bool SafeTargetDirectory::Occupied(const QByteArray& name) const {
    struct stat status {};
    return ::fstatat(m_descriptor, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

bool SafeTargetDirectory::IsDirectory(const QByteArray& name) const {
    struct stat status {};
    return ::fstatat(m_descriptor, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(status.st_mode);
}

int SafeTargetDirectory::CreateFile(const QByteArray& name) const {
    return ::openat(m_descriptor, name.constData(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

bool SafeTargetDirectory::Remove(const QByteArray& name) const {
    return ::unlinkat(m_descriptor, name.constData(), 0) == 0;
}

bool SafeTargetDirectory::Rename(const QByteArray& from, const QByteArray& to) const {
    return ::renameat(m_descriptor, from.constData(), m_descriptor, to.constData()) == 0;
}

bool SafeTargetDirectory::MoveHere(int fromDirectory, const QByteArray& fromName,
                                   const QByteArray& to) const {
    return ::renameat(fromDirectory, fromName.constData(), m_descriptor, to.constData()) == 0;
}

} // namespace orvane
