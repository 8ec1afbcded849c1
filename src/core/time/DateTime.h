#pragma once

// Date-times are days since 1899-12-30 00:00 local time; the fraction is the time of day.

#include <cstdint>

using DateTime = double;

struct CivilDate {
    int Year = 0;   // 0 for values outside 0001-01-01 .. 9999-12-31 and for NaN
    int Month = 0;  // 1..12
    int Day = 0;    // 1..31
};

struct CivilTime {
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

// Serial day numbers of the first and the last date a log may hold.
inline constexpr DateTime kFirstLogDate = 0.0;          // 1899-12-30
inline constexpr DateTime kLastLogDateEnd = 2958466.0;  // 10000-01-01 00:00

// Proleptic Gregorian split of the whole-day part (truncated toward zero).
CivilDate DecodeDate(DateTime value);
// Time of day of the fraction (value minus its truncation), rounded to the millisecond.
CivilTime DecodeTime(DateTime value);

DateTime EncodeDate(int year, int month, int day);
DateTime EncodeTime(int hour, int minute, int second, int millisecond = 0);
inline DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second = 0) {
    return EncodeDate(year, month, day) + EncodeTime(hour, minute, second);
}

// The source of "now" for everything that stamps or compares against the present.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual DateTime Now() const = 0;
};

// Local wall-clock time of this machine.
const Clock& SystemClock();
