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
    QMap<QString, bool> enabledStates() const {
        QMap<QString, bool> states;
        for (const QStringList* names : {&StartButtons, &ListButtons})
            for (const QString& name : *names)
                states[name] = control(name)->isEnabled();
        for (const QString& name : StartMenuItems)
            states[name] = action(name)->isEnabled();
        states["ShowInfo1"] = action("ShowInfo1")->isEnabled();
        return states;
    }

    static QMap<QString, bool> allStates(bool enabled) {
        QMap<QString, bool> states;
        for (const QStringList* names : {&StartButtons, &ListButtons, &StartMenuItems})
            for (const QString& name : *names)
                states[name] = enabled;
        states["ShowInfo1"] = true; // shows a box, starts nothing
        return states;
    }
};

TEST_F(BusyCommandsTest, TheNewCommandsAreAvailableAndEnabledWhenIdle) {
    start();
    for (const QStringList* names : {&StartButtons, &ListButtons, &StartMenuItems})
        for (const QString& name : *names)
            EXPECT_TRUE(IsAvailable(name)) << name.toStdString();
    EXPECT_EQ(enabledStates(), allStates(true));
}

TEST_F(BusyCommandsTest, EveryRunDisablesThemWhileItLastsAndEnablesThemAfterwards) {
    start();
    const QString source = makeSmallTree();
    backUp({source});
    click("BitBtn14");
    emit tree()->doubleClicked(nodeOf(source + "a.txt"));
    control<QLineEdit>("Edit1")->setText(home.file("target/"));

    const std::vector<std::function<void()>> runs = {
        [&] { backUp({source}); },
        [&] { click("BitBtn14"); },
        [&] { action("LoadCatalogsequentiell1")->trigger(); },
        [&] { click("BitBtn13"); },
        [&] { click("Button3"); },
        [&] { action("GetTapeDescription1")->trigger(); },
    };
    for (size_t run = 0; run < runs.size(); ++run) {
        SCOPED_TRACE(run);
        // Taken at the run's first message pump, as a click would find the window then.
        std::optional<QMap<QString, bool>> during;
        QTimer::singleShot(0, window.get(), [&] { during = enabledStates(); });
        runs[run]();
        ASSERT_TRUE(during.has_value());
        EXPECT_EQ(*during, allStates(false));
        EXPECT_EQ(enabledStates(), allStates(true));
        EXPECT_FALSE(window->busy());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        if (run == 1 || run == 2)
            emit tree()->doubleClicked(nodeOf(source + "a.txt")); // the load emptied the list
    }
}

TEST_F(BusyCommandsTest, FailedRunsEndIdleToo) {
    start();
    makeSmallTree();
    control<QPlainTextEdit>("Memo3")->setPlainText(sourceDir());
    ASSERT_TRUE(library->eject().isEmpty());
    const std::vector<std::pair<const char*, std::function<void()>>> runs = {
        {"backup", [&] { backUp({sourceDir()}); }},
        {"catalog", [&] { click("BitBtn14"); }},
        {"sequential catalog", [&] { action("LoadCatalogsequentiell1")->trigger(); }},
        {"restore", [&] { click("BitBtn13"); }},
        {"verify", [&] { click("Button3"); }},
        {"tape description", [&] { action("GetTapeDescription1")->trigger(); }},
    };
    for (const auto& [name, run] : runs) {
        SCOPED_TRACE(name);
        OperatorBoxes::reset();
        run();
        EXPECT_FALSE(OperatorBoxes::shown().empty()) << "the missing medium is reported";
        EXPECT_FALSE(window->busy());
        EXPECT_FALSE(window->listEditingLocked());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(enabledStates(), allStates(true));
    }
}

} // namespace
