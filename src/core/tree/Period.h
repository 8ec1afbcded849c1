#pragma once

// A period of logged time as the viewer shows it: the whole log, a year, a month, a day or a
// piece of a session within one day.

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/log/PeriodKind.h"
#include "core/reports/DurationText.h"
#include "core/time/DateTime.h"
#include "core/time/DateTimeFormat.h"

class Period {
  public:
    Period() = default;
    Period(PeriodKind kind, DateTime start, DateTime end);

    void SetDuration(double value);
    void AddDuration(double value) { SetDuration(Duration + value); }
    std::string PeriodText(const LocaleFormats& formats) const;

    DateTime StartTime = 0;
    DateTime EndTime = 0;
    double Duration = 0;
    std::int32_t Year = 0;
    // Narrow: a long log holds over a hundred thousand periods, and each fresh page costs.
    std::uint8_t Month = 0;
    std::uint8_t Day = 0;
    PeriodKind Kind = PeriodKind::Total;
};

// The time of day in the long time format without its seconds field.
std::string TimeOfDayText(DateTime value, const LocaleFormats& formats);
