#include "integrations/zip_engine_info.h"
#include "led_display.h"
#include "main_window_tabs.h"
#include "run_fixture.h"
#include "tape/tape_access.h"

#include <QAbstractButton>
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
        start();
        source = makeSmallTree();
        backUp({source});
        ASSERT_FALSE(window->session().CancelFlag);
        OperatorBoxes::reset();
    }

    QString source;
};

TEST_F(RestoreWiringTest, LoadCatalogFillsTheTreeFastOrSequentially) {
    struct Case {
        const char* trigger;
        bool menu;
    };
    for (const Case& c : {Case{"BitBtn14", false}, Case{"LoadCatalog1", true},
                          Case{"LoadCatalogsequentiell1", true}}) {
        SCOPED_TRACE(c.trigger);
        model().setTree(nullptr);
        if (c.menu)
            action(c.trigger)->trigger();
        else
            click(c.trigger);

        EXPECT_EQ(tree()->model(), &model());
        EXPECT_EQ(model().rowCount(), 1) << "one root";
        EXPECT_EQ(model().index(0, 0).data().toString(), "/");
        EXPECT_EQ(model().index(0, 0).data(CatalogTreeModel::ImageIndexRole).toInt(), 0);
        const QModelIndex sourceNode = nodeOf(source);
        ASSERT_TRUE(sourceNode.isValid());
        EXPECT_EQ(sourceNode.data(CatalogTreeModel::ImageIndexRole).toInt(), 1);
        EXPECT_EQ(filesBelow(sourceNode), 3);
        EXPECT_EQ(filesBelow({}), 3) << "the catalog file is not shown";
        EXPECT_TRUE(window->statusText().startsWith("Catalog createt in "));
        EXPECT_EQ(control<QTabWidget>("PageControl1")->currentIndex(), tab::Restore);
        EXPECT_TRUE(memoLines("Memo3").isEmpty()) << "a load empties the restore list";
        EXPECT_FALSE(window->busy());
        EXPECT_TRUE(OperatorBoxes::shown().empty());
    }
    EXPECT_TRUE(tree()->uniformRowHeights());
}

TEST_F(RestoreWiringTest, ACatalogThatCannotBeLoadedLeavesAnEmptyTreeAndSaysSo) {
    click("BitBtn14");
    ASSERT_EQ(model().rowCount(), 1);
    ASSERT_TRUE(library->eject().isEmpty());
    click("BitBtn14");
    EXPECT_EQ(model().rowCount(), 0);
    EXPECT_TRUE(OperatorBoxes::shownTexts().contains(
        "Catalog could not createt. Please try to <Load Catalog sequentiell> from Restore "
        "Menu !!!"));
    EXPECT_FALSE(window->busy());
    EXPECT_TRUE(control("BitBtn14")->isEnabled());
}

TEST_F(RestoreWiringTest, DoubleClickAddsTheNodesLineToTheRestoreList) {
    click("BitBtn14");
    control<QPlainTextEdit>("Memo3")->setPlainText("/etc/passwd\n\n");
    const QModelIndex file = nodeOf(source + "sub/c.txt");
    const QModelIndex directory = nodeOf(source + "sub");
    ASSERT_TRUE(file.isValid() && directory.isValid());

    emit tree()->doubleClicked(file);
    emit tree()->doubleClicked(directory);
    const QStringList expected = {"/etc/passwd", source + "sub/c.txt", source + "sub/"};
    EXPECT_EQ(memoLines("Memo3"), expected);
    EXPECT_EQ(window->session().settings.RestoreList, expected);

    // While a run holds the lists, the tree adds nothing.
    EnterBusyMode(window->session());
    emit tree()->doubleClicked(file);
    LeaveBusyMode(window->session());
    EXPECT_EQ(memoLines("Memo3"), expected);
}

