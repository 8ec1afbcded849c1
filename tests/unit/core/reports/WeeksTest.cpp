#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/time/DateTime.h"
#include "core/log/LogFile.h"
#include "core/reports/DurationText.h"
#include "core/reports/LogTotals.h"
#include "core/reports/Weeks.h"
#include "unit/support/MemoryFileSystem.h"

namespace {

using Pair = std::pair<DateTime, DateTime>;

const char kPath[] = "C:\\Worktally\\worktaly.dat";

DateTime At(int year, int month, int day, int hour = 0, int minute = 0) {
    return EncodeDateTime(year, month, day, hour, minute);
}

}  // namespace

TEST(IsoWeekOf, NumbersWeeksAcrossYearEnds) {
    struct Case {
        int year, month, day;
        int isoYear, isoWeek;
    } const cases[] = {
        {2026, 12, 8, 2026, 50},   // a Tuesday in mid-December
        {2026, 1, 1, 2026, 1},     // a Thursday opens week 1
        {2026, 12, 31, 2026, 53},  // a year starting on Thursday has 53 weeks
        {2027, 1, 3, 2026, 53},    // Sunday still in the old year's week 53
        {2027, 1, 4, 2027, 1},     // the following Monday
        {2024, 12, 30, 2025, 1},   // a December Monday in next year's week 1
        {2021, 1, 3, 2020, 53},    // 2020 is a leap year starting on Wednesday
        {2022, 1, 2, 2021, 52},    // a January Sunday in the previous year's week 52
        {2022, 1, 3, 2022, 1},    {1900, 1, 1, 1900, 1},  // a Monday
    };
    for (const Case& c : cases) {
        const IsoWeek week = IsoWeekOf(At(c.year, c.month, c.day, 13));
        EXPECT_EQ(week.year, c.isoYear) << c.year << "-" << c.month << "-" << c.day;
        EXPECT_EQ(week.week, c.isoWeek) << c.year << "-" << c.month << "-" << c.day;
    }
}

TEST(WeekStart, FindsTheFirstDayForMondayAndSundayWeeks) {
    struct Case {
        DateTime date;
        int firstDayOfWeek;
        DateTime expected;
    } const cases[] = {
        {At(2026, 12, 9, 17), kMonday, At(2026, 12, 7)},  // Wednesday
        {At(2026, 12, 9, 17), kSunday, At(2026, 12, 6)},
        {At(2026, 12, 7, 0), kMonday, At(2026, 12, 7)},  // Monday midnight
        {At(2026, 12, 7, 8), kSunday, At(2026, 12, 6)},
        {At(2026, 12, 13, 23), kMonday, At(2026, 12, 7)},  // Sunday
        {At(2026, 12, 13, 1), kSunday, At(2026, 12, 13)},
        {At(2027, 1, 1, 9), kMonday, At(2026, 12, 28)},  // across the year end
        {At(2027, 1, 1, 9), kSunday, At(2026, 12, 27)},
        {At(2026, 12, 10), 3, At(2026, 12, 10)},           // a Thursday week
        {At(2026, 12, 9), 42, At(2026, 12, 7)},            // nonsense counts as Monday
        {At(1899, 12, 30, 5), kMonday, At(1899, 12, 25)},  // day 0 is a Saturday
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WeekStart(c.date, c.firstDayOfWeek), c.expected)
            << c.date << " first day " << c.firstDayOfWeek;
    }
}

