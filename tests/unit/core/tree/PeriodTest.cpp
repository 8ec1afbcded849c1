#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "core/time/DateTime.h"
#include "core/tree/Period.h"

namespace {

LocaleFormats Formats(const char* shortDate, const char* longTime) {
    LocaleFormats formats;
    formats.ShortDate = shortDate;
    formats.LongTime = longTime;
    return formats;
}

constexpr double kHour = 1.0 / 24;

}  // namespace

TEST(Period, PeriodTextOfEveryKind) {
    const LocaleFormats german = Formats("dd.MM.yyyy", "HH:mm:ss");
    const LocaleFormats plain = Formats("dd.MM.yyyy", "H:mm:ss");
    const LocaleFormats american = Formats("M/d/yyyy", "h:mm:ss tt");
    const DateTime march5 = EncodeDate(2001, 3, 5);
    const DateTime march1 = EncodeDateTime(2001, 3, 1, 8, 0);
    struct Case {
        PeriodKind kind;
        DateTime start;
        DateTime end;
        const LocaleFormats& formats;
        const char* expected;
    } cases[] = {
        {PeriodKind::Session, march5 + EncodeTime(22, 15, 40), march5 + EncodeTime(23, 59, 10),
         german, "22:15 - 23:59"},
        // Ending at midnight: the end's time of day is 0.
        {PeriodKind::Session, march5 + EncodeTime(22, 15, 40), march5 + 1, german, "22:15 - 00:00"},
        {PeriodKind::Session, march5 + EncodeTime(22, 15, 40), march5 + 1, plain, "22:15 - 0:00"},
        {PeriodKind::Session, march5 + EncodeTime(3, 5, 0), march5 + EncodeTime(9, 7, 59), plain,
         "3:05 - 9:07"},
        // A 12-hour format keeps its AM/PM marker; the seconds go.
        {PeriodKind::Session, march5 + EncodeTime(15, 45, 12), march5 + EncodeTime(16, 0, 0),
         american, "3:45 PM - 4:00 PM"},
        {PeriodKind::Session, march5 + EncodeTime(10, 0, 0), march5 + EncodeTime(10, 0, 0), german,
         "10:00 - 10:00"},
        {PeriodKind::Day, march5 + EncodeTime(9, 0, 0), march5 + EncodeTime(16, 5, 0), german,
         "05.03.2001 -> 7:05"},
        {PeriodKind::Day, march5, march5 + 12.5 * kHour, american, "3/5/2001 -> 12:30"},
        {PeriodKind::Month, march1, march1 + 12.5 * kHour, german, "March 2001 -> 12:30"},
        {PeriodKind::Month, EncodeDate(1999, 12, 31), EncodeDate(1999, 12, 31), american,
         "December 1999 -> 0:00"},
        {PeriodKind::Year, march1, march1 + 1000 * kHour, german, "2001 -> 1000:00"},
        {PeriodKind::Year, march1, march1, german, "2001 -> 0:00"},
        // The total shows the date that lies the logged time after the first start.
        {PeriodKind::Total, march1, march1 + 50 * kHour, german,
         "From 01.03.2001 to 03.03.2001 -> 50:00"},
        {PeriodKind::Total, march1, march1, american, "From 3/1/2001 to 3/1/2001 -> 0:00"},
    };
    for (const auto& c : cases) {
        const Period info(c.kind, c.start, c.end);
        EXPECT_EQ(info.PeriodText(c.formats), c.expected);
    }
}

TEST(Period, DurationsMoveTheEndButNotTheCalendarFields) {
    const DateTime start = EncodeDateTime(2001, 12, 31, 23, 0);
    Period info(PeriodKind::Day, start, start);
    EXPECT_EQ(info.Duration, 0.0);
    info.AddDuration(0.75);
    info.AddDuration(1.5);
    EXPECT_EQ(info.Duration, 0.75 + 1.5);
    EXPECT_EQ(info.EndTime, start + (0.75 + 1.5));
    EXPECT_EQ(info.StartTime, start);
    EXPECT_EQ(info.Year, 2001);
    EXPECT_EQ(info.Month, 12);
    EXPECT_EQ(info.Day, 31);
    EXPECT_EQ(info.PeriodText(Formats("dd.MM.yyyy", "HH:mm:ss")), "31.12.2001 -> 54:00");

    info.SetDuration(kHour);
    EXPECT_EQ(info.EndTime, start + kHour);
    EXPECT_EQ(info.Duration, kHour);

    const Period session(PeriodKind::Session, start, start + 3 * kHour);
    EXPECT_NEAR(session.Duration, 3 * kHour, 1e-9);
    EXPECT_EQ(session.EndTime, start + 3 * kHour);
}

TEST(TimeOfDayText, DropsTheSecondsFieldAndKeepsTheRest) {
    const DateTime value = EncodeDateTime(2001, 3, 5, 14, 7, 30);
    const DateTime morning = EncodeDateTime(2001, 3, 5, 9, 5, 0);
    struct Case {
        const char* longTime;
        DateTime value;
        const char* expected;
    } cases[] = {
        {"HH:mm:ss", value, "14:07"},
        {"H:mm:ss", EncodeDateTime(2001, 3, 5, 0, 0, 0), "0:00"},
        {"h:mm:ss tt", value, "2:07 PM"},
        {"h:mm:ss tt", morning, "9:05 AM"},
        {"tt hh:mm:ss", value, "PM 02:07"},
        {"h:mm:ss t", value, "2:07 P"},
        {"HH.mm", value, "14.07"},
        {"ss:HH:mm", value, "14:07"},
        {"HH", value, "14"},
        {"H", value, "14"},
        {"", value, ""},
        {"'at' HH:mm:ss 'h'", value, "at 14:07 h"},
        // Only the time of day counts, whatever the date picture elements would show.
        {"yyyy HH:mm:ss", value, "1899 14:07"},
        {"HH:mm:ss", -1.25, "06:00"},
        {"HH:mm:ss", std::numeric_limits<double>::quiet_NaN(), "00:00"},
        {"HH:mm:ss", std::numeric_limits<double>::infinity(), "00:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimeOfDayText(c.value, Formats("dd.MM.yyyy", c.longTime)), c.expected)
            << c.longTime;
}

TEST(Period, GarbageDatesHaveSafeTexts) {
    const LocaleFormats formats = Formats("dd.MM.yyyy", "HH:mm:ss");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Period month(PeriodKind::Month, nan, nan);
    EXPECT_EQ(month.Month, 0);
    EXPECT_EQ(month.PeriodText(formats), "0 0 -> 0:00");
    const Period early(PeriodKind::Month, -800000.0, -800000.0 + kHour);
    EXPECT_EQ(early.PeriodText(formats), "0 0 -> 1:00");
    const Period total(PeriodKind::Total, 1e300, 1e300);
    EXPECT_EQ(total.PeriodText(formats), "From 00.00.0000 to 00.00.0000 -> 0:00");
}
