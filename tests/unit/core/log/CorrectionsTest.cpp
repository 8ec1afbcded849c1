#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/log/Corrections.h"
#include "core/log/Recorder.h"
#include "core/log/Rewrite.h"
#include "core/log/UndoList.h"
#include "core/settings/PasswordCodec.h"
#include "unit/support/LogPairsSupport.h"
#include "unit/support/MemoryFileSystem.h"

namespace {

using Bytes = MemoryFileSystem::Bytes;
using Op = MemoryFileSystem::Op;

const LogTarget kTarget{"C:\\logs\\worktaly.dat", "key 7"};

class FakeClock final : public Clock {
  public:
    DateTime Now() const override { return now; }
    DateTime now = 0;
};

// The log's bytes for these pairs, each record scrambled by itself with its record number.
Bytes LogOf(const std::vector<LogPair>& pairs, const std::string& password = kTarget.Password) {
    Bytes bytes(16 * pairs.size());
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const auto number = static_cast<std::int32_t>(2 * k);
        StoreRecordBytes(ScrambleRecord(password, number, pairs[k].Start()), &bytes[16 * k]);
        StoreRecordBytes(ScrambleRecord(password, number + 1, pairs[k].End()), &bytes[16 * k + 8]);
    }
    return bytes;
}

// The pairs of the bytes, each record unscrambled by itself, as plain bits.
PairBits BitsIn(const Bytes& bytes, const std::string& password = kTarget.Password) {
    PairBits bits;
    for (std::size_t at = 0; at + 16 <= bytes.size(); at += 16) {
        const auto number = static_cast<std::int32_t>(at / 8);
        bits.emplace_back(
            DateTimeBits(UnscrambleRecord(password, number, LoadRecordBytes(&bytes[at]))),
            DateTimeBits(UnscrambleRecord(password, number + 1, LoadRecordBytes(&bytes[at + 8]))));
    }
    return bits;
}

// The recorder's tick at `now`: it moves the last pair's end.
void Tick(MemoryFileSystem& files, DateTime now) {
    FakeClock clock;
    clock.now = now;
    SessionRecorder recorder(files, clock);
    ASSERT_EQ(recorder.Tick(kTarget.Path, EncodePassword(kTarget.Password), false),
              SessionRecorder::TickResult::Extended);
}

TEST(CorrectionFiles, WriteOnceAndKeepTheExactBitsOfWhatTheyDoNotTouch) {
    // NaN pairs survive a rewrite bit for bit, wherever the change moves them.
    const std::vector<LogPair> before = {LogPair::Of(At(8, 0), At(9, 0)), NanPair(),
                                         LogPair::Of(At(12, 0), At(13, 0)), NanPair()};
    MemoryFileSystem files;
    files.SetFile(kTarget.Path, LogOf(before));
    const CorrectionResult result =
        AddTime(files, kTarget, {At(10, 0), At(11, 0)}, At(14, 0), false);
    EXPECT_TRUE(result.Changed);
    EXPECT_EQ(files.Calls(Op::Replace), 1);
    EXPECT_EQ(BitsIn(*files.File(kTarget.Path)),
              BitsOf({LogPair::Of(At(8, 0), At(9, 0)), NanPair(), LogPair::Of(At(10, 0), At(11, 0)),
                      LogPair::Of(At(12, 0), At(13, 0)), NanPair()}));
    EXPECT_EQ(files.Paths(), std::vector<std::string>{kTarget.Path});
}

