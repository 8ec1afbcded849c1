#pragma once

// A period of logged time as the viewer shows it: the whole log, a year, a month, a day or a
// piece of a session within one day.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/DateTime.h"
#include "viewer/DateTimeFormat.h"

enum TPeriodKind : std::uint8_t { pkTotal = 0, pkYear = 1, pkMonth = 2, pkDay = 3, pkSession = 4 };

extern const char* const MonthNameTable[13];  // index 1..12

class TLogInfo {
  public:
    TLogInfo() = default;
    TLogInfo(TPeriodKind kind, TDateTime start, TDateTime end);

    void SetDuration(double value);
    void AddDuration(double value) { SetDuration(Duration + value); }
    std::string PeriodText(const LocaleFormats& formats) const;

    TDateTime StartTime = 0;
    TDateTime EndTime = 0;
    double Duration = 0;
    std::int32_t Year = 0;
    std::int32_t Month = 0;
    std::int32_t Day = 0;
    TPeriodKind Kind = pkTotal;
};

// "%d:%.2d" of whole hours and rounded minutes; minutes that round to 60 carry into the hours.
std::string DurationText(double days);
// The time of day in the long time format without its seconds field.
std::string TimeOfDayText(TDateTime value, const LocaleFormats& formats);

// "1 session", "12 sessions".
std::string SessionCountText(std::size_t count);
