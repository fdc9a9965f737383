#include "catalog_load.h"

#include "archive/backup_inclusion.h"
#include "archive/end_marker_io.h"
#include "archive/metadata_record_io.h"
#include "archive/tape_reader.h"
#include "backup_summary.h"
#include "catalog_first_tape.h"
#include "catalog_paths.h"
#include "catalog_stream.h"
#include "catalog_tree_model.h"
#include "own_records.h"
#include "platform/message_pump.h"
#include "platform/operator_interface.h"
#include "platform/protocol_log.h"
#include "restore_list.h"
#include "session.h"
#include "tape/tape_description_io.h"
#include "work_directory_claim.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <span>

namespace orvane {

namespace {

constexpr int64_t Megabyte = 1048576;

void ShowFiles(Session& session, int64_t files) {
    session.Op.ShowCatalogProgress({.Entries = files});
}

// Takes the paths out of catalog data fed in pieces of any size, in whole records; a short tail
// is no record.
class CatalogRecordDecoder {
public:
    CatalogRecordDecoder(Session& session, CatalogTreeBuilder& tree)
        : m_session(session), m_tree(tree) {}

    void Feed(std::span<const char> bytes) {
        while (!bytes.empty()) {
            if (m_partial.isEmpty() && bytes.size() >= size_t(CatalogRecord::Size)) {
                Take(bytes.data());
                bytes = bytes.subspan(CatalogRecord::Size);
                continue;
            }
            const size_t part =
                std::min(bytes.size(), size_t(CatalogRecord::Size - m_partial.size()));
            m_partial.append(bytes.data(), qsizetype(part));
            bytes = bytes.subspan(part);
            if (m_partial.size() == CatalogRecord::Size) {
                Take(m_partial.constData());
                m_partial.clear();
            }
        }
    }

    void Finish() { ShowFiles(m_session, m_files); }

private:
    void Take(const char* record) {
        // The path of a record: its length byte, then its bytes.
        const QByteArrayView path(record + 1, uint8_t(record[0]));
        // The catalog lists users' files only, whatever their names.
        if (path.isEmpty())
            return;
        if (++m_files % 100 == 0) {
            ShowFiles(m_session, m_files);
            if (m_files % 10000 == 0)
                m_session.Op.SetStatus(TapePathText(path.toByteArray()));
            PumpMessages(1);
        }
        m_tree.Add(path);
    }