TEST(CorrectionFiles, WriteNothingWhenNothingChangesOrTheChangeIsRefused) {
    const Bytes log = LogOf(PairsOf({{At(9, 0), At(12, 0)}}));
    struct Case {
        const char* name;
        std::function<CorrectionResult(MemoryFileSystem&)> change;
        CorrectionRefusal refusal;
    } cases[] = {
        {"adding counted time",
         [](MemoryFileSystem& f) {
             return AddTime(f, kTarget, {At(10, 0), At(11, 0)}, At(14, 0), false);
         },
         CorrectionRefusal::None},
        {"removing time no session holds",
         [](MemoryFileSystem& f) {
             return RemoveTime(f, kTarget, {At(12, 0), At(13, 0)}, At(14, 0), false);
         },
         CorrectionRefusal::None},
        {"adding after now",
         [](MemoryFileSystem& f) {
             return AddTime(f, kTarget, {At(13, 0), At(15, 0)}, At(14, 0), false);
         },
         CorrectionRefusal::AfterNow},
        {"removing up to the running end",
         [](MemoryFileSystem& f) {
             return RemoveTime(f, kTarget, {At(10, 0), At(12, 0)}, At(14, 0), true);
         },
         CorrectionRefusal::ReachesRunningEnd},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        MemoryFileSystem files;
        files.SetFile(kTarget.Path, log);
        const CorrectionResult result = test.change(files);
        EXPECT_EQ(result.Refusal, test.refusal);
        EXPECT_FALSE(result.Changed);
        EXPECT_EQ(files.Calls(Op::Create), 0);
        EXPECT_EQ(files.File(kTarget.Path), log);
        EXPECT_EQ(files.OpenFiles(), 0);
    }
}

TEST(CorrectionFiles, MissingLogReadsAsEmpty) {
    MemoryFileSystem files;
    EXPECT_FALSE(RemoveTime(files, kTarget, {At(9, 0), At(10, 0)}, At(14, 0), false).Changed);
    EXPECT_TRUE(files.Paths().empty());
    EXPECT_TRUE(AddTime(files, kTarget, {At(9, 0), At(10, 0)}, At(14, 0), false).Changed);
    EXPECT_EQ(BitsIn(*files.File(kTarget.Path)), BitsOf(PairsOf({{At(9, 0), At(10, 0)}})));
}

// --- failures: the log keeps its bytes and no temporary file is left ---

using Change = std::function<void(MemoryFileSystem&)>;

std::vector<std::pair<const char*, Change>> Changes() {
    LogChange added;
    added.Kind = ChangeKind::AddTime;
    added.Added = {{At(9, 0), At(9, 30)}};
    return {
        {"add",
         [](MemoryFileSystem& f) {
             AddTime(f, kTarget, {At(10, 0), At(11, 0)}, At(14, 0), false);
         }},
        {"remove",
         [](MemoryFileSystem& f) {
             RemoveTime(f, kTarget, {At(8, 30), At(9, 15)}, At(14, 0), false);
         }},
        {"undo", [added](MemoryFileSystem& f) { UndoChange(f, kTarget, added, false); }},
    };
}

TEST(CorrectionFiles, UnreadableLogIsLeftUntouched) {
    const Bytes log = LogOf(PairsOf({{At(8, 0), At(9, 30)}}));
    Bytes trailing = log;
    trailing.insert(trailing.end(), {1, 2, 3});
    const Bytes halfPair(log.begin(), log.begin() + 8);
    struct Case {
        const char* name;
        Bytes log;
        void (*fault)(MemoryFileSystem&);
    } cases[] = {
        {"a start without its end", halfPair, nullptr},
        {"trailing bytes", trailing, nullptr},
        {"read-only", log, [](MemoryFileSystem& m) { m.SetReadOnly(kTarget.Path); }},
        {"open fails", log, [](MemoryFileSystem& m) { m.FailAt(Op::OpenExisting); }},
        {"size fails", log, [](MemoryFileSystem& m) { m.FailAt(Op::Size); }},
        {"read fails", log, [](MemoryFileSystem& m) { m.FailAt(Op::Read); }},
        {"closing the read fails", log, [](MemoryFileSystem& m) { m.FailAt(Op::Close, 1); }},
    };
    for (const auto& [name, change] : Changes()) {
        for (const auto& test : cases) {
            SCOPED_TRACE(std::string(name) + ", " + test.name);
            MemoryFileSystem files;
            files.SetFile(kTarget.Path, test.log);
            if (test.fault) test.fault(files);
            EXPECT_THROW(change(files), IoError);
            EXPECT_EQ(files.File(kTarget.Path), test.log);
            EXPECT_EQ(files.Paths(), std::vector<std::string>{kTarget.Path});
            EXPECT_EQ(files.Calls(Op::Write), 0);
            EXPECT_EQ(files.OpenFiles(), 0);
        }
    }
}

