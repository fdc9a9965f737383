#include "backup_entries_without_data.h"

#include "backup_file_record.h"
#include "backup_inclusion.h"
#include "entry_metadata_read.h"
#include "platform/path_bytes.h"
#include "platform/protocol_log.h"

namespace orvane {

namespace {

// A directory whose path does not fit is left out without a line of its own: every file below
// it gets one.
bool Recordable(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& path,
                bool reportTooLong) {
    if (path.isEmpty() || !IsIncluded(ctx, state, path))
        return false;
    if (path.size() > TapeFileHeader::MaxPathBytes) {
        if (reportTooLong)
            ReportSkippedFile(ctx, state, path, 0);
        return false;
    }
    return true;
}

} // namespace

void RecordDirectory(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& path,
                     const struct stat& info, int fd) {
    if (!Recordable(ctx, state, path, false))
        return;
    EntryMetadata entry =
        MetadataFromStat(path, EntryMetadata::Type::Directory, info, state.Owners);
    if (fd >= 0)
        entry.Attributes = ReadExtendedAttributes(fd);
    state.Metadata.Add(std::move(entry));
}

void RecordSymbolicLink(ArchiveContext& ctx, BackupWriterState& state, const QByteArray& path,
                        int directory, const QByteArray& name, const struct stat& info) {
    if (!Recordable(ctx, state, path, true))
        return;
    EntryMetadata entry =
        MetadataFromStat(path, EntryMetadata::Type::SymbolicLink, info, state.Owners);
    entry.Target = ReadLinkTarget(directory, name);
    if (entry.Target.isEmpty()) {
        ReportSkippedFile(ctx, state, path, 0);
        return;
    }
    entry.Attributes = ReadLinkExtendedAttributes(path);
    if (!state.ShortProtocol)
        ctx.Protocol.AddProtocolLine(PathFromBytes(path) + QStringLiteral(" -> ") +
                                     PathFromBytes(entry.Target));
    state.Metadata.Add(std::move(entry));
}

} // namespace orvane
