#include "core/tree/Period.h"

#include <cmath>

namespace {

std::string MonthText(const Period& info) {
    std::string text = info.Month >= 1 && info.Month <= 12
                           ? kEnglishMonthNames[static_cast<std::size_t>(info.Month - 1)]
                           : std::to_string(info.Month);
    return text + ' ' + std::to_string(info.Year);
}

}  // namespace

Period::Period(PeriodKind kind, DateTime start, DateTime end)
    : StartTime(start), EndTime(end), Duration(end - start), Kind(kind) {
    const CivilDate date = DecodeDate(StartTime);
    Year = date.Year;
    Month = static_cast<std::uint8_t>(date.Month);
    Day = static_cast<std::uint8_t>(date.Day);
}

void Period::SetDuration(double value) {
    Duration = value;
    EndTime = StartTime + value;
}

std::string Period::PeriodText(const LocaleFormats& formats) const {
    switch (Kind) {
        case PeriodKind::Total:
            return "From " + DateText(StartTime, formats) + " to " + DateText(EndTime, formats) +
                   " -> " + DurationText(Duration);
        case PeriodKind::Year:
            return std::to_string(Year) + " -> " + DurationText(Duration);
        case PeriodKind::Month:
            return MonthText(*this) + " -> " + DurationText(Duration);
        case PeriodKind::Day:
            return DateText(StartTime, formats) + " -> " + DurationText(Duration);
        case PeriodKind::Session:
            return TimeOfDayText(StartTime, formats) + " - " + TimeOfDayText(EndTime, formats);
    }
    return std::string();
}

std::string TimeOfDayText(DateTime value, const LocaleFormats& formats) {
    return FormatPicture(WithoutSeconds(formats.LongTime), value - std::trunc(value), formats);
}
