#pragma once

#include "backup_displays.h"
#include "compression_ahead.h"
#include "entry_metadata.h"
#include "entry_metadata_read.h"
#include "tape_records.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QStringList>
#include <optional>
#include <sys/types.h>
#include <utility>

namespace orvane {

// What one backup run keeps while the writer puts its entries on tape: the run's choices, the
// open catalog file and the displays. The run makes one and hands it to every writer call.
struct BackupWriterState {
    BackupWriterState(const QStringList& excludeList, bool shortProtocol);

    // The exclude list's lines as path bytes; a file whose path begins with one is excluded.
    QList<QByteArray> ExcludePrefixes;
    // The program's own paths as path bytes, made by the inclusion test at its first call, so
    // that it compares every file of the run without converting them again.
    struct OwnPaths {
        QByteArray WorkDirectory, TapeHeader, Catalog, Library;
    };
    mutable std::optional<OwnPaths> OwnPathBytes;
    // Set while the catalog itself goes to tape: the walk never writes the catalog file, so that
    // the one record of that name the run writes is the last before the end marker.
    bool WritingCatalog = false;
    // "Short Protocoll": no per-file success lines; error lines are always written.
    bool ShortProtocol = true;

    // The catalog file, open while the run writes its entries.
    QFile Catalog;
    // True once the stream has a place to go: a new set was started or the append point was
    // found. Until then nothing may go to tape, so that an existing set is never overwritten.
    bool StreamReady = false;

    BackupDisplays Displays;

    // Packs the files the walk will write next while the current one goes to tape.
    CompressionAhead Ahead;

    // The metadata of every entry written, for the set's metadata record.
    SetMetadata Metadata;
    OwnerNames Owners;
    // The first tape path of each file with more than one name, by device and inode: its other
    // names are kept as hard links to it.
    QHash<std::pair<dev_t, ino_t>, QByteArray> LinkedFiles;
    // Where the metadata record went, for the catalog's header.
    std::optional<TapeFileHeader::Place> MetadataRecordPlace;
};

} // namespace orvane
