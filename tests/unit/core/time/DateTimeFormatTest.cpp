#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "core/time/DateTime.h"
#include "core/time/DateTimeFormat.h"

namespace {

// Monday 5 March 2001, 07:04:09 in the morning.
const DateTime kMorning = EncodeDateTime(2001, 3, 5, 7, 4, 9);
// Sunday 25 November 2012, 22:15:40.
const DateTime kEvening = EncodeDateTime(2012, 11, 25, 22, 15, 40);

}  // namespace

TEST(FormatPicture, EachElementOfAPicture) {
    const LocaleFormats formats;
    struct Case {
        const char* picture;
        DateTime value;
        const char* expected;
    } cases[] = {
        {"d dd ddd dddd", kMorning, "5 05 Mon Monday"},
        {"ddddd", kEvening, "Sunday"},
        {"M MM MMM MMMM", kMorning, "3 03 Mar March"},
        {"M MM MMM MMMM", kEvening, "11 11 Nov November"},
        {"y yy yyyy yyyyy", kMorning, "1 01 2001 2001"},
        {"y yy yyyy", kEvening, "12 12 2012"},
        {"yyyy", EncodeDate(33, 6, 1), "0033"},
        {"h hh H HH", kMorning, "7 07 7 07"},
        {"h hh H HH", kEvening, "10 10 22 22"},
        {"m mm s ss", kMorning, "4 04 9 09"},
        {"t tt", kMorning, "A AM"},
        {"t tt", kEvening, "P PM"},
        // The 12-hour clock has no hour 0: midnight and noon are both 12.
        {"h:mm tt", EncodeDateTime(2001, 3, 5, 0, 30), "12:30 AM"},
        {"h:mm tt", EncodeDateTime(2001, 3, 5, 12, 0), "12:00 PM"},
        {"hh:mm:ss tt", EncodeDateTime(2001, 3, 5, 23, 59, 59), "11:59:59 PM"},
        {"dd.MM.yyyy", kMorning, "05.03.2001"},
        {"M/d/yyyy", kEvening, "11/25/2012"},
        {"yyyy-MM-dd HH:mm:ss", kEvening, "2012-11-25 22:15:40"},
        // Quoted text is literal, a doubled quote is one quote, other characters pass through.
        {"'day' d 'of' MMMM", kMorning, "day 5 of March"},
        {"HH'h'mm", kMorning, "07h04"},
        {"'it''s' H", kMorning, "it's 7"},
        {"d''M", kMorning, "5'3"},
        {"'unterminated d", kMorning, "unterminated d"},
        {"D Y x, g.", kMorning, "D Y x, g."},
        {"", kMorning, ""},
        {"'", kMorning, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatPicture(c.picture, c.value, formats), c.expected) << c.picture;
}

TEST(FormatPicture, FollowsTheLocaleStrings) {
    LocaleFormats formats;
    formats.AM = "vorm.";
    formats.PM = "";
    formats.MonthNames[2] = "M\xE4rz";
    formats.AbbrevMonthNames[2] = "M\xE4r";
    EXPECT_EQ(FormatPicture("t|tt|MMM|MMMM", kMorning, formats), "v|vorm.|M\xE4r|M\xE4rz");
    // An empty designator leaves nothing, not a stray character.
    EXPECT_EQ(FormatPicture("H t|tt", kEvening, formats), "22 |");
}

TEST(LongDateText, DefaultsToTheAmericanLongDateAndFollowsTheLocale) {
    const LocaleFormats american;
    LocaleFormats german;
    german.LongDate = "dddd, d. MMMM yyyy";
    german.MonthNames[11] = "Dezember";
    german.DayNames[3] = "Mittwoch";
    german.AbbrevDayNames[3] = "Mi";
    // 2026-12-09 is a Wednesday (day 3, counting from Sunday).
    const DateTime wednesday = EncodeDateTime(2026, 12, 9, 18, 30);
    struct Case {
        const LocaleFormats& formats;
        const char* picture;
        const char* expected;
    } cases[] = {
        {american, nullptr, "Wednesday, December 9, 2026"},
        {german, nullptr, "Mittwoch, 9. Dezember 2026"},
        {german, "ddd dd.MM.", "Mi 09.12."},
    };
    for (const auto& c : cases) {
        const std::string text = c.picture ? FormatPicture(c.picture, wednesday, c.formats)
                                           : LongDateText(wednesday, c.formats);
        EXPECT_EQ(text, c.expected);
    }
    EXPECT_EQ(LongDateText(EncodeDate(2000, 2, 29), american), "Tuesday, February 29, 2000");
}

TEST(FormatPicture, GarbageValuesGiveNoDateAndMidnight) {
    const LocaleFormats formats;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double value : {nan, -nan, inf, -inf, 1e300, -1e300, 3e6, -7e5}) {
        EXPECT_EQ(FormatPicture("d/dd/M/MM/yy/yyyy", value, formats), "0/00/0/00/00/0000") << value;
        // No weekday, no month name: nothing to look up for a date that does not exist.
        EXPECT_EQ(FormatPicture("[ddd][dddd][MMM][MMMM]", value, formats), "[][][0][0]") << value;
        EXPECT_EQ(FormatPicture("HH:mm:ss tt", value, formats), "00:00:00 AM") << value;
    }
}

TEST(DateTimeText, LeavesOutMidnight) {
    LocaleFormats german;
    german.ShortDate = "d.M.yyyy";
    german.LongTime = "HH:mm:ss";
    const LocaleFormats american;
    struct Case {
        const LocaleFormats& formats;
        DateTime value;
        const char* date;
        const char* time;
        const char* dateTime;
    } cases[] = {
        {german, kMorning, "5.3.2001", "07:04:09", "5.3.2001 07:04:09"},
        {american, kEvening, "11/25/2012", "10:15:40 PM", "11/25/2012 10:15:40 PM"},
        {german, EncodeDate(2001, 3, 5), "5.3.2001", "00:00:00", "5.3.2001"},
        {american, EncodeDate(2001, 3, 5), "3/5/2001", "12:00:00 AM", "3/5/2001"},
        // One second past midnight is not midnight.
        {german, EncodeDateTime(2001, 3, 5, 0, 0, 1), "5.3.2001", "00:00:01", "5.3.2001 00:00:01"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DateText(c.value, c.formats), c.date);
        EXPECT_EQ(TimeText(c.value, c.formats), c.time);
        EXPECT_EQ(DateTimeText(c.value, c.formats), c.dateTime);
    }
}
