#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/time/DateTime.h"
#include "core/settings/PasswordCodec.h"
#include "core/log/LogFile.h"
#include "core/reports/LogTotals.h"
#include "unit/support/MemoryFileSystem.h"
#include "core/tree/Period.h"

namespace {

using Pair = std::pair<DateTime, DateTime>;

const char kPath[] = "C:\\Worktally\\worktaly.dat";

DateTime At(int year, int month, int day, int hour = 0, int minute = 0) {
    return EncodeDateTime(year, month, day, hour, minute);
}

// "2026-12-08 8:55" per day, read back through the day texts a user would see.
std::vector<std::string> DayLines(const LogTotals& totals) {
    std::vector<std::string> lines;
    for (const DayTotal& day : totals.Days()) {
        const CivilDate date = DecodeDate(day.day);
        lines.push_back(std::to_string(date.Year) + "-" + std::to_string(date.Month) + "-" +
                        std::to_string(date.Day) + " " + DurationText(day.duration));
    }
    return lines;
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

TEST(ReadLogTotals, CountsDaysAndSessionsOfTheValidPairs) {
    struct Case {
        const char* name;
        std::vector<Pair> pairs;
        LogTotals::Failure failure;
        std::size_t sessions;
        std::vector<std::string> days;
    } const cases[] = {
        {"empty log", {}, LogTotals::Failure::None, 0, {}},
        {"two sessions on one day",
         {{At(2026, 12, 8, 8), At(2026, 12, 8, 12, 10)},
          {At(2026, 12, 8, 13), At(2026, 12, 8, 17, 45)}},
         LogTotals::Failure::None,
         2,
         {"2026-12-8 8:55"}},
        {"across midnight and a week end",
         {{At(2026, 12, 13, 22), At(2026, 12, 14, 1, 30)}},
         LogTotals::Failure::None,
         1,
         {"2026-12-13 2:00", "2026-12-14 1:30"}},
        {"ending at midnight leaves no empty day",
         {{At(2026, 12, 8, 23), At(2026, 12, 9)}},
         LogTotals::Failure::None,
         1,
         {"2026-12-8 1:00"}},
        {"zero length has no logged time",
         {{At(2026, 12, 8, 9), At(2026, 12, 8, 9)}, {At(2026, 12, 9, 9), At(2026, 12, 9, 10)}},
         LogTotals::Failure::None,
         2,
         {"2026-12-9 1:00"}},
        {"clock set back: days sorted, one total per day",
         {{At(2026, 12, 9, 9), At(2026, 12, 9, 10)},
          {At(2026, 12, 7, 9), At(2026, 12, 7, 11)},
          {At(2026, 12, 9, 8), At(2026, 12, 9, 8, 30)}},
         LogTotals::Failure::None,
         3,
         {"2026-12-7 2:00", "2026-12-9 1:30"}},
        {"stops at the first invalid pair",
         {{At(2026, 12, 8, 8), At(2026, 12, 8, 9)},
          {At(2026, 12, 8, 10), At(2026, 12, 8, 9)},
          {At(2026, 12, 9, 8), At(2026, 12, 9, 9)}},
         LogTotals::Failure::IncorrectRecord,
         1,
         {"2026-12-8 1:00"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem files;
        files.SetFile(kPath, LogBytes(c.pairs, "pw"));
        const LogTotals totals = ReadLogTotals(files, kPath, EncodePassword("pw"));
        EXPECT_EQ(files.OpenFiles(), 0);
        EXPECT_EQ(totals.Failed(), c.failure);
        EXPECT_EQ(totals.Sessions().size(), c.sessions);
        EXPECT_EQ(DayLines(totals), c.days);
    }
}

TEST(ReadLogTotals, EachDayKeepsItsEarliestStartAndLatestEndWhateverTheOrder) {
    MemoryFileSystem files;
    files.SetFile(kPath, LogBytes({{At(2026, 12, 9, 13), At(2026, 12, 9, 17)},
                                   {At(2026, 12, 9, 8), At(2026, 12, 9, 12)},
                                   {At(2026, 12, 10, 22), At(2026, 12, 11)},
                                   {At(2026, 12, 10, 9), At(2026, 12, 10, 9, 30)}},
                                  "pw"));
    const LogTotals totals = ReadLogTotals(files, kPath, EncodePassword("pw"));
    ASSERT_EQ(totals.Days().size(), 2u);
    EXPECT_EQ(totals.Days()[0].firstStart, At(2026, 12, 9, 8));
    EXPECT_EQ(totals.Days()[0].lastEnd, At(2026, 12, 9, 17));
    EXPECT_EQ(totals.Days()[1].firstStart, At(2026, 12, 10, 9));
    EXPECT_EQ(totals.Days()[1].lastEnd, At(2026, 12, 11)) << "a day worked up to midnight";
}

TEST(ReadLogTotals, AFileThatCannotBeReadCountsNothing) {
    const std::vector<Pair> pairs = {{At(2026, 12, 8, 8), At(2026, 12, 8, 9)}};
    struct Case {
        const char* name;
        bool present;
        MemoryFileSystem::Op failing;
        std::size_t extraBytes;
    } const cases[] = {
        {"missing", false, MemoryFileSystem::Op::Count, 0},
        {"open fails", true, MemoryFileSystem::Op::OpenExisting, 0},
        {"size fails", true, MemoryFileSystem::Op::Size, 0},
        {"read fails", true, MemoryFileSystem::Op::Read, 0},
        {"close fails", true, MemoryFileSystem::Op::Close, 0},
        {"a start without its end", true, MemoryFileSystem::Op::Count, 8},
        {"half a record", true, MemoryFileSystem::Op::Count, 3},
    };
    LogTotalsReader reader;  // reused: a failed read must not keep the last one's totals
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem files;
        MemoryFileSystem::Bytes bytes = LogBytes(pairs, "");
        bytes.resize(bytes.size() + c.extraBytes);
        if (c.present) files.SetFile(kPath, bytes);
        if (c.failing != MemoryFileSystem::Op::Count) files.FailAt(c.failing);
        MemoryFileSystem good;
        good.SetFile(kPath, LogBytes(pairs, ""));
        ASSERT_EQ(reader.Read(good, kPath, "").Days().size(), 1u);
        const LogTotals& totals = reader.Read(files, kPath, "");
        EXPECT_EQ(files.OpenFiles(), 0);
        EXPECT_EQ(totals.Failed(), LogTotals::Failure::ReadError);
        EXPECT_TRUE(totals.Sessions().empty());
        EXPECT_TRUE(totals.Days().empty());
    }
}

TEST(WeekTotals, GroupsDaysIntoWeeksOfEitherFirstDay) {
    MemoryFileSystem files;
    files.SetFile(kPath, LogBytes({{At(2026, 12, 5, 9), At(2026, 12, 5, 10)},      // Saturday
                                   {At(2026, 12, 6, 23), At(2026, 12, 7, 2)},      // Sun..Mon
                                   {At(2026, 12, 13, 8), At(2026, 12, 13, 8, 5)},  // Sunday
                                   {At(2026, 12, 1, 8), At(2026, 12, 1, 9)}},      // clock back
                                  ""));
    const LogTotals totals = ReadLogTotals(files, kPath, "");
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
        for (const WeekTotal& week : WeekTotals(totals, c.firstDayOfWeek)) {
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
    const LogTotals totals = ReadLogTotals(files, kPath, "");
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
        const CurrentTotals current = CurrentTotalsAt(totals, c.now, c.firstDayOfWeek);
        EXPECT_EQ(DurationText(current.today), c.today) << c.now;
        EXPECT_EQ(DurationText(current.thisWeek), c.week) << c.now;
    }
}
