#pragma once

#include "archive/entry_metadata.h"
#include "owner_mapping.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>
#include <vector>

namespace orvane {

class Session;
class RestorePlace;

// The end of a restore run on a set with entry metadata: makes the selected directories,
// symbolic links (never followed) and hard links, then gives every restored entry its owner
// (only as root; otherwise the protocol says once that owners were not kept), extended
// attributes, permission bits and modification time, directories last and deepest first.
// "Restore Options" applies to links and directories as to files; a directory that is already
// there is left as it is under "Overwrite never".
class RestoreMetadataPass {
public:
    RestoreMetadataPass(Session& session, const QStringList& lines, QList<bool>& usedLines);

    // The restore made the directories that `place` needed: they are new, not found there.
    void DirectoriesMade(const RestorePlace& place);
    // A file of the set was restored to `place`.
    void FileRestored(const QByteArray& tapePath, const RestorePlace& place);
    // Applies `metadata` (nothing happens for a set without it).
    void Finish(const SetMetadata& metadata);

private:
    // Where a restored entry lies: its directory as RestorePlace opened it, and its name there.
    struct Location {
        QByteArray Anchor;
        QByteArray Below;
        QByteArray Name;
    };
    bool Selected(const QByteArray& path);
    void MakeDirectory(const EntryMetadata& entry);
    void MakeLink(const EntryMetadata& entry);
    void ApplyAll(const SetMetadata& metadata);
    void Apply(int fd, const EntryMetadata& entry, bool directory);

    Session& m_session;
    const QStringList& m_lines;
    QList<bool>& m_used;
    bool m_keepOwners;
    QHash<QByteArray, Location> m_restored; // files by tape path
    QSet<QByteArray> m_made;                // directories this run made, by path
    std::vector<std::pair<QByteArray, Location>> m_directories; // directories to finish
    OwnerMapping m_owners;
};

} // namespace orvane
