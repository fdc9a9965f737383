#pragma once

#include "archive/end_marker_io.h"
#include "archive/tape_records.h"
#include "jobs/session.h"
#include "support/hand_record.h"
#include "tape/tape_access.h"
#include "tape/tape_date.h"
#include "tape/tape_description_io.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <optional>
#include <vector>

namespace orvane::test {

struct HandTapeOptions {
    QByteArray Label = "Tape";
    bool Catalog = true;   // a catalog file after the records, listing them
    bool EndMarker = true; // the end marker pointing at the catalog (at block 1 without one)
    std::optional<StreamPosition> MarkedCatalogStart =
        std::nullopt; // what a lying end marker names instead
};

// Writes a one-tape set on the loaded cartridge as a backup lays it out: the tape description in
// block 0, the records from block 1 on, the catalog file and the end marker. Every record
// carries `modified` as its date.
inline void WriteHandTape(Session& session, const std::vector<HandRecord>& records,
                          const QDateTime& modified, const HandTapeOptions& options = {}) {
    ProbeTapeDrive(session);
    TapeDescription& description = session.CurrentTapeDescription;
    description.Label = options.Label;
    description.TapeNumber = 1;
    description.Date = ToTapeDate(QDateTime(QDate(2026, 3, 1), QTime(8, 0)));
    WriteTapeDescription(session, description);
    QDir().mkpath(session.Paths.WorkDirectory);
    MoveToBlock(session, "1");
    session.Stream.StartBlock(1);
    TapeHandlePtr handle = OpenTape(session);

    auto write = [&](const HandRecord& record) {
        WriteHandRecord(session, handle, record, ToTapeDate(modified));
    };
    auto position = [&] {
        StreamPosition at = session.Stream.Position();
        if (at.BlockOffset == int32_t(TapeBlockSize))
            at = {0, 0, at.BlockCounter + 1};
        return at;
    };

    QByteArray catalog;
    for (const HandRecord& record : records) {
        write(record);
        if (record.Filler)
            continue;
        CatalogRecord entry;
        entry.Path = record.Path;
        entry.End = position();
        char bytes[CatalogRecord::Size];
        entry.Encode(bytes);
        catalog.append(bytes, CatalogRecord::Size);
    }
    StreamPosition catalogStart{0, 0, 1};
    if (options.Catalog) {
        catalogStart = position();
        write({QFile::encodeName(session.Paths.CatalogFilePath), catalog});
    }
    handle.reset();
    if (options.EndMarker) {
        WriteEndMarker(session, options.MarkedCatalogStart.value_or(catalogStart));
    } else {
        // The last partial block goes to tape without a marker after it.
        session.Stream.ClearRest();
        TapeHandlePtr last = OpenTape(session);
        FlushStreamRun(session, last);
        last->WriteBlock(session.Stream.Block().Data(), TapeBlockSize);
    }
}

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

inline void WriteFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(path.left(path.lastIndexOf('/')));
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(data);
}

// The files below a directory, as paths relative to it, sorted.
inline QStringList FilesBelow(const QString& directory) {
    QStringList files;
    std::function<void(const QString&)> walk = [&](const QString& dir) {
        for (const QFileInfo& entry : QDir(dir).entryInfoList(
                 QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
            if (entry.isDir() && !entry.isSymLink())
                walk(entry.filePath());
            else
                files << QDir(directory).relativeFilePath(entry.filePath());
        }
    };
    walk(directory);
    files.sort();
    return files;
}

} // namespace orvane::test
