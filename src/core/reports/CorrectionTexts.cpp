#include "core/reports/CorrectionTexts.h"

#include <cmath>
#include <cstdint>

#include "core/tree/Period.h"

namespace {

constexpr std::int64_t kMsPerMinute = 60000;
constexpr std::int64_t kMsPerDay = 86400000;

// The value's day and its time of day in whole milliseconds, so that minute boundaries do not
// move by a rounding error.
struct DayAndMs {
    DateTime Day;
    std::int64_t Ms;
};

DayAndMs Split(DateTime value) {
    const DateTime day = std::floor(value);
    return {day, static_cast<std::int64_t>(std::llround((value - day) * kMsPerDay))};
}

DateTime AtMinute(DateTime day, std::int64_t minutes) {
    return day + EncodeTime(static_cast<int>(minutes / 60), static_cast<int>(minutes % 60), 0);
}

DateTime MinuteFloor(DateTime value) {
    const DayAndMs split = Split(value);
    return AtMinute(split.Day, split.Ms / kMsPerMinute);
}

DateTime MinuteCeil(DateTime value) {
    const DayAndMs split = Split(value);
    return AtMinute(split.Day, (split.Ms + kMsPerMinute - 1) / kMsPerMinute);
}

DateTime LastMinuteOf(DateTime day) {
    return day + EncodeTime(23, 59, 0);
}

// The day holding the last moment of the span: one ending at midnight ends the day before.
DateTime LastDay(const Span& span) {
    const DateTime day = std::floor(span.End);
    return span.End == day && span.End > span.Start ? day - 1 : day;
}

// The first and the last day the spans lie in.
struct Days {
    DateTime First;
    DateTime Last;
    bool Several() const { return Last > First; }
};

Days DaysOf(const std::vector<Span>& spans) {
    return {std::floor(spans.front().Start), LastDay(spans.back())};
}

std::string BetweenText(const Days& days, const LocaleFormats& formats) {
    return " between " + LongDateText(days.First, formats) + " and " +
           LongDateText(days.Last, formats);
}

}  // namespace

Span PrefillRange(PeriodKind kind, DateTime start, DateTime end, DateTime now) {
    Span range;
    const CivilDate date = DecodeDate(start);
    switch (kind) {
        case PeriodKind::Session:
            range = {MinuteFloor(start), MinuteCeil(end)};
            break;
        case PeriodKind::Day:
            range = {std::floor(start), LastMinuteOf(std::floor(start))};
            break;
        case PeriodKind::Month: {
            const bool december = date.Month == 12;
            const DateTime next =
                EncodeDate(date.Year + (december ? 1 : 0), december ? 1 : date.Month + 1, 1);
            range = {EncodeDate(date.Year, date.Month, 1), LastMinuteOf(next - 1)};
            break;
        }
        case PeriodKind::Year:
            range = {EncodeDate(date.Year, 1, 1), LastMinuteOf(EncodeDate(date.Year, 12, 31))};
            break;
        case PeriodKind::Total:
            range = {std::floor(start), LastMinuteOf(LastDay({start, end}))};
            break;
    }
    if (range.End > now) range.End = MinuteFloor(now);
    return range;
}

std::string CorrectionLine(ChangeKind kind, const CorrectionResult& result,
                           const LocaleFormats& formats) {
    if (result.Refusal != CorrectionRefusal::None) return RefusalText(result.Refusal);
    if (kind == ChangeKind::AddTime) {
        const std::vector<Span>& added = result.Change.Added;
        if (added.empty()) return "Adds nothing: all of this time is recorded already";
        const Days days = DaysOf(added);
        const std::string text = "Adds " + DurationText(SpanDays(added));
        return days.Several() ? text + BetweenText(days, formats)
                              : text + " to " + LongDateText(days.First, formats);
    }
    const std::vector<Span>& removed = result.Change.Removed;
    if (removed.empty()) return "Removes nothing: no recorded time lies between From and To";
    const Days days = DaysOf(removed);
    const std::string text = "Removes " + DurationText(SpanDays(removed)) + " from " +
                             SessionCountText(result.TouchedSessions);
    return days.Several() ? text + BetweenText(days, formats) : text;
}
