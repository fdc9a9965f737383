#include "catalog_hand_tape.h"
#include "jobs/catalog_first_tape.h"
#include "jobs/catalog_load.h"
#include "jobs/catalog_tree_model.h"
#include "platform/virtual_tape_library.h"
#include "support/scripted_operator.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace {

// Keeps every line the sequential scan lists in the restore list, which the load empties
// again before it builds the tree.
class ListingOperator : public ScriptedOperator {
public:
    void appendRestoreListLine(const QString& line) override {
        listed << line;
        ScriptedOperator::appendRestoreListLine(line);
    }
    QStringList listed;
};

class CatalogLoadTest : public ::testing::Test {
protected:
    CatalogLoadTest() : library(VirtualTapeLibrary::at(home.libraryDir())) {
        library->createCartridge("t1", 32768 * 1000, 1, false);
        library->insert("t1");
        session = std::make_unique<Session>(op, home.path(), home.tapeChoice());
        session->Start();
    }

    QString work() const { return session->paths.WorkDirectory; }

    std::vector<HandRecord> SampleRecords() const {
        return {
            {"/home/ann/a.txt", "alpha"},
            {"/home/ann/docs/Report.odt", QByteArray(70000, 'r')},
            {"/top.txt", ""},
            {"/home/ann/a.txt", "alpha again"}, // the same file backed up twice
            {QFile::encodeName(work()) + "orvane filler.dat", QByteArray(100, 0)},
            {"/home/ann/gr\xc3\xbc\xc3\x9f"
             "e.txt",
             "hallo"},
        };
    }

    TempHome home;
    ListingOperator op;
    std::shared_ptr<VirtualTapeLibrary> library;
    std::unique_ptr<Session> session;
    const QDateTime modified{QDate(2025, 6, 1), QTime(12, 34, 56)};
};

std::vector<QByteArray> Files(const std::shared_ptr<const CatalogTree>& tree) {
    return tree ? tree->filePaths() : std::vector<QByteArray>{};
}

TEST_F(CatalogLoadTest, FastAndSequentialListTheSamePathsOnceWithoutTheTapesOwnRecords) {
    WriteHandTape(*session, SampleRecords(), modified);
    session->settings.RestoreList = {"/old/selection/"};
    const std::vector<QByteArray> expected = {"/home/ann/docs/Report.odt", "/home/ann/a.txt",
                                              "/home/ann/gr\xc3\xbc\xc3\x9f"
                                              "e.txt",
                                              "/top.txt"};

    CatalogTreeModel view;
    const auto fast = LoadCatalogFast(*session, &view);
    EXPECT_EQ(Files(fast), expected);
    EXPECT_EQ(view.tree(), fast.get());
    EXPECT_TRUE(session->settings.RestoreList.isEmpty()) << "a load discards the selection";
    EXPECT_TRUE(op.restoreList.isEmpty());
    EXPECT_TRUE(op.listed.isEmpty()) << "the fast load lists nothing while it reads";
    EXPECT_TRUE(op.lastStatus().startsWith("Catalog createt in ")) << op.lastStatus().toStdString();
    EXPECT_EQ(op.Shown(op.catalogReports, &CatalogProgress::Entries), 5) << "catalog entries read";

    const auto sequential = LoadCatalogSequential(*session, &view);
    EXPECT_EQ(Files(sequential), expected);
    EXPECT_EQ(view.tree(), sequential.get());
    EXPECT_EQ(op.listed, QStringList({"/home/ann/a.txt", "/home/ann/docs/Report.odt", "/top.txt",
                                      "/home/ann/a.txt",
                                      QString::fromUtf8("/home/ann/gr\xc3\xbc\xc3\x9f"
                                                        "e.txt")}));
    EXPECT_TRUE(session->settings.RestoreList.isEmpty()) << "emptied before the tree is built";
    EXPECT_TRUE(op.restoreList.isEmpty());

    EXPECT_TRUE(op.boxes.empty()) << op.boxTexts().join('|').toStdString();
    EXPECT_EQ(op.busyModes.back(), false);
    EXPECT_EQ(op.listLocks.back(), false);
    EXPECT_EQ(op.busyCursorDepth, 0);
    EXPECT_FALSE(session->CancelFlag);
    EXPECT_FALSE(QFile::exists(session->paths.CatalogFilePath)) << "the work file is removed";
    EXPECT_TRUE(FilesBelow(work()).isEmpty()) << FilesBelow(work()).join(' ').toStdString();
}

// The catalog streams off the tape in pieces that cut its records at block ends.
TEST_F(CatalogLoadTest, ACatalogOverSeveralBlocksListsEveryFile) {
    std::vector<HandRecord> records;
    std::vector<QByteArray> expected;
    for (int i = 0; i < 400; ++i) {
        records.push_back({"/many/f" + QByteArray::number(1000 + i), QByteArray(i % 7, 'x')});
        expected.push_back(records.back().path);
    }
    WriteHandTape(*session, records, modified);
    const auto fast = LoadCatalogFast(*session);
    EXPECT_EQ(Files(fast), expected);
    EXPECT_EQ(op.Shown(op.catalogReports, &CatalogProgress::Entries), 400);
    EXPECT_TRUE(FilesBelow(work()).isEmpty()) << FilesBelow(work()).join(' ').toStdString();
}

TEST_F(CatalogLoadTest, ADiskImageTapeShowsNoTree) {
    WriteHandTape(*session, SampleRecords(), modified, {.label = "Disk"});
    CatalogTreeModel view;
    EXPECT_EQ(LoadCatalogFast(*session, &view), nullptr);
    EXPECT_EQ(view.tree(), nullptr);
    ASSERT_EQ(op.boxes.size(), 1u);
    EXPECT_TRUE(op.boxes[0].text.contains("disk image")) << op.boxes[0].text.toStdString();
}

