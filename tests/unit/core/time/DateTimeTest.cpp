#include <gtest/gtest.h>

#include <limits>

#include "core/time/DateTime.h"

TEST(DateTime, SplitsKnownDates) {
    struct Case {
        int y, m, d;
        double serial;
    } cases[] = {{1899, 12, 30, 0},   {1900, 1, 1, 2},      {2000, 1, 1, 36526},
                 {2001, 3, 1, 36951}, {2024, 2, 29, 45351}, {9999, 12, 31, 2958465},
                 {1, 1, 1, -693593}};
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serial) << c.y << "-" << c.m << "-" << c.d;
        const CivilDate date = DecodeDate(c.serial + (c.serial < 0 ? -0.75 : 0.75));
        EXPECT_EQ(date.Year, c.y);
        EXPECT_EQ(date.Month, c.m);
        EXPECT_EQ(date.Day, c.d);
    }
}

TEST(DateTime, GarbageHasNoDate) {
    for (double v : {1e300, -1e300, 3e6, -7e5, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
        const CivilDate date = DecodeDate(v);
        EXPECT_EQ(date.Year, 0) << v;
        EXPECT_EQ(date.Month, 0) << v;
    }
}

TEST(DateTime, TimeOfDayRoundsToTheMillisecond) {
    const CivilTime t = DecodeTime(EncodeDateTime(2001, 3, 5, 22, 15, 40));
    EXPECT_EQ(t.Hour, 22);
    EXPECT_EQ(t.Minute, 15);
    EXPECT_EQ(t.Second, 40);
    const CivilTime last = DecodeTime(36526.0 + 0.99999999999);
    EXPECT_EQ(last.Hour, 23);
    EXPECT_EQ(last.Second, 59);
}
