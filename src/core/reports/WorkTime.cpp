#include "core/reports/WorkTime.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace {

// 1899-12-30, day 0, was a Saturday: day 5 of a week that starts on Monday.
constexpr std::int64_t kWeekdayOfDayZero = 5;

std::int64_t DayNumber(DateTime value) {
    return static_cast<std::int64_t>(std::floor(value));
}

std::size_t WeekdayOf(std::int64_t day) {
    return static_cast<std::size_t>(((day + kWeekdayOfDayZero) % 7 + 7) % 7);
}

// Seconds of a span given in days, to the nearest second.
std::int64_t Seconds(double days) {
    return static_cast<std::int64_t>(std::llround(days * kSecondsPerDay));
}

std::int64_t WorkDayTarget(const WorkTimeSettings& settings) {
    if (!HasWeeklyTarget(settings)) return 0;
    const auto workDays = static_cast<std::int64_t>(
        std::count(settings.workDays.begin(), settings.workDays.end(), true));
    return (2 * settings.weekSeconds + workDays) / (2 * workDays);  // half a second rounds up
}

DayFigures FiguresOf(std::int64_t day, const DayTotal* total, DayMark mark,
                     const WorkTimeSettings& settings, std::int64_t workDayTarget) {
    DayFigures figures;
    figures.day = static_cast<DateTime>(day);
    figures.mark = mark;
    if (total != nullptr && total->duration > 0) {
        figures.logged = true;
        figures.start =
            std::clamp<std::int64_t>(Seconds(total->firstStart - figures.day), 0, kSecondsPerDay);
        figures.end = std::clamp<std::int64_t>(Seconds(total->lastEnd - figures.day), figures.start,
                                               kSecondsPerDay);
        figures.worked = Seconds(total->duration);
        // Overlapping sessions (a clock set back) can sum to more than the span.
        figures.breaks = std::max<std::int64_t>(0, figures.end - figures.start - figures.worked);
    }
    figures.counted = CountedSeconds(figures.worked, figures.breaks, settings);
    const bool workDay = settings.workDays[WeekdayOf(day)];
    figures.target = workDay && mark == DayMark::None ? workDayTarget : 0;
    figures.difference = figures.counted - figures.target;
    return figures;
}

// Calls visit(figures) for each calendar day from `first` through `last`, in one walk along the
// days with logged time and the marks.
template <typename Visit>
void ForEachDay(const std::vector<DayTotal>& days, const WorkTimeSettings& settings,
                const DayMarks& marks, std::int64_t first, std::int64_t last, Visit&& visit) {
    const std::int64_t workDayTarget = WorkDayTarget(settings);
    auto total = std::lower_bound(
        days.begin(), days.end(), first,
        [](const DayTotal& day, std::int64_t value) { return DayNumber(day.day) < value; });
    const std::vector<MarkedDay>& marked = marks.Marked();
    auto mark = std::lower_bound(
        marked.begin(), marked.end(), first,
        [](const MarkedDay& day, std::int64_t value) { return DayNumber(day.day) < value; });
    for (std::int64_t day = first; day <= last; ++day) {
        while (total != days.end() && DayNumber(total->day) < day) ++total;
        while (mark != marked.end() && DayNumber(mark->day) < day) ++mark;
        const bool hasTotal = total != days.end() && DayNumber(total->day) == day;
        const bool hasMark = mark != marked.end() && DayNumber(mark->day) == day;
        visit(FiguresOf(day, hasTotal ? &*total : nullptr, hasMark ? mark->mark : DayMark::None,
                        settings, workDayTarget));
    }
}

// Minutes of |seconds|, rounded half to even.
std::int64_t RoundedMinutes(std::int64_t seconds) {
    const std::int64_t magnitude = seconds < 0 ? -seconds : seconds;
    std::int64_t minutes = magnitude / kSecondsPerMinute;
    const std::int64_t rest = magnitude % kSecondsPerMinute;
    if (rest > 30 || (rest == 30 && minutes % 2 != 0)) ++minutes;
    return minutes;
}

std::string MinutesText(const char* sign, std::int64_t minutes) {
    char text[48];
    std::snprintf(text, sizeof text, "%s%" PRId64 ":%02" PRId64, sign, minutes / 60, minutes % 60);
    return text;
}

}  // namespace

