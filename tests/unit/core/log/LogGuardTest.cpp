// Every change of the log happens under its guard, so that a correction made by another process
// and the recording instance's tick never interleave; a guard that cannot be had changes nothing.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/log/Corrections.h"
#include "core/log/Rewrite.h"
#include "core/recording/Recording.h"
#include "unit/core/log/RecorderFixture.h"

namespace {

using namespace recorder_test;

TEST(LogGuard, EveryChangeOfTheLogIsGuardedAndNoneHappensWithoutIt) {
    const LogTarget log{kLog, "pw"};
    const Span morning{At(7, 0), At(7, 30)};
    struct Case {
        const char* name;
        std::function<void(MemoryFileSystem&, FakeClock&)> change;
    } cases[] = {
        {"start",
         [&](MemoryFileSystem& files, FakeClock& clock) {
             Recording recording(files, clock, nullptr);
             recording.SetLog(log);
             if (!recording.Start().empty()) throw IoError("start failed");
         }},
        {"delete branch",
         [&](MemoryFileSystem& files, FakeClock& clock) {
             DeleteLogBranch(files, log, PeriodKind::Day, At(0, 0), 0, false, clock);
         }},
        {"new password", [&](MemoryFileSystem& files, FakeClock&) { RekeyLog(files, log, "new"); }},
        {"add time", [&](MemoryFileSystem& files,
                         FakeClock& clock) { AddTime(files, log, morning, clock.now, false); }},
        {"remove time",
         [&](MemoryFileSystem& files, FakeClock& clock) {
             RemoveTime(files, log, {At(8, 15), At(8, 30)}, clock.now, false);
         }},
        {"undo",
         [&](MemoryFileSystem& files, FakeClock&) {
             UndoChange(files, log, LogChange{ChangeKind::AddTime, {{At(8, 0), At(8, 10)}}, {}},
                        false);
         }},
    };
    const Bytes before = RecordBytes({At(8, 0), At(9, 0)}, "pw");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem files;
        FakeClock clock;
        clock.now = At(12, 0);
        files.SetFile(kLog, before);
        c.change(files, clock);
        EXPECT_NE(files.File(kLog), before) << "the change was made";
        EXPECT_GE(files.Calls(Op::Guard), 1);
        EXPECT_EQ(files.UnguardedChanges(), 0);

        // Another process holds the log for too long: this one gives up and writes nothing.
        files.SetFile(kLog, before);
        files.ClearFaults();
        files.FailAt(Op::Guard);
        EXPECT_ANY_THROW(c.change(files, clock));
        EXPECT_EQ(files.File(kLog), before);
        EXPECT_EQ(files.Calls(Op::Write) + files.Calls(Op::Replace), 0);
    }
}

}  // namespace