TEST_F(RestoreWiringTest, RestoreToChoosesTheTargetDirectory) {
    const QString target = home.file("target");
    OperatorBoxes::setNextChoice({target});
    click("BitBtn12");
    EXPECT_EQ(control<QLineEdit>("Edit1")->text(), target + "/");
    EXPECT_EQ(window->session().settings.RestoreTarget, target + "/");
    EXPECT_EQ(control<QTabWidget>("PageControl1")->currentIndex(), tab::Restore);

    // Cancelled, the chooser leaves the target as it was.
    action("Restoreto1")->trigger();
    EXPECT_EQ(control<QLineEdit>("Edit1")->text(), target + "/");
}

TEST_F(RestoreWiringTest, StartRestoreRestoresTheSelectedFileBelowTheTarget) {
    click("BitBtn14");
    emit tree()->doubleClicked(nodeOf(source + "sub/c.txt"));
    const QString target = home.file("target/");
    control<QLineEdit>("Edit1")->setText(target);
    control<QAbstractButton>("RadioGroup1Item2")->click(); // "Overwrite ever"

    click("BitBtn13");
    const QString restored = target + source.mid(1) + "sub/c.txt";
    QFile file(restored);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << restored.toStdString();
    EXPECT_EQ(file.readAll(), "gamma gamma\n");
    EXPECT_FALSE(QFile::exists(target + source.mid(1) + "a.txt")) << "only what was selected";
    EXPECT_EQ(window->counter(7)->text(), "1");
    EXPECT_TRUE(memoHas("Memo2", "1 Files proceded."));
    EXPECT_FALSE(window->busy());
    EXPECT_EQ(control<QTabWidget>("PageControl1")->currentIndex(), tab::Protocol);
}

TEST_F(RestoreWiringTest, StartRestoreFromTheMenuWithAnEmptyListSaysSoAndEndsIdle) {
    action("StartRestore1")->trigger();
    EXPECT_EQ(OperatorBoxes::shownTexts(), QStringList{"No Files or Directories selected!"});
    EXPECT_FALSE(window->busy());
    EXPECT_TRUE(control("BitBtn13")->isEnabled());
}

TEST_F(RestoreWiringTest, StartVerifyFillsTheVerifyReport) {
    QFile changed(source + "a.txt");
    ASSERT_TRUE(changed.open(QIODevice::WriteOnly));
    changed.write("ALPHA\n");
    changed.close();

    click("Button3");
    const QStringList report = memoLines("Memo4");
    ASSERT_FALSE(report.isEmpty());
    EXPECT_TRUE(report.front().startsWith("Verify startet at: "));
    EXPECT_TRUE(report.contains(source + "b.bin   OK"));
    EXPECT_TRUE(report.contains("Error in File:  " + source + "a.txt"));
    EXPECT_TRUE(report.contains("3 Files checked"));
    EXPECT_TRUE(report.contains("2 Files OK"));
    EXPECT_TRUE(report.contains("1 Files Defect"));
    EXPECT_EQ(window->counter(4)->text(), "3");
    EXPECT_FALSE(window->busy());
}

TEST_F(RestoreWiringTest, LoadTapeDescriptionShowsTheLoadedTapeInTheCaption) {
    const QString caption = window->windowTitle();
    ASSERT_TRUE(caption.startsWith("Orvane 2005  <Tape 1 from: ")) << caption.toStdString();
    // Another cartridge: a fresh one holds no description.
    ASSERT_TRUE(library->createCartridge("fresh", 32768 * 100, 1, false).isEmpty());
    ASSERT_TRUE(library->insert("fresh").isEmpty());
    action("GetTapeDescription1")->trigger();
    EXPECT_EQ(window->windowTitle(), "Orvane 2005");

    ASSERT_TRUE(library->insert("t1").isEmpty());
    action("GetTapeDescription1")->trigger();
    EXPECT_EQ(window->windowTitle(), caption);
    EXPECT_FALSE(window->busy());
}

TEST_F(RestoreWiringTest, DllInfoShowsTheEngineVersions) {
    ASSERT_TRUE(action("ShowInfo1")->isEnabled());
    action("ShowInfo1")->trigger();
    EXPECT_EQ(OperatorBoxes::shownTexts(), QStringList{DllInfoText()});
}

} // namespace
