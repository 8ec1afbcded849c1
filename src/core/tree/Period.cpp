#include "core/tree/Period.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace {

// Ties go to the even neighbour, whatever the floating-point rounding mode.
double RoundHalfEven(double x) {
    const double lower = std::floor(x);
    const double fraction = x - lower;
    if (fraction > 0.5) return lower + 1;
    if (fraction < 0.5) return lower;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1;
}

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

std::string DurationText(double days) {
    // Hours beyond 64 bits (only garbage gives them) are clamped; NaN reads as nothing logged.
    constexpr double kHourLimit = 9.2e18;
    const double totalHours = days * 24;
    if (std::isnan(totalHours)) return "0:00";
    if (std::fabs(totalHours) >= kHourLimit) {
        return std::to_string(totalHours < 0 ? -static_cast<std::int64_t>(kHourLimit)
                                             : static_cast<std::int64_t>(kHourLimit)) +
               ":00";
    }
    auto hours = static_cast<std::int64_t>(std::trunc(totalHours));
    auto minutes =
        static_cast<std::int64_t>(RoundHalfEven((totalHours - static_cast<double>(hours)) * 60));
    if (minutes >= 60) {
        hours += 1;
        minutes -= 60;
    } else if (minutes <= -60) {
        hours -= 1;
        minutes += 60;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%" PRId64 ":%.2" PRId64, hours, minutes);
    return text;
}

std::string TimeOfDayText(DateTime value, const LocaleFormats& formats) {
    return FormatPicture(WithoutSeconds(formats.LongTime), value - std::trunc(value), formats);
}

std::string SessionCountText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " session" : " sessions");
}