TEST(CorrectionFiles, FailureAtAnyStepOfWritingKeepsTheLog) {
    const Bytes before = LogOf(PairsOf({{At(8, 0), At(9, 30)}}));
    for (const auto& [name, change] : Changes()) {
        SCOPED_TRACE(name);
        MemoryFileSystem clean;
        clean.SetFile(kTarget.Path, before);
        change(clean);
        ASSERT_NE(clean.File(kTarget.Path), before);
        const int writes = clean.Calls(Op::Write);
        ASSERT_GE(writes, 1);

        std::vector<std::pair<std::string, std::function<void(MemoryFileSystem&)>>> faults;
        for (int k = 1; k <= writes; ++k)
            faults.emplace_back("write " + std::to_string(k),
                                [k](MemoryFileSystem& m) { m.FailAt(Op::Write, k); });
        faults.emplace_back("torn write", [](MemoryFileSystem& m) {
            m.FailAt(Op::Write);
            m.SetTornWriteBytes(12);
        });
        faults.emplace_back("create", [](MemoryFileSystem& m) { m.FailAt(Op::Create); });
        faults.emplace_back("flush", [](MemoryFileSystem& m) { m.FailAt(Op::Flush); });
        faults.emplace_back("close of the new file",
                            [](MemoryFileSystem& m) { m.FailAt(Op::Close, 2); });
        faults.emplace_back("replace", [](MemoryFileSystem& m) { m.FailAt(Op::Replace); });
        for (const auto& [fault, inject] : faults) {
            SCOPED_TRACE(fault);
            MemoryFileSystem files;
            files.SetFile(kTarget.Path, before);
            inject(files);
            EXPECT_THROW(change(files), IoError);
            EXPECT_EQ(files.File(kTarget.Path), before);
            EXPECT_EQ(files.Paths(), std::vector<std::string>{kTarget.Path});
            EXPECT_EQ(files.OpenFiles(), 0);
        }

        // A temporary file a kill left behind is written over; the result is the same.
        MemoryFileSystem killed;
        killed.SetFile(kTarget.Path, before);
        killed.SetFile(RewriteTemporaryPath(kTarget.Path), Bytes(1000, 0xEE));
        change(killed);
        EXPECT_EQ(killed.File(kTarget.Path), clean.File(kTarget.Path));
        EXPECT_EQ(killed.Paths(), std::vector<std::string>{kTarget.Path});
    }
}

TEST(CorrectionFiles, TheRecorderToldOfItsNewStartKeepsItsSession) {
    const std::string encoded = EncodePassword(kTarget.Password);
    FakeClock clock;
    clock.now = At(10, 0);
    MemoryFileSystem files;
    files.SetFile(kTarget.Path, LogOf(PairsOf({{At(8, 0, 0, -1), At(9, 0, 0, -1)}})));
    SessionRecorder recorder(files, clock);
    recorder.AppendSession(kTarget.Path, encoded);
    clock.now = At(10, 1);
    ASSERT_EQ(recorder.Tick(kTarget.Path, encoded, false), SessionRecorder::TickResult::Extended);

    const CorrectionResult added = AddTime(files, kTarget, {At(9, 0), At(10, 0)}, At(10, 1), true);
    ASSERT_EQ(added.RunningStart, At(9, 0));
    recorder.SessionStartMoved(*added.RunningStart);
    clock.now = At(10, 2);
    EXPECT_EQ(recorder.Tick(kTarget.Path, encoded, false), SessionRecorder::TickResult::Extended);
    // Deleting yesterday finds the recorded session still there: no fresh pair is needed.
    EXPECT_FALSE(DeleteLogBranch(files, kTarget.Path, kTarget.Password, PeriodKind::Day,
                                 At(0, 0, 0, -1), recorder.SessionStart(), true, clock)
                     .has_value());
    EXPECT_EQ(BitsIn(*files.File(kTarget.Path)), BitsOf(PairsOf({{At(9, 0), At(10, 2)}})));
}

