#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/reports/WorkTime.h"
#include "core/tree/Period.h"
#include "unit/support/MemoryFileSystem.h"

namespace {

using Pair = std::pair<DateTime, DateTime>;

constexpr std::int64_t Hm(std::int64_t hours, std::int64_t minutes) {
    return hours * 3600 + minutes * 60;
}

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return EncodeDateTime(year, month, day, hour, minute, second);
}

std::vector<DayTotal> DaysOf(const std::vector<Pair>& pairs) {
    MemoryFileSystem files;
    files.SetFile("log", LogBytes(pairs, ""));
    return ReadLogTotals(files, {"log", ""}).Days();
}

WorkTimeSettings Settings(std::int64_t weekSeconds, bool deduct) {
    WorkTimeSettings settings;
    settings.weekSeconds = weekSeconds;
    settings.deductBreaks = deduct;
    return settings;
}

}  // namespace

TEST(WorkTimeFigures, CountedDeductsTheMissingBreakPerCalendarDay) {
    // The four examples of the rules 6:00/0:30 and 9:00/0:45, breaks taken, rules off.
    const WorkTimeSettings on = Settings(0, true);
    const struct {
        std::int64_t worked, breaks;
        bool deduct;
        std::int64_t counted;
    } cases[] = {
        {Hm(6, 10), 0, true, Hm(6, 0)},          {Hm(9, 5), 0, true, Hm(8, 35)},
        {Hm(9, 20), Hm(0, 20), true, Hm(9, 0)},  {Hm(5, 59), 0, true, Hm(5, 59)},
        {Hm(6, 20), Hm(0, 20), true, Hm(6, 10)}, {Hm(10, 0), 0, true, Hm(9, 15)},
        {Hm(10, 0), Hm(1, 0), true, Hm(10, 0)},  {Hm(9, 5), 0, false, Hm(9, 5)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CountedSeconds(c.worked, c.breaks, Settings(0, c.deduct)), c.counted)
            << c.worked << " " << c.breaks;
    }
    // The rule as it reads, tried minute by minute from the top, on a grid of days.
    for (std::int64_t worked = 0; worked <= Hm(12, 0); worked += 300) {
        for (std::int64_t breaks = 0; breaks <= Hm(1, 0); breaks += 300) {
            std::int64_t c = worked;
            while (c > 0 && ((c > Hm(6, 0) && breaks + worked - c < Hm(0, 30)) ||
                             (c > Hm(9, 0) && breaks + worked - c < Hm(0, 45))))
                c -= 60;
            EXPECT_EQ(CountedSeconds(worked, breaks, on), c) << worked << " " << breaks;
        }
    }

    // Monday 2026-03-02 16:00 to Tuesday 1:00; Wednesday eleven sessions of 52 minutes with ten
    // breaks of 2 minutes from 8:00; Thursday out of log order, with seconds.
    std::vector<Pair> pairs = {{At(2026, 3, 2, 16), At(2026, 3, 3, 1)},
                               {At(2026, 3, 5, 12, 0, 30), At(2026, 3, 5, 17)},
                               {At(2026, 3, 5, 8, 59, 59), At(2026, 3, 5, 12)}};
    for (int k = 0; k < 11; ++k)
        pairs.emplace_back(At(2026, 3, 4, 8, k * 54), At(2026, 3, 4, 8, k * 54 + 52));
    const struct {
        std::int64_t start, end, worked, breaks, counted;
    } expected[] = {
        {Hm(16, 0), Hm(24, 0), Hm(8, 0), 0, Hm(7, 30)},
        {0, Hm(1, 0), Hm(1, 0), 0, Hm(1, 0)},
        {Hm(8, 0), Hm(17, 52), Hm(9, 32), Hm(0, 20), Hm(9, 7)},
        {Hm(8, 59) + 59, Hm(17, 0), Hm(7, 59) + 31, 30, Hm(7, 30) + 1},
    };
    const auto figures =
        FiguresOfDays(DaysOf(pairs), on, DayMarks(), At(2026, 3, 2), At(2026, 3, 5));
    ASSERT_EQ(figures.size(), 4u);
    for (std::size_t d = 0; d < 4; ++d) {
        const auto& e = expected[d];
        EXPECT_TRUE(figures[d].logged);
        EXPECT_EQ((std::vector<std::int64_t>{figures[d].start, figures[d].end, figures[d].worked,
                                             figures[d].breaks, figures[d].counted}),
                  (std::vector<std::int64_t>{e.start, e.end, e.worked, e.breaks, e.counted}))
            << d;
    }
}

