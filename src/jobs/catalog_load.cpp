#include "catalog_load.h"

#include "archive/backup_inclusion.h"
#include "archive/end_marker_io.h"
#include "archive/tape_reader.h"
#include "backup_summary.h"
#include "catalog_first_tape.h"
#include "catalog_paths.h"
#include "catalog_stream.h"
#include "catalog_tree_model.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "restore_list.h"
#include "session.h"
#include "tape/tape_description_io.h"

#include <QElapsedTimer>
#include <QFile>

namespace orvane {

namespace {

constexpr int64_t Megabyte = 1048576;

void ShowFiles(Session& session, int64_t files) {
    session.op.setCounter(RestoreDisplay::Files, double(files));
}

// The paths of the catalog file's records, in whole records; a short tail is no record.
void ReadCatalogFile(Session& session, const QString& catalogFile, std::vector<QByteArray>& list) {
    QFile file(catalogFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    constexpr qint64 RecordsPerRead = 1024;
    int64_t files = 0;
    QByteArray chunk;
    while (!(chunk = file.read(RecordsPerRead * CatalogRecord::Size)).isEmpty()) {
        for (qsizetype at = 0; at + CatalogRecord::Size <= chunk.size();
             at += CatalogRecord::Size) {
            const QByteArray path = CatalogRecord::decode(chunk.constData() + at).Path;
            if (path.isEmpty() || IsWorkFileRecord(path))
                continue;
            list.push_back(path);
            if (++files % 100 == 0) {
                ShowFiles(session, files);
                session.op.setStatus(TapePathText(path));
                PumpMessages(1);
            }
        }
    }
    ShowFiles(session, files);
}

} // namespace

std::shared_ptr<const CatalogTree> Button2Click(Session& session, CatalogTreeModel* view) {
    LoadTapeDescription(session);
    if (session.CurrentTapeDescription.Label == "Disk") {
        session.op.showMessage(
            QStringLiteral("This tape holds a disk image, not files: it has no file catalog. "
                           "Restore it as a disk image."));
        return nullptr;
    }
    return load_catalog(session, true, view);
}

std::shared_ptr<const CatalogTree> LoadCatalogsequentiell1Click(Session& session,
                                                                CatalogTreeModel* view) {
    return load_catalog(session, false, view);
}

std::shared_ptr<const CatalogTree> load_catalog(Session& session, bool fast,
                                                CatalogTreeModel* view) {
    OperatorInterface& op = session.op;
    session.CancelFlag = false;
    op.showTab(Tab::Restore);
    EnterBusyMode(session);
    if (view)
        view->setTree(nullptr);
    QElapsedTimer clock;
    clock.start();
    SetBlockSize(session);
    SetBusyCursor(session);

    std::vector<QByteArray> list;
    PumpMessages(10);
    SetRestoreList(session, {});
    if (fast)
        LoadCatalogFast(session, list);
    else
        ScanCatalogSequential(session, list);

    SetRestoreList(session, {});
    op.setStatus(QStringLiteral("Calculating Filetree"));
    PumpMessages(10);
    auto tree = std::make_shared<const CatalogTree>(CatalogTree::Build(list));
    list = {};
    PumpMessages(10);
    for (const QByteArray& path : tree->unplacedPaths())
        session.protocol.AddProtocolLine(QStringLiteral("Not shown in the catalog tree: ") +
                                         TapePathText(path));

    QFile::remove(session.paths.CatalogFilePath);
    QFile::remove(session.paths.SoftCompressionArchivePath);
    RestoreCursor(session);
    if (!tree->isEmpty()) {
        op.setStatus(QStringLiteral("Catalog createt in ") + ElapsedTimeText(clock.elapsed()));
    } else {
        op.setStatus(QStringLiteral("Catalog could not load!"));
        op.showMessage(QStringLiteral("Catalog could not createt. Please try to <Load Catalog "
                                      "sequentiell> from Restore Menu !!!"));
    }
    if (view)
        view->setTree(tree);
    LeaveBusyMode(session);
    return tree;
}

void LoadCatalogFast(Session& session, std::vector<QByteArray>& list) {
    session.op.setStatus(QStringLiteral("Reading Catalog"));
    PumpMessages(1);
    if (!session.CancelFlag)
        RewindWithStatus(session);
    ShowFiles(session, 0);
    session.counters.SourceBytes = 0;
    session.counters.TapeBytes = 0;
    session.BlockCounter = 0;
    if (!session.CancelFlag)
        SetStreamPosition(session, FindEndMarker(session));
    session.op.setStatus(QStringLiteral("Reading Catalog"));
    PumpMessages(1);

    QByteArray path;
    if (!session.CancelFlag) {
        list.clear();
        TapeHandlePtr handle = OpenTape(session);
        if (handle) {
            PumpMessages(1);
            MoveHandleToBlock(session, *handle, session.BlockCounter);
            PumpMessages(10);
            if (!session.CancelFlag) {
                LoadStreamBlock(session, *handle, session.BlockOffset);
                path = ReadFileRecord(session, handle, false, true);
            }
            CloseTape(handle, 1);
            PumpMessages(1);
        }
    }
    if (path.isEmpty())
        return;
    const QString extracted = WorkFileFor(session, path);
    if (FileNamePart(path) == CatalogFileName)
        ReadCatalogFile(session, extracted, list);
    // Whatever the marker pointed at, its copy is of no further use.
    QFile::remove(extracted);
}

void ScanCatalogSequential(Session& session, std::vector<QByteArray>& list) {
    ShowFiles(session, 0);
    session.counters.SourceBytes = 0;
    session.counters.TapeBytes = 0;
    EnsureFirstTape(session);
    if (session.CancelFlag)
        return;
    TapeHandlePtr handle = OpenStreamAtFirstRecord(session);
    if (!handle)
        return;
    list.clear();
    PumpMessages(1);
    int64_t files = 0;
    for (;;) {
        const QByteArray path = ReadNextRecord(session, handle, true, false);
        PumpMessages(1);
        if (path.isEmpty())
            break;
        if (!IsWorkFileRecord(path)) {
            const QString text = TapePathText(path);
            AppendRestoreListLine(session, text);
            session.op.setCounter(RestoreDisplay::RMB,
                                  double(session.counters.TapeBytes / Megabyte));
            ShowFiles(session, ++files);
            list.push_back(path);
            session.op.setStatus(text);
            PumpMessages(1);
        }
        if (session.CancelFlag)
            break;
    }
    CloseTape(handle, 1);
    PumpMessages(1);
}

} // namespace orvane