// --- undo ---

TEST(Undo, RestoresExactSpansAndKeepsTheMinutesRecordedSince) {
    // The running session ends where the recorder last wrote; the change comes at 11:00, and
    // ticks until 11:30 follow before the undo.
    const auto before = PairsOf({{At(8, 0), At(9, 0)}, {At(10, 0), At(10, 59, 50)}});
    enum Kind { Add, Remove };
    struct Case {
        const char* name;
        Kind kind;
        Span range;
        std::optional<DateTime> runningStartAfterChange;
    } cases[] = {
        {"add joining both sessions", Add, {At(9, 0), At(10, 0)}, At(8, 0)},
        {"add just before the running session", Add, {At(9, 10), At(10, 0)}, At(9, 10)},
        {"add apart", Add, {At(9, 10), At(9, 50)}, std::nullopt},
        {"remove inside the running session", Remove, {At(10, 15), At(10, 30)}, At(10, 30)},
        {"remove its start and what lies before", Remove, {At(8, 30), At(10, 30)}, At(10, 30)},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        MemoryFileSystem files;
        files.SetFile(kTarget.Path, LogOf(before));
        const CorrectionResult change =
            test.kind == Add ? AddTime(files, kTarget, test.range, At(11, 0), true)
                             : RemoveTime(files, kTarget, test.range, At(11, 0), true);
        ASSERT_TRUE(change.Changed);
        EXPECT_EQ(change.RunningStart, test.runningStartAfterChange);
        Tick(files, At(11, 1));
        Tick(files, At(11, 30));

        const CorrectionResult undo = UndoChange(files, kTarget, change.Change, true);
        EXPECT_EQ(undo.Refusal, CorrectionRefusal::None);
        EXPECT_EQ(BitsIn(*files.File(kTarget.Path)),
                  BitsOf(PairsOf({{At(8, 0), At(9, 0)}, {At(10, 0), At(11, 30)}})));
        if (test.runningStartAfterChange) {
            EXPECT_EQ(undo.RunningStart, At(10, 0));
        }
        // The recorder goes on extending its own session.
        Tick(files, At(11, 31));
        EXPECT_EQ(BitsIn(*files.File(kTarget.Path)).back().second, DateTimeBits(At(11, 31)));
    }
}

TEST(Undo, DeleteBranchBringsBackItsPairsAsTheyWere) {
    // Two touching sessions and a pair of no length stay three pairs after the undo.
    const std::vector<LogPair> before = {LogPair::Of(At(8, 0), At(9, 0)),
                                         LogPair::Of(At(9, 0), At(10, 0)),
                                         LogPair::Of(At(10, 30), At(10, 30)), BackwardPair(),
                                         LogPair::Of(At(8, 0, 0, 1), At(9, 0, 0, 1))};
    for (const bool logging : {false, true}) {
        SCOPED_TRACE(logging ? "logging" : "not logging");
        FakeClock clock;
        clock.now = At(9, 30, 0, 1);
        MemoryFileSystem plain;
        plain.SetFile(kTarget.Path, LogOf(before));
        DeleteLogBranch(plain, kTarget.Path, kTarget.Password, PeriodKind::Day, At(0, 0),
                        At(8, 0, 0, 1), logging, clock);

        MemoryFileSystem files;
        files.SetFile(kTarget.Path, LogOf(before));
        std::vector<Span> removed;
        const std::optional<DateTime> appended =
            DeleteLogBranch(files, kTarget.Path, kTarget.Password, PeriodKind::Day, At(0, 0),
                            At(8, 0, 0, 1), logging, clock, &removed);
        EXPECT_FALSE(appended.has_value());
        EXPECT_EQ(files.File(kTarget.Path), plain.File(kTarget.Path));  // the same delete
        // The garbage pair that started that day is no session and has no time to give back.
        EXPECT_EQ(removed,
                  (std::vector<Span>{
                      {At(8, 0), At(9, 0)}, {At(9, 0), At(10, 0)}, {At(10, 30), At(10, 30)}}));

        if (logging) Tick(files, At(9, 45, 0, 1));
        UndoChange(files, kTarget, DeletedBranchChange(removed), logging);
        std::vector<LogPair> expected = before;
        expected.erase(expected.begin() + 3);
        if (logging) expected.back() = LogPair::Of(At(8, 0, 0, 1), At(9, 45, 0, 1));
        EXPECT_EQ(BitsIn(*files.File(kTarget.Path)), BitsOf(expected));
    }
}

