#include "main_window_tabs.h"
#include "operator_boxes.h"
#include "window_fixture.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

using namespace orvane;

namespace {

class MenuShortcutsTest : public test::WindowFixture {
protected:
    // The window shown and active, its delayed start done, the focus in an edit field.
    QLineEdit* ShowWithFocusIn(const char* editName) {
        Start();
        m_window->show();
        QApplication::setActiveWindow(m_window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        auto* edit = Control<QLineEdit>(editName);
        Control<QTabWidget>("PageControl1")->setCurrentIndex(tab::Options);
        edit->setFocus();
        edit->setText("some text");
        edit->selectAll();
        return edit;
    }
};

TEST_F(MenuShortcutsTest, EachKeyOfTheMenuTable) {
    const struct {
        const char* Item;
        const char* Key;
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
    Start();
    for (const auto& c : cases) {
        QAction* item = Action(c.Item);
        EXPECT_EQ(item->shortcut(), QKeySequence(QString(c.Key))) << c.Item;
        if (!QString(c.Key).isEmpty()) {
            EXPECT_EQ(item->shortcutContext(), Qt::ApplicationShortcut) << c.Item;
        }
    }
}

TEST_F(MenuShortcutsTest, ASharedKeyBelongsToTheFirstItemAndTheSecondKeepsItsCaption) {
    const struct {
        const char* Second;
        const char* Text;
    } cases[] = {
        {"LoadCatalog1", "Load Catalog fast"},
        {"GetTapePosition1", "Get Tape Position"},
        {"FormatTape1", "Format Tape"},
    };
    Start();
    for (const auto& c : cases) {
        EXPECT_TRUE(Action(c.Second)->shortcut().isEmpty()) << c.Second;
        EXPECT_EQ(Action(c.Second)->text(), c.Text) << c.Second;
    }
}

TEST_F(MenuShortcutsTest, ASharedKeyTypedInAnEditRunsTheFirstItem) {
    const struct {
        Qt::Key Key;
        const char* First;
        const char* Second;
    } cases[] = {
        {Qt::Key_G, "MoveTapetoBlockNr1", "GetTapePosition1"},
        {Qt::Key_F, "AddFiles1", "FormatTape1"},
    };
    QLineEdit* edit = ShowWithFocusIn("Edit4");
    for (const auto& c : cases) {
        // Both items enabled, so that only the ownership of the key decides.
        Action(c.First)->setEnabled(true);
        Action(c.Second)->setEnabled(true);
        QSignalSpy first(Action(c.First), &QAction::triggered);
        QSignalSpy second(Action(c.Second), &QAction::triggered);
        QTest::keyClick(edit, c.Key, Qt::ControlModifier);
        EXPECT_EQ(first.count(), 1) << c.First;
        EXPECT_EQ(second.count(), 0) << c.Second;
        EXPECT_EQ(edit->text(), "some text");
    }
}

// Ctrl+C is also "Clear" of the backup list: typed in a text field it copies, as everywhere.
TEST_F(MenuShortcutsTest, CtrlCInATextFieldCopiesAndLeavesTheBackupList) {
    QLineEdit* edit = ShowWithFocusIn("Edit4");
    Control<QPlainTextEdit>("Memo5")->setPlainText("/home/\n/etc/");
    const QStringList list = {"/home/", "/etc/"};
    QApplication::clipboard()->clear();
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(m_window->Session().Settings.BackupList, list);
    EXPECT_EQ(QApplication::clipboard()->text(), "some text");

    auto* protocol = Control<QPlainTextEdit>("Memo2");
    Control<QTabWidget>("PageControl1")->setCurrentIndex(tab::Protocol);
    protocol->setPlainText("Backup startet at: ...");
    protocol->setFocus();
    protocol->selectAll();
    QTest::keyClick(protocol, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(m_window->Session().Settings.BackupList, list);
    EXPECT_EQ(QApplication::clipboard()->text(), "Backup startet at: ...");
}

TEST_F(MenuShortcutsTest, ClearAsksBeforeItEmptiesAList) {
    Start();
    Control<QPlainTextEdit>("Memo5")->setPlainText("/home/\n/etc/");
    OperatorBoxes::SetNextAnswer(MessageAnswer::No);
    Action("Clear1")->trigger();
    EXPECT_EQ(m_window->Session().Settings.BackupList, QStringList({"/home/", "/etc/"}));
    EXPECT_EQ(OperatorBoxes::ShownTexts().last(),
              "Do you want to clear the list of Included Files?");
    OperatorBoxes::SetNextAnswer(MessageAnswer::Yes);
    Action("Clear1")->trigger();
    EXPECT_TRUE(m_window->Session().Settings.BackupList.isEmpty());
}

TEST_F(MenuShortcutsTest, CtrlGInAnEditAsksForTheBlock) {
    QLineEdit* edit = ShowWithFocusIn("Edit6");
    QTest::keyClick(edit, Qt::Key_G, Qt::ControlModifier);
    ASSERT_EQ(OperatorBoxes::Shown().size(), 1u);
    EXPECT_EQ(OperatorBoxes::Shown()[0].Caption, "Goto Block");
    EXPECT_EQ(OperatorBoxes::Shown()[0].Text, "Move to");
    EXPECT_TRUE(OperatorBoxes::Shown()[0].Input);
}

TEST_F(MenuShortcutsTest, CtrlXInAnEditCutsInsteadOfExiting) {
    QLineEdit* edit = ShowWithFocusIn("efrom");
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(edit->text(), "");
}

TEST_F(MenuShortcutsTest, AKeyWhoseItemIsDisabledKeepsItsMeaningInTheEdit) {
    QLineEdit* edit = ShowWithFocusIn("Edit4");
    Action("AddDirDrive1")->setEnabled(false);
    edit->deselect();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit->selectedText(), "some text") << "Ctrl+A selected all";
}

TEST_F(MenuShortcutsTest, TheTestMenuIsHidden) {
    Start();
    QMenu* test = m_window->findChild<QMenu*>("TestMenu");
    ASSERT_TRUE(test);
    EXPECT_FALSE(test->menuAction()->isVisible());
    QStringList items;
    for (QAction* item : test->actions())
        items << item->text();
    EXPECT_EQ(items, (QStringList{"Read MBR", "Disk copy test", "Disk Write Test", "Test",
                                  "Disk to Disk copy"}));
}

} // namespace
