#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/log/Corrections.h"
#include "core/log/Recorder.h"
#include "core/log/Rewrite.h"
#include "core/log/UndoList.h"
#include "core/settings/PasswordCodec.h"
#include "unit/support/LogPairsSupport.h"
#include "unit/support/MemoryFileSystem.h"

// The corrections on files; their failures are tested with the other rewrites in RewriteTest.

namespace {

using Op = MemoryFileSystem::Op;

const LogTarget kTarget{"C:\\logs\\worktaly.dat", "key 7"};

class FakeClock final : public Clock {
  public:
    DateTime Now() const override { return now; }
    DateTime now = 0;
};

MemoryFileSystem::Bytes Bytes(const char* log, const std::string& password = kTarget.Password) {
    return LogBytesOf(Log(log), password);
}

PairBits BitsInLog(const MemoryFileSystem& files) {
    return BitsIn(*files.File(kTarget.Path), kTarget.Password);
}

// A tick of the recorder that records the last pair: it moves that pair's end to `now`.
void Tick(MemoryFileSystem& files, const char* now) {
    MemoryFileSystem::Bytes bytes = *files.File(kTarget.Path);
    ASSERT_EQ(bytes.size() % 16, 0u);
    ASSERT_GE(bytes.size(), 16u);
    const auto last = static_cast<std::int32_t>(bytes.size() / 8 - 1);
    StoreRecordBytes(ScrambleRecord(kTarget.Password, last, Time(now)),
                     bytes.data() + 8 * static_cast<std::size_t>(last));
    files.SetFile(kTarget.Path, bytes);
}

TEST(CorrectionFiles, WriteOnlyAChangeAndKeepTheBitsOfWhatItDoesNotTouch) {
    using Run = std::function<CorrectionResult(MemoryFileSystem&)>;
    const DateTime now = Time("14");
    struct Case {
        const char* name;
        const char* before;  // empty: no log file
        Run change;
        CorrectionRefusal refusal;
        const char* after;  // empty: the log keeps its bytes, or stays missing
    } cases[] = {
        // NaN pairs survive a rewrite bit for bit, wherever the change moves them.
        {"adding time", "8-9 N 12-13 N",
         [&](MemoryFileSystem& f) { return AddTime(f, kTarget, SpanOf("10-11"), now, false); },
         CorrectionRefusal::None, "8-9 N 10-11 12-13 N"},
        {"adding time to no log", "",
         [&](MemoryFileSystem& f) { return AddTime(f, kTarget, SpanOf("9-10"), now, false); },
         CorrectionRefusal::None, "9-10"},
        {"removing time from no log", "",
         [&](MemoryFileSystem& f) { return RemoveTime(f, kTarget, SpanOf("9-10"), now, false); },
         CorrectionRefusal::None, ""},
        {"adding counted time", "9-12",
         [&](MemoryFileSystem& f) { return AddTime(f, kTarget, SpanOf("10-11"), now, false); },
         CorrectionRefusal::None, ""},
        {"removing time no session holds", "9-12",
         [&](MemoryFileSystem& f) { return RemoveTime(f, kTarget, SpanOf("12-13"), now, false); },
         CorrectionRefusal::None, ""},
        {"adding after now", "9-12",
         [&](MemoryFileSystem& f) { return AddTime(f, kTarget, SpanOf("13-15"), now, false); },
         CorrectionRefusal::AfterNow, ""},
        {"removing up to the running end", "9-12",
         [&](MemoryFileSystem& f) { return RemoveTime(f, kTarget, SpanOf("10-12"), now, true); },
         CorrectionRefusal::ReachesRunningEnd, ""},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        MemoryFileSystem files;
        if (*test.before) files.SetFile(kTarget.Path, Bytes(test.before));
        const CorrectionResult result = test.change(files);
        EXPECT_EQ(result.Refusal, test.refusal);
        EXPECT_EQ(result.Changed, *test.after != '\0');
        EXPECT_EQ(files.Calls(Op::Create), *test.after ? 1 : 0);
        if (*test.after) {
            EXPECT_EQ(BitsInLog(files), BitsOf(Log(test.after)));
        } else if (*test.before) {
            EXPECT_EQ(files.File(kTarget.Path), Bytes(test.before));
        }
        EXPECT_EQ(files.Paths().size(), *test.before || *test.after ? 1u : 0u);
        EXPECT_EQ(files.OpenFiles(), 0);
    }
}

TEST(CorrectionFiles, TheRecorderToldOfItsNewStartKeepsItsSession) {
    FakeClock clock;
    clock.now = Time("10");
    MemoryFileSystem files;
    files.SetFile(kTarget.Path, Bytes("1-2"));
    SessionRecorder recorder(files, clock);
    recorder.AppendSession(kTarget);

    const CorrectionResult added = AddTime(files, kTarget, SpanOf("9-10"), Time("10:01"), true);
    ASSERT_EQ(added.RunningStart, Time("9"));
    recorder.SessionStartMoved(*added.RunningStart);
    clock.now = Time("10:02");
    EXPECT_EQ(recorder.Tick(kTarget, false), SessionRecorder::TickResult::Extended);
    // Deleting another session finds the recorded one still there: no fresh pair is needed.
    EXPECT_FALSE(DeleteLogBranch(files, kTarget, PeriodKind::Session, Time("1"),
                                 recorder.SessionStart(), true, clock)
                     .has_value());
    EXPECT_EQ(BitsInLog(files), BitsOf(Log("9-10:02")));
}

TEST(Undo, RestoresExactSpansAndKeepsTheMinutesRecordedSince) {
    // The change comes at 11:00 while the session from 10:00 is recorded; ticks up to 11:30
    // follow before the undo.
    enum Kind { Add, Remove };
    struct Case {
        const char* name;
        Kind kind;
        const char* range;
        const char* runningStart;  // after the change; empty: unmoved
    } cases[] = {
        {"add joining both sessions", Add, "9-10", "8"},
        {"add just before the running session", Add, "9:10-10", "9:10"},
        {"add apart", Add, "9:10-9:50", ""},
        {"remove inside the running session", Remove, "10:15-10:30", "10:30"},
        {"remove its start and what lies before", Remove, "8:30-10:30", "10:30"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        MemoryFileSystem files;
        files.SetFile(kTarget.Path, Bytes("8-9 10-10:59:50"));
        const CorrectionResult change =
            test.kind == Add ? AddTime(files, kTarget, SpanOf(test.range), Time("11"), true)
                             : RemoveTime(files, kTarget, SpanOf(test.range), Time("11"), true);
        ASSERT_TRUE(change.Changed);
        if (*test.runningStart) {
            EXPECT_EQ(change.RunningStart, Time(test.runningStart));
        } else {
            EXPECT_FALSE(change.RunningStart.has_value());
        }
        Tick(files, "11:01");
        Tick(files, "11:30");

        const CorrectionResult undo = UndoChange(files, kTarget, change.Change, true);
        EXPECT_EQ(undo.Refusal, CorrectionRefusal::None);
        EXPECT_EQ(BitsInLog(files), BitsOf(Log("8-9 10-11:30")))
            << Describe(ReadLogPairs(files, kTarget));
        if (change.RunningStart) {
            EXPECT_EQ(undo.RunningStart, Time("10"));
        }
        // The recorder goes on extending its own session.
        Tick(files, "11:31");
        EXPECT_EQ(BitsInLog(files), BitsOf(Log("8-9 10-11:31")));
    }
}

TEST(Undo, DeleteBranchBringsBackItsPairsAsTheyWere) {
    struct Case {
        const char* name;
        PeriodKind kind;
        const char* branch;
        const char* before;
        const char* removed;
        const char* undone;  // after ticks up to 33:45
    } cases[] = {
        // Touching sessions and one of no length stay apart; garbage has no time to bring back.
        {"a day", PeriodKind::Day, "0", "8-9 9-10 10:30-10:30 G 32-33", "8-9 9-10 10:30-10:30",
         "8-9 9-10 10:30-10:30 32-33:45"},
        // While logging the delete starts a fresh pair at 33:30, which stays last.
        {"the recorded session", PeriodKind::Session, "32", "8-9 32-33:20", "32-33:20",
         "8-9 32-33:20 33:30-33:45"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        FakeClock clock;
        clock.now = Time("33:30");
        MemoryFileSystem plain;
        plain.SetFile(kTarget.Path, Bytes(test.before));
        const auto delete_ = [&](MemoryFileSystem& files, std::vector<Span>* removed) {
            return DeleteLogBranch(files, kTarget, test.kind, Time(test.branch), Time("32"), true,
                                   clock, removed);
        };
        MemoryFileSystem files;
        files.SetFile(kTarget.Path, Bytes(test.before));
        std::vector<Span> removed;
        EXPECT_EQ(delete_(files, &removed), delete_(plain, nullptr));
        EXPECT_EQ(files.File(kTarget.Path), plain.File(kTarget.Path));  // the very same delete
        EXPECT_EQ(removed, Spans(test.removed));

        Tick(files, "33:45");
        UndoChange(files, kTarget, DeletedBranchChange(removed), true);
        EXPECT_EQ(BitsInLog(files), BitsOf(Log(test.undone)))
            << Describe(ReadLogPairs(files, kTarget));
    }
}

TEST(UndoList, UndoesSeveralChangesNewestFirstBackToTheSameBytes) {
    MemoryFileSystem files;
    files.SetFile(kTarget.Path, Bytes("8-9 10-11 12-13"));
    UndoList undo;
    EXPECT_EQ(undo.MenuText(), "&Undo");

    const DateTime now = Time("14");
    undo.Push(AddTime(files, kTarget, SpanOf("9-10"), now, false).Change);
    EXPECT_EQ(undo.MenuText(), "&Undo Add Time");
    undo.Push(RemoveTime(files, kTarget, SpanOf("12:15-12:30"), now, false).Change);
    EXPECT_EQ(undo.MenuText(), "&Undo Remove Time");
    // A new password leaves the steps as they are.
    RekeyLog(files, kTarget, "new key");
    const LogTarget rekeyed{kTarget.Path, "new key"};
    undo.Push(AddTime(files, rekeyed, SpanOf("8-8:30"), now, false).Change);  // adds nothing
    EXPECT_EQ(undo.Size(), 2u);
    std::vector<Span> removed;
    FakeClock clock;
    DeleteLogBranch(files, rekeyed, PeriodKind::Total, 0, 0, false, clock, &removed);
    undo.Push(DeletedBranchChange(removed));
    EXPECT_EQ(undo.MenuText(), "&Undo Delete Branch");

    // A failed undo keeps its step for another try.
    files.FailAt(Op::Replace);
    EXPECT_THROW(undo.UndoNewest(files, rekeyed, false), IoError);
    EXPECT_EQ(undo.Size(), 3u);
    files.ClearFaults();
    for (const char* menu : {"&Undo Remove Time", "&Undo Add Time", "&Undo"}) {
        EXPECT_TRUE(undo.UndoNewest(files, rekeyed, false).Changed);
        EXPECT_EQ(undo.MenuText(), menu);
    }
    EXPECT_EQ(files.File(kTarget.Path), Bytes("8-9 10-11 12-13", "new key"));
    EXPECT_TRUE(undo.Empty());
}

}  // namespace
