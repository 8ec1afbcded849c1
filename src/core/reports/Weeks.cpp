#include "core/reports/Weeks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// 1899-12-30, day 0, was a Saturday: day 5 of a week that starts on Monday.
constexpr std::int64_t kWeekdayOfDayZero = 5;

}  // namespace

DateTime WeekStart(DateTime date, int firstDayOfWeek) {
    if (firstDayOfWeek < kMonday || firstDayOfWeek > kSunday) firstDayOfWeek = kMonday;
    // Far beyond any calendar (or NaN) there is no week to speak of.
    if (!(std::fabs(date) < 1e15)) return date;
    const auto day = static_cast<std::int64_t>(std::trunc(date));
    const std::int64_t weekday = ((day + kWeekdayOfDayZero) % 7 + 7) % 7;  // 0 = Monday
    const std::int64_t daysIntoWeek = (weekday - firstDayOfWeek + 7) % 7;
    return static_cast<DateTime>(day - daysIntoWeek);
}

IsoWeek IsoWeekOf(DateTime date) {
    // The Thursday of the week decides its year, and counts its weeks from the year's start.
    const DateTime thursday = WeekStart(date, kMonday) + 3;
    IsoWeek week;
    week.year = DecodeDate(thursday).Year;
    if (week.year == 0) return IsoWeek{};  // outside the years 1..9999
    const auto dayOfYear = static_cast<int>(thursday - EncodeDate(week.year, 1, 1));
    week.week = dayOfYear / 7 + 1;
    return week;
}

std::vector<WeekTotal> WeekTotals(const std::vector<DayTotal>& days, int firstDayOfWeek) {
    std::vector<WeekTotal> weeks;
    for (const DayTotal& day : days) {
        const DateTime firstDay = WeekStart(day.day, firstDayOfWeek);
        if (weeks.empty() || weeks.back().firstDay != firstDay) {
            WeekTotal& week = weeks.emplace_back();
            week.firstDay = firstDay;
        }
        WeekTotal& week = weeks.back();
        week.days[static_cast<std::size_t>(day.day - firstDay)] = day.duration;
        week.total += day.duration;
    }
    return weeks;
}

CurrentTotals CurrentTotalsAt(const std::vector<DayTotal>& days, DateTime now, int firstDayOfWeek) {
    CurrentTotals current;
    const DateTime today = std::trunc(now);
    const DateTime firstDay = WeekStart(now, firstDayOfWeek);
    auto it = std::lower_bound(days.begin(), days.end(), firstDay,
                               [](const DayTotal& day, DateTime value) { return day.day < value; });
    for (; it != days.end() && it->day < firstDay + 7; ++it) {
        current.thisWeek += it->duration;
        if (it->day == today) current.today = it->duration;
    }
    return current;
}