    Session& m_session;
    CatalogTreeBuilder& m_tree;
    QByteArray m_partial;
    int64_t m_files = 0;
};

void ReadCatalogFile(Session& session, const QString& catalogFile, CatalogTreeBuilder& tree) {
    QFile file(catalogFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    CatalogRecordDecoder decoder(session, tree);
    std::vector<char> chunk(1024 * CatalogRecord::Size);
    qint64 n = 0;
    while ((n = file.read(chunk.data(), qint64(chunk.size()))) > 0)
        decoder.Feed({chunk.data(), size_t(n)});
    decoder.Finish();
}

} // namespace

std::shared_ptr<const CatalogTree> LoadCatalogFast(Session& session, CatalogTreeModel* view) {
    LoadTapeDescription(session);
    if (session.CurrentTapeDescription.Label == "Disk") {
        session.Op.ShowMessage(
            QStringLiteral("This tape holds a disk image, not files: it has no file catalog. "
                           "Restore it as a disk image."));
        return nullptr;
    }
    return load_catalog(session, true, view);
}

std::shared_ptr<const CatalogTree> LoadCatalogSequential(Session& session, CatalogTreeModel* view) {
    return load_catalog(session, false, view);
}

std::shared_ptr<const CatalogTree> load_catalog(Session& session, bool fast,
                                                CatalogTreeModel* view) {
    OperatorInterface& op = session.Op;
    session.CancelFlag = false;
    session.ReadFailed = false;
    const WorkDirectoryClaim claim(session);
    if (!claim)
        return std::make_shared<const CatalogTree>(CatalogTree::Build({}));
    op.ShowView(OperatorView::CatalogLoad);
    EnterBusyMode(session);
    if (view)
        view->SetTree(nullptr);
    QElapsedTimer clock;
    clock.start();
    SetBlockSize(session);
    SetBusyCursor(session);

    auto builder = std::make_unique<CatalogTreeBuilder>();
    auto metadata = std::make_shared<SetMetadata>();
    PumpMessages(10);
    SetRestoreList(session, {});
    const bool loaded = fast ? LoadCatalogFast(session, *builder, *metadata)
                             : ScanCatalogSequential(session, *builder, *metadata);

    SetRestoreList(session, {});
    op.SetStatus(QStringLiteral("Calculating Filetree"));
    PumpMessages(10);
    std::shared_ptr<const CatalogTree> tree;
    if (loaded) {
        if (!metadata->IsEmpty())
            CatalogTree::AddMetadataEntries(*builder, *metadata);
        CatalogTree built = builder->Finish();
        if (!metadata->IsEmpty())
            built.KeepMetadata(std::move(metadata));
        tree = std::make_shared<const CatalogTree>(std::move(built));
    } else {
        tree = std::make_shared<const CatalogTree>(CatalogTree::Build({}));
    }
    builder.reset();
    PumpMessages(10);
    for (const QByteArray& path : tree->UnplacedPaths())
        session.Protocol.AddProtocolLine(QStringLiteral("Not shown in the catalog tree: ") +
                                         TapePathText(path));

    QFile::remove(session.Paths.CatalogFilePath);
    QFile::remove(session.Paths.SoftCompressionArchivePath);
    RestoreCursor(session);
    if (!tree->IsEmpty()) {
        op.SetStatus(QStringLiteral("Catalog createt in ") + ElapsedTimeText(clock.elapsed()));
    } else {
        op.SetStatus(QStringLiteral("Catalog could not load!"));
        op.ShowMessage(QStringLiteral("Catalog could not createt. Please try to <Load Catalog "
                                      "sequentiell> from Restore Menu !!!"));
    }
    if (view)
        view->SetTree(tree);
    LeaveBusyMode(session);
    return tree;
}

bool LoadCatalogFast(Session& session, CatalogTreeBuilder& tree, SetMetadata& metadata) {
    session.Op.SetStatus(QStringLiteral("Reading Catalog"));
    PumpMessages(1);
    if (!session.CancelFlag)
        RewindWithStatus(session);
    ShowFiles(session, 0);
    session.Counters.SourceBytes = 0;
    session.Counters.TapeBytes = 0;
    session.Stream.StartBlock(0);
    if (!session.CancelFlag) {
        const StreamPosition catalogStart = FindEndMarker(session);
        if (!session.Stream.SetPosition(catalogStart))
            ReportDamagedEndMarker(session, catalogStart);
    }
    session.Op.SetStatus(QStringLiteral("Reading Catalog"));
    PumpMessages(1);

    // A plain catalog is decoded as it streams off the tape; a compressed one is unpacked in the
    // work directory first.
    QByteArray path;
    CatalogRecordDecoder decoder(session, tree);
    bool streamed = false;
    if (!session.CancelFlag) {
        TapeHandlePtr handle = OpenTape(session);
        if (handle) {
            PumpMessages(1);
            MoveHandleToBlock(session, *handle, session.Stream.Counter());
            PumpMessages(10);
            if (!session.CancelFlag) {
                LoadStreamBlock(session, *handle, session.Stream.Offset());
                path = ReadFileRecord(session, handle, [&](const TapeFileHeader& header) {
                    if (FileNamePart(header.Path) != CatalogFileName)
                        return RecordSink::Skip();
                    if (header.Compressed)
                        return RecordSink::WorkFile(true);
                    streamed = true;
                    return RecordSink::Consumer(
                        [&decoder](std::span<const char> bytes) { decoder.Feed(bytes); });
                });
                // The catalog's header names the metadata record, a few blocks before it.
                if (!path.isEmpty() && session.LastHeader.MetadataRecord)
                    if (auto read = ReadMetadataRecordAt(session, handle,
                                                         *session.LastHeader.MetadataRecord))
                        metadata = std::move(*read);
            }
            CloseTape(handle, 1);
            PumpMessages(1);
        }
    }
    if (path.isEmpty())
        return false;
    if (streamed) {
        decoder.Finish();
    } else if (FileNamePart(path) == CatalogFileName) {
        const QString extracted = WorkFileFor(session, path);
        ReadCatalogFile(session, extracted, tree);
        QFile::remove(extracted);
    }
    return true;
}

bool ScanCatalogSequential(Session& session, CatalogTreeBuilder& tree, SetMetadata& metadata) {
    ShowFiles(session, 0);
    session.Counters.SourceBytes = 0;
    session.Counters.TapeBytes = 0;
    EnsureFirstTape(session);
    if (session.CancelFlag)
        return true;
    TapeHandlePtr handle = OpenStreamAtFirstRecord(session);
    if (!handle)
        return true;
    PumpMessages(1);
    int64_t files = 0;
    OwnRecordWatch watch(session);
    MetadataCollector collector;
    for (;;) {
        bool filler = false;
        bool metadataRecord = false;
        const QByteArray path = ReadNextRecord(session, handle, [&](const TapeFileHeader& header) {
            watch.Next(header);
            metadataRecord = header.Kind == TapeFileHeader::RecordKind::Metadata;
            filler = watch.IsFiller(header);
            return metadataRecord ? collector.Sink() : RecordSink::Skip();
        });
        PumpMessages(1);
        if (path.isEmpty())
            break;
        if (metadataRecord && !session.CancelFlag)
            collector.Finish();
        if (filler || metadataRecord)
            continue;
        const auto listed = [&session, &tree, &files, path] {
            const QString text = TapePathText(path);
            AppendRestoreListLine(session, text);
            session.Op.ShowCatalogProgress({.TapeMiB = session.Counters.TapeBytes / Megabyte});
            ShowFiles(session, ++files);
            tree.Add(path);
            session.Op.SetStatus(text);
            PumpMessages(1);
        };
        watch.Take(session.LastHeader, {listed, {}});
        if (session.CancelFlag)
            break;
    }
    watch.Finish();
    CloseTape(handle, 1);
    PumpMessages(1);
    metadata = collector.Metadata();
    return true;
}

} // namespace orvane
