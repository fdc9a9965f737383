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
    void AppendRestoreListLine(const QString& line) override {
        Listed << line;
        ScriptedOperator::AppendRestoreListLine(line);
    }
    QStringList Listed;
};

class CatalogLoadTest : public ::testing::Test {
protected:
    CatalogLoadTest() : m_library(VirtualTapeLibrary::At(m_home.LibraryDir())) {
        m_library->CreateCartridge("t1", 32768 * 1000, 1, false);
        m_library->Insert("t1");
        m_session = std::make_unique<Session>(m_op, m_home.Path(), m_home.TapeChoice());
        m_session->Start();
    }

    QString Work() const { return m_session->Paths.WorkDirectory; }

    std::vector<HandRecord> SampleRecords() const {
        return {
            {"/home/ann/a.txt", "alpha"},
            {"/home/ann/docs/Report.odt", QByteArray(70000, 'r')},
            {"/top.txt", ""},
            {"/home/ann/a.txt", "alpha again"}, // the same file backed up twice
            {.Path = QFile::encodeName(Work()) + "orvane filler.dat",
             .Data = {},
             .Compressed = false,
             .DeclaredLength = UINT64_MAX,
             .Filler = true},
            {"/home/ann/gr\xc3\xbc\xc3\x9f"
             "e.txt",
             "hallo"},
        };
    }

    TempHome m_home;
    ListingOperator m_op;
    std::shared_ptr<VirtualTapeLibrary> m_library;
    std::unique_ptr<Session> m_session;
    const QDateTime m_modified{QDate(2025, 6, 1), QTime(12, 34, 56)};
};

std::vector<QByteArray> Files(const std::shared_ptr<const CatalogTree>& tree) {
    return tree ? tree->FilePaths() : std::vector<QByteArray>{};
}

TEST_F(CatalogLoadTest, FastAndSequentialListTheSamePathsOnceWithoutTheTapesOwnRecords) {
    WriteHandTape(*m_session, SampleRecords(), m_modified);
    m_session->Settings.RestoreList = {"/old/selection/"};
    const std::vector<QByteArray> expected = {"/home/ann/docs/Report.odt", "/home/ann/a.txt",
                                              "/home/ann/gr\xc3\xbc\xc3\x9f"
                                              "e.txt",
                                              "/top.txt"};

    CatalogTreeModel view;
    const auto fast = LoadCatalogFast(*m_session, &view);
    EXPECT_EQ(Files(fast), expected);
    EXPECT_EQ(view.Tree(), fast.get());
    EXPECT_TRUE(m_session->Settings.RestoreList.isEmpty()) << "a load discards the selection";
    EXPECT_TRUE(m_op.RestoreList.isEmpty());
    EXPECT_TRUE(m_op.Listed.isEmpty()) << "the fast load lists nothing while it reads";
    EXPECT_TRUE(m_op.LastStatus().startsWith("Catalog createt in "))
        << m_op.LastStatus().toStdString();
    EXPECT_EQ(m_op.Shown(m_op.CatalogReports, &CatalogProgress::Entries), 5)
        << "catalog entries read";

    const auto sequential = LoadCatalogSequential(*m_session, &view);
    EXPECT_EQ(Files(sequential), expected);
    EXPECT_EQ(view.Tree(), sequential.get());
    EXPECT_EQ(m_op.Listed, QStringList({"/home/ann/a.txt", "/home/ann/docs/Report.odt", "/top.txt",
                                        "/home/ann/a.txt",
                                        QString::fromUtf8("/home/ann/gr\xc3\xbc\xc3\x9f"
                                                          "e.txt")}));
    EXPECT_TRUE(m_session->Settings.RestoreList.isEmpty()) << "emptied before the tree is built";
    EXPECT_TRUE(m_op.RestoreList.isEmpty());

    EXPECT_TRUE(m_op.Boxes.empty()) << m_op.BoxTexts().join('|').toStdString();
    EXPECT_EQ(m_op.BusyModes.back(), false);
    EXPECT_EQ(m_op.ListLocks.back(), false);
    EXPECT_EQ(m_op.BusyCursorDepth, 0);
    EXPECT_FALSE(m_session->CancelFlag);
    EXPECT_FALSE(QFile::exists(m_session->Paths.CatalogFilePath)) << "the work file is removed";
    EXPECT_TRUE(FilesBelow(Work()).isEmpty()) << FilesBelow(Work()).join(' ').toStdString();
}

