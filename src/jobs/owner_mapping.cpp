#include "owner_mapping.h"

#include <grp.h>
#include <optional>
#include <pwd.h>
#include <vector>

namespace orvane {

namespace {

std::optional<uint32_t> UserId(const QByteArray& name) {
    std::vector<char> buffer(4096);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwnam_r(name.constData(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return uint32_t(found->pw_uid);
    return std::nullopt;
}

std::optional<uint32_t> GroupId(const QByteArray& name) {
    std::vector<char> buffer(4096);
    struct group entry {};
    struct group* found = nullptr;
    if (::getgrnam_r(name.constData(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return uint32_t(found->gr_gid);
    return std::nullopt;
}

} // namespace

uint32_t OwnerMapping::Uid(const EntryMetadata& entry) {
    if (m_numeric || entry.User.isEmpty())
        return entry.Uid;
    if (const auto found = m_uids.constFind(entry.User); found != m_uids.cend())
        return *found;
    return *m_uids.insert(entry.User, UserId(entry.User).value_or(entry.Uid));
}

uint32_t OwnerMapping::Gid(const EntryMetadata& entry) {
    if (m_numeric || entry.Group.isEmpty())
        return entry.Gid;
    if (const auto found = m_gids.constFind(entry.Group); found != m_gids.cend())
        return *found;
    return *m_gids.insert(entry.Group, GroupId(entry.Group).value_or(entry.Gid));
}

} // namespace orvane
