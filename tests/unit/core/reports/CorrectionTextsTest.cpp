#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/log/Corrections.h"
#include "core/reports/CorrectionTexts.h"
#include "unit/support/LogPairsSupport.h"

namespace {

TEST(CorrectionLine, SaysWhatOkWillDoInTheUsersWords) {
    const LocaleFormats american;
    LocaleFormats german;
    german.LongDate = "dddd, d. MMMM yyyy";
    german.MonthNames[11] = "Dezember";
    german.DayNames[3] = "Mittwoch";
    enum Kind { Add, Remove };
    struct Case {
        Kind kind;
        const char* log;
        const char* range;
        const LocaleFormats& formats;
        const char* expected;
    } cases[] = {
        {Add, "", "8-9:30", american, "Adds 1:30 to Wednesday, December 9, 2026"},
        {Add, "", "8-9:30", german, "Adds 1:30 to Mittwoch, 9. Dezember 2026"},
        // Only what is not counted yet: the hour between the two sessions.
        {Add, "9-10 11-12", "9:30-11:15", american, "Adds 1:00 to Wednesday, December 9, 2026"},
        // Seconds of a session's end round to the minute.
        {Add, "8-9:00:20", "9-10", american, "Adds 1:00 to Wednesday, December 9, 2026"},
        // Up to midnight of the 11th is up to the end of the 10th.
        {Add, "", "22-48", american,
         "Adds 26:00 between Wednesday, December 9, 2026 and Thursday, December 10, 2026"},
        {Add, "9-10 11-12", "11:30-33", american,
         "Adds 21:00 between Wednesday, December 9, 2026 and Thursday, December 10, 2026"},
        // The day is the one the time goes to, not the one From lies in.
        {Add, "18-24", "20-25", american, "Adds 1:00 to Thursday, December 10, 2026"},
        {Add, "9-10 11-12", "9:15-9:45", american,
         "Adds nothing: all of this time is recorded already"},
        {Remove, "9-10 11-12", "9:30-11:15", american, "Removes 0:45 from 2 sessions"},
        {Remove, "9-10 11-12", "9:30-10:30", american, "Removes 0:30 from 1 session"},
        {Remove, "9-10 33-34:30", "0-48", american,
         "Removes 2:30 from 2 sessions between Wednesday, December 9, 2026 and Thursday, December "
         "10, 2026"},
        {Remove, "9-10 11-12", "10-11", american,
         "Removes nothing: no recorded time lies between From and To"},
        {Remove, "9-10 11-12", "10-10", american, "To must be later than From."},
        {Add, "9-10 11-12", "59-61", american,
         "To is later than now: only time that has passed can be corrected."},
    };
    const DateTime now = Time("60");
    for (const auto& test : cases) {
        const std::vector<LogPair> pairs = Log(test.log);
        const CorrectionPlan plan = test.kind == Add
                                        ? PlanAddTime(pairs, SpanOf(test.range), now, false)
                                        : PlanRemoveTime(pairs, SpanOf(test.range), now, false);
        const ChangeKind kind = test.kind == Add ? ChangeKind::AddTime : ChangeKind::RemoveTime;
        EXPECT_EQ(CorrectionLine(kind, plan.Result, test.formats), test.expected);
    }
}

TEST(PrefillRange, TakesTheSelectedPeriodInWholeMinutes) {
    const DateTime now = EncodeDateTime(2026, 12, 9, 14, 37, 50);
    struct Case {
        const char* name;
        PeriodKind kind;
        DateTime start;
        DateTime end;
        Span expected;
    } cases[] = {
        {"a session piece, rounded out",
         PeriodKind::Session,
         EncodeDateTime(2026, 12, 8, 9, 3, 25),
         EncodeDateTime(2026, 12, 8, 10, 15, 40),
         {EncodeDateTime(2026, 12, 8, 9, 3), EncodeDateTime(2026, 12, 8, 10, 16)}},
        {"a session piece on whole minutes",
         PeriodKind::Session,
         EncodeDateTime(2026, 12, 8, 9, 0),
         EncodeDateTime(2026, 12, 8, 17, 59),
         {EncodeDateTime(2026, 12, 8, 9, 0), EncodeDateTime(2026, 12, 8, 17, 59)}},
        {"a piece up to midnight",
         PeriodKind::Session,
         EncodeDateTime(2026, 12, 7, 22, 0),
         EncodeDate(2026, 12, 8),
         {EncodeDateTime(2026, 12, 7, 22, 0), EncodeDate(2026, 12, 8)}},
        {"a day",
         PeriodKind::Day,
         EncodeDateTime(2026, 12, 8, 9, 3, 25),
         EncodeDateTime(2026, 12, 8, 17, 0),
         {EncodeDate(2026, 12, 8), EncodeDateTime(2026, 12, 8, 23, 59)}},
        {"today, up to now",
         PeriodKind::Day,
         EncodeDateTime(2026, 12, 9, 8, 0),
         now,
         {EncodeDate(2026, 12, 9), EncodeDateTime(2026, 12, 9, 14, 37)}},
        {"a leap February",
         PeriodKind::Month,
         EncodeDateTime(2024, 2, 12, 8, 0),
         EncodeDateTime(2024, 2, 20, 8, 0),
         {EncodeDate(2024, 2, 1), EncodeDateTime(2024, 2, 29, 23, 59)}},
        {"a December",
         PeriodKind::Month,
         EncodeDateTime(2025, 12, 1, 8, 0),
         EncodeDateTime(2025, 12, 31, 8, 0),
         {EncodeDate(2025, 12, 1), EncodeDateTime(2025, 12, 31, 23, 59)}},
        {"a year",
         PeriodKind::Year,
         EncodeDateTime(2025, 3, 3, 8, 0),
         EncodeDateTime(2025, 11, 3, 8, 0),
         {EncodeDate(2025, 1, 1), EncodeDateTime(2025, 12, 31, 23, 59)}},
        {"the whole log",
         PeriodKind::Total,
         EncodeDateTime(2024, 5, 6, 8, 0),
         EncodeDateTime(2025, 7, 1, 0, 0),
         {EncodeDate(2024, 5, 6), EncodeDateTime(2025, 6, 30, 23, 59)}},
    };
    for (const auto& test : cases) {
        const Span range = PrefillRange(test.kind, test.start, test.end, now);
        EXPECT_EQ(range.Start, test.expected.Start) << test.name;
        EXPECT_EQ(range.End, test.expected.End) << test.name;
    }
}

}  // namespace