std::int64_t CountedSeconds(std::int64_t worked, std::int64_t breaks,
                            const WorkTimeSettings& settings) {
    if (!settings.deductBreaks) return worked;
    // A rule holds for every c up to its `after`, and up to the c that leaves its minimum of
    // break; the largest c is the least of these bounds over all rules.
    std::int64_t counted = worked;
    for (const BreakRule& rule : settings.breakRules)
        counted = std::min(counted, std::max(rule.after, worked + breaks - rule.minimum));
    return counted;
}

bool HasWeeklyTarget(const WorkTimeSettings& settings) {
    return settings.weekSeconds > 0 && std::find(settings.workDays.begin(), settings.workDays.end(),
                                                 true) != settings.workDays.end();
}

std::int64_t TargetSeconds(const WorkTimeSettings& settings, DateTime day, DayMark mark) {
    const bool workDay = settings.workDays[WeekdayOf(DayNumber(day))];
    return workDay && mark == DayMark::None ? WorkDayTarget(settings) : 0;
}

std::vector<DayFigures> FiguresOfDays(const std::vector<DayTotal>& days,
                                      const WorkTimeSettings& settings, const DayMarks& marks,
                                      DateTime first, DateTime last) {
    std::vector<DayFigures> figures;
    const std::int64_t from = DayNumber(first);
    const std::int64_t to = DayNumber(last);
    if (to < from) return figures;
    figures.reserve(static_cast<std::size_t>(to - from + 1));
    ForEachDay(days, settings, marks, from, to,
               [&](const DayFigures& day) { figures.push_back(day); });
    return figures;
}

std::optional<DateTime> BalanceStart(const std::vector<DayTotal>& days,
                                     const WorkTimeSettings& settings) {
    if (settings.balanceFrom) return std::floor(*settings.balanceFrom);
    if (days.empty()) return std::nullopt;
    return days.front().day;
}

std::int64_t BalanceThrough(const std::vector<DayTotal>& days, const WorkTimeSettings& settings,
                            const DayMarks& marks, DateTime through) {
    const std::optional<DateTime> start = BalanceStart(days, settings);
    if (!start) return 0;
    std::int64_t balance = 0;
    ForEachDay(days, settings, marks, DayNumber(*start), DayNumber(through),
               [&](const DayFigures& day) { balance += day.difference; });
    return balance;
}

WorkTimeToday WorkTimeAt(const std::vector<DayTotal>& days, const WorkTimeSettings& settings,
                         const DayMarks& marks, DateTime now) {
    WorkTimeToday state;
    const std::int64_t today = DayNumber(now);
    ForEachDay(days, settings, marks, today, today,
               [&](const DayFigures& day) { state.today = day; });
    state.balance = BalanceThrough(days, settings, marks, static_cast<DateTime>(today - 1));

    const DayFigures& figures = state.today;
    state.reached = figures.counted >= figures.target;
    if (state.reached) return state;
    // Work goes on from now; a gap since the last logged end counts as a break.
    const std::int64_t nowSeconds = Seconds(now - static_cast<DateTime>(today));
    const std::int64_t from = figures.logged ? std::max(nowSeconds, figures.end) : nowSeconds;
    const std::int64_t breaks = figures.logged ? figures.breaks + (from - figures.end) : 0;
    // Counted grows with the time worked; it reaches the target once the time worked does and
    // every rule below the target has its minimum of break.
    std::int64_t worked = figures.target;
    if (settings.deductBreaks) {
        for (const BreakRule& rule : settings.breakRules)
            if (rule.after < figures.target)
                worked = std::max(worked, figures.target + rule.minimum - breaks);
    }
    const std::int64_t more = std::max<std::int64_t>(0, worked - figures.worked);
    state.leaveAt = static_cast<DateTime>(today) +
                    static_cast<double>(from + more) / static_cast<double>(kSecondsPerDay);
    return state;
}

std::string SecondsText(std::int64_t seconds) {
    const std::int64_t minutes = RoundedMinutes(seconds);
    return MinutesText(minutes != 0 && seconds < 0 ? "-" : "", minutes);
}

std::string SignedSecondsText(std::int64_t seconds) {
    const std::int64_t minutes = RoundedMinutes(seconds);
    return MinutesText(minutes == 0 ? "" : seconds < 0 ? "-" : "+", minutes);
}
