#include "core/reports/DurationText.h"

#include <cinttypes>
#include <cmath>
#include <cstdint>
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

}  // namespace

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

std::string DecimalHoursText(double days) {
    // Whole milliseconds first, as times are kept, so that a tie is an exact tie: 450000 ms is
    // 0.125 hours, which reads 0.12. Beyond about 10^11 days (only garbage) the figure is capped.
    constexpr double kDayLimit = 1e11;
    if (std::isnan(days)) days = 0;
    const bool negative = days < 0;
    const double magnitude = std::fmin(std::fabs(days), kDayLimit);
    const auto ms = static_cast<std::int64_t>(std::llround(magnitude * 86400000.0));
    constexpr std::int64_t kMsPerHundredth = 36000;
    std::int64_t hundredths = ms / kMsPerHundredth;
    const std::int64_t rest = ms % kMsPerHundredth;
    if (rest > kMsPerHundredth / 2 || (rest == kMsPerHundredth / 2 && hundredths % 2 != 0))
        ++hundredths;
    char text[32];
    std::snprintf(text, sizeof text, "%s%" PRId64 ".%02" PRId64, negative && hundredths ? "-" : "",
                  hundredths / 100, hundredths % 100);
    return text;
}

std::string SessionCountText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " session" : " sessions");
}
