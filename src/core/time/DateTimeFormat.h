#pragma once

// Date and time texts from Windows-style pictures (d, dd, M, MM, MMM, MMMM, yy, yyyy, h, hh,
// H, HH, m, mm, s, ss, t, tt and 'quoted' literals), so the core never asks the OS.

#include <array>
#include <string>

#include "core/time/DateTime.h"

// The month names of the tree's month nodes, whatever the user's language, and the defaults
// of the formats below.
inline constexpr std::array<const char*, 12> kEnglishMonthNames{
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

struct LocaleFormats {
    std::string ShortDate = "M/d/yyyy";
    std::string LongDate = "dddd, MMMM d, yyyy";
    std::string LongTime = "h:mm:ss tt";
    std::string ShortTime = "h:mm tt";  // LOCALE_SSHORTTIME
    std::string AM = "AM";
    std::string PM = "PM";
    std::array<std::string, 12> MonthNames{
        kEnglishMonthNames[0], kEnglishMonthNames[1],  kEnglishMonthNames[2],
        kEnglishMonthNames[3], kEnglishMonthNames[4],  kEnglishMonthNames[5],
        kEnglishMonthNames[6], kEnglishMonthNames[7],  kEnglishMonthNames[8],
        kEnglishMonthNames[9], kEnglishMonthNames[10], kEnglishMonthNames[11]};
    std::array<std::string, 12> AbbrevMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    // Sunday first, as the calendar's weekday numbers go.
    std::array<std::string, 7> DayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
    std::array<std::string, 7> AbbrevDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
};

std::string FormatPicture(const std::string& picture, DateTime value, const LocaleFormats& formats);
// The picture without its seconds field and the separator that leads to it ("h:mm:ss tt" ->
// "h:mm tt"); everything else stays.
std::string WithoutSeconds(const std::string& picture);
// The date in the short date format.
std::string DateText(DateTime value, const LocaleFormats& formats);
// The date in the long date format ("Wednesday, December 9, 2026").
std::string LongDateText(DateTime value, const LocaleFormats& formats);
// The time of day in the long time format.
std::string TimeText(DateTime value, const LocaleFormats& formats);
// Date, a blank and the time; the time is left out when it is exactly midnight.
std::string DateTimeText(DateTime value, const LocaleFormats& formats);
