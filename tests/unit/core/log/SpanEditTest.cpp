#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "core/log/Corrections.h"
#include "unit/support/LogPairsSupport.h"

namespace {

const DateTime kNow = At(23, 0, 0, 1);

struct EditCase {
    const char* name;
    std::vector<LogPair> before;
    Span range;
    bool recording;
    std::vector<LogPair> after;
    std::vector<Span> changed;  // added or removed
    std::size_t touched;
    std::optional<DateTime> runningStart;
    DateTime now = kNow;
};

void Check(const EditCase& test, const CorrectionPlan& plan, const std::vector<Span>& changed) {
    EXPECT_EQ(plan.Result.Refusal, CorrectionRefusal::None);
    EXPECT_EQ(BitsOf(plan.Pairs), BitsOf(test.after)) << Describe(plan.Pairs);
    EXPECT_EQ(changed, test.changed);
    EXPECT_EQ(plan.Result.TouchedSessions, test.touched);
    EXPECT_EQ(plan.Result.Changed, BitsOf(test.after) != BitsOf(test.before));
    EXPECT_EQ(plan.Result.RunningStart, test.runningStart);
}

TEST(AddTime, JoinsTheSessionsItOverlapsOrTouches) {
    const EditCase cases[] = {
        {"apart from every session",
         PairsOf({{At(9, 0), At(10, 0)}}),
         {At(11, 0), At(12, 0)},
         false,
         PairsOf({{At(9, 0), At(10, 0)}, {At(11, 0), At(12, 0)}}),
         {{At(11, 0), At(12, 0)}},
         0,
         std::nullopt},
        {"before every session goes first",
         PairsOf({{At(9, 0), At(10, 0)}}),
         {At(7, 0), At(8, 0)},
         false,
         PairsOf({{At(7, 0), At(8, 0)}, {At(9, 0), At(10, 0)}}),
         {{At(7, 0), At(8, 0)}},
         0,
         std::nullopt},
        {"between two sessions",
         PairsOf({{At(8, 0), At(9, 0)}, {At(12, 0), At(13, 0)}}),
         {At(10, 0), At(11, 0)},
         false,
         PairsOf({{At(8, 0), At(9, 0)}, {At(10, 0), At(11, 0)}, {At(12, 0), At(13, 0)}}),
         {{At(10, 0), At(11, 0)}},
         0,
         std::nullopt},
        {"touching a session's end",
         PairsOf({{At(9, 0), At(10, 0)}, {At(12, 0), At(13, 0)}}),
         {At(10, 0), At(11, 0)},
         false,
         PairsOf({{At(9, 0), At(11, 0)}, {At(12, 0), At(13, 0)}}),
         {{At(10, 0), At(11, 0)}},
         1,
         std::nullopt},
        {"touching a session's start",
         PairsOf({{At(9, 0), At(10, 0)}}),
         {At(8, 0), At(9, 0)},
         false,
         PairsOf({{At(8, 0), At(10, 0)}}),
         {{At(8, 0), At(9, 0)}},
         1,
         std::nullopt},
        {"overlapping two sessions",
         PairsOf({{At(8, 0), At(8, 30)},
                  {At(9, 0), At(10, 0)},
                  {At(11, 0), At(12, 0)},
                  {At(13, 0), At(14, 0)}}),
         {At(9, 30), At(11, 30)},
         false,
         PairsOf({{At(8, 0), At(8, 30)}, {At(9, 0), At(12, 0)}, {At(13, 0), At(14, 0)}}),
         {{At(10, 0), At(11, 0)}},
         2,
         std::nullopt},
        {"inside a session",
         PairsOf({{At(9, 0), At(12, 0)}}),
         {At(10, 0), At(11, 0)},
         false,
         PairsOf({{At(9, 0), At(12, 0)}}),
         {},
         0,
         std::nullopt},
        {"around a session",
         PairsOf({{At(10, 0), At(11, 0)}}),
         {At(9, 0), At(12, 0)},
         false,
         PairsOf({{At(9, 0), At(12, 0)}}),
         {{At(9, 0), At(10, 0)}, {At(11, 0), At(12, 0)}},
         1,
         std::nullopt},
        {"across midnight",
         PairsOf({{At(22, 0), At(23, 0)}}),
         {At(23, 30), At(1, 0, 0, 1)},
         false,
         PairsOf({{At(22, 0), At(23, 0)}, {At(23, 30), At(1, 0, 0, 1)}}),
         {{At(23, 30), At(1, 0, 0, 1)}},
         0,
         std::nullopt},
        {"across midnight into the next day's session",
         PairsOf({{At(22, 0), At(23, 0)}, {At(0, 30, 0, 1), At(2, 0, 0, 1)}}),
         {At(23, 30), At(1, 0, 0, 1)},
         false,
         PairsOf({{At(22, 0), At(23, 0)}, {At(23, 30), At(2, 0, 0, 1)}}),
         {{At(23, 30), At(0, 30, 0, 1)}},
         1,
         std::nullopt},
        {"garbage stays where it is, though its start lies in the span",
         {LogPair::Of(At(8, 0), At(9, 0)), NanPair(), BackwardPair(),
          LogPair::Of(At(12, 0), At(13, 0))},
         {At(9, 0), At(11, 0)},
         false,
         {LogPair::Of(At(8, 0), At(11, 0)), NanPair(), BackwardPair(),
          LogPair::Of(At(12, 0), At(13, 0))},
         {{At(9, 0), At(11, 0)}},
         1,
         std::nullopt},
        {"a new pair goes before the first session that starts later",
         {LogPair::Of(At(8, 0), At(9, 0)), NanPair(), LogPair::Of(At(12, 0), At(13, 0))},
         {At(10, 0), At(11, 0)},
         false,
         {LogPair::Of(At(8, 0), At(9, 0)), NanPair(), LogPair::Of(At(10, 0), At(11, 0)),
          LogPair::Of(At(12, 0), At(13, 0))},
         {{At(10, 0), At(11, 0)}},
         0,
         std::nullopt},
        {"a new last session goes before garbage at the end",
         {LogPair::Of(At(8, 0), At(9, 0)), NanPair()},
         {At(10, 0), At(11, 0)},
         false,
         {LogPair::Of(At(8, 0), At(9, 0)), LogPair::Of(At(10, 0), At(11, 0)), NanPair()},
         {{At(10, 0), At(11, 0)}},
         0,
         std::nullopt},
        {"running: joined from before, it keeps the end the recorder wrote",
         PairsOf({{At(8, 0), At(9, 0)}, {At(10, 0), At(11, 0, 20)}}),
         {At(9, 30), At(10, 30)},
         true,
         PairsOf({{At(8, 0), At(9, 0)}, {At(9, 30), At(11, 0, 20)}}),
         {{At(9, 30), At(10, 0)}},
         1,
         At(9, 30)},
        {"running: a span reaching it takes the sessions in between along",
         PairsOf({{At(8, 0), At(9, 0)}, {At(9, 30), At(9, 45)}, {At(10, 0), At(11, 0, 20)}}),
         {At(8, 30), At(10, 0)},
         true,
         PairsOf({{At(8, 0), At(11, 0, 20)}}),
         {{At(9, 0), At(9, 30)}, {At(9, 45), At(10, 0)}},
         3,
         At(8, 0)},
        {"running: time past its end is the recorder's to count",
         PairsOf({{At(10, 0), At(11, 0, 20)}}),
         {At(10, 30), At(11, 30)},
         true,
         PairsOf({{At(10, 0), At(11, 0, 20)}}),
         {},
         0,
         std::nullopt,
         At(11, 30, 30)},
        {"not recording: the last session is one like the others",
         PairsOf({{At(10, 0), At(11, 0, 20)}}),
         {At(10, 30), At(11, 30)},
         false,
         PairsOf({{At(10, 0), At(11, 30)}}),
         {{At(11, 0, 20), At(11, 30)}},
         1,
         std::nullopt,
         At(11, 30, 30)},
        {"running: a span before it goes before it",
         PairsOf({{At(8, 0), At(9, 0)}, {At(10, 0), At(11, 0, 20)}}),
         {At(9, 10), At(9, 50)},
         true,
         PairsOf({{At(8, 0), At(9, 0)}, {At(9, 10), At(9, 50)}, {At(10, 0), At(11, 0, 20)}}),
         {{At(9, 10), At(9, 50)}},
         0,
         std::nullopt},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const CorrectionPlan plan = PlanAddTime(test.before, test.range, test.now, test.recording);
        Check(test, plan, plan.Result.Change.Added);
        EXPECT_TRUE(plan.Result.Change.Removed.empty());
    }
}

TEST(RemoveTime, CutsTheSpanOutOfTheSessions) {
    const EditCase cases[] = {
        {"apart from every session",
         PairsOf({{At(9, 0), At(10, 0)}}),
         {At(11, 0), At(12, 0)},
         false,
         PairsOf({{At(9, 0), At(10, 0)}}),
         {},
         0,
         std::nullopt},
        {"touching sessions",
         PairsOf({{At(9, 0), At(10, 0)}, {At(11, 0), At(12, 0)}}),
         {At(10, 0), At(11, 0)},
         false,
         PairsOf({{At(9, 0), At(10, 0)}, {At(11, 0), At(12, 0)}}),
         {},
         0,
         std::nullopt},
        {"a session's end: shortened",
         PairsOf({{At(9, 0), At(11, 0)}}),
         {At(10, 0), At(12, 0)},
         false,
         PairsOf({{At(9, 0), At(10, 0)}}),
         {{At(10, 0), At(11, 0)}},
         1,
         std::nullopt},
        {"a session's start: shortened",
         PairsOf({{At(9, 0), At(11, 0)}}),
         {At(8, 0), At(10, 0)},
         false,
         PairsOf({{At(10, 0), At(11, 0)}}),
         {{At(9, 0), At(10, 0)}},
         1,
         std::nullopt},
        {"around: split in two, in order",
         PairsOf({{At(9, 0), At(12, 0)}, {At(13, 0), At(14, 0)}}),
         {At(10, 0), At(11, 0)},
         false,
         PairsOf({{At(9, 0), At(10, 0)}, {At(11, 0), At(12, 0)}, {At(13, 0), At(14, 0)}}),
         {{At(10, 0), At(11, 0)}},
         1,
         std::nullopt},
        {"inside: removed",
         PairsOf({{At(9, 0), At(10, 0)}, {At(11, 0), At(12, 0)}, {At(13, 0), At(14, 0)}}),
         {At(10, 30), At(12, 30)},
         false,
         PairsOf({{At(9, 0), At(10, 0)}, {At(13, 0), At(14, 0)}}),
         {{At(11, 0), At(12, 0)}},
         1,
         std::nullopt},
        {"overlapping two sessions",
         PairsOf({{At(9, 0), At(10, 0)}, {At(11, 0), At(12, 0)}}),
         {At(9, 30), At(11, 15)},
         false,
         PairsOf({{At(9, 0), At(9, 30)}, {At(11, 15), At(12, 0)}}),
         {{At(9, 30), At(10, 0)}, {At(11, 0), At(11, 15)}},
         2,
         std::nullopt},
        {"across midnight",
         PairsOf({{At(22, 0), At(2, 0, 0, 1)}}),
         {At(23, 0), At(1, 0, 0, 1)},
         false,
         PairsOf({{At(22, 0), At(23, 0)}, {At(1, 0, 0, 1), At(2, 0, 0, 1)}}),
         {{At(23, 0), At(1, 0, 0, 1)}},
         1,
         std::nullopt},
        {"a session of no length at the start is inside",
         PairsOf({{At(9, 0), At(10, 0)}, {At(10, 30), At(10, 30)}}),
         {At(10, 30), At(11, 0)},
         false,
         PairsOf({{At(9, 0), At(10, 0)}}),
         {{At(10, 30), At(10, 30)}},
         1,
         std::nullopt},
        {"garbage in the span stays",
         {LogPair::Of(At(10, 0), At(11, 0)), BackwardPair(), NanPair()},
         {At(9, 0), At(12, 0)},
         false,
         {BackwardPair(), NanPair()},
         {{At(10, 0), At(11, 0)}},
         1,
         std::nullopt},
        {"running: split, the later part stays last with the recorder's end",
         PairsOf({{At(8, 0), At(9, 0)}, {At(10, 0), At(11, 0, 20)}}),
         {At(10, 15), At(10, 30)},
         true,
         PairsOf({{At(8, 0), At(9, 0)}, {At(10, 0), At(10, 15)}, {At(10, 30), At(11, 0, 20)}}),
         {{At(10, 15), At(10, 30)}},
         1,
         At(10, 30)},
        {"running: its start cut",
         PairsOf({{At(10, 0), At(11, 0, 20)}}),
         {At(9, 30), At(10, 30)},
         true,
         PairsOf({{At(10, 30), At(11, 0, 20)}}),
         {{At(10, 0), At(10, 30)}},
         1,
         At(10, 30)},
        {"running: time before it",
         PairsOf({{At(8, 0), At(9, 0)}, {At(10, 0), At(11, 0, 20)}}),
         {At(8, 30), At(10, 0)},
         true,
         PairsOf({{At(8, 0), At(8, 30)}, {At(10, 0), At(11, 0, 20)}}),
         {{At(8, 30), At(9, 0)}},
         1,
         std::nullopt},
        {"not recording: the last session can lose its end",
         PairsOf({{At(10, 0), At(11, 0, 20)}}),
         {At(10, 30), At(11, 1)},
         false,
         PairsOf({{At(10, 0), At(10, 30)}}),
         {{At(10, 30), At(11, 0, 20)}},
         1,
         std::nullopt,
         At(11, 1, 30)},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const CorrectionPlan plan =
            PlanRemoveTime(test.before, test.range, test.now, test.recording);
        Check(test, plan, plan.Result.Change.Removed);
        EXPECT_TRUE(plan.Result.Change.Added.empty());
    }
}

TEST(Corrections, RefuseRangesThatCannotBeRight) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const DateTime day = At(0, 0);
    const auto running = PairsOf({{At(8, 0), At(9, 0)}, {At(10, 0), At(11, 0, 20)}});
    enum Kind { Add, Remove };
    struct Case {
        const char* name;
        Kind kind;
        std::vector<LogPair> pairs;
        Span range;
        bool recording;
        CorrectionRefusal refusal;
    } cases[] = {
        {"add nothing", Add, running, {At(9, 0), At(9, 0)}, false, CorrectionRefusal::EmptyRange},
        {"remove nothing",
         Remove,
         running,
         {At(9, 0), At(9, 0)},
         false,
         CorrectionRefusal::EmptyRange},
        {"add reversed", Add, running, {At(9, 0), At(8, 0)}, false, CorrectionRefusal::EmptyRange},
        {"remove reversed",
         Remove,
         running,
         {At(9, 0), At(8, 0)},
         false,
         CorrectionRefusal::EmptyRange},
        {"add NaN", Add, running, {nan, At(8, 0)}, false, CorrectionRefusal::EmptyRange},
        {"add after now", Add, running, {At(11, 0), At(11, 2)}, false, CorrectionRefusal::AfterNow},
        {"remove after now",
         Remove,
         running,
         {At(9, 0), At(11, 2)},
         false,
         CorrectionRefusal::AfterNow},
        {"add up to now", Add, running, {At(11, 0), At(11, 1, 30)}, false, CorrectionRefusal::None},
        {"add before the first date",
         Add,
         {},
         {EncodeDate(1899, 12, 29), day},
         false,
         CorrectionRefusal::BeforeFirstDate},
        {"add over ten years", Add, {}, {day - 3700, day}, false, CorrectionRefusal::TooLong},
        {"add joining a session to over ten years",
         Add,
         PairsOf({{day - 3000, day}}),
         {day - 4000, day - 3000},
         false,
         CorrectionRefusal::TooLong},
        {"remove up to the running end",
         Remove,
         running,
         {At(10, 30), At(11, 0, 20)},
         true,
         CorrectionRefusal::ReachesRunningEnd},
        {"remove past the running end",
         Remove,
         running,
         {At(11, 0, 40), At(11, 1)},
         true,
         CorrectionRefusal::ReachesRunningEnd},
        {"remove the whole running session",
         Remove,
         running,
         {At(8, 0), At(11, 1)},
         true,
         CorrectionRefusal::ReachesRunningEnd},
        {"remove inside the running session",
         Remove,
         running,
         {At(10, 30), At(11, 0)},
         true,
         CorrectionRefusal::None},
        {"remove the last session when not recording",
         Remove,
         running,
         {At(10, 30), At(11, 1)},
         false,
         CorrectionRefusal::None},
    };
    const DateTime now = At(11, 1, 30);
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const CorrectionPlan plan =
            test.kind == Add ? PlanAddTime(test.pairs, test.range, now, test.recording)
                             : PlanRemoveTime(test.pairs, test.range, now, test.recording);
        EXPECT_EQ(plan.Result.Refusal, test.refusal);
        if (test.refusal == CorrectionRefusal::None) {
            EXPECT_TRUE(plan.Result.Changed);
            continue;
        }
        EXPECT_FALSE(plan.Result.Changed);
        EXPECT_TRUE(plan.Result.Change.Empty());
        EXPECT_EQ(BitsOf(plan.Pairs), BitsOf(test.pairs));
        EXPECT_FALSE(RefusalText(test.refusal).empty());
    }
    // The box names the away options as the way to stop counting now.
    const std::string text = RefusalText(CorrectionRefusal::ReachesRunningEnd);
    EXPECT_NE(text.find("away options"), std::string::npos);
    EXPECT_NE(text.find("stop counting while the workstation is locked"), std::string::npos);
}

