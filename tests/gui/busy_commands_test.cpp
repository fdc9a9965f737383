#include "command_availability.h"
#include "run_fixture.h"
#include "tape/tape_access.h"

#include <QGuiApplication>
#include <QTimer>

using namespace orvane;

namespace {

// The buttons and menu items that start a backup, catalog load, restore or verify, or change
// a list or the target such a run reads.
const QStringList StartButtons = {"BitBtn1", "BitBtn14", "BitBtn13", "BitBtn12", "Button3"};
const QStringList ListButtons = {"BitBtn7", "BitBtn15"};
const QStringList StartMenuItems = {
    "StartBackup1", "AddFiles1",     "LoadCatalog1",       "LoadCatalogsequentiell1",
    "Restoreto1",   "StartRestore1", "GetTapeDescription1"};

class BusyCommandsTest : public test::RunFixture {
protected:
    // Which of the commands are enabled, by name.
    QMap<QString, bool> EnabledStates() const {
        QMap<QString, bool> states;
        for (const QStringList* names : {&StartButtons, &ListButtons})
            for (const QString& name : *names)
                states[name] = Control(name)->isEnabled();
        for (const QString& name : StartMenuItems)
            states[name] = Action(name)->isEnabled();
        states["ShowInfo1"] = Action("ShowInfo1")->isEnabled();
        return states;
    }

    static QMap<QString, bool> AllStates(bool enabled) {
        QMap<QString, bool> states;
        for (const QStringList* names : {&StartButtons, &ListButtons, &StartMenuItems})
            for (const QString& name : *names)
                states[name] = enabled;
        states["ShowInfo1"] = true; // shows a box, starts nothing
        return states;
    }
};

TEST_F(BusyCommandsTest, TheNewCommandsAreAvailableAndEnabledWhenIdle) {
    Start();
    for (const QStringList* names : {&StartButtons, &ListButtons, &StartMenuItems})
        for (const QString& name : *names)
            EXPECT_TRUE(IsAvailable(name)) << name.toStdString();
    EXPECT_EQ(EnabledStates(), AllStates(true));
}

TEST_F(BusyCommandsTest, EveryRunDisablesThemWhileItLastsAndEnablesThemAfterwards) {
    Start();
    const QString source = MakeSmallTree();
    BackUp({source});
    Click("BitBtn14");
    emit Tree()->doubleClicked(NodeOf(source + "a.txt"));
    Control<QLineEdit>("Edit1")->setText(m_home.File("target/"));

    const std::vector<std::function<void()>> runs = {
        [&] { BackUp({source}); },
        [&] { Click("BitBtn14"); },
        [&] { Action("LoadCatalogsequentiell1")->trigger(); },
        [&] { Click("BitBtn13"); },
        [&] { Click("Button3"); },
        [&] { Action("GetTapeDescription1")->trigger(); },
    };
    for (size_t run = 0; run < runs.size(); ++run) {
        SCOPED_TRACE(run);
        // Taken at the run's first message pump, as a click would find the window then.
        std::optional<QMap<QString, bool>> during;
        QTimer::singleShot(0, m_window.get(), [&] { during = EnabledStates(); });
        runs[run]();
        ASSERT_TRUE(during.has_value());
        EXPECT_EQ(*during, AllStates(false));
        EXPECT_EQ(EnabledStates(), AllStates(true));
        EXPECT_FALSE(m_window->Busy());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        if (run == 1 || run == 2)
            emit Tree()->doubleClicked(NodeOf(source + "a.txt")); // the load emptied the list
    }
}

TEST_F(BusyCommandsTest, FailedRunsEndIdleToo) {
    Start();
    MakeSmallTree();
    Control<QPlainTextEdit>("Memo3")->setPlainText(SourceDir());
    ASSERT_TRUE(m_library->Eject().isEmpty());
    const std::vector<std::pair<const char*, std::function<void()>>> runs = {
        {"backup", [&] { BackUp({SourceDir()}); }},
        {"catalog", [&] { Click("BitBtn14"); }},
        {"sequential catalog", [&] { Action("LoadCatalogsequentiell1")->trigger(); }},
        {"restore", [&] { Click("BitBtn13"); }},
        {"verify", [&] { Click("Button3"); }},
        {"tape description", [&] { Action("GetTapeDescription1")->trigger(); }},
    };
    for (const auto& [name, run] : runs) {
        SCOPED_TRACE(name);
        OperatorBoxes::Reset();
        run();
        EXPECT_FALSE(OperatorBoxes::Shown().empty()) << "the missing medium is reported";
        EXPECT_FALSE(m_window->Busy());
        EXPECT_FALSE(m_window->ListEditingLocked());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(EnabledStates(), AllStates(true));
    }
}

} // namespace
