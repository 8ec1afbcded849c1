#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/time/DateTime.h"
#include "core/log/LogFile.h"
#include "core/reports/TrayTipText.h"
#include "core/reports/WeekTable.h"
#include "unit/support/MemoryFileSystem.h"
#include "core/reports/LogTotals.h"

namespace {

using Row = std::array<std::string, kWeekTableColumns>;

const char kPath[] = "C:\\Worktally\\worktaly.dat";
const DayNames kEnglish = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                           "Friday", "Saturday", "Sunday"};
const DayNames kGerman = {"Montag",  "Dienstag", "Mittwoch", "Donnerstag",
                          "Freitag", "Samstag",  "Sonntag"};

DateTime At(int year, int month, int day, int hour = 0, int minute = 0) {
    return EncodeDateTime(year, month, day, hour, minute);
}

MemoryFileSystem LogOf(const std::vector<std::pair<DateTime, DateTime>>& pairs) {
    MemoryFileSystem::Bytes bytes(pairs.size() * 16);
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const auto number = static_cast<std::int32_t>(2 * k);
        StoreRecordBytes(ScrambleRecord("", number, pairs[k].first), &bytes[16 * k]);
        StoreRecordBytes(ScrambleRecord("", number + 1, pairs[k].second), &bytes[16 * k + 8]);
    }
    MemoryFileSystem files;
    files.SetFile(kPath, std::move(bytes));
    return files;
}

// 30 November 2026 is a Monday. Six days with time, 18:30 in all.
MemoryFileSystem SampleLog() {
    return LogOf({
        {At(2026, 11, 30, 8, 0), At(2026, 11, 30, 10, 5)},   // Mon 2:05
        {At(2026, 12, 6, 22, 0), At(2026, 12, 7, 1, 0)},     // Sun 2:00, Mon 1:00
        {At(2026, 12, 8, 8, 0), At(2026, 12, 8, 16, 55)},    // Tue 8:55
        {At(2026, 12, 9, 9, 0), At(2026, 12, 9, 12, 30)},    // Wed 3:30
        {At(2026, 12, 13, 10, 0), At(2026, 12, 13, 11, 0)},  // Sun 1:00
    });
}

LogTotals SampleTotals() {
    MemoryFileSystem files = SampleLog();
    return ReadLogTotals(files, {kPath, ""});
}

std::vector<Row> Cells(const WeekTable& table) {
    std::vector<Row> rows;
    for (std::size_t row = 0; row < table.rows.size(); ++row) {
        Row& cells = rows.emplace_back();
        for (std::size_t column = 0; column < kWeekTableColumns; ++column)
            cells[column] = table.CellText(row, column);
    }
    return rows;
}

}  // namespace

TEST(BuildWeekTable, ListsWeeksNewestFirstInTheUsersDayOrder) {
    struct Case {
        const char* name;
        int firstDay;
        const DayNames& names;
        std::string shortDate;
        Row headers;
        std::vector<Row> rows;
    } const cases[] = {
        {"Monday first",
         kMonday,
         kEnglish,
         "M/d/yyyy",
         {"Week", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday",
          "Total"},
         {{"12/7/2026", "1:00", "8:55", "3:30", "", "", "", "1:00", "14:25"},
          {"11/30/2026", "2:05", "", "", "", "", "", "2:00", "4:05"}}},
        {"Sunday first",
         kSunday,
         kEnglish,
         "M/d/yyyy",
         {"Week", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday",
          "Total"},
         {{"12/13/2026", "1:00", "", "", "", "", "", "", "1:00"},
          {"12/6/2026", "2:00", "1:00", "8:55", "3:30", "", "", "", "15:25"},
          {"11/29/2026", "", "2:05", "", "", "", "", "", "2:05"}}},
        {"German names and dates, Monday first",
         kMonday,
         kGerman,
         "dd.MM.yyyy",
         {"Week", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag",
          "Total"},
         {{"07.12.2026", "1:00", "8:55", "3:30", "", "", "", "1:00", "14:25"},
          {"30.11.2026", "2:05", "", "", "", "", "", "2:00", "4:05"}}},
        {"an unknown first day counts as Monday",
         9,
         kEnglish,
         "M/d/yyyy",
         {"Week", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday",
          "Total"},
         {{"12/7/2026", "1:00", "8:55", "3:30", "", "", "", "1:00", "14:25"},
          {"11/30/2026", "2:05", "", "", "", "", "", "2:00", "4:05"}}},
    };
    const LogTotals totals = SampleTotals();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LocaleFormats formats;
        formats.ShortDate = c.shortDate;
        const WeekTable table = BuildWeekTable(totals.Days(), c.firstDay, c.names, formats);
        EXPECT_EQ(table.headers, c.headers);
        EXPECT_EQ(Cells(table), c.rows);
        // Whatever the first day, the line is the mean of the six days with time.
        EXPECT_NEAR(table.averageDayHours, 18.5 / 6, 1e-9);
    }
}

