#include "tape/tape_date.h"

#include <QDateTime>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace orvane;

namespace {

// Runs the test body in a time zone with summer time, and puts the old zone back afterwards.
class SummerTimeZone : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        ::tzset();
    }
    void TearDown() override {
        if (m_old)
            ::setenv("TZ", m_old->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> m_old;
};

} // namespace

// A file time becomes the same tape date as the moment it names, in winter and in summer time,
// around the change of the clocks, before 1970 and with its milliseconds.
TEST_F(SummerTimeZone, AFileTimeGivesTheTapeDateOfItsMoment) {
    const qint64 cases[] = {
        0,             // 1970-01-01 01:00 local
        1735689600123, // 2025-01-01, winter
        1751364000999, // 2025-07-01, summer
        1743296399000, // 2025-03-30 01:59:59, the last second before the clocks go forward
        1743296400000, // 2025-03-30 03:00:00, the first after
        -631152000000, // 1950-01-01
    };
    for (const qint64 ms : cases) {
        SCOPED_TRACE(ms);
        timespec moment{};
        moment.tv_sec = time_t(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
        moment.tv_nsec = long((ms - qint64(moment.tv_sec) * 1000) * 1000000 + 456);
        const std::optional<double> date = ToTapeDate(moment);
        ASSERT_TRUE(date);
        EXPECT_DOUBLE_EQ(*date, ToTapeDate(QDateTime::fromMSecsSinceEpoch(ms)));
    }
    // Midnight of 1 July 2025 in Greenwich is two in the morning here.
    EXPECT_DOUBLE_EQ(*ToTapeDate(timespec{1751328000, 0}), 45839 + 2.0 / 24);
}
