#include "config/job_file_values.h"

#include <gtest/gtest.h>
#include <limits>

using namespace orvane;

namespace {

TEST(JobFileValues, IntegersReadDecimalAndHexadecimal) {
    struct Case {
        const char* Text;
        std::optional<int> Expected;
    };
    const Case cases[] = {
        {"21", 21},
        {"  7\t", 7},
        {"0", 0},
        {"-3", -3},
        {"+4", 4},
        {"0x1F", 31},
        {"0X1f", 31},
        {"$ff", 255},
        {"-0x10", -16},
        {"2147483647", std::numeric_limits<int>::max()},
        {"-2147483648", std::numeric_limits<int>::min()},
        {"0x7FFFFFFF", std::numeric_limits<int>::max()},
        {"2147483648", std::nullopt},
        {"0x80000000", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"", std::nullopt},
        {"  ", std::nullopt},
        {"abc", std::nullopt},
        {"1.0", std::nullopt},
        {"12a", std::nullopt},
        {"1 2", std::nullopt},
        {"0x", std::nullopt},
        {"$", std::nullopt},
        {"-", std::nullopt},
        {"0xg1", std::nullopt},
        {"$-1", std::nullopt},
        {"\u0663", std::nullopt}, // an Arabic-Indic three is no decimal digit here
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseJobFileInteger(QString::fromUtf8(c.Text)), c.Expected) << c.Text;
}

TEST(JobFileValues, LongValuesAreCutTo2047Characters) {
    EXPECT_EQ(CutJobFileValue(QString(2047, 'a')), QString(2047, 'a'));
    EXPECT_EQ(CutJobFileValue(QString(5000, 'a')), QString(2047, 'a'));

    // A character outside the basic plane that straddles the limit goes as a whole.
    const QString clef = QString::fromUtf8("\U0001D11E");
    const QString straddling = QString(2046, 'a') + clef + QStringLiteral("tail");
    EXPECT_EQ(CutJobFileValue(straddling), QString(2046, 'a'));
    const QString fitting = QString(2045, 'a') + clef + QStringLiteral("tail");
    EXPECT_EQ(CutJobFileValue(fitting), QString(2045, 'a') + clef);
}

} // namespace