TEST(WorkTimeFigures, TargetSplitsTheWeekOverUnmarkedWorkDays) {
    const WorkDays four = {true, true, true, true, false, false, false};
    const WorkDays five = {true, true, true, true, true, false, false};
    const WorkDays six = {true, true, true, true, true, true, false};
    const WorkDays all = {true, true, true, true, true, true, true};
    const DateTime monday = At(2026, 3, 2);
    const struct {
        std::int64_t week;
        WorkDays days;
        DateTime day;
        DayMark mark;
        std::int64_t target;
    } cases[] = {
        {Hm(38, 30), four, monday, DayMark::None, Hm(9, 37) + 30},
        {Hm(38, 30), four, monday + 4, DayMark::None, 0},  // Friday
        {Hm(38, 30), five, monday + 4, DayMark::None, Hm(7, 42)},
        {Hm(38, 30), six, monday + 5, DayMark::None, Hm(6, 25)},
        {Hm(37, 30), four, monday, DayMark::None, Hm(9, 22) + 30},
        {Hm(37, 30), five, monday + 0.5, DayMark::None, Hm(7, 30)},
        {Hm(37, 30), six, monday + 6, DayMark::None, 0},     // Sunday
        {Hm(40, 0), all, monday + 6, DayMark::None, 20571},  // 20571.43 seconds
        {Hm(37, 30), all, monday, DayMark::None, 19286},     // 19285.71
        {0, five, monday, DayMark::None, 0},
        {Hm(40, 0), WorkDays{}, monday, DayMark::None, 0},
        {Hm(40, 0), five, monday, DayMark::Holiday, 0},
        {Hm(40, 0), five, monday, DayMark::Vacation, 0},
        {Hm(40, 0), five, monday, DayMark::Sick, 0},
    };
    for (const auto& c : cases) {
        WorkTimeSettings settings = Settings(c.week, false);
        settings.workDays = c.days;
        EXPECT_EQ(TargetSeconds(settings, c.day, c.mark), c.target)
            << c.week << " " << WorkDaysText(c.days) << " " << c.day;
    }
}

TEST(WorkTimeFigures, BalanceSumsTheDifferencesAcrossMonthAndYearEnd) {
    // 8:00 a day from Monday to Friday; Monday 2026-12-28 to Tuesday 2027-01-05.
    const std::vector<DayTotal> days = DaysOf({
        {At(2026, 12, 28, 8), At(2026, 12, 28, 17)},      // Mon 9:00       +1:00
        {At(2026, 12, 29, 8), At(2026, 12, 29, 15, 30)},  // Tue 7:30       -0:30
        {At(2026, 12, 31, 9), At(2026, 12, 31, 13)},      // Thu 4:00       -4:00 (Wed on vacation)
        {At(2027, 1, 1, 10), At(2027, 1, 1, 11)},         // Fri holiday    +1:00
        {At(2027, 1, 2, 10), At(2027, 1, 2, 12)},         // Sat 2:00       +2:00
        {At(2027, 1, 4, 8), At(2027, 1, 4, 16)},          // Mon 8:00       0
        {At(2027, 1, 5, 7), At(2027, 1, 5, 10)},          // Tue, today
    });
    DayMarks marks;
    marks.Set(At(2026, 12, 30), DayMark::Vacation);
    marks.Set(At(2027, 1, 1), DayMark::Holiday);
    const auto from = [](std::optional<DateTime> day, std::int64_t week = Hm(40, 0)) {
        WorkTimeSettings settings = Settings(week, false);
        settings.balanceFrom = day;
        return settings;
    };
    const struct {
        WorkTimeSettings settings;
        DateTime through;
        std::int64_t balance;
    } cases[] = {
        {from(std::nullopt), At(2026, 12, 31, 23), -Hm(3, 30)},  // from the log's first day
        {from(std::nullopt), At(2027, 1, 1), -Hm(2, 30)},
        {from(std::nullopt), At(2027, 1, 4), -Hm(0, 30)},
        {from(At(2026, 12, 29)), At(2027, 1, 4), -Hm(1, 30)},
        {from(At(2026, 12, 20)), At(2027, 1, 4), -Hm(40, 30)},  // a week before the log
        {from(At(2026, 12, 29)), At(2026, 12, 28), 0},
        {from(std::nullopt, 0), At(2027, 1, 4), Hm(31, 30)},  // no target: all counts
    };
    for (const auto& c : cases)
        EXPECT_EQ(BalanceThrough(days, c.settings, marks, c.through), c.balance) << c.through;
    EXPECT_EQ(WorkTimeAt(days, from(std::nullopt), marks, At(2027, 1, 5, 10)).balance, -Hm(0, 30));
    EXPECT_EQ(BalanceThrough({}, from(std::nullopt), marks, At(2027, 1, 5)), 0);
}