// Two days in minutes, as a set of minutes, against which the arithmetic is checked.
constexpr int kMinutes = 2 * 24 * 60;
using Minutes = std::bitset<kMinutes>;

DateTime Minute(int minute) {
    return At(minute % 1440 / 60, minute % 60, 0, minute / 1440);
}

int MinuteOf(DateTime value) {
    return static_cast<int>(std::lround((value - At(0, 0)) * 1440));
}

Minutes Covered(const std::vector<LogPair>& pairs) {
    Minutes minutes;
    for (const LogPair& pair : pairs) {
        if (!pair.Accepted()) continue;
        for (int m = MinuteOf(pair.Start()); m < MinuteOf(pair.End()); ++m) minutes.set(m);
    }
    return minutes;
}

Minutes Covered(const std::vector<Span>& spans) {
    Minutes minutes;
    for (const Span& span : spans)
        for (int m = MinuteOf(span.Start); m < MinuteOf(span.End); ++m) minutes.set(m);
    return minutes;
}

PairBits Sessions(const std::vector<LogPair>& pairs) {
    PairBits bits;
    for (const LogPair& pair : pairs)
        if (pair.Accepted()) bits.emplace_back(pair.StartBits, pair.EndBits);
    return bits;
}

PairBits Garbage(const std::vector<LogPair>& pairs) {
    PairBits bits;
    for (const LogPair& pair : pairs)
        if (!pair.Accepted()) bits.emplace_back(pair.StartBits, pair.EndBits);
    return bits;
}

