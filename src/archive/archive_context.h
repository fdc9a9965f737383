#pragma once

#include "integrations/soft_compression.h"
#include "platform/program_paths.h"
#include "progress_meter.h"
#include "tape/tape_context.h"
#include "tape_records.h"

#include <optional>
#include <vector>

namespace orvane {

// The counters of one run, reset by the run that uses them.
struct RunCounters {
    int64_t SourceBytes = 0;   // source sizes of the files written
    int64_t TapeBytes = 0;     // stored lengths plus 296 per record, written or read
    int64_t RestoredBytes = 0; // bytes restored to their targets
    int64_t FileCount = 0;
    int64_t NotRestoredCount = 0; // selected files a restore could not write (not those it kept)
    int64_t MissingEntries = 0;   // backup-list paths that were not there to be written
};

// What the archive layer adds to the tape context: the program's work files, the zip
// component, the run counters and the header read last.
struct ArchiveContext : TapeContext {
    ArchiveContext(OperatorInterface& op, ProtocolLog& protocol, TapeDevice& drive,
                   const ProgramPaths& paths)
        : TapeContext(op, protocol, drive), Paths(paths),
          Compression(paths.SoftCompressionArchivePath), Progress(op) {}

    const ProgramPaths& Paths;
    SoftCompression Compression;
    RunCounters Counters;
    // The progress of the backup, restore or verify under way, against the whole of its work.
    ProgressMeter Progress;
    TapeFileHeader LastHeader;
    // The archive of the compressed record read last, when it was small enough to stay in memory
    // instead of going to the compression work file.
    std::optional<QByteArray> PackedRecord;
};

} // namespace orvane
