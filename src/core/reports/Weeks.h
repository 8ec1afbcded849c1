#pragma once

// Days grouped into weeks: the week of a day in the user's or the ISO way, the weeks with logged
// time, and today's and this week's time.

#include <array>
#include <vector>

#include "core/reports/LogTotals.h"
#include "core/time/DateTime.h"

// Weeks start on `firstDayOfWeek`, numbered as Windows' LOCALE_IFIRSTDAYOFWEEK gives it:
// 0 = Monday .. 6 = Sunday; other numbers count as Monday.
inline constexpr int kMonday = 0;
inline constexpr int kSunday = 6;

// Midnight of the first day of the week holding `date`.
DateTime WeekStart(DateTime date, int firstDayOfWeek);

// ISO 8601 week: weeks start on Monday, and week 1 holds the year's first Thursday, so the
// days around New Year may belong to the week-numbering year before or after.
struct IsoWeek {
    int year = 0;
    int week = 0;  // 1..53
};
IsoWeek IsoWeekOf(DateTime date);

struct WeekTotal {
    DateTime firstDay = 0;         // midnight of the week's first day
    std::array<double, 7> days{};  // logged time of each day from the first day on, in days
    double total = 0;              // the sum of the seven days
};

// The weeks of these days with logged time (oldest first), oldest first; a list shown newest
// first walks it backwards. With kMonday these are the ISO 8601 weeks.
std::vector<WeekTotal> WeekTotals(const std::vector<DayTotal>& days, int firstDayOfWeek);

// The logged time of the day and of the week holding `now`, in days.
struct CurrentTotals {
    double today = 0;
    double thisWeek = 0;
};
CurrentTotals CurrentTotalsAt(const std::vector<DayTotal>& days, DateTime now, int firstDayOfWeek);
