#include "file_select_dialog.h"
#include "integrations/zip_engine_info.h"
#include "led_display.h"
#include "main_window_tabs.h"
#include "run_fixture.h"
#include "tape/tape_access.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

using namespace orvane;

namespace {

// A window whose loaded tape holds a backup of the small tree.
class RestoreWiringTest : public test::RunFixture {
protected:
    void SetUp() override {
        RunFixture::SetUp();
        Start();
        m_source = MakeSmallTree();
        BackUp({m_source});
        ASSERT_FALSE(m_window->Session().CancelFlag);
        OperatorBoxes::Reset();
    }

    QString m_source;
};

TEST_F(RestoreWiringTest, LoadCatalogFillsTheTreeFastOrSequentially) {
    struct Case {
        const char* Trigger;
        bool Menu;
    };
    for (const Case& c : {Case{"BitBtn14", false}, Case{"LoadCatalog1", true},
                          Case{"LoadCatalogsequentiell1", true}}) {
        SCOPED_TRACE(c.Trigger);
        Model().SetTree(nullptr);
        if (c.Menu)
            Action(c.Trigger)->trigger();
        else
            Click(c.Trigger);

        EXPECT_EQ(Tree()->model(), &Model());
        EXPECT_EQ(Model().rowCount(), 1) << "one root";
        EXPECT_EQ(Model().index(0, 0).data().toString(), "/");
        EXPECT_EQ(Model().index(0, 0).data(CatalogTreeModel::ImageIndexRole).toInt(), 0);
        const QModelIndex sourceNode = NodeOf(m_source);
        ASSERT_TRUE(sourceNode.isValid());
        EXPECT_EQ(sourceNode.data(CatalogTreeModel::ImageIndexRole).toInt(), 1);
        EXPECT_EQ(FilesBelow(sourceNode), 3);
        EXPECT_EQ(FilesBelow({}), 3) << "the catalog file is not shown";
        EXPECT_TRUE(m_window->StatusText().startsWith("Catalog createt in "));
        EXPECT_EQ(Control<QTabWidget>("PageControl1")->currentIndex(), tab::Restore);
        EXPECT_TRUE(MemoLines("Memo3").isEmpty()) << "a load empties the restore list";
        EXPECT_FALSE(m_window->Busy());
        EXPECT_TRUE(OperatorBoxes::Shown().empty());
    }
    EXPECT_TRUE(Tree()->uniformRowHeights());
}

TEST_F(RestoreWiringTest, ACatalogThatCannotBeLoadedLeavesAnEmptyTreeAndSaysSo) {
    Click("BitBtn14");
    ASSERT_EQ(Model().rowCount(), 1);
    ASSERT_TRUE(m_library->Eject().isEmpty());
    Click("BitBtn14");
    EXPECT_EQ(Model().rowCount(), 0);
    EXPECT_TRUE(OperatorBoxes::ShownTexts().contains(
        "Catalog could not createt. Please try to <Load Catalog sequentiell> from Restore "
        "Menu !!!"));
    EXPECT_FALSE(m_window->Busy());
    EXPECT_TRUE(Control("BitBtn14")->isEnabled());
}

TEST_F(RestoreWiringTest, DoubleClickAddsTheNodesLineToTheRestoreList) {
    Click("BitBtn14");
    Control<QPlainTextEdit>("Memo3")->setPlainText("/etc/passwd\n\n");
    const QModelIndex file = NodeOf(m_source + "sub/c.txt");
    const QModelIndex directory = NodeOf(m_source + "sub");
    ASSERT_TRUE(file.isValid() && directory.isValid());

    emit Tree()->doubleClicked(file);
    emit Tree()->doubleClicked(directory);
    const QStringList expected = {"/etc/passwd", m_source + "sub/c.txt", m_source + "sub/"};
    EXPECT_EQ(MemoLines("Memo3"), expected);
    EXPECT_EQ(m_window->Session().Settings.RestoreList, expected);

    // While a run holds the lists, the tree adds nothing.
    EnterBusyMode(m_window->Session());
    emit Tree()->doubleClicked(file);
    LeaveBusyMode(m_window->Session());
    EXPECT_EQ(MemoLines("Memo3"), expected);
}

TEST_F(RestoreWiringTest, RestoreToChoosesTheTargetDirectory) {
    TFile_Select chooser;
    m_window->AttachWindows({nullptr, nullptr, &chooser, nullptr, nullptr, nullptr, nullptr});
    const QString target = m_home.File("target");
    QDir().mkpath(target);
    Click("BitBtn12");
    EXPECT_EQ(Control<QTabWidget>("PageControl1")->currentIndex(), tab::Restore);
    chooser.SelectFolder(target);
    chooser.findChild<QAbstractButton*>("BitBtn1")->click();
    EXPECT_EQ(Control<QLineEdit>("Edit1")->text(), target + "/");
    EXPECT_EQ(m_window->Session().Settings.RestoreTarget, target + "/");

    // Closed without a choice, the chooser leaves the target as it was.
    Action("Restoreto1")->trigger();
    chooser.close();
    EXPECT_EQ(Control<QLineEdit>("Edit1")->text(), target + "/");
}

TEST_F(RestoreWiringTest, StartRestoreRestoresTheSelectedFileBelowTheTarget) {
    Click("BitBtn14");
    emit Tree()->doubleClicked(NodeOf(m_source + "sub/c.txt"));
    const QString target = m_home.File("target/");
    Control<QLineEdit>("Edit1")->setText(target);
    Control<QAbstractButton>("RadioGroup1Item2")->click(); // "Overwrite ever"

    Click("BitBtn13");
    const QString restored = target + m_source.mid(1) + "sub/c.txt";
    QFile file(restored);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << restored.toStdString();
    EXPECT_EQ(file.readAll(), "gamma gamma\n");
    EXPECT_FALSE(QFile::exists(target + m_source.mid(1) + "a.txt")) << "only what was selected";
    EXPECT_EQ(m_window->Counter(7)->Text(), "1");
    EXPECT_TRUE(MemoHas("Memo2", "1 Files proceded."));
    EXPECT_FALSE(m_window->Busy());
    EXPECT_EQ(Control<QTabWidget>("PageControl1")->currentIndex(), tab::Protocol);
}

// "Restore with asking" asks once when the operator answers for the files still to come.
TEST_F(RestoreWiringTest, TheRestoreQuestionAnswersForTheRestWithAllOrSkipTheRest) {
    Click("BitBtn14");
    emit Tree()->doubleClicked(NodeOf(m_source));
    const QString target = m_home.File("target/");
    Control<QLineEdit>("Edit1")->setText(target);
    Control<QAbstractButton>("RadioGroup1Item0")->click(); // "Restore with asking"
    const struct {
        const char* Button;
        bool Restored;
    } cases[] = {{"RestoreAll", true}, {"SkipRest", false}};
    for (const auto& c : cases) {
        QDir(target).removeRecursively();
        OperatorBoxes::Reset();
        OperatorBoxes::SetNextDialogAction(
            [&c](QDialog& dialog) { dialog.findChild<QAbstractButton*>(c.Button)->click(); });
        Click("BitBtn13");
        EXPECT_EQ(OperatorBoxes::ShownTexts().count(), 1) << c.Button << ": one question";
        for (const char* name : {"a.txt", "b.bin", "sub/c.txt"})
            EXPECT_EQ(QFile::exists(target + m_source.mid(1) + name), c.Restored)
                << c.Button << " " << name;
        EXPECT_FALSE(m_window->Busy());
    }
}

TEST_F(RestoreWiringTest, StartRestoreFromTheMenuWithAnEmptyListSaysSoAndEndsIdle) {
    Action("StartRestore1")->trigger();
    EXPECT_EQ(OperatorBoxes::ShownTexts(), QStringList{"No Files or Directories selected!"});
    EXPECT_FALSE(m_window->Busy());
    EXPECT_TRUE(Control("BitBtn13")->isEnabled());
}

TEST_F(RestoreWiringTest, StartVerifyFillsTheVerifyReport) {
    QFile changed(m_source + "a.txt");
    ASSERT_TRUE(changed.open(QIODevice::WriteOnly));
    changed.write("ALPHA\n");
    changed.close();

    Click("Button3");
    const QStringList report = MemoLines("Memo4");
    ASSERT_FALSE(report.isEmpty());
    EXPECT_TRUE(report.front().startsWith("Verify startet at: "));
    EXPECT_TRUE(report.contains(m_source + "b.bin   OK"));
    EXPECT_TRUE(report.contains("Error in File:  " + m_source + "a.txt"));
    EXPECT_TRUE(report.contains("3 Files checked"));
    EXPECT_TRUE(report.contains("2 Files OK"));
    EXPECT_TRUE(report.contains("1 Files Defect"));
    EXPECT_EQ(m_window->Counter(4)->Text(), "3");
    EXPECT_FALSE(m_window->Busy());
}

TEST_F(RestoreWiringTest, LoadTapeDescriptionShowsTheLoadedTapeInTheCaption) {
    const QString caption = m_window->windowTitle();
    ASSERT_TRUE(caption.startsWith("Orvane 2005  <Tape 1 from: ")) << caption.toStdString();
    // Another cartridge: a fresh one holds no description.
    ASSERT_TRUE(m_library->CreateCartridge("fresh", 32768 * 100, 1, false).isEmpty());
    ASSERT_TRUE(m_library->Insert("fresh").isEmpty());
    Action("GetTapeDescription1")->trigger();
    EXPECT_EQ(m_window->windowTitle(), "Orvane 2005");

    ASSERT_TRUE(m_library->Insert("t1").isEmpty());
    Action("GetTapeDescription1")->trigger();
    EXPECT_EQ(m_window->windowTitle(), caption);
    EXPECT_FALSE(m_window->Busy());
}

TEST_F(RestoreWiringTest, DllInfoShowsTheEngineVersions) {
    ASSERT_TRUE(Action("ShowInfo1")->isEnabled());
    Action("ShowInfo1")->trigger();
    EXPECT_EQ(OperatorBoxes::ShownTexts(), QStringList{DllInfoText()});
}

} // namespace
