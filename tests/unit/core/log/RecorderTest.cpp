#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/settings/PasswordCodec.h"
#include "core/log/Recorder.h"
#include "core/log/Rewrite.h"
#include "unit/core/log/RecorderFixture.h"

namespace {

using namespace recorder_test;
using Result = SessionRecorder::TickResult;

TEST(SessionRecorder, FirstStartCreatesOnePair) {
    Fixture f;
    f.clock.now = EncodeDateTime(2000, 1, 1, 0, 0);
    f.recorder.AppendSession({kLog, ""});
    EXPECT_EQ(f.files.File(kLog), (Bytes{0, 0, 0, 0, 0xC0, 0xD5, 0xE1, 0x40,  //
                                         0, 0, 0, 0, 0xC0, 0xD5, 0xE1, 0x40}));
    EXPECT_EQ(f.recorder.SessionStart(), f.clock.now);
    EXPECT_EQ(f.files.Calls(Op::Write), 1);  // never a start without its end on disk
    EXPECT_EQ(f.files.OpenFiles(), 0);
}

TEST(SessionRecorder, StartAppendsAfterTheWholeRecords) {
    const std::string password = "pass";
    const DateTime a = At(8, 0), b = At(9, 0), c = At(10, 0), d = At(11, 0), now = At(12, 0);
    struct Case {
        const char* name;
        std::vector<DateTime> records;
        Bytes trailing;
        std::vector<DateTime> expected;
    } cases[] = {
        {"empty file", {}, {}, {now, now}},
        {"one pair", {a, b}, {}, {a, b, now, now}},
        {"three pairs", {a, a, b, b, c, d}, {}, {a, a, b, b, c, d, now, now}},
        {"trailing bytes overwritten", {a, b}, {1, 2, 3}, {a, b, now, now}},
        {"only trailing bytes", {}, {1, 2, 3, 4, 5, 6, 7}, {now, now}},
        {"torn pair completed", {a, b, c}, {}, {a, b, c, c, now, now}},
        {"torn pair and trailing bytes", {a, b, c}, {9, 9}, {a, b, c, c, now, now}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        Fixture f;
        const Bytes before = RecordBytes(test.records, password, test.trailing);
        f.files.SetFile(kLog, before);
        f.clock.now = now;
        f.recorder.AppendSession({kLog, password});

        const Bytes after = *f.files.File(kLog);
        ASSERT_EQ(after.size(), test.expected.size() * 8);
        EXPECT_EQ(RecordValues(after, password), test.expected);
        const std::size_t kept = test.records.size() * 8;
        EXPECT_EQ(Bytes(after.begin(), after.begin() + static_cast<std::ptrdiff_t>(kept)),
                  Bytes(before.begin(), before.begin() + static_cast<std::ptrdiff_t>(kept)));
        EXPECT_EQ(f.recorder.SessionStart(), now);
    }
}

// A day of recording with a fake clock. After every step the log holds whole, valid pairs.
TEST(SessionRecorder, FollowsTheClockTruthfully) {
    enum class Step { Start, Tick, FinalTick, Suspend, Resume, DeleteAllWhileLogging };
    struct Event {
        Step step;
        DateTime at;
        std::optional<Result> result = std::nullopt;
    };
    using Pairs = std::vector<DateTime>;  // start, end, start, end, ...
    struct Case {
        const char* name;
        Pairs before;  // the log before the recorder starts
        std::vector<Event> events;
        Pairs after;
        DateTime sessionStart;
    };
    const DateTime old = At(17, 0, 0, -1), oldEnd = At(18, 0, 0, -1);
    const Case cases[] = {
        {"a normal minute",
         {old, oldEnd},
         {{Step::Start, At(9, 0)}, {Step::Tick, At(9, 1), Result::Extended}},
         {old, oldEnd, At(9, 0), At(9, 1)},
         At(9, 0)},
        {"a late tick still extends",
         {},
         {{Step::Start, At(9, 0)},
          {Step::Tick, At(9, 1), Result::Extended},
          {Step::Tick, At(9, 4), Result::Extended},
          {Step::Tick, At(9, 8, 59), Result::Extended}},
         {At(9, 0), At(9, 8, 59)},
         At(9, 0)},
        {"a night of sleep starts a new pair",
         {},
         {{Step::Start, At(22, 0)},
          {Step::Tick, At(22, 1), Result::Extended},
          {Step::Tick, At(7, 0, 0, 1), Result::Appended},
          {Step::Tick, At(7, 1, 0, 1), Result::Extended}},
         {At(22, 0), At(22, 1), At(7, 0, 0, 1), At(7, 1, 0, 1)},
         At(7, 0, 0, 1)},
        {"just over five minutes is a gap",
         {},
         {{Step::Start, At(9, 0)}, {Step::Tick, At(9, 5, 1), Result::Appended}},
         {At(9, 0), At(9, 0), At(9, 5, 1), At(9, 5, 1)},
         At(9, 5, 1)},
        {"the clock set back an hour",
         {},
         {{Step::Start, At(10, 0)},
          {Step::Tick, At(10, 1), Result::Extended},
          {Step::Tick, At(9, 2), Result::Appended},
          {Step::Tick, At(9, 3), Result::Extended}},
         {At(10, 0), At(10, 1), At(9, 2), At(9, 3)},
         At(9, 2)},
        {"the clock set forward an hour",
         {},
         {{Step::Start, At(10, 0)},
          {Step::Tick, At(10, 1), Result::Extended},
          {Step::Tick, At(11, 2), Result::Appended}},
         {At(10, 0), At(10, 1), At(11, 2), At(11, 2)},
         At(11, 2)},
        {"a session across midnight",
         {},
         {{Step::Start, At(23, 58)},
          {Step::Tick, At(23, 59), Result::Extended},
          {Step::Tick, At(0, 0, 0, 1), Result::Extended},
          {Step::Tick, At(0, 1, 0, 1), Result::Extended}},
         {At(23, 58), At(0, 1, 0, 1)},
         At(23, 58)},
        {"suspend and resume",
         {},
         {{Step::Start, At(10, 0)},
          {Step::Tick, At(10, 1), Result::Extended},
          {Step::Suspend, At(10, 1, 30)},
          {Step::Tick, At(10, 2), Result::Skipped},
          {Step::Tick, At(12, 0), Result::Skipped},
          {Step::Resume, At(12, 0, 10)},
          {Step::Tick, At(12, 1), Result::Extended}},
         {At(10, 0), At(10, 1, 30), At(12, 0, 10), At(12, 1)},
         At(12, 0, 10)},
        {"a wake the user starts sends both resume events: one new session",
         {},
         {{Step::Start, At(10, 0)},
          {Step::Suspend, At(10, 1)},
          {Step::Resume, At(12, 0)},
          {Step::Resume, At(12, 0, 5)},
          {Step::Tick, At(12, 1), Result::Extended}},
         {At(10, 0), At(10, 1), At(12, 0), At(12, 1)},
         At(12, 0)},
        {"a resume without a suspend starts nothing",
         {},
         {{Step::Start, At(10, 0)},
          {Step::Resume, At(10, 0, 30)},
          {Step::Tick, At(10, 1), Result::Extended}},
         {At(10, 0), At(10, 1)},
         At(10, 0)},
        {"each sleep of two gets its own session",
         {},
         {{Step::Start, At(10, 0)},
          {Step::Suspend, At(10, 1)},
          {Step::Resume, At(11, 0)},
          {Step::Suspend, At(11, 1)},
          {Step::Suspend, At(11, 1, 5)},
          {Step::Resume, At(12, 0)},
          {Step::Resume, At(12, 0, 1)}},
         {At(10, 0), At(10, 1), At(11, 0), At(11, 1), At(12, 0), At(12, 0)},
         At(12, 0)},
        {"the final tick extends",
         {},
         {{Step::Start, At(10, 0)}, {Step::FinalTick, At(10, 0, 40), Result::Extended}},
         {At(10, 0), At(10, 0, 40)},
         At(10, 0)},
        {"the final tick after a gap writes nothing",
         {},
         {{Step::Start, At(10, 0)},
          {Step::Tick, At(10, 1), Result::Extended},
          {Step::FinalTick, At(14, 0), Result::Skipped}},
         {At(10, 0), At(10, 1)},
         At(10, 0)},
        {"the final tick after the clock was set back writes nothing",
         {},
         {{Step::Start, At(10, 0)},
          {Step::Tick, At(10, 1), Result::Extended},
          {Step::FinalTick, At(9, 30), Result::Skipped}},
         {At(10, 0), At(10, 1)},
         At(10, 0)},
        {"without a session of its own a tick starts one and stretches no other",
         {old, oldEnd},
         {{Step::Tick, At(9, 0), Result::Appended}, {Step::Tick, At(9, 1), Result::Extended}},
         {old, oldEnd, At(9, 0), At(9, 1)},
         At(9, 0)},
        {"a rewrite that replaced the session",
         {old, oldEnd},
         {{Step::Start, At(9, 0)},
          {Step::Tick, At(9, 1), Result::Extended},
          {Step::DeleteAllWhileLogging, At(9, 30)},
          {Step::Tick, At(9, 31), Result::Extended}},
         {At(9, 30), At(9, 31)},
         At(9, 30)},
    };

    const std::string password = "night";
    const LogTarget log{kLog, password};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        Fixture f;
        if (!test.before.empty()) f.files.SetFile(kLog, RecordBytes(test.before, password));
        for (const Event& event : test.events) {
            f.clock.now = event.at;
            std::optional<Result> result;
            switch (event.step) {
                case Step::Start:
                    f.recorder.AppendSession(log);
                    break;
                case Step::Tick:
                    result = f.recorder.Tick(log, false);
                    break;
                case Step::FinalTick:
                    result = f.recorder.Tick(log, true);
                    break;
                case Step::Suspend:
                    f.recorder.Suspend(log);
                    break;
                case Step::Resume:
                    f.recorder.Resume(log);
                    break;
                case Step::DeleteAllWhileLogging: {
                    const auto start = DeleteLogBranch(f.files, log, PeriodKind::Total, 0,
                                                       f.recorder.SessionStart(), true, f.clock);
                    ASSERT_TRUE(start.has_value());
                    f.recorder.SessionReplaced(*start);
                    break;
                }
            }
            EXPECT_EQ(result, event.result) << "at " << event.at;
            const std::vector<DateTime> values = RecordValues(*f.files.File(kLog), password);
            ASSERT_EQ(values.size() % 2, 0u);
            for (std::size_t i = 0; i < values.size(); i += 2)
                EXPECT_TRUE(IsValidPair(values[i], values[i + 1])) << "pair " << i / 2;
        }
        EXPECT_EQ(RecordValues(*f.files.File(kLog), password), test.after);
        EXPECT_EQ(f.recorder.SessionStart(), test.sessionStart);
    }
}

}  // namespace

