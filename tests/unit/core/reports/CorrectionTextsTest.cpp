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
    const auto twoSessions = PairsOf({{At(9, 0), At(10, 0)}, {At(11, 0), At(12, 0)}});
    // Monday and Tuesday before 2026-12-09.
    const auto earlierDays =
        PairsOf({{At(9, 0, 0, -2), At(10, 0, 0, -2)}, {At(9, 0, 0, -1), At(10, 30, 0, -1)}});
    enum Kind { Add, Remove };
    struct Case {
        Kind kind;
        std::vector<LogPair> pairs;
        Span range;
        const LocaleFormats& formats;
        const char* expected;
    } cases[] = {
        {Add, {}, {At(8, 0), At(9, 30)}, american, "Adds 1:30 to Wednesday, December 9, 2026"},
        {Add, {}, {At(8, 0), At(9, 30)}, german, "Adds 1:30 to Mittwoch, 9. Dezember 2026"},
        // Only what is not counted yet: the hour between the two sessions.
        {Add,
         twoSessions,
         {At(9, 30), At(11, 15)},
         american,
         "Adds 1:00 to Wednesday, December 9, 2026"},
        // Seconds of a session's end round to the minute.
        {Add,
         PairsOf({{At(8, 0), At(9, 0, 20)}}),
         {At(9, 0), At(10, 0)},
         american,
         "Adds 1:00 to Wednesday, December 9, 2026"},
        {Add,
         {},
         {At(22, 0, 0, -2), At(0, 0)},
         american,
         "Adds 26:00 between Monday, December 7, 2026 and Tuesday, December 8, 2026"},
        // The day is the one the time goes to, not the one From lies in.
        {Add,
         PairsOf({{At(18, 0, 0, -1), At(0, 0)}}),
         {At(20, 0, 0, -1), At(1, 0)},
         american,
         "Adds 1:00 to Wednesday, December 9, 2026"},
        {Add,
         twoSessions,
         {At(18, 0, 0, -1), At(9, 30)},
         american,
         "Adds 15:00 between Tuesday, December 8, 2026 and Wednesday, December 9, 2026"},
        {Add,
         twoSessions,
         {At(11, 45), At(12, 15)},
         american,
         "Adds 0:15 to Wednesday, December 9, 2026"},
        {Add,
         twoSessions,
         {At(9, 15), At(9, 45)},
         american,
         "Adds nothing: all of this time is recorded already"},
        {Remove, twoSessions, {At(9, 30), At(11, 15)}, american, "Removes 0:45 from 2 sessions"},
        {Remove, twoSessions, {At(9, 30), At(10, 30)}, american, "Removes 0:30 from 1 session"},
        {Remove,
         earlierDays,
         {At(0, 0, 0, -2), At(0, 0)},
         american,
         "Removes 2:30 from 2 sessions between Monday, December 7, 2026 and Tuesday, December "
         "8, 2026"},
        {Remove,
         twoSessions,
         {At(10, 0), At(11, 0)},
         american,
         "Removes nothing: no recorded time lies between From and To"},
        {Remove, twoSessions, {At(10, 0), At(10, 0)}, american, "To must be later than From."},
        {Add,
         twoSessions,
         {At(10, 0), At(14, 0)},
         american,
         "To is later than now: only time that has passed can be corrected."},
    };
    const DateTime now = At(13, 0);
    for (const auto& test : cases) {
        const CorrectionPlan plan = test.kind == Add
                                        ? PlanAddTime(test.pairs, test.range, now, false)
                                        : PlanRemoveTime(test.pairs, test.range, now, false);
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
