#include "tape_harness.h"

#include "archive/end_marker_io.h"
#include "archive/tape_records.h"
#include "jobs/catalog_load.h"
#include "jobs/restore_run.h"
#include "jobs/session.h"
#include "jobs/verify_run.h"
#include "platform/virtual_tape_library.h"
#include "quiet_operator.h"
#include "scratch_home.h"
#include "tape/tape_access.h"
#include "tape/tape_date.h"
#include "tape/tape_description_io.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <functional>

namespace orvane::fuzz {

namespace {

const QString Cartridge = QStringLiteral("t1");

// A fresh program directory whose drive holds one cartridge with `image` as its data.
QString HomeWithCartridge(QByteArrayView image) {
    const QString home = FreshScratchHome();
    auto library = VirtualTapeLibrary::At(home + QStringLiteral("vtape"));
    if (!library->CreateCartridge(Cartridge, 32768LL * 1000, 1, false).isEmpty() ||
        !library->Insert(Cartridge).isEmpty())
        std::abort();
    QFile file(library->ImagePath(Cartridge));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(image.data(), image.size());
    const qsizetype tail = image.size() % TapeBlockSize;
    if (tail != 0)
        file.write(QByteArray(TapeBlockSize - tail, '\0'));
    return home;
}

QStringList FilesBelow(const QString& directory) {
    QStringList files;
    QDirIterator it(directory,
                    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    return files;
}

// `jobs` answers the catalog it loaded.
using Jobs = std::function<std::shared_ptr<const CatalogTree>(Session&)>;

TapeRun RunJobs(const QString& home, const Jobs& jobs) {
    QuietOperator op;
    TapeRun run;
    {
        Session session(op, home, QStringLiteral("vtape:") + home + QStringLiteral("vtape"));
        session.Start();
        session.DelayedStart();
        session.Settings.RestoreTarget = home + QStringLiteral("restore/");
        session.Settings.RestoreOption = 2;
        session.Settings.RestoreList = {QStringLiteral("/")};
        if (const auto tree = jobs(session))
            run.CatalogFiles = tree->FileCount();
        run.WorkFilesLeft = FilesBelow(session.Paths.WorkDirectory);
    }
    run.Boxes = op.Boxes;
    run.EndedIdle = !op.Busy && op.BusyCursorDepth == 0;
    return run;
}

} // namespace

TapeRun RunRecordWalk(QByteArrayView image) {
    return RunJobs(HomeWithCartridge(image), [](Session& session) {
        auto tree = LoadCatalogSequential(session);
        RunRestore(session);
        VerifyTape(session);
        return tree;
    });
}

TapeRun RunFastCatalog(QByteArrayView image) {
    return RunJobs(HomeWithCartridge(image),
                   [](Session& session) { return LoadCatalogFast(session); });
}

TapeRun RunCatalogFile(QByteArrayView catalog) {
    return RunJobs(HomeWithCartridge({}), [catalog](Session& session) {
        // Laid out as a backup lays out a tape whose only record is its catalog.
        ProbeTapeDrive(session);
        TapeDescription& description = session.CurrentTapeDescription;
        description.Label = "Tape";
        description.TapeNumber = 1;
        description.Date = ToTapeDate(QDateTime(QDate(2026, 3, 1), QTime(8, 0)));
        WriteTapeDescription(session, description);
        QDir().mkpath(session.Paths.WorkDirectory);
        MoveToBlock(session, QStringLiteral("1"));
        session.Stream.StartBlock(1);
        const StreamPosition catalogStart = session.Stream.Position();
        {
            TapeHandlePtr handle = OpenTape(session);
            if (!handle)
                std::abort();
            TapeFileHeader header;
            header.Path = QFile::encodeName(session.Paths.CatalogFilePath);
            header.DataLength = uint64_t(catalog.size());
            header.Date = description.Date;
            char bytes[TapeFileHeader::Size];
            header.Encode(bytes);
            WriteStream(session, handle, bytes, TapeFileHeader::Size);
            for (qsizetype at = 0; at < catalog.size(); at += TapeBlockSize)
                WriteStream(session, handle, catalog.data() + at,
                            int32_t(std::min<qsizetype>(TapeBlockSize, catalog.size() - at)));
        }
        WriteEndMarker(session, catalogStart);
        return LoadCatalogFast(session);
    });
}

} // namespace orvane::fuzz
