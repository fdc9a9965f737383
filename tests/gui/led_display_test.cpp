#include "led_display.h"
#include "window_fixture.h"

#include <QLCDNumber>

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

TEST_F(CounterTest, SetCounterShowsTheValueAndTheRateHasTwoDecimals) {
    start();
    window->op().setCounter(1, 1234);
    window->op().setCounter(9, 1.5);
    window->op().setCounter(7, 0);
    EXPECT_EQ(window->counter(1)->text(), "1234");
    EXPECT_EQ(window->counter(9)->text(), "1.50");
    EXPECT_EQ(window->counter(7)->text(), "0");
    EXPECT_DOUBLE_EQ(window->counter(9)->value(), 1.5);
}

TEST_F(CounterTest, ALargeCountKeepsAllItsDigits) {
    start();
    window->op().setCounter(5, 123456789);
    EXPECT_EQ(window->counter(5)->text(), "123456789");
    auto* digits = window->counter(5)->findChild<QLCDNumber*>();
    ASSERT_TRUE(digits);
    EXPECT_GE(digits->digitCount(), 9);
    EXPECT_FALSE(digits->checkOverflow(123456789.0));
}

TEST_F(CounterTest, DisplayNumbersOutsideTheTenAreIgnored) {
    start();
    window->op().setCounter(0, 5);
    window->op().setCounter(11, 5);
    for (int display = 1; display <= 10; ++display)
        EXPECT_EQ(window->counter(display)->text(), display == 9 ? "0.00" : "0") << display;
}

} // namespace
