#include "backup_walk.h"

#include "backup_entries_without_data.h"
#include "backup_file_record.h"
#include "packed_file.h"
#include "walk_cursor.h"

#include <deque>
#include <fcntl.h>

namespace orvane {

namespace {

// How far the walk lists ahead of the writer while it looks for files to pack ahead: enough to
// see past a run of files that are not packed, little enough that a directory of such files
// costs neither memory nor a pause.
constexpr size_t MaxEntriesListedAhead = 256;

struct ListedEntry {
    WalkEntry Entry;
    bool Prepared = false; // named to the look-ahead
};

// The entries listed but not yet written, and how many of them the look-ahead packs.
struct ListedAhead {
    std::deque<ListedEntry> Entries;
    int PreparedCount = 0;
};

// Lists entries ahead of the writer and names the ones it will pack to the look-ahead, until as
// many wait as can be packed at once. Without soft compression only the next entry is listed,
// so that each entry is looked at just before it is written.
void ListAhead(ArchiveContext& ctx, BackupWriterState& state, WalkCursor& cursor,
               ListedAhead& listed, bool compress) {
    const size_t wanted = compress ? MaxEntriesListedAhead : 1;
    while (listed.Entries.size() < wanted &&
           (!compress || listed.PreparedCount < state.Ahead.Capacity())) {
        std::optional<WalkEntry> entry = cursor.Next();
        if (!entry)
            return;
        const bool prepare = compress && entry->Stated && entry->Info.st_nlink == 1 &&
                             WillBePacked(ctx, state, entry->Path, entry->Info);
        if (prepare) {
            state.Ahead.Prepare(entry->Path, entry->Info.st_size, ctx.Compression.Level(),
                                ctx.Paths.WorkDirectory);
            ++listed.PreparedCount;
        }
        listed.Entries.push_back({std::move(*entry), prepare});
    }
}

} // namespace

void WalkDirectory(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& directory,
                   TapeHandlePtr& handle, bool compress) {
    WalkCursor cursor(directory);
    ListedAhead listed;
    while (!ctx.CancelFlag) {
        ListAhead(ctx, state, cursor, listed, compress);
        if (listed.Entries.empty())
            break;
        const ListedEntry next = std::move(listed.Entries.front());
        listed.Entries.pop_front();
        if (next.Prepared)
            --listed.PreparedCount;
        const WalkEntry& entry = next.Entry;
        if (entry.UnreadableDirectory)
            ReportSkippedFile(ctx, state, entry.Path, 0);
        else if (entry.EnteredDirectory && entry.Stated)
            RecordDirectory(ctx, state, entry.Path.chopped(1), entry.Info,
                            entry.Directory ? entry.Directory->Fd() : -1);
        else if (entry.EnteredDirectory)
            continue;
        else if (entry.Stated && S_ISLNK(entry.Info.st_mode))
            RecordSymbolicLink(ctx, state, entry.Path,
                               entry.Directory ? entry.Directory->Fd() : AT_FDCWD,
                               entry.Directory ? entry.Name : entry.Path, entry.Info);
        else
            WriteFileRecord(ctx, state, handle, entry.Path, compress, {},
                            entry.Directory
                                ? FileInDirectory{entry.Directory->Fd(), entry.Name.constData()}
                                : FileInDirectory{});
    }
    // Cancelled, or a tape change given up: nothing prepared is wanted any more.
    state.Ahead.Stop();
}

} // namespace orvane
