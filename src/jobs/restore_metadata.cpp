#include "restore_metadata.h"

#include "catalog_paths.h"
#include "platform/operator_interface.h"
#include "platform/path_bytes.h"
#include "platform/protocol_log.h"
#include "platform/safe_target_directory.h"
#include "restore_match.h"
#include "restore_one_file.h"
#include "restore_place.h"
#include "session.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace orvane {

namespace {

QByteArray DirectoryKey(const QByteArray& anchor, const QByteArray& below) {
    return anchor + '\0' + below;
}

// The directory a restored entry lies in, opened again the way the restore opened it. The last
// one stays open, so that the entries of one directory cost one open.
class DirectoryCache {
public:
    const SafeTargetDirectory& Open(const QByteArray& anchor, const QByteArray& below) {
        const QByteArray key = DirectoryKey(anchor, below);
        if (key != m_key) {
            m_directory = SafeTargetDirectory::Open(anchor, below);
            m_key = key;
        }
        return m_directory;
    }

private:
    QByteArray m_key;
    SafeTargetDirectory m_directory;
};

enum class Decision { Make, Replace, Keep };

timespec ModificationTime(const EntryMetadata& entry) {
    return {time_t(entry.Seconds), long(entry.Nanoseconds)};
}

QByteArray JoinPath(const QByteArray& directory, const QByteArray& name) {
    return directory.endsWith('/') ? directory + name : directory + '/' + name;
}

// Links and directories that are there already: "Restore with asking" asks for them (nothing is
// asked for one that is new), "Overwrite ever" replaces a link and gives a directory its recorded
// metadata, "Overwrite never" leaves both as they are.
Decision DecideForExisting(Session& session, const QString& path) {
    switch (session.Settings.RestoreOption) {
    case 2:
        return Decision::Replace;
    case 0: {
        using Questions = Session::RestoreQuestions;
        if (session.RestoreQuestionsLeft == Questions::SkipAll)
            return Decision::Keep;
        if (session.RestoreQuestionsLeft == Questions::RestoreAll)
            return Decision::Replace;
        const RestoreAnswer answer = session.Op.AskRestorePath(path);
        switch (answer.Given) {
        case RestoreAnswer::Choice::All:
            session.RestoreQuestionsLeft = Questions::RestoreAll;
            return Decision::Replace;
        case RestoreAnswer::Choice::SkipRest:
            session.RestoreQuestionsLeft = Questions::SkipAll;
            return Decision::Keep;
        case RestoreAnswer::Choice::Skip:
            return Decision::Keep;
        default:
            if (answer.Path == path)
                return Decision::Replace;
            ReportNotRestored(session,
                              QStringLiteral("Not restored, a link or directory is restored to "
                                             "its own path only: ") +
                                  path);
            return Decision::Keep;
        }
    }
    default:
        return Decision::Keep;
    }
}

} // namespace

RestoreMetadataPass::RestoreMetadataPass(Session& session, const QStringList& lines,
                                         QList<bool>& usedLines)
    : m_session(session), m_lines(lines), m_used(usedLines), m_keepOwners(session.KeepOwners),
      m_owners(session.NumericOwner) {}

void RestoreMetadataPass::DirectoriesMade(const RestorePlace& place) {
    for (const QByteArray& path : place.Directory().Made())
        m_made.insert(path);
}

void RestoreMetadataPass::FileRestored(const QByteArray& tapePath, const RestorePlace& place) {
    m_restored.insert(tapePath, {place.Anchor(), place.Below(), place.Name()});
}

bool RestoreMetadataPass::Selected(const QByteArray& path) {
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const RestoreSelection selection = MatchRestoreLine(path, m_lines.at(i));
        if (selection == RestoreSelection::NotSelected)
            continue;
        m_used[i] = true;
        if (selection == RestoreSelection::Refused)
            ReportNotRestored(
                m_session, QStringLiteral("Not restored, the path leads out of its directory: ") +
                               TapePathText(path));
        return selection == RestoreSelection::Selected;
    }
    return false;
}

