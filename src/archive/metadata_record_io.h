#pragma once

#include "archive_context.h"
#include "backup_writer_state.h"
#include "entry_metadata.h"
#include "tape_reader.h"

#include <QByteArray>
#include <optional>

namespace orvane {

inline constexpr char MetadataFileName[] = "orvane metadata.dat";

// The most the catalog's record (header and data) takes on tape when it follows now.
uint64_t CatalogBytesAtMost(const ArchiveContext& ctx, bool compress);

// Writes the run's metadata record, which goes right before the catalog, and notes where it
// begins for the catalog's header. When the record and the `bytesAfter` that follow it would not
// fit before the block limit, a filler first fills the rest of the tape, so that the metadata,
// the catalog and the end marker lie whole on the last tape.
void WriteMetadataRecord(ArchiveContext& ctx, BackupWriterState& state, TapeHandlePtr& handle,
                         uint64_t bytesAfter);

// Collects the data of a metadata record as it streams past; for the readers of a whole set.
class MetadataCollector {
public:
    // The sink for a record whose header is the metadata record's.
    RecordSink Sink();
    // The metadata of the record read last through Sink, added to what earlier records held
    // (a later record's entries replace an earlier one's).
    void Finish();
    const SetMetadata& Metadata() const { return m_metadata; }

private:
    QByteArray m_data;
    bool m_tooLarge = false;
    SetMetadata m_metadata;
};

// Reads the metadata record that a catalog header names; nothing when it lies on another tape
// or what stands there is not a metadata record. The run's byte counter stays as it was.
std::optional<SetMetadata> ReadMetadataRecordAt(ArchiveContext& ctx, TapeHandlePtr& handle,
                                                const TapeFileHeader::Place& place);

} // namespace orvane
