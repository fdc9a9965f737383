#include "main_window_tabs.h"
#include "window_fixture.h"

#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace orvane;

namespace {

class MenuShortcutsTest : public test::WindowFixture {
protected:
    // The window shown and active, its delayed start done, the focus in an edit field.
    QLineEdit* showWithFocusIn(const char* editName) {
        start();
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        auto* edit = control<QLineEdit>(editName);
        control<QTabWidget>("PageControl1")->setCurrentIndex(tab::Options);
        edit->setFocus();
        edit->setText("some text");
        edit->selectAll();
        return edit;
    }
};

TEST_F(MenuShortcutsTest, EachKeyOfTheMenuTable) {
    const struct {
        const char* item;
        const char* key;
    } cases[] = {
        {"Exit1", "Ctrl+X"},
        {"StartBackup1", "Ctrl+B"},
        {"AddDirDrive1", "Ctrl+A"},
        {"AddFiles1", "Ctrl+F"},
        {"Clear1", "Ctrl+C"},
        {"Load1", "Ctrl+L"},
        {"Save1", "Ctrl+S"},
        {"BackupDays1", ""},
        {"LoadCatalogsequentiell1", "Ctrl+Q"},
        {"Restoreto1", "Ctrl+T"},
        {"StartRestore1", "Ctrl+O"},
        {"TapeInfo1", "Ctrl+I"},
        {"GetTapeDescription1", "Ctrl+D"},
        {"Auswerfen1", "Ctrl+J"},
        {"LoadTape1", "Ctrl+P"},
        {"Tapetension1", "Ctrl+N"},
        {"RewindTape1", "Ctrl+R"},
        {"MovetoendofData1", "Ctrl+M"},
        {"MoveTapetoBlockNr1", "Ctrl+G"},
        {"DeleteTape1", "Ctrl+E"},
        {"InitTapewith01", ""},
        {"SetFilemarks1", "Ctrl+K"},
        {"SetTapeParameters1", "Ctrl+Y"},
        {"InstallService1", ""},
        {"DeleteService1", ""},
        {"Help1", "F1"},
        {"ShowInfo1", "Ctrl+U"},
        {"CheckfornewerVersions1", "F3"},
        {"About1", "F2"},
    };
    start();
    for (const auto& c : cases) {
        QAction* item = action(c.item);
        EXPECT_EQ(item->shortcut(), QKeySequence(QString(c.key))) << c.item;
        if (!QString(c.key).isEmpty()) {
            EXPECT_EQ(item->shortcutContext(), Qt::ApplicationShortcut) << c.item;
        }
    }
}

TEST_F(MenuShortcutsTest, ASharedKeyBelongsToTheFirstItemAndTheSecondOnlyShowsIt) {
    const struct {
        const char* second;
        const char* text;
    } cases[] = {
        {"LoadCatalog1", "Load Catalog fast\tCtrl+C"},
        {"GetTapePosition1", "Get Tape Position\tCtrl+G"},
        {"FormatTape1", "Format Tape\tCtrl+F"},
    };
    start();
    for (const auto& c : cases) {
        EXPECT_TRUE(action(c.second)->shortcut().isEmpty()) << c.second;
        EXPECT_EQ(action(c.second)->text(), c.text) << c.second;
    }
}

TEST_F(MenuShortcutsTest, ASharedKeyTypedInAnEditRunsTheFirstItem) {
    const struct {
        Qt::Key key;
        const char* first;
        const char* second;
    } cases[] = {
        {Qt::Key_C, "Clear1", "LoadCatalog1"},
        {Qt::Key_G, "MoveTapetoBlockNr1", "GetTapePosition1"},
        {Qt::Key_F, "AddFiles1", "FormatTape1"},
    };
    QLineEdit* edit = showWithFocusIn("Edit4");
    for (const auto& c : cases) {
        // Both items enabled, so that only the ownership of the key decides.
        action(c.first)->setEnabled(true);
        action(c.second)->setEnabled(true);
        QSignalSpy first(action(c.first), &QAction::triggered);
        QSignalSpy second(action(c.second), &QAction::triggered);
        QTest::keyClick(edit, c.key, Qt::ControlModifier);
        EXPECT_EQ(first.count(), 1) << c.first;
        EXPECT_EQ(second.count(), 0) << c.second;
        EXPECT_EQ(edit->text(), "some text");
    }
}

TEST_F(MenuShortcutsTest, CtrlCInAnEditClearsTheBackupListInsteadOfCopying) {
    QLineEdit* edit = showWithFocusIn("Edit4");
    control<QPlainTextEdit>("Memo5")->setPlainText("/home/\n/etc/");
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(window->session().settings.BackupList.isEmpty());
    EXPECT_EQ(control<QTabWidget>("PageControl1")->currentIndex(), tab::Backup);
}

TEST_F(MenuShortcutsTest, CtrlGInAnEditAsksForTheBlock) {
    QLineEdit* edit = showWithFocusIn("Edit6");
    QTest::keyClick(edit, Qt::Key_G, Qt::ControlModifier);
    ASSERT_EQ(OperatorBoxes::shown().size(), 1u);
    EXPECT_EQ(OperatorBoxes::shown()[0].caption, "Goto Block");
    EXPECT_EQ(OperatorBoxes::shown()[0].text, "Move to");
    EXPECT_TRUE(OperatorBoxes::shown()[0].input);
}

TEST_F(MenuShortcutsTest, CtrlXInAnEditExitsInsteadOfCutting) {
    QLineEdit* edit = showWithFocusIn("efrom");
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(edit->text(), "some text");
}

TEST_F(MenuShortcutsTest, AKeyWhoseItemIsDisabledKeepsItsMeaningInTheEdit) {
    QLineEdit* edit = showWithFocusIn("Edit4");
    ASSERT_FALSE(action("AddDirDrive1")->isEnabled());
    edit->deselect();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit->selectedText(), "some text") << "Ctrl+A selected all";
}

TEST_F(MenuShortcutsTest, TheTestMenuIsHidden) {
    start();
    QMenu* test = window->findChild<QMenu*>("TestMenu");
    ASSERT_TRUE(test);
    EXPECT_FALSE(test->menuAction()->isVisible());
    QStringList items;
    for (QAction* item : test->actions())
        items << item->text();
    EXPECT_EQ(items, (QStringList{"Read MBR", "Disk copy test", "Disk Write Test", "Test",
                                  "Disk to Disk copy"}));
}

} // namespace
