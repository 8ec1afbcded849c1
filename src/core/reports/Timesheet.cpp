#include "core/reports/Timesheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr std::int64_t kMinutesPerDay = kSecondsPerDay / kSecondsPerMinute;

// 1899-12-30, day 0, was a Saturday: day 5 of a week that starts on Monday.
constexpr std::int64_t kWeekdayOfDayZero = 5;

// "08:05"; "24:00" for the end of a day that runs to midnight. Seconds are cut off.
std::string ClockText(std::int64_t seconds) {
    const std::int64_t minutes = seconds / kSecondsPerMinute;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(minutes / 60),
                  static_cast<int>(minutes % 60));
    return text;
}

// The time of day in the short time format, to the minute; "24:00" stays as it is, since a
// 12-hour clock has no name for the end of a day.
std::string LocaleClockText(std::int64_t seconds, const LocaleFormats& formats) {
    const std::int64_t minutes = seconds / kSecondsPerMinute;
    if (minutes >= kMinutesPerDay) return "24:00";
    return FormatPicture(formats.ShortTime,
                         static_cast<double>(minutes) / static_cast<double>(kMinutesPerDay),
                         formats);
}

const std::string& DayNameOf(const DayNames& names, DateTime day) {
    const auto number = static_cast<std::int64_t>(std::floor(day));
    return names[static_cast<std::size_t>(((number + kWeekdayOfDayZero) % 7 + 7) % 7)];
}

TimesheetRow RowOf(const DayFigures& figures, bool afterToday, const DayNames& names,
                   const LocaleFormats& formats) {
    TimesheetRow row;
    row.figures = figures;
    auto& cells = row.cells;
    cells[0] = DateText(figures.day, formats);
    cells[1] = DayNameOf(names, figures.day);
    if (figures.logged) {
        cells[2] = LocaleClockText(figures.start, formats);
        cells[3] = LocaleClockText(figures.end, formats);
        cells[4] = SecondsText(figures.breaks);
    }
    if (figures.logged || !afterToday) {
        cells[5] = SecondsText(figures.worked);
        cells[7] = SignedSecondsText(figures.difference);
    }
    cells[6] = SecondsText(figures.target);
    cells[8] = MarkName(figures.mark);
    return row;
}

}  // namespace

Timesheet BuildTimesheet(const std::vector<DayTotal>& days, const WorkTimeSettings& settings,
                         const DayMarks& marks, int year, int month, DateTime now,
                         const DayNames& names, const LocaleFormats& formats) {
    // Months before January and after December belong to the years around.
    const int monthIndex = year * 12 + (month - 1);
    Timesheet sheet;
    sheet.year = monthIndex / 12;
    sheet.month = monthIndex % 12 + 1;
    sheet.heading = formats.MonthNames[static_cast<std::size_t>(sheet.month - 1)] + ' ' +
                    std::to_string(sheet.year);
    sheet.firstDay = EncodeDate(sheet.year, sheet.month, 1);
    sheet.lastDay = EncodeDate((monthIndex + 1) / 12, (monthIndex + 1) % 12 + 1, 1) - 1;

    const DateTime today = std::floor(now);
    for (const DayFigures& figures :
         FiguresOfDays(days, settings, marks, sheet.firstDay, sheet.lastDay)) {
        const bool afterToday = figures.day > today;
        sheet.rows.push_back(RowOf(figures, afterToday, names, formats));
        sheet.target += figures.target;
        if (afterToday) continue;
        sheet.worked += figures.worked;
        sheet.difference += figures.difference;
    }
    sheet.balance = BalanceThrough(days, settings, marks, std::min(sheet.lastDay, today - 1));
    sheet.workedText = SecondsText(sheet.worked);
    sheet.targetText = SecondsText(sheet.target);
    sheet.differenceText = SignedSecondsText(sheet.difference);
    sheet.balanceText = SignedSecondsText(sheet.balance);
    return sheet;
}

std::string WorkTimeTipLine(const WorkTimeToday& today, const WorkTimeSettings& settings,
                            const LocaleFormats& formats) {
    if (!HasWeeklyTarget(settings)) return {};
    std::string line = "Balance " + SignedSecondsText(today.balance) + ", ";
    if (today.reached) return line + "target reached";
    // Rounded up: at the minute shown the target is reached.
    const double minute = std::ceil(std::round(today.leaveAt * kSecondsPerDay) /
                                    static_cast<double>(kSecondsPerMinute));
    const double leaveAt = minute / static_cast<double>(kMinutesPerDay);
    return line + "leave at " + FormatPicture(formats.ShortTime, leaveAt, formats);
}

std::string TimesheetCsv(const std::vector<DayTotal>& days, const WorkTimeSettings& settings,
                         const DayMarks& marks, DateTime now) {
    std::string text = "Date,Start,End,Breaks,Worked,Target,Difference,Note";
    text += kLineEnd;
    std::optional<DateTime> first = settings.balanceFrom;
    if (!days.empty() && (!first || days.front().day < *first)) first = days.front().day;
    if (!first) return text;
    for (const DayFigures& day : FiguresOfDays(days, settings, marks, *first, now)) {
        text += IsoDateText(day.day);
        text += ',';
        if (day.logged) {
            text += ClockText(day.start) + ',' + ClockText(day.end) + ',' + SecondsText(day.breaks);
        } else {
            text += ",,";
        }
        text += ',' + SecondsText(day.worked) + ',' + SecondsText(day.target) + ',' +
                SignedSecondsText(day.difference) + ',' + MarkName(day.mark) + kLineEnd;
    }
    return text;
}