// The catalog streams off the tape in pieces that cut its records at block ends.
TEST_F(CatalogLoadTest, ACatalogOverSeveralBlocksListsEveryFile) {
    std::vector<HandRecord> records;
    std::vector<QByteArray> expected;
    for (int i = 0; i < 400; ++i) {
        records.push_back({"/many/f" + QByteArray::number(1000 + i), QByteArray(i % 7, 'x')});
        expected.push_back(records.back().Path);
    }
    WriteHandTape(*m_session, records, m_modified);
    const auto fast = LoadCatalogFast(*m_session);
    EXPECT_EQ(Files(fast), expected);
    EXPECT_EQ(m_op.Shown(m_op.CatalogReports, &CatalogProgress::Entries), 400);
    EXPECT_TRUE(FilesBelow(Work()).isEmpty()) << FilesBelow(Work()).join(' ').toStdString();
}

TEST_F(CatalogLoadTest, ADiskImageTapeShowsNoTree) {
    WriteHandTape(*m_session, SampleRecords(), m_modified, {.Label = "Disk"});
    CatalogTreeModel view;
    EXPECT_EQ(LoadCatalogFast(*m_session, &view), nullptr);
    EXPECT_EQ(view.Tree(), nullptr);
    ASSERT_EQ(m_op.Boxes.size(), 1u);
    EXPECT_TRUE(m_op.Boxes[0].Text.contains("disk image")) << m_op.Boxes[0].Text.toStdString();
}

// A tape without an end marker (a backup broken off) makes the fast load ask for the last tape;
// the operator who declines still has the cartridge in the drive for the sequential load.
TEST_F(CatalogLoadTest, AFailedFastLoadLeavesTheCartridgeLoaded) {
    WriteHandTape(*m_session, SampleRecords(), m_modified, {.Catalog = false, .EndMarker = false});
    const QString loaded = m_library->LoadedCartridge();
    ASSERT_FALSE(loaded.isEmpty());
    m_op.Answers = {MessageAnswer::Cancel};
    EXPECT_TRUE(LoadCatalogFast(*m_session)->IsEmpty());
    ASSERT_EQ(m_op.TapeRequests.size(), 1u);
    EXPECT_EQ(m_library->LoadedCartridge(), loaded);

    m_op.Boxes.clear();
    EXPECT_EQ(LoadCatalogSequential(*m_session)->FileCount(), 4u);
    EXPECT_FALSE(m_op.BoxTexts().join(' ').contains("No media"))
        << m_op.BoxTexts().join(' ').toStdString();
}

TEST_F(CatalogLoadTest, AMarkerThatPointsAtNoCatalogFailsWithTheAdvice) {
    WriteHandTape(*m_session, SampleRecords(), m_modified, {.Catalog = false});
    const auto tree = LoadCatalogFast(*m_session);
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(tree->IsEmpty());
    EXPECT_EQ(m_op.LastStatus(), "Catalog could not load!");
    EXPECT_EQ(m_op.BoxTexts(), QStringList{"Catalog could not createt. Please try to <Load Catalog "
                                           "sequentiell> from Restore Menu !!!"});
    EXPECT_EQ(m_op.BusyModes.back(), false);
    EXPECT_TRUE(FilesBelow(Work()).isEmpty()) << FilesBelow(Work()).join(' ').toStdString();

    // The sequential load reads the records all the same.
    m_op.Boxes.clear();
    EXPECT_EQ(LoadCatalogSequential(*m_session)->FileCount(), 4u);
    EXPECT_TRUE(m_op.Boxes.empty());
}