TEST(WorkTimeFigures, LeaveAtIsWhenTodaysCountedTimeReachesTheTarget) {
    const DateTime today = At(2027, 1, 5);  // a Tuesday
    const auto at = [&](int hour, int minute) { return today + (hour * 60 + minute) / 1440.0; };
    const struct {
        const char* name;
        std::int64_t week;
        bool deduct;
        std::vector<Pair> pairs;
        DateTime now;
        std::int64_t leaveAt;  // from today's midnight; -1: reached
    } cases[] = {
        {"rules off", Hm(40, 0), false, {{at(8, 0), at(11, 0)}}, at(11, 0), Hm(16, 0)},
        {"a break to take", Hm(40, 0), true, {{at(8, 0), at(11, 0)}}, at(11, 0), Hm(16, 30)},
        {"a break taken",
         Hm(40, 0),
         true,
         {{at(8, 0), at(11, 0)}, {at(11, 20), at(12, 0)}},
         at(12, 0),
         Hm(16, 30)},
        {"away since", Hm(40, 0), true, {{at(8, 0), at(11, 0)}}, at(11, 10), Hm(16, 30)},
        {"nothing yet", Hm(40, 0), true, {}, at(9, 0), Hm(17, 30)},
        {"late", Hm(40, 0), true, {}, at(20, 0), Hm(28, 30)},  // tomorrow at 4:30
        {"second rule", Hm(47, 30), true, {}, at(8, 0), Hm(18, 15)},
        {"at, rules off", Hm(40, 0), false, {{at(8, 0), at(16, 0)}}, at(16, 0), -1},
        {"at, break missing", Hm(40, 0), true, {{at(8, 0), at(16, 0)}}, at(16, 0), Hm(16, 30)},
        {"after", Hm(40, 0), true, {{at(8, 0), at(17, 0)}}, at(17, 0), -1},
        {"no target", 0, true, {}, at(9, 0), -1},
        {"Saturday", Hm(40, 0), true, {}, at(9, 0) + 4, -1},
    };
    for (const auto& c : cases) {
        const WorkTimeSettings settings = Settings(c.week, c.deduct);
        const WorkTimeToday state = WorkTimeAt(DaysOf(c.pairs), settings, DayMarks(), c.now);
        EXPECT_EQ(state.reached, c.leaveAt < 0) << c.name;
        if (c.leaveAt < 0) continue;
        EXPECT_EQ(std::llround((state.leaveAt - today) * 86400), c.leaveAt) << c.name;
        // Working on until then reaches the target; a minute less does not.
        if (c.leaveAt >= Hm(24, 0)) continue;
        std::vector<Pair> more = c.pairs;
        more.emplace_back(c.now, state.leaveAt);
        const DayFigures then = WorkTimeAt(DaysOf(more), settings, DayMarks(), c.now).today;
        EXPECT_EQ(then.counted, then.target) << c.name;
        more.back().second -= 1 / 1440.0;
        const DayFigures early = WorkTimeAt(DaysOf(more), settings, DayMarks(), c.now).today;
        EXPECT_LT(early.counted, early.target) << c.name;
    }
}

TEST(WorkTimeFigures, DurationTextsRoundMinutesHalfToEvenWithASign) {
    const struct {
        std::int64_t seconds;
        const char *text, *signedText;
    } cases[] = {
        {0, "0:00", "0:00"},     {-29, "0:00", "0:00"},         {30, "0:00", "0:00"},
        {90, "0:02", "+0:02"},   {150, "0:02", "+0:02"},        {-1800, "-0:30", "-0:30"},
        {4500, "1:15", "+1:15"}, {3570, "1:00", "+1:00"},       {3630, "1:00", "+1:00"},
        {3690, "1:02", "+1:02"}, {360000, "100:00", "+100:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SecondsText(c.seconds), c.text) << c.seconds;
        EXPECT_EQ(SignedSecondsText(c.seconds), c.signedText) << c.seconds;
    }
    // The tree's texts of the same durations, away from exact ties.
    for (std::int64_t seconds = 1; seconds < 30000; seconds += 7) {
        if (seconds % 60 == 30) continue;  // a tie of the floating-point days may go either way
        EXPECT_EQ(SecondsText(seconds), DurationText(seconds / 86400.0)) << seconds;
    }
}
