#include "entry_metadata_read.h"

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace orvane {

namespace {

QByteArray UserName(uint32_t uid) {
    std::vector<char> buffer(4096);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(uid_t(uid), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    return QByteArray(found->pw_name);
}

QByteArray GroupName(uint32_t gid) {
    std::vector<char> buffer(4096);
    struct group entry {};
    struct group* found = nullptr;
    if (::getgrgid_r(gid_t(gid), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return {};
    return QByteArray(found->gr_name);
}

// Lists and reads the attributes through the two calls given (of a descriptor or of a path).
template <typename List, typename Get>
std::vector<ExtendedAttribute> ReadAttributes(List list, Get get) {
    std::vector<ExtendedAttribute> attributes;
    QByteArray names(1024, '\0');
    ssize_t length = list(names.data(), size_t(names.size()));
    if (length < 0 && errno == ERANGE) {
        length = list(nullptr, 0);
        if (length > 0) {
            names.resize(length);
            length = list(names.data(), size_t(names.size()));
        }
    }
    if (length <= 0)
        return attributes;
    for (const QByteArray& name : names.left(length).split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t size = get(name.constData(), nullptr, 0);
        if (size < 0)
            continue;
        QByteArray value(size, '\0');
        const ssize_t got = get(name.constData(), value.data(), size_t(value.size()));
        if (got >= 0)
            attributes.push_back({name, value.left(got)});
    }
    return attributes;
}

} // namespace

QByteArray OwnerNames::User(uint32_t uid) {
    if (const auto found = m_users.constFind(uid); found != m_users.cend())
        return *found;
    return *m_users.insert(uid, UserName(uid));
}

QByteArray OwnerNames::Group(uint32_t gid) {
    if (const auto found = m_groups.constFind(gid); found != m_groups.cend())
        return *found;
    return *m_groups.insert(gid, GroupName(gid));
}

EntryMetadata MetadataFromStat(const QByteArray& path, EntryMetadata::Type type,
                               const struct stat& info, OwnerNames& names) {
    EntryMetadata entry;
    entry.Kind = type;
    entry.Path = path;
    entry.Mode = uint32_t(info.st_mode & 07777);
    entry.Uid = uint32_t(info.st_uid);
    entry.Gid = uint32_t(info.st_gid);
    entry.User = names.User(entry.Uid);
    entry.Group = names.Group(entry.Gid);
    entry.Seconds = int64_t(info.st_mtim.tv_sec);
    entry.Nanoseconds = uint32_t(info.st_mtim.tv_nsec);
    return entry;
}

std::vector<ExtendedAttribute> ReadExtendedAttributes(int fd) {
    return ReadAttributes([fd](char* list, size_t size) { return ::flistxattr(fd, list, size); },
                          [fd](const char* name, void* value, size_t size) {
                              return ::fgetxattr(fd, name, value, size);
                          });
}

std::vector<ExtendedAttribute> ReadLinkExtendedAttributes(const QByteArray& path) {
    const char* at = path.constData();
    return ReadAttributes([at](char* list, size_t size) { return ::llistxattr(at, list, size); },
                          [at](const char* name, void* value, size_t size) {
                              return ::lgetxattr(at, name, value, size);
                          });
}

QByteArray ReadLinkTarget(int directory, const QByteArray& name) {
    QByteArray target(4096, '\0');
    const ssize_t length =
        ::readlinkat(directory, name.constData(), target.data(), size_t(target.size()));
    return length > 0 ? target.left(length) : QByteArray();
}

} // namespace orvane
