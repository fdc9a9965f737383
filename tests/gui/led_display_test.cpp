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
        int Display;
        const char* Caption;
        const char* Tab;
    } cases[] = {
        {1, "MB", "TabSheet1"},     {2, "CMB", "TabSheet1"},   {5, "Files", "TabSheet1"},
        {8, "Skiped", "TabSheet1"}, {9, "MB/s", "TabSheet1"},  {10, "MB", "TabSheet2"},
        {6, "RMB", "TabSheet2"},    {7, "Files", "TabSheet2"}, {3, "MB", "TabSheet3"},
        {4, "Files", "TabSheet3"},
    };
    Start();
    for (const auto& c : cases) {
        LedDisplay* display = m_window->Counter(c.Display);
        ASSERT_TRUE(display) << c.Display;
        EXPECT_EQ(display->Caption(), c.Caption) << c.Display;
        EXPECT_TRUE(Control(c.Tab)->isAncestorOf(display)) << c.Display;
    }
}

// Each reported counter lands on the display of the page that shows the run.
TEST_F(CounterTest, EachProgressCounterGoesToItsDisplay) {
    const struct {
        std::function<void(OperatorInterface&)> Report;
        int Display;
        const char* Shown;
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
    Start();
    for (const auto& c : cases) {
        c.Report(m_window->Op());
        EXPECT_EQ(m_window->Counter(c.Display)->Text(), c.Shown) << c.Display;
    }
}

TEST_F(CounterTest, ALargeCountKeepsAllItsDigits) {
    Start();
    m_window->Op().ShowBackupProgress({.Files = 123456789});
    EXPECT_EQ(m_window->Counter(5)->Text(), "123456789");
    auto* digits = m_window->Counter(5)->findChild<QLCDNumber*>();
    ASSERT_TRUE(digits);
    EXPECT_GE(digits->digitCount(), 9);
    EXPECT_FALSE(digits->checkOverflow(123456789.0));
}

TEST_F(CounterTest, ACounterLeftOutKeepsWhatItsDisplayShows) {
    Start();
    m_window->Op().ShowBackupProgress(
        {.SourceMiB = 1, .TapeMiB = 2, .Files = 5, .Skipped = 8, .Rate = 0.25});
    m_window->Op().ShowBackupProgress({.TapeMiB = 3});
    EXPECT_EQ(m_window->Counter(1)->Text(), "1");
    EXPECT_EQ(m_window->Counter(2)->Text(), "3");
    EXPECT_EQ(m_window->Counter(5)->Text(), "5");
    EXPECT_EQ(m_window->Counter(8)->Text(), "8");
    EXPECT_EQ(m_window->Counter(9)->Text(), "0.25");
    for (int display : {3, 4, 6, 7, 10})
        EXPECT_EQ(m_window->Counter(display)->Text(), "0") << display;
}

TEST_F(CounterTest, EachViewTurnsToItsPage) {
    const struct {
        OperatorView View;
        int Page;
    } cases[] = {
        {OperatorView::BackupRun, tab::Backup},   {OperatorView::BackupList, tab::Backup},
        {OperatorView::RestoreRun, tab::Restore}, {OperatorView::CatalogLoad, tab::Restore},
        {OperatorView::VerifyRun, tab::Verify},   {OperatorView::Protocol, tab::Protocol},
    };
    Start();
    auto* pages = Control<QTabWidget>("PageControl1");
    for (const auto& c : cases) {
        pages->setCurrentIndex(tab::Options);
        m_window->Op().ShowView(c.View);
        EXPECT_EQ(pages->currentIndex(), c.Page) << int(c.View);
    }
}

} // namespace
