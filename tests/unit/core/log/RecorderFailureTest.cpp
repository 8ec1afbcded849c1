// The recorder when the log is not what it wrote or cannot be written: nothing is lost, nothing
// is stretched, and the recording picks up again.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "unit/core/log/RecorderFixture.h"

namespace {

using namespace recorder_test;
using Result = SessionRecorder::TickResult;

const std::string kPassword = "pw";
const LogTarget kTarget{kLog, kPassword};

std::vector<DateTime> Pairs(std::initializer_list<DateTime> values) {
    return values;
}

TEST(SessionRecorder, AFailedStartLeavesTheLogAndTheNextTickStartsTheSession) {
    const Bytes onePair = RecordBytes({At(8, 0), At(9, 0)}, kPassword);
    struct Case {
        const char* name;
        std::optional<Bytes> file;  // nullopt: no log yet
        std::function<void(MemoryFileSystem&)> fault;
    } const cases[] = {
        {"held by another program", onePair, [](MemoryFileSystem& m) { m.SetReadOnly(kLog); }},
        {"opening fails", onePair, [](MemoryFileSystem& m) { m.FailAt(Op::OpenAlways); }},
        {"asking the size fails", onePair, [](MemoryFileSystem& m) { m.FailAt(Op::Size); }},
        {"seeking fails", onePair, [](MemoryFileSystem& m) { m.FailAt(Op::Seek); }},
        {"writing fails (a full disk)", onePair, [](MemoryFileSystem& m) { m.FailAt(Op::Write); }},
        {"creating fails", std::nullopt, [](MemoryFileSystem& m) { m.FailAt(Op::OpenAlways); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        if (c.file) f.files.SetFile(kLog, *c.file);
        c.fault(f.files);
        f.clock.now = At(12, 0);
        EXPECT_THROW(f.recorder.AppendSession(kTarget), IoError);
        EXPECT_EQ(f.files.File(kLog), c.file) << "the log is left as it was";
        EXPECT_EQ(f.recorder.SessionStart(), 0) << "no session was written";
        EXPECT_EQ(f.files.OpenFiles(), 0);

        // Still failing: the tick tries the start again and stretches nothing.
        f.clock.now = At(12, 1);
        EXPECT_THROW(f.recorder.Tick(kTarget, false), IoError);
        EXPECT_EQ(f.files.File(kLog), c.file);

        f.files.ClearFaults();
        f.clock.now = At(12, 2);
        EXPECT_EQ(f.recorder.Tick(kTarget, false), Result::Appended);
        f.clock.now = At(12, 3);
        EXPECT_EQ(f.recorder.Tick(kTarget, false), Result::Extended);
        std::vector<DateTime> expected =
            c.file ? Pairs({At(8, 0), At(9, 0)}) : std::vector<DateTime>{};
        expected.insert(expected.end(), {At(12, 2), At(12, 3)});
        EXPECT_EQ(RecordValues(*f.files.File(kLog), kPassword), expected);
        EXPECT_EQ(f.recorder.SessionStart(), At(12, 2));
    }
}

TEST(SessionRecorder, AFailedTickWritesNothingAndTheNextOneGoesOn) {
    struct Case {
        const char* name;
        std::function<void(MemoryFileSystem&)> fault;
    } const cases[] = {
        {"opening fails", [](MemoryFileSystem& m) { m.FailAt(Op::OpenExisting); }},
        {"asking the size fails", [](MemoryFileSystem& m) { m.FailAt(Op::Size); }},
        {"seeking fails", [](MemoryFileSystem& m) { m.FailAt(Op::Seek); }},
        {"reading fails", [](MemoryFileSystem& m) { m.FailAt(Op::Read); }},
        {"writing fails", [](MemoryFileSystem& m) { m.FailAt(Op::Write); }},
        {"closing fails", [](MemoryFileSystem& m) { m.FailAt(Op::Close); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.files.SetFile(kLog, RecordBytes({At(8, 0), At(9, 0)}, kPassword));
        f.clock.now = At(11, 59);
        f.recorder.AppendSession(kTarget);
        const Bytes started = *f.files.File(kLog);
        c.fault(f.files);
        f.clock.now = At(12, 0);
        EXPECT_THROW(f.recorder.Tick(kTarget, false), IoError);
        if (std::string(c.name) != "closing fails") {
            EXPECT_EQ(f.files.File(kLog), started);
        }
        EXPECT_EQ(f.files.OpenFiles(), 0);

        f.files.ClearFaults();
        f.clock.now = At(12, 1);
        EXPECT_EQ(f.recorder.Tick(kTarget, false), Result::Extended);
        EXPECT_EQ(RecordValues(*f.files.File(kLog), kPassword),
                  Pairs({At(8, 0), At(9, 0), At(11, 59), At(12, 1)}));
    }
}

TEST(SessionRecorder, ATickExtendsOnlyItsOwnPair) {
    const DateTime old = At(7, 0), oldEnd = At(8, 0);
    struct Case {
        const char* name;
        Bytes changedTo;  // the log after the recorder's start at 9:00, as others left it
        Result result;
        std::vector<DateTime> after;
        DateTime sessionStart;
    } const cases[] = {
        {"untouched",
         RecordBytes({old, oldEnd, At(9, 0), At(9, 0)}, kPassword),
         Result::Extended,
         {old, oldEnd, At(9, 0), At(9, 1)},
         At(9, 0)},
        {"emptied", {}, Result::Appended, {At(9, 1), At(9, 1)}, At(9, 1)},
        {"its pair deleted: the one before is not stretched",
         RecordBytes({old, oldEnd}, kPassword),
         Result::Appended,
         {old, oldEnd, At(9, 1), At(9, 1)},
         At(9, 1)},
        {"a start without its end behind it stays a start",
         RecordBytes({old, oldEnd, At(9, 0), At(9, 0), At(8, 30)}, kPassword),
         Result::Extended,
         {old, oldEnd, At(9, 0), At(9, 1), At(8, 30)},
         At(9, 0)},
        {"trailing bytes behind it stay",
         RecordBytes({old, oldEnd, At(9, 0), At(9, 0)}, kPassword, {1, 2, 3}),
         Result::Extended,
         {old, oldEnd, At(9, 0), At(9, 1)},
         At(9, 0)},
        {"its start moved earlier by a correction",
         RecordBytes({At(8, 30), At(9, 0)}, kPassword),
         Result::Extended,
         {At(8, 30), At(9, 1)},
         At(8, 30)},
        {"replaced by another session",
         RecordBytes({old, oldEnd, At(8, 50), At(8, 55)}, kPassword),
         Result::Appended,
         {old, oldEnd, At(8, 50), At(8, 55), At(9, 1), At(9, 1)},
         At(9, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.files.SetFile(kLog, RecordBytes({old, oldEnd}, kPassword));
        f.clock.now = At(9, 0);
        f.recorder.AppendSession(kTarget);
        f.files.SetFile(kLog, c.changedTo);
        f.clock.now = At(9, 1);
        EXPECT_EQ(f.recorder.Tick(kTarget, false), c.result);
        EXPECT_EQ(RecordValues(*f.files.File(kLog), kPassword), c.after);
        EXPECT_EQ(f.recorder.SessionStart(), c.sessionStart);
    }
}

TEST(SessionRecorder, FailedCloseIsReported) {
    for (bool start : {true, false}) {
        Fixture f;
        f.files.SetFile(kLog, RecordBytes({At(8, 0), At(9, 0)}, ""));
        f.clock.now = At(9, 0, 30);
        if (!start) f.recorder.AppendSession({kLog, ""});
        f.files.FailAt(Op::Close);
        f.clock.now = At(9, 1);
        if (start) {
            EXPECT_THROW(f.recorder.AppendSession({kLog, ""}), IoError);
        } else {
            EXPECT_THROW(f.recorder.Tick({kLog, ""}, false), IoError);
        }
    }
}

TEST(SessionRecorder, TornAppendIsCompletedByTheNextStart) {
    const DateTime a = At(8, 0), b = At(9, 0);
    Fixture f;
    f.files.SetFile(kLog, RecordBytes({a, b}, kPassword));
    f.files.FailAt(Op::Write);
    f.files.SetTornWriteBytes(8);  // only the start reaches the disk
    f.clock.now = At(10, 0);
    EXPECT_THROW(f.recorder.AppendSession(kTarget), IoError);
    EXPECT_EQ(f.recorder.SessionStart(), 0);
    EXPECT_EQ(f.files.File(kLog)->size(), 24u);

    f.files.ClearFaults();
    f.clock.now = At(11, 0);
    f.recorder.AppendSession(kTarget);
    EXPECT_EQ(RecordValues(*f.files.File(kLog), kPassword),
              (std::vector<DateTime>{a, b, At(10, 0), At(10, 0), At(11, 0), At(11, 0)}));
    EXPECT_EQ(f.files.Calls(Op::Write), 1);
}

}  // namespace