TEST(Undo, UndoOfADeletedRunningSessionKeepsTheFreshOneLast) {
    FakeClock clock;
    clock.now = At(11, 0);
    MemoryFileSystem files;
    files.SetFile(kTarget.Path,
                  LogOf(PairsOf({{At(8, 0), At(9, 0)}, {At(10, 0), At(10, 59, 30)}})));
    std::vector<Span> removed;
    const std::optional<DateTime> appended =
        DeleteLogBranch(files, kTarget.Path, kTarget.Password, PeriodKind::Session, At(10, 0),
                        At(10, 0), true, clock, &removed);
    ASSERT_EQ(appended, At(11, 0));
    Tick(files, At(11, 20));
    EXPECT_FALSE(
        UndoChange(files, kTarget, DeletedBranchChange(removed), true).RunningStart.has_value());
    EXPECT_EQ(BitsIn(*files.File(kTarget.Path)),
              BitsOf(PairsOf(
                  {{At(8, 0), At(9, 0)}, {At(10, 0), At(10, 59, 30)}, {At(11, 0), At(11, 20)}})));
}

TEST(UndoList, UndoesSeveralChangesNewestFirstBackToTheSameBytes) {
    const Bytes original =
        LogOf(PairsOf({{At(8, 0), At(9, 0)}, {At(10, 0), At(11, 0)}, {At(12, 0), At(13, 0)}}));
    MemoryFileSystem files;
    files.SetFile(kTarget.Path, original);
    UndoList undo;
    EXPECT_EQ(undo.MenuText(), "&Undo");

    const DateTime now = At(14, 0);
    undo.Push(AddTime(files, kTarget, {At(9, 0), At(10, 0)}, now, false).Change);
    EXPECT_EQ(undo.MenuText(), "&Undo Add Time");
    undo.Push(RemoveTime(files, kTarget, {At(12, 15), At(12, 30)}, now, false).Change);
    EXPECT_EQ(undo.MenuText(), "&Undo Remove Time");
    // Nothing to add: no step to undo.
    undo.Push(AddTime(files, kTarget, {At(8, 0), At(8, 30)}, now, false).Change);
    EXPECT_EQ(undo.Size(), 2u);
    std::vector<Span> removed;
    FakeClock clock;
    clock.now = now;
    DeleteLogBranch(files, kTarget.Path, kTarget.Password, PeriodKind::Total, 0, 0, false, clock,
                    &removed);
    undo.Push(DeletedBranchChange(removed));
    EXPECT_EQ(undo.MenuText(), "&Undo Delete Branch");
    EXPECT_EQ(files.File(kTarget.Path), Bytes{});

    // A failed undo keeps its step for another try.
    files.FailAt(Op::Replace);
    EXPECT_THROW(undo.UndoNewest(files, kTarget, false), IoError);
    EXPECT_EQ(undo.MenuText(), "&Undo Delete Branch");
    files.ClearFaults();

    const char* const menus[] = {"&Undo Remove Time", "&Undo Add Time", "&Undo"};
    for (const char* menu : menus) {
        EXPECT_TRUE(undo.UndoNewest(files, kTarget, false).Changed);
        EXPECT_EQ(undo.MenuText(), menu);
    }
    EXPECT_EQ(files.File(kTarget.Path), original);
    EXPECT_TRUE(undo.Empty());
}

}  // namespace
