#include "led_display.h"
#include "main_window_tabs.h"
#include "window_fixture.h"

#include <QLCDNumber>
#include <QTabWidget>
#include <functional>

using namespace orvane;

namespace {

using CounterTest = test::WindowFixture;

TEST_F(CounterTest, EachDisplaySitsOnItsTabWithItsCaption) {
    const struct {
        int display;
        const char* caption;
        const char* tab;
    } cases[] = {
        {1, "MB", "TabSheet1"},     {2, "CMB", "TabSheet1"},   {5, "Files", "TabSheet1"},
        {8, "Skiped", "TabSheet1"}, {9, "MB/s", "TabSheet1"},  {10, "MB", "TabSheet2"},
        {6, "RMB", "TabSheet2"},    {7, "Files", "TabSheet2"}, {3, "MB", "TabSheet3"},
        {4, "Files", "TabSheet3"},
    };
    start();
    for (const auto& c : cases) {
        LedDisplay* display = window->counter(c.display);
        ASSERT_TRUE(display) << c.display;
        EXPECT_EQ(display->caption(), c.caption) << c.display;
        EXPECT_TRUE(control(c.tab)->isAncestorOf(display)) << c.display;
    }
}

// Each reported counter lands on the display of the page that shows the run.
TEST_F(CounterTest, EachProgressCounterGoesToItsDisplay) {
    const struct {
        std::function<void(OperatorInterface&)> report;
        int display;
        const char* shown;
    } cases[] = {
        {[](OperatorInterface& op) { op.ShowBackupProgress({.SourceMiB = 11}); }, 1, "11"},
        {[](OperatorInterface& op) { op.ShowBackupProgress({.TapeMiB = 12}); }, 2, "12"},
        {[](OperatorInterface& op) { op.ShowBackupProgress({.Files = 15}); }, 5, "15"},
        {[](OperatorInterface& op) { op.ShowBackupProgress({.Skipped = 18}); }, 8, "18"},
        {[](OperatorInterface& op) { op.ShowBackupProgress({.Rate = 1.5}); }, 9, "1.50"},
        {[](OperatorInterface& op) { op.ShowVerifyProgress({.TapeMiB = 13}); }, 3, "13"},
        {[](OperatorInterface& op) { op.ShowVerifyProgress({.Files = 14}); }, 4, "14"},
        {[](OperatorInterface& op) { op.ShowRestoreProgress({.RestoredMiB = 16}); }, 6, "16"},
        {[](OperatorInterface& op) { op.ShowRestoreProgress({.Files = 17}); }, 7, "17"},
        {[](OperatorInterface& op) { op.ShowRestoreProgress({.TapeMiB = 20}); }, 10, "20"},
        {[](OperatorInterface& op) { op.ShowCatalogProgress({.TapeMiB = 26}); }, 6, "26"},
        {[](OperatorInterface& op) { op.ShowCatalogProgress({.Entries = 27}); }, 7, "27"},
    };
    start();
    for (const auto& c : cases) {
        c.report(window->op());
        EXPECT_EQ(window->counter(c.display)->text(), c.shown) << c.display;
    }
}

TEST_F(CounterTest, ALargeCountKeepsAllItsDigits) {
    start();
    window->op().ShowBackupProgress({.Files = 123456789});
    EXPECT_EQ(window->counter(5)->text(), "123456789");
    auto* digits = window->counter(5)->findChild<QLCDNumber*>();
    ASSERT_TRUE(digits);
    EXPECT_GE(digits->digitCount(), 9);
    EXPECT_FALSE(digits->checkOverflow(123456789.0));
}

TEST_F(CounterTest, ACounterLeftOutKeepsWhatItsDisplayShows) {
    start();
    window->op().ShowBackupProgress(
        {.SourceMiB = 1, .TapeMiB = 2, .Files = 5, .Skipped = 8, .Rate = 0.25});
    window->op().ShowBackupProgress({.TapeMiB = 3});
    EXPECT_EQ(window->counter(1)->text(), "1");
    EXPECT_EQ(window->counter(2)->text(), "3");
    EXPECT_EQ(window->counter(5)->text(), "5");
    EXPECT_EQ(window->counter(8)->text(), "8");
    EXPECT_EQ(window->counter(9)->text(), "0.25");
    for (int display : {3, 4, 6, 7, 10})
        EXPECT_EQ(window->counter(display)->text(), "0") << display;
}

TEST_F(CounterTest, EachViewTurnsToItsPage) {
    const struct {
        OperatorView view;
        int page;
    } cases[] = {
        {OperatorView::BackupRun, tab::Backup},   {OperatorView::BackupList, tab::Backup},
        {OperatorView::RestoreRun, tab::Restore}, {OperatorView::CatalogLoad, tab::Restore},
        {OperatorView::VerifyRun, tab::Verify},   {OperatorView::Protocol, tab::Protocol},
    };
    start();
    auto* pages = control<QTabWidget>("PageControl1");
    for (const auto& c : cases) {
        pages->setCurrentIndex(tab::Options);
        window->op().ShowView(c.view);
        EXPECT_EQ(pages->currentIndex(), c.page) << int(c.view);
    }
}

} // namespace