void RestoreMetadataPass::MakeDirectory(const EntryMetadata& entry) {
    RestorePlace place = RestorePlace::For(m_session.Settings.RestoreTarget, entry.Path);
    if (!place.Refusal().isEmpty()) {
        ReportNotRestored(m_session, place.Refusal());
        return;
    }
    DirectoriesMade(place);
    const SafeTargetDirectory& parent = place.Directory();
    const QByteArray full = JoinPath(parent.Path(), place.Name());
    bool wanted = true;
    if (::mkdirat(parent.Descriptor(), place.Name().constData(), 0700) != 0) {
        if (errno != EEXIST) {
            ReportNotRestored(m_session, NotWrittenLine(place.Path(), errno));
            return;
        }
        if (!parent.IsDirectory(place.Name())) {
            ReportNotRestored(
                m_session,
                QStringLiteral("Not restored, something else stands where the directory should "
                               "be: ") +
                    place.Path());
            return;
        }
        // One this run made for the files below it is new; only one found there is asked for.
        wanted = m_made.contains(full) ||
                 DecideForExisting(m_session, place.Path()) == Decision::Replace;
    }
    m_made.insert(full);
    if (wanted)
        m_directories.push_back(
            {entry.Path, Location{place.Anchor(), place.Below(), place.Name()}});
}

void RestoreMetadataPass::MakeLink(const EntryMetadata& entry) {
    const bool symbolic = entry.Kind == EntryMetadata::Type::SymbolicLink;
    std::optional<Location> file;
    if (!symbolic) {
        const auto found = m_restored.constFind(entry.Target);
        if (found == m_restored.cend()) {
            ReportNotRestored(m_session,
                              QStringLiteral("Not restored, the file it is a hard link of was "
                                             "not restored: ") +
                                  TapePathText(entry.Path) + QStringLiteral(" (") +
                                  TapePathText(entry.Target) + QLatin1Char(')'));
            return;
        }
        file = *found;
    }
    RestorePlace place = RestorePlace::For(m_session.Settings.RestoreTarget, entry.Path);
    if (!place.Refusal().isEmpty()) {
        ReportNotRestored(m_session, place.Refusal());
        return;
    }
    DirectoriesMade(place);
    const SafeTargetDirectory& directory = place.Directory();
    QByteArray name = place.Name();
    if (directory.Occupied(name)) {
        if (directory.IsDirectory(name)) {
            ReportNotRestored(
                m_session,
                QStringLiteral("Not restored, the existing file could not be replaced: ") +
                    place.Path());
            return;
        }
        if (DecideForExisting(m_session, place.Path()) != Decision::Replace)
            return;
        // Made beside it and renamed over it, so that the old entry is replaced whole.
        name = RestorePlace::CopyName();
        directory.Remove(name);
    }
    int made = 0;
    if (symbolic) {
        made = ::symlinkat(entry.Target.constData(), directory.Descriptor(), name.constData());
    } else {
        const SafeTargetDirectory source = SafeTargetDirectory::Open(file->Anchor, file->Below);
        made = source.IsOpen() ? ::linkat(source.Descriptor(), file->Name.constData(),
                                          directory.Descriptor(), name.constData(), 0)
                               : -1;
    }
    if (made != 0 || (name != place.Name() && !directory.Rename(name, place.Name()))) {
        const int error = errno;
        if (name != place.Name())
            directory.Remove(name);
        ReportNotRestored(m_session, NotWrittenLine(place.Path(), error));
        return;
    }
    if (symbolic) {
        if (m_keepOwners)
            ::fchownat(directory.Descriptor(), place.Name().constData(), m_owners.Uid(entry),
                       m_owners.Gid(entry), AT_SYMLINK_NOFOLLOW);
        const timespec times[2] = {{0, UTIME_OMIT}, ModificationTime(entry)};
        ::utimensat(directory.Descriptor(), place.Name().constData(), times, AT_SYMLINK_NOFOLLOW);
    }
    m_session.Counters.FileCount += 1;
    if (!m_session.Settings.ShortProtocol)
        m_session.Protocol.AddProtocolLine(place.Path() +
                                           QString::fromLatin1(symbolic ? " -> " : " link to ") +
                                           TapePathText(entry.Target));
}

