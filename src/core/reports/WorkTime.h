#pragma once

// Working-time figures per calendar day, from the one list of days with logged time
// (LogTotals::Days), the working-time settings, the marked days and "now". Everything is in
// whole seconds; the window, the tray tip and the timesheet export only show these figures.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/reports/DayMarks.h"
#include "core/reports/LogTotals.h"
#include "core/settings/WorkTimeSettings.h"
#include "core/time/DateTime.h"

struct DayFigures {
    DateTime day = 0;     // midnight
    bool logged = false;  // the day has logged time; without it start, end and breaks are 0
    // From the day's midnight: the earliest start and the latest end of its pieces; a day that
    // runs to midnight ends at kSecondsPerDay.
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::int64_t worked = 0;   // the sum of the pieces
    std::int64_t breaks = 0;   // end - start - worked
    std::int64_t counted = 0;  // worked less the break still missing, with deduction on
    std::int64_t target = 0;
    std::int64_t difference = 0;  // counted - target
    DayMark mark = DayMark::None;
};

// The largest c <= worked such that, for every rule with c > its `after`,
// breaks + (worked - c) >= its `minimum`; worked when deduction is off.
std::int64_t CountedSeconds(std::int64_t worked, std::int64_t breaks,
                            const WorkTimeSettings& settings);

// True while hours a week are set and at least one day is a work day.
bool HasWeeklyTarget(const WorkTimeSettings& settings);
// Hours a week over the number of work days, to the nearest second, on a work day that is not
// marked; 0 on every other day.
std::int64_t TargetSeconds(const WorkTimeSettings& settings, DateTime day, DayMark mark);

// The figures of every calendar day from `first` through `last`, oldest first; `days` is
// sorted as LogTotals::Days gives it.
std::vector<DayFigures> FiguresOfDays(const std::vector<DayTotal>& days,
                                      const WorkTimeSettings& settings, const DayMarks& marks,
                                      DateTime first, DateTime last);

// The first day the balance counts: "Balance From", or the first day of the log; nothing for
// an empty log without the setting.
std::optional<DateTime> BalanceStart(const std::vector<DayTotal>& days,
                                     const WorkTimeSettings& settings);
// The sum of the differences from BalanceStart through the day holding `through`; 0 when that
// is before the start.
std::int64_t BalanceThrough(const std::vector<DayTotal>& days, const WorkTimeSettings& settings,
                            const DayMarks& marks, DateTime through);

// Where the day holding `now` stands.
struct WorkTimeToday {
    DayFigures today;
    std::int64_t balance = 0;  // through yesterday
    // Today's counted time reaches today's target already; always so without a target.
    bool reached = false;
    // Otherwise: the earliest time at which it would, with work going on from now (or from the
    // last logged end, if later) without a break. May fall on the next day.
    DateTime leaveAt = 0;
};
WorkTimeToday WorkTimeAt(const std::vector<DayTotal>& days, const WorkTimeSettings& settings,
                         const DayMarks& marks, DateTime now);

// "7:42": hours and minutes, the minutes rounded half to even as the tree's durations are; a
// minus sign before a negative one that rounds to a minute or more.
std::string SecondsText(std::int64_t seconds);
// "-0:30", "+1:15", and "0:00" for what rounds to no minute.
std::string SignedSecondsText(std::int64_t seconds);