TEST(WeekTotals, GroupsDaysIntoWeeksOfEitherFirstDay) {
    MemoryFileSystem files;
    files.SetFile(kPath, LogBytes({{At(2026, 12, 5, 9), At(2026, 12, 5, 10)},      // Saturday
                                   {At(2026, 12, 6, 23), At(2026, 12, 7, 2)},      // Sun..Mon
                                   {At(2026, 12, 13, 8), At(2026, 12, 13, 8, 5)},  // Sunday
                                   {At(2026, 12, 1, 8), At(2026, 12, 1, 9)}},      // clock back
                                  ""));
    const LogTotals totals = ReadLogTotals(files, {kPath, ""});
    struct Case {
        int firstDayOfWeek;
        std::vector<std::string> weeks;  // first day: the seven days | total
    } const cases[] = {
        {kMonday,
         {"2026-11-30: 0:00 1:00 0:00 0:00 0:00 1:00 1:00 | 3:00",
          "2026-12-7: 2:00 0:00 0:00 0:00 0:00 0:00 0:05 | 2:05"}},
        {kSunday,
         {"2026-11-29: 0:00 0:00 1:00 0:00 0:00 0:00 1:00 | 2:00",
          "2026-12-6: 1:00 2:00 0:00 0:00 0:00 0:00 0:00 | 3:00",
          "2026-12-13: 0:05 0:00 0:00 0:00 0:00 0:00 0:00 | 0:05"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines;
        for (const WeekTotal& week : WeekTotals(totals.Days(), c.firstDayOfWeek)) {
            const CivilDate date = DecodeDate(week.firstDay);
            std::string line = std::to_string(date.Year) + "-" + std::to_string(date.Month) + "-" +
                               std::to_string(date.Day) + ":";
            for (const double day : week.days) line += " " + DurationText(day);
            lines.push_back(line + " | " + DurationText(week.total));
        }
        EXPECT_EQ(lines, c.weeks) << "first day " << c.firstDayOfWeek;
    }
}

TEST(CurrentTotalsAt, SumsTodayAndTheWeekSoFar) {
    MemoryFileSystem files;
    files.SetFile(kPath, LogBytes({{At(2026, 12, 6, 10), At(2026, 12, 6, 11)},    // Sunday
                                   {At(2026, 12, 7, 23), At(2026, 12, 8, 1)},     // Mon..Tue
                                   {At(2026, 12, 9, 8), At(2026, 12, 9, 8, 20)},  // Wednesday
                                   {At(2026, 12, 14, 8), At(2026, 12, 14, 9)}},   // next week
                                  ""));
    const LogTotals totals = ReadLogTotals(files, {kPath, ""});
    struct Case {
        DateTime now;
        int firstDayOfWeek;
        const char* today;
        const char* week;
    } const cases[] = {
        {At(2026, 12, 9, 17), kMonday, "0:20", "2:20"},
        {At(2026, 12, 9, 17), kSunday, "0:20", "3:20"},
        {At(2026, 12, 8, 0, 30), kMonday, "1:00", "2:20"},
        {At(2026, 12, 10, 9), kMonday, "0:00", "2:20"},
        {At(2026, 12, 20, 9), kMonday, "0:00", "1:00"},
        {At(2027, 3, 1, 9), kMonday, "0:00", "0:00"},
    };
    for (const Case& c : cases) {
        const CurrentTotals current = CurrentTotalsAt(totals.Days(), c.now, c.firstDayOfWeek);
        EXPECT_EQ(DurationText(current.today), c.today) << c.now;
        EXPECT_EQ(DurationText(current.thisWeek), c.week) << c.now;
    }
}

TEST(CurrentTotalsAt, CountsTheWholeWeekOfTheUsersFirstDay) {
    // 30 November 2026 is a Monday.
    MemoryFileSystem files;
    files.SetFile(kPath, LogBytes({{At(2026, 11, 30, 8, 0), At(2026, 11, 30, 10, 5)},
                                   {At(2026, 12, 6, 22, 0), At(2026, 12, 7, 1, 0)},
                                   {At(2026, 12, 8, 8, 0), At(2026, 12, 8, 16, 55)},
                                   {At(2026, 12, 9, 9, 0), At(2026, 12, 9, 12, 30)},
                                   {At(2026, 12, 13, 10, 0), At(2026, 12, 13, 11, 0)}},
                                  ""));
    const LogTotals totals = ReadLogTotals(files, {kPath, ""});
    struct Case {
        DateTime now;
        int firstDay;
        double today, week;  // hours, worked out by hand
    } const cases[] = {
        // The whole week counts, days after today included.
        {At(2026, 12, 8, 18), kMonday, 8 + 55 / 60.0, 1 + 8 + 55 / 60.0 + 3.5 + 1},
        {At(2026, 12, 8, 18), kSunday, 8 + 55 / 60.0, 2 + 1 + 8 + 55 / 60.0 + 3.5},
        {At(2026, 12, 13, 12), kMonday, 1, 1 + 8 + 55 / 60.0 + 3.5 + 1},
        {At(2026, 12, 13, 12), kSunday, 1, 1},
        {At(2026, 12, 6, 23), kMonday, 2, 2 + 5 / 60.0 + 2},  // Sunday ends the week
        {At(2026, 12, 3, 9), kSunday, 0, 2 + 5 / 60.0},
        {At(2027, 1, 5, 9), kMonday, 0, 0},
    };
    for (const Case& c : cases) {
        const CurrentTotals fromLog = CurrentTotalsAt(totals.Days(), c.now, c.firstDay);
        EXPECT_NEAR(fromLog.today * 24, c.today, 1e-9) << c.now << " " << c.firstDay;
        EXPECT_NEAR(fromLog.thisWeek * 24, c.week, 1e-9) << c.now << " " << c.firstDay;
    }
}