void RestoreMetadataPass::Apply(int fd, const EntryMetadata& entry, bool directory) {
    uint32_t mode = entry.Mode;
    if (m_keepOwners) {
        ::fchown(fd, m_owners.Uid(entry), m_owners.Gid(entry));
    } else {
        // The entry now belongs to the restoring user: it must not run as someone else's.
        mode &= directory ? ~uint32_t(S_ISUID) : ~uint32_t(S_ISUID | S_ISGID);
    }
    for (const ExtendedAttribute& attribute : entry.Attributes)
        if (::fsetxattr(fd, attribute.Name.constData(), attribute.Value.constData(),
                        size_t(attribute.Value.size()), 0) != 0 &&
            errno != ENOTSUP)
            m_session.Protocol.AddProtocolLine(
                QStringLiteral("Extended attribute not restored: ") + TapePathText(entry.Path) +
                QStringLiteral(" (") + QString::fromUtf8(attribute.Name) + QLatin1Char(')'));
    // After the owner: a change of owner clears setuid and setgid.
    ::fchmod(fd, mode_t(mode));
    const timespec times[2] = {{0, UTIME_OMIT}, ModificationTime(entry)};
    ::futimens(fd, times);
}

void RestoreMetadataPass::ApplyAll(const SetMetadata& metadata) {
    DirectoryCache cache;
    std::vector<std::pair<QByteArray, QByteArray>> files; // directory key, tape path
    files.reserve(size_t(m_restored.size()));
    for (auto it = m_restored.cbegin(); it != m_restored.cend(); ++it)
        files.emplace_back(DirectoryKey(it->Anchor, it->Below), it.key());
    std::sort(files.begin(), files.end());
    for (const auto& [key, tapePath] : files) {
        const EntryMetadata* entry = metadata.Find(tapePath);
        if (!entry || entry->Kind != EntryMetadata::Type::File)
            continue;
        const Location& at = m_restored[tapePath];
        const SafeTargetDirectory& directory = cache.Open(at.Anchor, at.Below);
        const int fd = ::openat(directory.Descriptor(), at.Name.constData(),
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (struct stat info{}; ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
            Apply(fd, *entry, false);
        ::close(fd);
    }
    // Deepest first, so that finishing a directory changes none above it that is done.
    std::sort(m_directories.begin(), m_directories.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    for (const auto& [tapePath, at] : m_directories) {
        const SafeTargetDirectory& directory = cache.Open(at.Anchor, at.Below);
        const int fd = ::openat(directory.Descriptor(), at.Name.constData(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        Apply(fd, *metadata.Find(tapePath), true);
        ::close(fd);
    }
}

void RestoreMetadataPass::Finish(const SetMetadata& metadata) {
    if (metadata.IsEmpty() || m_session.CancelFlag)
        return;
    std::vector<const EntryMetadata*> directories;
    std::vector<const EntryMetadata*> links;
    for (const EntryMetadata& entry : metadata.Entries()) {
        if (entry.Kind == EntryMetadata::Type::Directory && Selected(entry.Path + '/'))
            directories.push_back(&entry);
        else if ((entry.Kind == EntryMetadata::Type::SymbolicLink ||
                  entry.Kind == EntryMetadata::Type::HardLink) &&
                 Selected(entry.Path))
            links.push_back(&entry);
    }
    std::sort(directories.begin(), directories.end(),
              [](const EntryMetadata* a, const EntryMetadata* b) { return a->Path < b->Path; });
    for (const EntryMetadata* entry : directories)
        MakeDirectory(*entry);
    for (const EntryMetadata* entry : links)
        MakeLink(*entry);
    ApplyAll(metadata);
    if (!m_keepOwners && (!m_restored.isEmpty() || !directories.empty() || !links.empty()))
        m_session.Protocol.AddProtocolLine(QStringLiteral(
            "Owners not restored: only root may give files to other users; the restored files "
            "belong to the user who restored them."));
}

} // namespace orvane
