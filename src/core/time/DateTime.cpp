#include "core/time/DateTime.h"

#include <cmath>

namespace {

// Days of 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kEpochShift = 25569;

// Howard Hinnant's civil calendar algorithms, on days since 1970-01-01.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

CivilDate CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    CivilDate date;
    date.Year = static_cast<int>(y + (m <= 2));
    date.Month = static_cast<int>(m);
    date.Day = static_cast<int>(d);
    return date;
}

}  // namespace

CivilDate DecodeDate(DateTime value) {
    // Anything outside the years 1..9999 (garbage from a wrong password) has no calendar date.
    if (!(value > -693594.0 && value < kLastLogDateEnd)) return CivilDate{};
    const auto days = static_cast<std::int64_t>(std::trunc(value));
    return CivilFromDays(days - kEpochShift);
}

CivilTime DecodeTime(DateTime value) {
    CivilTime t;
    if (!std::isfinite(value)) return t;
    double fraction = std::fabs(value - std::trunc(value));
    auto ms = static_cast<std::int64_t>(std::llround(fraction * 86400000.0));
    if (ms >= 86400000) ms = 86399999;
    t.Hour = static_cast<int>(ms / 3600000);
    t.Minute = static_cast<int>(ms / 60000 % 60);
    t.Second = static_cast<int>(ms / 1000 % 60);
    t.Millisecond = static_cast<int>(ms % 1000);
    return t;
}

DateTime EncodeDate(int year, int month, int day) {
    return static_cast<DateTime>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
        kEpochShift);
}

DateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / 86400000.0;
}
