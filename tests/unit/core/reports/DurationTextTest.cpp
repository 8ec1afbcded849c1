#include <gtest/gtest.h>

#include <limits>

#include "core/reports/DurationText.h"

namespace {

constexpr double kHour = 1.0 / 24;
constexpr double kMinute = kHour / 60;

}  // namespace

TEST(DurationText, HoursAndRoundedMinutes) {
    struct Case {
        double days;
        const char* expected;
    } cases[] = {
        {0, "0:00"},
        {90 * kMinute, "1:30"},
        {36 * kHour, "36:00"},
        {7 * kHour + 5 * kMinute, "7:05"},
        {29.4 * kMinute, "0:29"},
        {29.6 * kMinute, "0:30"},
        // Exact binary fractions put the minutes exactly halfway: ties go to the even minute.
        {1.0 / 64, "0:22"},  // 0.375 h = 22.5 min
        {3.0 / 64, "1:08"},  // 1.125 h = 67.5 min
        {5.0 / 64, "1:52"},  // 1.875 h = 112.5 min
        {7.0 / 64, "2:38"},  // 2.625 h = 157.5 min
        // Minutes that round up to 60 carry into the hours.
        {1.995 * kHour, "2:00"},
        {59.6 * kMinute, "1:00"},
        {(48 - 0.001) * kHour, "48:00"},
        // Hours are never folded into days, and are not limited to 32 bits.
        {1e6, "24000000:00"},
        {1e9, "24000000000:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(DurationText(c.days), c.expected) << c.days;
}

TEST(DurationText, GarbageIsSafe) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(DurationText(nan), "0:00");
    EXPECT_EQ(DurationText(inf), "9200000000000000000:00");
    EXPECT_EQ(DurationText(-inf), "-9200000000000000000:00");
    EXPECT_EQ(DurationText(1e300), "9200000000000000000:00");
    EXPECT_EQ(DurationText(-1e300), "-9200000000000000000:00");
}

TEST(DecimalHoursText, RoundsToHundredthsHalfToEven) {
    struct Case {
        double days;
        const char* text;
    } const cases[] = {
        {0, "0.00"},
        {535 * kMinute, "8.92"},                   // 8:55
        {7.5 * kMinute, "0.12"},                   // 0.125 h: a tie, to even
        {22.5 * kMinute, "0.38"},                  // 0.375 h: a tie, to even
        {0.3 * kMinute, "0.00"},                   // 18 s
        {0.3 * kMinute + 1.0 / 86400000, "0.01"},  // a millisecond past the tie
        {59.9 * kMinute + 0.1 * kMinute, "1.00"},  // carries into the hour
        {3660.0, "87840.00"},                      // the longest session
        {std::numeric_limits<double>::quiet_NaN(), "0.00"},
    };
    for (const Case& c : cases) EXPECT_EQ(DecimalHoursText(c.days), c.text) << c.days;
}

TEST(SessionCountText, OneAndMany) {
    EXPECT_EQ(SessionCountText(1), "1 session");
    EXPECT_EQ(SessionCountText(0), "0 sessions");
    EXPECT_EQ(SessionCountText(12), "12 sessions");
}