namespace {

class FakeInput final : public InputSource {
  public:
    InputState LastInput() const override { return state; }
    InputState state;
};

}  // namespace

TEST(SessionRecorder, AwayTimeIsNotRecorded) {
    enum class Step { Start, Tick, Lock, Unlock, Suspend, Resume, Check, Rules };
    struct Event {
        Step step;
        DateTime at;
        double idleMinutes = 0;  // the input state from this event on
        std::uint32_t stamp = 0;
        std::optional<bool> result = std::nullopt;  // a session started, or went away for Tick
        AwayRules rules = {};
    };
    using Pairs = std::vector<DateTime>;
    struct Case {
        const char* name;
        AwayRules rules;
        std::vector<Event> events;
        Pairs after;
    };
    const AwayRules locked{true, 0}, idle{false, 5}, both{true, 5}, none{};
    const Case cases[] = {
        {"lock ends the session, unlock starts one",
         locked,
         {{Step::Start, At(9, 0)},
          {Step::Tick, At(9, 1), 0, 0, false},
          {Step::Lock, At(9, 1, 30)},
          {Step::Tick, At(9, 2), 0, 0, false},
          {Step::Unlock, At(10, 0), 0, 0, true},
          {Step::Tick, At(10, 1), 0, 0, false}},
         {At(9, 0), At(9, 1, 30), At(10, 0), At(10, 1)}},
        {"repeated notifications: one end, one new session",
         locked,
         {{Step::Start, At(9, 0)},
          {Step::Lock, At(9, 0, 30)},
          {Step::Lock, At(9, 0, 40)},
          {Step::Unlock, At(9, 10), 0, 0, true},
          {Step::Unlock, At(9, 10, 5), 0, 0, false}},
         {At(9, 0), At(9, 0, 30), At(9, 10), At(9, 10)}},
        {"with the lock rule off a lock changes nothing",
         none,
         {{Step::Start, At(9, 0)},
          {Step::Lock, At(9, 0, 30)},
          {Step::Tick, At(9, 1), 0, 0, false},
          {Step::Unlock, At(9, 1, 30), 0, 0, false},
          {Step::Tick, At(9, 2), 0, 0, false}},
         {At(9, 0), At(9, 2)}},
        {"idle ends the session at the last input, input starts one",
         idle,
         {{Step::Start, At(9, 0)},
          {Step::Tick, At(9, 1), 1, 1, false},
          {Step::Tick, At(9, 4), 4, 1, false},
          {Step::Tick, At(9, 6), 5.5, 1, true},
          {Step::Tick, At(9, 7), 6.5, 1, false},
          {Step::Check, At(9, 10), 9.5, 1, false},
          {Step::Check, At(9, 20), 0, 2, true},
          {Step::Check, At(9, 20, 2), 0, 3, false},
          {Step::Tick, At(9, 21), 0, 3, false}},
         {At(9, 0), At(9, 0, 30), At(9, 20), At(9, 21)}},
        {"an idle end never lies before the session's start",
         idle,
         {{Step::Start, At(9, 0)}, {Step::Tick, At(9, 1), 20, 1, true}},
         {At(9, 0), At(9, 0)}},
        {"a gap while idle keeps the last end",
         idle,
         {{Step::Start, At(9, 0)},
          {Step::Tick, At(9, 1), 0, 1, false},
          {Step::Tick, At(9, 30), 29, 1, true}},
         {At(9, 0), At(9, 1)}},
        {"idle then lock then unlock: one return",
         both,
         {{Step::Start, At(9, 0)},
          {Step::Tick, At(9, 1), 0, 1, false},
          {Step::Tick, At(9, 2), 0, 1, false},
          {Step::Tick, At(9, 6, 30), 5.5, 1, true},
          {Step::Lock, At(9, 8), 7, 1},
          {Step::Check, At(9, 30), 0, 2, false},
          {Step::Unlock, At(9, 31), 0, 2, true},
          {Step::Check, At(9, 31, 2), 0, 3, false}},
         {At(9, 0), At(9, 1), At(9, 31), At(9, 31)}},
        {"lock, sleep, wake, unlock: the session starts at the unlock",
         locked,
         {{Step::Start, At(9, 0)},
          {Step::Lock, At(9, 0, 30)},
          {Step::Suspend, At(9, 2)},
          {Step::Resume, At(11, 0), 0, 0, false},
          {Step::Tick, At(11, 0, 20), 0, 0, false},
          {Step::Unlock, At(11, 0, 30), 0, 0, true}},
         {At(9, 0), At(9, 0, 30), At(11, 0, 30), At(11, 0, 30)}},
        {"idle, sleep, a key wakes the machine: one new session",
         idle,
         {{Step::Start, At(9, 0)},
          {Step::Tick, At(9, 1), 0, 1, false},
          {Step::Tick, At(9, 2), 5.5, 1, true},
          {Step::Suspend, At(9, 30), 33, 1},
          {Step::Resume, At(12, 0), 0, 2, false},
          {Step::Check, At(12, 0, 2), 0, 2, true},
          {Step::Check, At(12, 0, 4), 0, 3, false}},
         {At(9, 0), At(9, 0), At(12, 0, 2), At(12, 0, 2)}},
        {"the clock set back while away",
         both,
         {{Step::Start, At(10, 0)},
          {Step::Tick, At(10, 1), 0, 1, false},
          {Step::Lock, At(10, 1, 30)},
          {Step::Unlock, At(9, 0), 0, 2, true},
          {Step::Tick, At(9, 1), 0, 2, false},
          {Step::Tick, At(9, 2), 6, 2, true},
          {Step::Check, At(8, 0), 0, 3, true}},
         {At(10, 0), At(10, 1, 30), At(9, 0), At(9, 0), At(8, 0), At(8, 0)}},
        {"rules switched off while away start a session at once",
         both,
         {{Step::Start, At(9, 0)},
          {Step::Lock, At(9, 0, 30)},
          {Step::Rules, At(9, 5), 0, 0, false, AwayRules{true, 0}},
          {Step::Rules, At(9, 6), 0, 0, true, none},
          {Step::Tick, At(9, 7), 0, 0, false},
          {Step::Rules, At(9, 8), 10, 0, false, idle},
          {Step::Tick, At(9, 9), 11, 0, true},
          {Step::Rules, At(9, 10), 12, 0, true, none}},
         {At(9, 0), At(9, 0, 30), At(9, 6), At(9, 6), At(9, 10), At(9, 10)}},
    };

    const std::string password = "away";
    const LogTarget log{kLog, password};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        Fixture f;
        FakeInput input;
        SessionRecorder recorder(f.files, f.clock, &input);
        recorder.SetAwayRules(test.rules, log);
        for (const Event& event : test.events) {
            SCOPED_TRACE(testing::Message() << "at " << event.at);
            f.clock.now = event.at;
            input.state = {event.idleMinutes / (24 * 60), event.stamp};
            std::optional<bool> result;
            switch (event.step) {
                case Step::Start:
                    recorder.AppendSession(log);
                    break;
                case Step::Tick:
                    result = recorder.Tick(log, false) == Result::WentAway;
                    break;
                case Step::Lock:
                    recorder.Lock(log);
                    break;
                case Step::Unlock:
                    result = recorder.Unlock(log);
                    break;
                case Step::Suspend:
                    recorder.Suspend(log);
                    break;
                case Step::Resume:
                    result = recorder.Resume(log);
                    break;
                case Step::Check:
                    result = recorder.CheckForInput(log);
                    break;
                case Step::Rules:
                    result = recorder.SetAwayRules(event.rules, log);
                    break;
            }
            EXPECT_EQ(result, event.result);
            const std::vector<DateTime> values = RecordValues(*f.files.File(kLog), password);
            ASSERT_EQ(values.size() % 2, 0u);
            for (std::size_t i = 0; i < values.size(); i += 2)
                EXPECT_TRUE(IsValidPair(values[i], values[i + 1])) << "pair " << i / 2;
        }
        // An idle end is now minus the idle time: equal to the millisecond.
        const std::vector<DateTime> values = RecordValues(*f.files.File(kLog), password);
        ASSERT_EQ(values.size(), test.after.size());
        for (std::size_t i = 0; i < values.size(); ++i)
            EXPECT_NEAR(values[i], test.after[i], 1.0 / 86400000) << "record " << i;
    }
}
