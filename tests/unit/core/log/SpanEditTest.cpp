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
#include "core/log/SpanEdit.h"
#include "unit/support/LogPairsSupport.h"

namespace {

// Written as in Log(); the running start and now are times, and now is 23:00 the next day
// unless the case says otherwise.
struct EditCase {
    const char* name;
    const char* before;
    const char* range;
    bool recording;
    const char* after;
    const char* changed;  // the time added or removed
    std::size_t touched;
    const char* runningStart = "";
    const char* now = "47";
};

void Check(const EditCase& test, bool add) {
    SCOPED_TRACE(test.name);
    const std::vector<LogPair> before = Log(test.before);
    const CorrectionPlan plan =
        add ? PlanAddTime(before, SpanOf(test.range), Time(test.now), test.recording)
            : PlanRemoveTime(before, SpanOf(test.range), Time(test.now), test.recording);
    EXPECT_EQ(plan.Result.Refusal, CorrectionRefusal::None);
    EXPECT_EQ(BitsOf(plan.Pairs), BitsOf(Log(test.after))) << Describe(plan.Pairs);
    EXPECT_EQ(add ? plan.Result.Change.Added : plan.Result.Change.Removed, Spans(test.changed));
    EXPECT_TRUE(add ? plan.Result.Change.Removed.empty() : plan.Result.Change.Added.empty());
    EXPECT_EQ(plan.Result.TouchedSessions, test.touched);
    EXPECT_EQ(plan.Result.Changed, BitsOf(plan.Pairs) != BitsOf(before));
    if (*test.runningStart) {
        EXPECT_EQ(plan.Result.RunningStart, Time(test.runningStart));
    } else {
        EXPECT_FALSE(plan.Result.RunningStart.has_value());
    }
}

TEST(AddTime, JoinsTheSessionsItOverlapsOrTouches) {
    const EditCase cases[] = {
        {"apart from every session", "9-10", "11-12", false, "9-10 11-12", "11-12", 0},
        {"before every session goes first", "9-10", "7-8", false, "7-8 9-10", "7-8", 0},
        {"between two sessions", "8-9 12-13", "10-11", false, "8-9 10-11 12-13", "10-11", 0},
        {"touching a session's end", "9-10 12-13", "10-11", false, "9-11 12-13", "10-11", 1},
        {"touching a session's start", "9-10", "8-9", false, "8-10", "8-9", 1},
        {"overlapping two sessions", "8-8:30 9-10 11-12 13-14", "9:30-11:30", false,
         "8-8:30 9-12 13-14", "10-11", 2},
        {"inside a session", "9-12", "10-11", false, "9-12", "", 0},
        {"around a session", "10-11", "9-12", false, "9-12", "9-10 11-12", 1},
        {"across midnight", "22-23", "23:30-25", false, "22-23 23:30-25", "23:30-25", 0},
        {"across midnight into the next day's session", "22-23 24:30-26", "23:30-25", false,
         "22-23 23:30-26", "23:30-24:30", 1},
        {"garbage stays, though its start lies in the span", "8-9 N G 12-13", "9-11", false,
         "8-11 N G 12-13", "9-11", 1},
        {"a new pair goes before the first session starting later", "8-9 N 12-13", "10-11", false,
         "8-9 N 10-11 12-13", "10-11", 0},
        {"a new last session goes before garbage at the end", "8-9 N", "10-11", false,
         "8-9 10-11 N", "10-11", 0},
        {"running: joined from before, it keeps the end the recorder wrote", "8-9 10-11:00:20",
         "9:30-10:30", true, "8-9 9:30-11:00:20", "9:30-10", 1, "9:30"},
        {"running: a span reaching it takes the sessions in between along",
         "8-9 9:30-9:45 10-11:00:20", "8:30-10", true, "8-11:00:20", "9-9:30 9:45-10", 3, "8"},
        {"running: a span before it goes before it", "8-9 10-11:00:20", "9:10-9:50", true,
         "8-9 9:10-9:50 10-11:00:20", "9:10-9:50", 0},
        {"running: time past its end is the recorder's to count", "10-11:00:20", "10:30-11:30",
         true, "10-11:00:20", "", 0, "", "11:30:30"},
        {"not recording: the last session is one like the others", "10-11:00:20", "10:30-11:30",
         false, "10-11:30", "11:00:20-11:30", 1, "", "11:30:30"},
    };
    for (const auto& test : cases) Check(test, true);
}

TEST(RemoveTime, CutsTheSpanOutOfTheSessions) {
    const EditCase cases[] = {
        {"apart from every session", "9-10", "11-12", false, "9-10", "", 0},
        {"touching sessions", "9-10 11-12", "10-11", false, "9-10 11-12", "", 0},
        {"a session's end: shortened", "9-11", "10-12", false, "9-10", "10-11", 1},
        {"a session's start: shortened", "9-11", "8-10", false, "10-11", "9-10", 1},
        {"around: split in two, in order", "9-12 13-14", "10-11", false, "9-10 11-12 13-14",
         "10-11", 1},
        {"inside: removed", "9-10 11-12 13-14", "10:30-12:30", false, "9-10 13-14", "11-12", 1},
        {"overlapping two sessions", "9-10 11-12", "9:30-11:15", false, "9-9:30 11:15-12",
         "9:30-10 11-11:15", 2},
        {"across midnight", "22-26", "23-25", false, "22-23 25-26", "23-25", 1},
        {"a session of no length at the start is inside", "9-10 10:30-10:30", "10:30-11", false,
         "9-10", "10:30-10:30", 1},
        {"garbage in the span stays", "10-11 G N", "9-12", false, "G N", "10-11", 1},
        {"running: split, the later part stays last with the recorder's end", "8-9 10-11:00:20",
         "10:15-10:30", true, "8-9 10-10:15 10:30-11:00:20", "10:15-10:30", 1, "10:30"},
        {"running: its start cut", "10-11:00:20", "9:30-10:30", true, "10:30-11:00:20", "10-10:30",
         1, "10:30"},
        {"running: time before it", "8-9 10-11:00:20", "8:30-10", true, "8-8:30 10-11:00:20",
         "8:30-9", 1},
        {"not recording: the last session can lose its end", "10-11:00:20", "10:30-11:01", false,
         "10-10:30", "10:30-11:00:20", 1, "", "11:01:30"},
    };
    for (const auto& test : cases) Check(test, false);
}

// Spans and logs written as in Log(); `after`, where given, was worked out by hand.
struct AtOnceCase {
    const char* name;
    const char* before;
    const char* spans;
    bool recording;
    const char* after;
};

// All the spans at once against each in turn.
void CheckAtOnce(const AtOnceCase& test, decltype(&AddSpans) many, decltype(&AddSpan) one) {
    SCOPED_TRACE(test.name);
    const std::vector<Span> spans = Spans(test.spans);
    std::vector<LogPair> oneByOne = Log(test.before);
    SpanEditResult each;
    for (const Span& span : spans) {
        const SpanEditResult edit = one(oneByOne, span, test.recording);
        each.Changed = each.Changed || edit.Changed;
        each.TouchedSessions += edit.TouchedSessions;
        each.Spans.insert(each.Spans.end(), edit.Spans.begin(), edit.Spans.end());
    }
    std::vector<LogPair> atOnce = Log(test.before);
    const SpanEditResult edit = many(atOnce, spans, test.recording);
    EXPECT_EQ(BitsOf(atOnce), BitsOf(oneByOne)) << Describe(atOnce);
    if (*test.after) {
        EXPECT_EQ(BitsOf(atOnce), BitsOf(Log(test.after))) << Describe(atOnce);
    }
    EXPECT_EQ(edit.Changed, each.Changed);
    EXPECT_EQ(edit.TouchedSessions, each.TouchedSessions);
    EXPECT_EQ(edit.Spans, JoinSpans(each.Spans));
}

TEST(RemoveTime, ManySpansAtOnceAsEachInTurn) {
    const AtOnceCase cases[] = {
        {"a joined session split back into its sessions", "8-17", "9-10 11-12 13-14", false,
         "8-9 10-11 12-13 14-17"},
        {"sessions cut twice, garbage between", "8-12 G 13-18 N", "8:30-9 10-11 14-15 16-17", false,
         "8-8:30 G 9-10 11-12 13-14 15-16 17-18 N"},
        {"sessions of no length at the edges", "9-9 10-10 11-12", "9-10 11:30-12", false,
         "10-10 11-11:30"},
        {"running: split twice, stays last", "8-9 10-14:00:20", "10:15-10:30 11-12", true,
         "8-9 10-10:15 10:30-11 12-14:00:20"},
        {"a log set back: pieces where one at a time puts them", "13-16 8-12", "9-10 14-15", false,
         "10-12 13-14 8-9 15-16"},
        {"touching spans", "8-12", "9-10 10-11", false, "8-9 11-12"},
        {"spans out of order", "8-12 13-14", "13:30-15 9-9:30", false, "8-9 9:30-12 13-13:30"},
        {"a span of no length", "8-12", "10-10", false, ""},
    };
    for (const AtOnceCase& test : cases) CheckAtOnce(test, RemoveSpans, RemoveSpan);
}

TEST(AddTime, ManySpansAtOnceAsEachInTurn) {
    const AtOnceCase cases[] = {
        {"gaps filled between sessions", "8-9 12-13", "9-10 10:30-11 11:30-12", false,
         "8-10 10:30-11 11:30-13"},
        {"each overlapping several", "8-9 9:30-10 10:30-11 12-13", "8:30-9:45 9:50-10:45", false,
         "8-11 12-13"},
        {"inside, then around", "9-12 14-15", "10-11 13-16", false, "9-12 13-16"},
        {"overlapping each other", "9-10", "10-11 10:30-12", false, "9-12"},
        {"no length: touching stays out, apart goes in", "9-10 12-13", "10-10 11-11 13-13", false,
         "9-10 11-11 12-13"},
        {"running: before it, then reaching it", "8-9 10-11:00:20", "9:10-9:20 9:40-10", true,
         "8-9 9:10-9:20 9:40-11:00:20"},
        {"garbage keeps its place; new last session goes before it", "8-9 G 10-11 N",
         "9-10 11:30-12", false, "8-11 11:30-12 G N"},
        {"no session but garbage", "G", "9-10 11-12", false, "9-10 11-12 G"},
        {"an empty log while recording: the first becomes the running one", "", "9-10 10:30-11",
         true, "9-10"},
        {"a log set back", "13-14 8-9", "9-10 14-15", false, "13-15 8-10"},
        {"spans out of order", "8-9 12-13", "13-14 6-7", false, "6-7 8-9 12-14"},
    };
    for (const AtOnceCase& test : cases) CheckAtOnce(test, AddSpans, AddSpan);
}

TEST(Undo, RestoresManyPairsAtOnceAsEachInTurn) {
    const AtOnceCase cases[] = {
        {"between other sessions, touching and of no length", "8-9 15-16",
         "10-11 11-12 12-12 13-14", false, "8-9 10-11 11-12 12-12 13-14 15-16"},
        {"overlapping time added since", "8-9 10-12", "9:30-10:30 11:30-13", false, "8-9 9:30-13"},
        {"overlapping each other", "", "9-10 9:30-11", false, "9-11"},
        {"touching sessions stay apart", "9-10 11-12", "10-11", false, "9-10 10-11 11-12"},
        {"garbage keeps its place", "8-9 G 14-15 N", "10-11 16-17", false,
         "8-9 G 10-11 14-15 16-17 N"},
        {"running: before it, then into it", "8-9 12-12:30", "10-11 11:45-12:15", true,
         "8-9 10-11 11:45-12:30"},
        {"running: all before the fresh pair", "33:30-33:45", "8-9 9-10 32-33", true,
         "8-9 9-10 32-33 33:30-33:45"},
        {"running: no length at its start goes before it", "8-9 12-12:30", "12-12", true,
         "8-9 12-12 12-12:30"},
        {"running: no length after its start", "8-9 12-12:30", "10-11 12:10-12:10", true,
         "8-9 10-11 12:10-12:10 12-12:30"},
        {"no length inside a session", "9-11", "8-8:30 10-10 12-13", false,
         "8-8:30 9-11 10-10 12-13"},
        {"pairs out of order", "8-9", "12-13 10-11", false, "8-9 10-11 12-13"},
    };
    for (const AtOnceCase& test : cases) CheckAtOnce(test, RestorePairs, RestorePair);
}

TEST(Corrections, RefuseRangesThatCannotBeRight) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const DateTime day = At(0, 0);
    const std::vector<LogPair> running = Log("8-9 10-11:00:20");
    enum Kind { Add, Remove };
    struct Case {
        const char* name;
        Kind kind;
        std::vector<LogPair> pairs;
        Span range;
        bool recording;
        CorrectionRefusal refusal;
    } cases[] = {
        {"add nothing", Add, running, SpanOf("9-9"), false, CorrectionRefusal::EmptyRange},
        {"remove nothing", Remove, running, SpanOf("9-9"), false, CorrectionRefusal::EmptyRange},
        {"add reversed", Add, running, SpanOf("9-8"), false, CorrectionRefusal::EmptyRange},
        {"remove reversed", Remove, running, SpanOf("9-8"), false, CorrectionRefusal::EmptyRange},
        {"add NaN", Add, running, {nan, day}, false, CorrectionRefusal::EmptyRange},
        {"add after now", Add, running, SpanOf("11-11:02"), false, CorrectionRefusal::AfterNow},
        {"remove after now", Remove, running, SpanOf("9-11:02"), false,
         CorrectionRefusal::AfterNow},
        {"add up to now", Add, running, SpanOf("11-11:01:30"), false, CorrectionRefusal::None},
        {"add before the first date",
         Add,
         {},
         {EncodeDate(1899, 12, 29), day},
         false,
         CorrectionRefusal::BeforeFirstDate},
        {"add over ten years", Add, {}, {day - 3700, day}, false, CorrectionRefusal::TooLong},
        {"add joining a session to over ten years",
         Add,
         {LogPair::Of(day - 3000, day)},
         {day - 4000, day - 3000},
         false,
         CorrectionRefusal::TooLong},
        {"remove up to the running end", Remove, running, SpanOf("10:30-11:00:20"), true,
         CorrectionRefusal::ReachesRunningEnd},
        {"remove past the running end", Remove, running, SpanOf("11:00:40-11:01"), true,
         CorrectionRefusal::ReachesRunningEnd},
        {"remove the whole running session", Remove, running, SpanOf("8-11:01"), true,
         CorrectionRefusal::ReachesRunningEnd},
        {"remove inside the running session", Remove, running, SpanOf("10:30-11"), true,
         CorrectionRefusal::None},
        {"remove the last session when not recording", Remove, running, SpanOf("10:30-11:01"),
         false, CorrectionRefusal::None},
    };
    const DateTime now = Time("11:01:30");
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const CorrectionPlan plan =
            test.kind == Add ? PlanAddTime(test.pairs, test.range, now, test.recording)
                             : PlanRemoveTime(test.pairs, test.range, now, test.recording);
        EXPECT_EQ(plan.Result.Refusal, test.refusal);
        EXPECT_EQ(plan.Result.Changed, test.refusal == CorrectionRefusal::None);
        if (test.refusal == CorrectionRefusal::None) continue;
        EXPECT_TRUE(plan.Result.Change.Empty());
        EXPECT_EQ(BitsOf(plan.Pairs), BitsOf(test.pairs));
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
