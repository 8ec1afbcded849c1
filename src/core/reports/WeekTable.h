#pragma once

// What the weekly report window shows: a table of weeks, newest first, with a column per
// weekday in the user's order, and a bar chart of one week. The window only draws it.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/reports/Weeks.h"
#include "core/time/DateTimeFormat.h"

// The weekday names of the user's locale, Monday first (LOCALE_SDAYNAME1..7).
using DayNames = std::array<std::string, 7>;

inline constexpr std::size_t kWeekTableColumns = 9;  // "Week", seven days, "Total"

struct WeekRow {
    DateTime firstDay = 0;
    std::array<double, 7> hours{};  // per day, from the first day on
    double totalHours = 0;
};

struct WeekTable {
    int firstDayOfWeek = kMonday;
    std::array<std::string, kWeekTableColumns> headers;
    std::vector<WeekRow> rows;  // weeks with logged time, newest first
    LocaleFormats formats;      // of the Week column
    // The line across the chart: the mean of the days with logged time over all listed
    // weeks, in hours. Days off are left out, so the line is a usual working day; 0 when the
    // table is empty.
    double averageDayHours = 0;

    // The row of the week starting on `firstDay`; nothing for a week without logged time.
    std::optional<std::size_t> RowOf(DateTime firstDay) const;
    // Week (short date), the seven days from the week's first day on, Total, as hours:minutes;
    // blank for a day without logged time. Made when asked: a list shows a few rows of many.
    std::string CellText(std::size_t row, std::size_t column) const;
};

// The table of these days with logged time, oldest first.
WeekTable BuildWeekTable(const std::vector<DayTotal>& days, int firstDayOfWeek,
                         const DayNames& names, const LocaleFormats& formats);

struct WeekChart {
    DateTime firstDay = 0;
    std::array<std::string, 7> dayNames;  // under the bars, from the week's first day on
    std::array<double, 7> hours{};
    std::array<std::string, 7> labels;  // on the bars: "7:05", blank for an empty day
    double averageHours = 0;
    double topHours = 1;  // the chart's height in hours: the next whole hour above the tallest mark
};

// The chart of the week starting on `firstDay`; a week that is not listed has empty bars.
WeekChart ChartOf(const WeekTable& table, DateTime firstDay);

// The top of a bar's label, in pixels, for a bar from `barTop` down to `bottom`, labels `line`
// high and `gap` apart from what they sit by: inside the bar's top where it has room, else just
// above it; one that the average line at `averageY` (none when negative) would cross moves
// below the line while it stays on the bar, else above the line.
int BarLabelTop(int barTop, int bottom, int line, int gap, int averageY);
