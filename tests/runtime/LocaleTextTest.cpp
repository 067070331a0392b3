#include <gtest/gtest.h>

#include "runtime/LocaleText.h"

using namespace trimora;

TEST(LocaleText, TimeAndDateFollowTheGivenFormats) {
    TFormatSettings fmt;
    fmt.ShortDateFormat = "%d.%m.%Y";
    fmt.LongTimeFormat = "%H:%M:%S";
    setenv("TZ", "UTC", 1);
    tzset();
    std::time_t t = 86400 * 365 + 3600 * 13 + 60 * 5 + 9;  // 1971-01-01 13:05:09 UTC
    EXPECT_EQ(TimeToText(fmt, t), "13:05:09");
    EXPECT_EQ(DateTimeToText(fmt, t), "01.01.1971 13:05:09");
}

TEST(LocaleText, ShortDateParsesToDaysSince1899) {
    TFormatSettings fmt;
    fmt.ShortDateFormat = "%d/%m/%Y";
    TDateTime v = 0;
    ASSERT_TRUE(TryTextToDate("30/12/1899", fmt, v));
    EXPECT_EQ(v, 0.0);
    ASSERT_TRUE(TryTextToDate("01/01/1970", fmt, v));
    EXPECT_EQ(v, 25569.0);
    EXPECT_FALSE(TryTextToDate("1970-01-01", fmt, v));
    EXPECT_FALSE(TryTextToDate("", fmt, v));
}

TEST(LocaleText, FloatUsesOnlyTheUsersSeparator) {
    struct Case {
        char sep;
        const char* text;
        bool ok;
        long double value;
    };
    const Case cases[] = {
        {'.', "2.5", true, 2.5L},    {',', "2,5", true, 2.5L}, {',', "2.5", false, 0},
        {'.', "-7", true, -7.0L},    {'.', "", false, 0},      {'.', "x1", false, 0},
        {'.', "1e3", true, 1000.0L},
    };
    for (const Case& c : cases) {
        TFormatSettings fmt;
        fmt.DecimalSeparator = c.sep;
        long double v = -1;
        EXPECT_EQ(TryTextToFloat(c.text, fmt, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}