TEST(Corrections, AgreeWithSetsOfMinutesOnRandomLogs) {
    std::mt19937 random(20261209);
    auto between = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int run = 0; run < 400; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        // Sessions in order with gaps between them, and now and then a garbage pair.
        std::vector<LogPair> before;
        for (int m = between(0, 120);;) {
            const int end = m + between(1, 180);
            if (end >= kMinutes) break;
            before.push_back(LogPair::Of(Minute(m), Minute(end)));
            if (between(0, 9) == 0) before.push_back(between(0, 1) ? NanPair() : BackwardPair());
            m = end + between(1, 240);
        }
        const int from = between(0, kMinutes - 2);
        const Span range{Minute(from), Minute(between(from + 1, kMinutes - 1))};
        const bool add = between(0, 1) == 1;
        const Minutes old = Covered(before);
        Minutes span;
        for (int m = MinuteOf(range.Start); m < MinuteOf(range.End); ++m) span.set(m);

        const CorrectionPlan plan =
            add ? PlanAddTime(before, range, Minute(kMinutes - 1), false)
                : PlanRemoveTime(before, range, Minute(kMinutes - 1), false);
        ASSERT_EQ(plan.Result.Refusal, CorrectionRefusal::None);
        const Minutes expected = add ? old | span : old & ~span;
        EXPECT_EQ(Covered(plan.Pairs), expected) << Describe(plan.Pairs);
        EXPECT_EQ(Covered(plan.Result.Change.Added), expected & ~old);
        EXPECT_EQ(Covered(plan.Result.Change.Removed), old & ~expected);
        EXPECT_EQ(Garbage(plan.Pairs), Garbage(before));
        // Still in order, none overlapping or touching another, and each pair that the range
        // neither overlaps nor touches keeps its bits.
        const PairBits after = Sessions(plan.Pairs);
        for (std::size_t k = 1; k < after.size(); ++k)
            EXPECT_LT(DateTimeOfBits(after[k - 1].second), DateTimeOfBits(after[k].first));
        for (const auto& pair : Sessions(before)) {
            const bool apart =
                DateTimeOfBits(pair.second) < range.Start || DateTimeOfBits(pair.first) > range.End;
            if (apart) {
                EXPECT_NE(std::find(after.begin(), after.end(), pair), after.end());
            }
        }

        // The undo gives back the very sessions; garbage stays garbage.
        const CorrectionPlan undone = PlanUndo(plan.Pairs, plan.Result.Change, false);
        EXPECT_EQ(Sessions(undone.Pairs), Sessions(before)) << Describe(undone.Pairs);
        EXPECT_EQ(Garbage(undone.Pairs), Garbage(before));
    }
}

}  // namespace