TEST(BuildWeekTable, AnEmptyLogHasNoRowsAndNoAverage) {
    const WeekTable table = BuildWeekTable({}, kMonday, kEnglish, LocaleFormats());
    EXPECT_TRUE(table.rows.empty());
    EXPECT_EQ(table.averageDayHours, 0);
    const WeekChart chart = ChartOf(table, At(2026, 12, 7));
    EXPECT_EQ(chart.hours, (std::array<double, 7>{}));
    EXPECT_EQ(chart.topHours, 1);
}

TEST(ChartOf, ShowsTheChosenWeekOrEmptyBars) {
    struct Case {
        const char* name;
        int firstDay;
        DateTime week;
        std::array<double, 7> hours;
        std::array<std::string, 7> labels;
        std::string firstName;
        double topHours;
    } const cases[] = {
        {"a listed week",
         kMonday,
         At(2026, 12, 7),
         {1, 8 + 55 / 60.0, 3.5, 0, 0, 0, 1},
         {"1:00", "8:55", "3:30", "", "", "", "1:00"},
         "Monday",
         9},
        {"the same days in a Sunday week",
         kSunday,
         At(2026, 12, 6),
         {2, 1, 8 + 55 / 60.0, 3.5, 0, 0, 0},
         {"2:00", "1:00", "8:55", "3:30", "", "", ""},
         "Sunday",
         9},
        // The average (3:05) still sets the height when the week has no time.
        {"the current week without time", kMonday, At(2026, 12, 14), {}, {}, "Monday", 4},
        {"a day that is no week's first", kMonday, At(2026, 12, 8), {}, {}, "Monday", 4},
    };
    const LogTotals totals = SampleTotals();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WeekTable table =
            BuildWeekTable(totals.Days(), c.firstDay, kEnglish, LocaleFormats());
        const WeekChart chart = ChartOf(table, c.week);
        for (std::size_t day = 0; day < 7; ++day) EXPECT_NEAR(chart.hours[day], c.hours[day], 1e-9);
        EXPECT_EQ(chart.labels, c.labels);
        EXPECT_EQ(chart.dayNames[0], c.firstName);
        EXPECT_NEAR(chart.averageHours, 18.5 / 6, 1e-9);
        EXPECT_EQ(chart.topHours, c.topHours);
    }
}

TEST(WeekTableRowOf, FindsAWeekByItsFirstDay) {
    const WeekTable table =
        BuildWeekTable(SampleTotals().Days(), kSunday, kEnglish, LocaleFormats());
    struct Case {
        DateTime firstDay;
        std::optional<std::size_t> row;
    } const cases[] = {
        {At(2026, 12, 13), 0},  {At(2026, 12, 6), 1},   {At(2026, 11, 29), 2},
        {At(2026, 12, 20), {}}, {At(2026, 11, 22), {}}, {At(2026, 12, 7), {}},
    };
    for (const Case& c : cases) EXPECT_EQ(table.RowOf(c.firstDay), c.row) << c.firstDay;
}

TEST(TrayTipText, AddsTheTotalsLineOnlyWhenBothLinesFit) {
    const std::string first = "Worktally - Started 12/10/2026 8:00 AM";  // 38 characters
    const std::string second = TotalsLine({(3 + 5 / 60.0) / 24, (21 + 40 / 60.0) / 24});
    ASSERT_EQ(second, "Today 3:05, this week 21:40");  // 27 characters
    struct Case {
        std::size_t capacity;
        std::string secondLine;
        std::string tip;
    } const cases[] = {
        {127, second, first + "\n" + second},
        {66, second, first + "\n" + second},  // exactly full
        {65, second, first},
        {62, second, first},
        {127, "", first},
        {20, second, "Worktally - Started "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrayTipText(first, c.secondLine, c.capacity), c.tip) << c.capacity;
}

TEST(BarLabelTop, KeepsTheLabelOffTheAverageLine) {
    // Labels 16 high, 2 apart; the bar ends at 200.
    struct Case {
        const char* name;
        int barTop, averageY, expected;
    } cases[] = {
        {"inside a tall bar, no line", 100, -1, 102},
        {"inside, line far below", 100, 150, 102},
        {"inside, line across it: below the line", 100, 108, 111},
        {"inside, line just under it", 100, 119, 122},
        {"inside, no room below the line: above it", 180, 185, 167},
        {"above a short bar", 190, 150, 174},
        {"above a short bar, line across it: above the line", 190, 180, 162},
        {"above a short bar, line at its top", 190, 190, 172},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BarLabelTop(c.barTop, 200, 16, 2, c.averageY), c.expected);
    }
}