TEST_F(CatalogLoadTest, AMarkerThatPointsAtNoCatalogFailsWithTheAdvice) {
    WriteHandTape(*session, SampleRecords(), modified, {.catalog = false});
    const auto tree = LoadCatalogFast(*session);
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(tree->isEmpty());
    EXPECT_EQ(op.lastStatus(), "Catalog could not load!");
    EXPECT_EQ(op.boxTexts(), QStringList{"Catalog could not createt. Please try to <Load Catalog "
                                         "sequentiell> from Restore Menu !!!"});
    EXPECT_EQ(op.busyModes.back(), false);
    EXPECT_TRUE(FilesBelow(work()).isEmpty()) << FilesBelow(work()).join(' ').toStdString();

    // The sequential load reads the records all the same.
    op.boxes.clear();
    EXPECT_EQ(LoadCatalogSequential(*session)->fileCount(), 4u);
    EXPECT_TRUE(op.boxes.empty());
}

// The marker's fields come from tape: none of them may take the load out of the tape's data.
TEST_F(CatalogLoadTest, AMarkerNamingAPlaceOutsideTheDataFailsWithWords) {
    const std::vector<StreamPosition> lies = {
        {40000, 0, 1}, {-5, 0, 1}, {0, 0, 500}, {0, 0, -3}, {100, 0, INT64_MAX}};
    for (const StreamPosition& lie : lies) {
        WriteHandTape(*session, SampleRecords(), modified, {.markedCatalogStart = lie});
        op.boxes.clear();
        const auto tree = LoadCatalogFast(*session);
        ASSERT_NE(tree, nullptr);
        EXPECT_TRUE(tree->isEmpty());
        EXPECT_TRUE(session->CancelFlag);
        ASSERT_EQ(op.boxes.size(), 2u) << lie.BlockOffset << " " << lie.BlockCounter;
        EXPECT_EQ(op.boxes[0].text,
                  QStringLiteral("The end marker of the tape set is damaged: the catalog start "
                                 "it names (block %1, offset %2) lies outside the data on the "
                                 "tape.")
                      .arg(lie.BlockCounter)
                      .arg(lie.BlockOffset));
        EXPECT_TRUE(op.boxes[1].text.startsWith("Catalog could not createt."));
        EXPECT_EQ(op.busyModes.back(), false);
        EXPECT_TRUE(FilesBelow(work()).isEmpty()) << FilesBelow(work()).join(' ').toStdString();
    }
}

TEST_F(CatalogLoadTest, WithoutAMediumTheLoadFailsAndEndsIdle) {
    WriteHandTape(*session, SampleRecords(), modified);
    library->eject();
    for (const bool fast : {true, false}) {
        op.boxes.clear();
        const auto tree = load_catalog(*session, fast);
        EXPECT_TRUE(tree->isEmpty());
        EXPECT_TRUE(session->CancelFlag);
        EXPECT_EQ(op.lastStatus(), "Catalog could not load!");
        EXPECT_GE(op.boxes.size(), 2u) << "the drive error and the advice";
        EXPECT_EQ(op.busyModes.back(), false);
        EXPECT_EQ(op.busyCursorDepth, 0);
    }
}

// Tapes of a set are stamped with the set's date and their number.
void StampTape(Session& session, VirtualTapeLibrary& library, const QString& name, double date,
               int number) {
    library.createCartridge(name, 32768 * 100, 1, false);
    library.insert(name);
    ProbeTapeDrive(session);
    TapeDescription description;
    description.Label = "Tape";
    description.Date = date;
    description.TapeNumber = uint8_t(number);
    WriteTapeDescription(session, description);
    session.CurrentTapeDescription = description;
}

TEST_F(CatalogLoadTest, EnsureFirstTapeAsksUntilTapeOneOfTheSameSetIsIn) {
    const double set = ToTapeDate(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    const double otherSet = set + 1;
    StampTape(*session, *library, "other1", otherSet, 1);
    StampTape(*session, *library, "set1", set, 1);
    StampTape(*session, *library, "set2", set, 2);

    QStringList offered = {"other1", "set2", "set1"}; // the operator's tries, in turn
    op.onTapeRequest = [&](const TapeRequest& request) {
        EXPECT_EQ(request.kind, TapeRequest::Kind::TapeOfSet);
        EXPECT_EQ(request.tapeNumber, 1);
        EXPECT_EQ(request.setDate, set);
        library->insert(offered.takeFirst());
    };
    EnsureFirstTape(*session);
    EXPECT_EQ(library->loadedCartridge(), "set1");
    EXPECT_EQ(session->CurrentTapeDescription.TapeNumber, 1);
    EXPECT_EQ(session->CurrentTapeDescription.Date, set);
    EXPECT_EQ(op.tapeRequests.size(), 3u);
    EXPECT_EQ(op.boxTexts().first(),
              "Please insert Tape 1 of the current Tape Set and press then ok!");
    EXPECT_FALSE(session->CancelFlag);

    // Tape 1 in the drive: nothing to ask.
    op.tapeRequests.clear();
    EnsureFirstTape(*session);
    EXPECT_TRUE(op.tapeRequests.empty());
}

TEST_F(CatalogLoadTest, CancelLeavesTheTapeOnePromptWithCancelFlag) {
    const double set = ToTapeDate(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    StampTape(*session, *library, "set2", set, 2);
    op.answers = {MessageAnswer::Cancel};
    EnsureFirstTape(*session);
    EXPECT_TRUE(session->CancelFlag);
    EXPECT_EQ(op.tapeRequests.size(), 1u);
}

} // namespace