// The marker's fields come from tape: none of them may take the load out of the tape's data.
TEST_F(CatalogLoadTest, AMarkerNamingAPlaceOutsideTheDataFailsWithWords) {
    const std::vector<StreamPosition> lies = {
        {40000, 0, 1}, {-5, 0, 1}, {0, 0, 500}, {0, 0, -3}, {100, 0, INT64_MAX}};
    for (const StreamPosition& lie : lies) {
        WriteHandTape(*m_session, SampleRecords(), m_modified, {.MarkedCatalogStart = lie});
        m_op.Boxes.clear();
        const auto tree = LoadCatalogFast(*m_session);
        ASSERT_NE(tree, nullptr);
        EXPECT_TRUE(tree->IsEmpty());
        EXPECT_TRUE(m_session->CancelFlag);
        ASSERT_EQ(m_op.Boxes.size(), 2u) << lie.BlockOffset << " " << lie.BlockCounter;
        EXPECT_EQ(m_op.Boxes[0].Text,
                  QStringLiteral("The end marker of the tape set is damaged: the catalog start "
                                 "it names (block %1, offset %2) lies outside the data on the "
                                 "tape.")
                      .arg(lie.BlockCounter)
                      .arg(lie.BlockOffset));
        EXPECT_TRUE(m_op.Boxes[1].Text.startsWith("Catalog could not createt."));
        EXPECT_EQ(m_op.BusyModes.back(), false);
        EXPECT_TRUE(FilesBelow(Work()).isEmpty()) << FilesBelow(Work()).join(' ').toStdString();
    }
}

TEST_F(CatalogLoadTest, WithoutAMediumTheLoadFailsAndEndsIdle) {
    WriteHandTape(*m_session, SampleRecords(), m_modified);
    m_library->Eject();
    for (const bool fast : {true, false}) {
        m_op.Boxes.clear();
        const auto tree = load_catalog(*m_session, fast);
        EXPECT_TRUE(tree->IsEmpty());
        EXPECT_TRUE(m_session->CancelFlag);
        EXPECT_EQ(m_op.LastStatus(), "Catalog could not load!");
        EXPECT_GE(m_op.Boxes.size(), 2u) << "the drive error and the advice";
        EXPECT_EQ(m_op.BusyModes.back(), false);
        EXPECT_EQ(m_op.BusyCursorDepth, 0);
    }
}

// Tapes of a set are stamped with the set's date and their number.
void StampTape(Session& session, VirtualTapeLibrary& library, const QString& name, double date,
               int number) {
    library.CreateCartridge(name, 32768 * 100, 1, false);
    library.Insert(name);
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
    StampTape(*m_session, *m_library, "other1", otherSet, 1);
    StampTape(*m_session, *m_library, "set1", set, 1);
    StampTape(*m_session, *m_library, "set2", set, 2);

    QStringList offered = {"other1", "set2", "set1"}; // the operator's tries, in turn
    m_op.OnTapeRequest = [&](const TapeRequest& request) {
        EXPECT_EQ(request.Kind, TapeRequestKind::TapeOfSet);
        EXPECT_EQ(request.TapeNumber, 1);
        EXPECT_EQ(request.SetDate, set);
        m_library->Insert(offered.takeFirst());
    };
    EnsureFirstTape(*m_session);
    EXPECT_EQ(m_library->LoadedCartridge(), "set1");
    EXPECT_EQ(m_session->CurrentTapeDescription.TapeNumber, 1);
    EXPECT_EQ(m_session->CurrentTapeDescription.Date, set);
    EXPECT_EQ(m_op.TapeRequests.size(), 3u);
    EXPECT_EQ(m_op.BoxTexts().first(),
              "Please insert Tape 1 of the current Tape Set and press then ok!");
    EXPECT_FALSE(m_session->CancelFlag);

    // Tape 1 in the drive: nothing to ask.
    m_op.TapeRequests.clear();
    EnsureFirstTape(*m_session);
    EXPECT_TRUE(m_op.TapeRequests.empty());
}

TEST_F(CatalogLoadTest, CancelLeavesTheTapeOnePromptWithCancelFlag) {
    const double set = ToTapeDate(QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    StampTape(*m_session, *m_library, "set2", set, 2);
    m_op.Answers = {MessageAnswer::Cancel};
    EnsureFirstTape(*m_session);
    EXPECT_TRUE(m_session->CancelFlag);
    EXPECT_EQ(m_op.TapeRequests.size(), 1u);
}

} // namespace
