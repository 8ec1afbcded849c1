#pragma once

// What the timesheet window, the tray tip and the timesheet export show of the working-time
// figures (reports/WorkTime.h), as texts they only draw or write.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/reports/WeekTable.h"
#include "core/reports/WorkTime.h"
#include "core/time/DateTimeFormat.h"

inline constexpr std::size_t kTimesheetColumns = 9;
inline constexpr std::array<const char*, kTimesheetColumns> kTimesheetHeaders = {
    "Date", "Day", "Start", "End", "Breaks", "Worked", "Target", "Difference", "Note"};

struct TimesheetRow {
    DayFigures figures;
    // Date (short date), Day (the locale's name), Start and End (the time format without
    // seconds, "24:00" for midnight), Breaks, Worked, Target, Difference, Note (the mark).
    // Start, End and Breaks are blank on a day without logged time; Worked and Difference are
    // blank on one after today.
    std::array<std::string, kTimesheetColumns> cells;
};

// One month, a row per calendar day.
struct Timesheet {
    int year = 0;
    int month = 0;          // 1..12
    std::string heading;    // "December 2026", the month in the locale's name
    DateTime firstDay = 0;  // midnights of the month's first and last day
    DateTime lastDay = 0;
    std::vector<TimesheetRow> rows;
    // Worked and Difference through today; Target of the whole month; the balance through the
    // month's last day, or through yesterday while the month is not over.
    std::int64_t worked = 0;
    std::int64_t target = 0;
    std::int64_t difference = 0;
    std::int64_t balance = 0;
    std::string workedText;
    std::string targetText;
    std::string differenceText;  // signed
    std::string balanceText;     // signed
};

// `names` are Monday first, as WeekTable takes them.
Timesheet BuildTimesheet(const std::vector<DayTotal>& days, const WorkTimeSettings& settings,
                         const DayMarks& marks, int year, int month, DateTime now,
                         const DayNames& names, const LocaleFormats& formats);

// The tray tip's third line: "Balance +2:15, leave at 4:35 PM" in the short time format, the
// time rounded up to the minute; "Balance +2:15, target reached" once reached; empty without a
// weekly target.
std::string WorkTimeTipLine(const WorkTimeToday& today, const WorkTimeSettings& settings,
                            const LocaleFormats& formats);

// The timesheet export: "Date,Start,End,Breaks,Worked,Target,Difference,Note", a row per
// calendar day from the first day of the log (or "Balance From", if earlier) through the day
// holding `now`; dates YYYY-MM-DD, Start and End HH:MM, durations h:mm (Worked before any
// deduction), the mark as Note. CRLF, ASCII.
std::string TimesheetCsv(const std::vector<DayTotal>& days, const WorkTimeSettings& settings,
                         const DayMarks& marks, DateTime now);
