#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/log/Corrections.h"
#include "core/log/Rewrite.h"
#include "unit/support/MemoryFileSystem.h"

namespace {

using Bytes = MemoryFileSystem::Bytes;
using Op = MemoryFileSystem::Op;
using Values = std::vector<DateTime>;

const std::string kLog = "D:\\data\\worktaly.dat";

class FakeClock final : public Clock {
  public:
    DateTime Now() const override { return now; }
    DateTime now = EncodeDateTime(2025, 6, 1, 12, 0);
};

// Pairs of a small log; pair 6 is invalid (its end is before its start) and still belongs.
struct Sample {
    static constexpr int kPairs = 7;
    static DateTime Start(int pair) { return Pairs()[2 * pair]; }
    static Values Pairs() {
        return {
            EncodeDateTime(2023, 12, 31, 23, 0), EncodeDateTime(2024, 1, 1, 1, 0),    // 0
            EncodeDateTime(2024, 1, 1, 8, 0),    EncodeDateTime(2024, 1, 1, 9, 0),    // 1
            EncodeDateTime(2024, 1, 15, 10, 0),  EncodeDateTime(2024, 1, 15, 11, 0),  // 2
            EncodeDateTime(2024, 2, 1, 10, 0),   EncodeDateTime(2024, 2, 1, 12, 0),   // 3
            EncodeDateTime(2024, 2, 1, 13, 0),   EncodeDateTime(2024, 2, 1, 14, 0),   // 4
            EncodeDateTime(2025, 1, 1, 9, 0),    EncodeDateTime(2025, 1, 1, 10, 0),   // 5
            EncodeDateTime(2024, 2, 1, 15, 0),   EncodeDateTime(2024, 2, 1, 14, 0),   // 6
        };
    }
    static Values Keep(std::initializer_list<int> pairs) {
        const Values all = Pairs();
        Values kept;
        for (int pair : pairs) {
            kept.push_back(all[2 * static_cast<std::size_t>(pair)]);
            kept.push_back(all[2 * static_cast<std::size_t>(pair) + 1]);
        }
        return kept;
    }
};

TEST(DeleteLogBranch, DropsThePairsStartingInTheBranch) {
    const std::string password = "pw3";
    struct Case {
        const char* name;
        PeriodKind kind;
        DateTime start;
        std::initializer_list<int> kept;
    } cases[] = {
        {"one session", PeriodKind::Session, Sample::Start(2), {0, 1, 3, 4, 5, 6}},
        {"the first session", PeriodKind::Session, Sample::Start(0), {1, 2, 3, 4, 5, 6}},
        {"a session a second off",
         PeriodKind::Session,
         Sample::Start(2) + 1.0 / 86400,
         {0, 1, 2, 3, 4, 5, 6}},
        {"a piece split off at midnight",
         PeriodKind::Session,
         EncodeDate(2024, 1, 1),
         {0, 1, 2, 3, 4, 5, 6}},
        {"a day", PeriodKind::Day, EncodeDateTime(2024, 2, 1, 18, 30), {0, 1, 2, 5}},
        {"the day a session ran into", PeriodKind::Day, EncodeDate(2024, 1, 1), {0, 2, 3, 4, 5, 6}},
        {"a month", PeriodKind::Month, EncodeDate(2024, 1, 1), {0, 3, 4, 5, 6}},
        {"the same month of another year",
         PeriodKind::Month,
         EncodeDate(2025, 1, 20),
         {0, 1, 2, 3, 4, 6}},
        {"an empty month", PeriodKind::Month, EncodeDate(2024, 3, 1), {0, 1, 2, 3, 4, 5, 6}},
        {"a year", PeriodKind::Year, EncodeDate(2024, 1, 1), {0, 5}},
        {"the year a session ran out of",
         PeriodKind::Year,
         EncodeDate(2023, 12, 31),
         {1, 2, 3, 4, 5, 6}},
        {"everything", PeriodKind::Total, 0, {}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        MemoryFileSystem files;
        FakeClock clock;
        const Bytes before = RecordBytes(Sample::Pairs(), password);
        files.SetFile(kLog, before);

        // The confirmation's count is what the delete drops.
        EXPECT_EQ(CountLogBranch(files, LogTarget{kLog, password}, test.kind, test.start),
                  Sample::kPairs - test.kept.size());
        const auto appended = DeleteLogBranch(files, LogTarget{kLog, password}, test.kind,
                                              test.start, Sample::Start(5), false, clock);
        EXPECT_FALSE(appended.has_value());
        const Bytes after = *files.File(kLog);
        // Decoding with each record's new position proves the moved pairs were re-scrambled.
        EXPECT_EQ(RecordValues(after, password), Sample::Keep(test.kept));
        if (test.kept.size() == Sample::kPairs) {
            EXPECT_EQ(after, before);
        }
        EXPECT_EQ(files.Paths(), std::vector<std::string>{kLog});
    }
}

TEST(DeleteLogBranch, ReplacesTheRecordedSessionOnlyWhileLogging) {
    const std::string password = "logging";
    const DateTime session = Sample::Start(5);
    const Bytes before = RecordBytes(Sample::Pairs(), password);
    struct Case {
        const char* name;
        PeriodKind kind;
        DateTime start;
        DateTime sessionStart;
        bool logging;
        std::initializer_list<int> kept;
        bool appends;
    } cases[] = {
        {"its day while logging",
         PeriodKind::Day,
         session,
         session,
         true,
         {0, 1, 2, 3, 4, 6},
         true},
        {"its day while not logging",
         PeriodKind::Day,
         session,
         session,
         false,
         {0, 1, 2, 3, 4, 6},
         false},
        {"another session while logging",
         PeriodKind::Session,
         Sample::Start(1),
         session,
         true,
         {0, 2, 3, 4, 5, 6},
         false},
        {"everything while logging", PeriodKind::Total, 0, session, true, {}, true},
        {"nothing while logging, session not in the log",
         PeriodKind::Month,
         EncodeDate(2020, 1, 1),
         0,
         true,
         {0, 1, 2, 3, 4, 5, 6},
         true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        MemoryFileSystem files;
        FakeClock clock;
        files.SetFile(kLog, before);
        const auto appended = DeleteLogBranch(files, LogTarget{kLog, password}, test.kind,
                                              test.start, test.sessionStart, test.logging, clock);
        Values expected = Sample::Keep(test.kept);
        if (test.appends) {
            ASSERT_EQ(appended, clock.now);
            expected.insert(expected.end(), {clock.now, clock.now});
        } else {
            EXPECT_FALSE(appended.has_value());
        }
        const Bytes after = *files.File(kLog);
        EXPECT_EQ(RecordValues(after, password), expected);
        if (test.kept.size() == Sample::kPairs) {  // the old pairs keep their bytes
            EXPECT_EQ(
                Bytes(after.begin(), after.begin() + static_cast<std::ptrdiff_t>(before.size())),
                before);
        }
    }
}

TEST(DeleteLogSessions, DropsThePairsStartingAtTheGivenTimesOnly) {
    MemoryFileSystem files;
    FakeClock clock;
    files.SetFile(kLog, RecordBytes(Sample::Pairs(), "pw"));
    std::vector<Span> removed;
    // A time that starts no pair drops nothing; the recorded session gone, a fresh pair follows.
    const auto appended = DeleteLogSessions(
        files, LogTarget{kLog, "pw"}, {Sample::Start(4), Sample::Start(1), EncodeDate(2024, 3, 1)},
        Sample::Start(4), true, clock, &removed);
    ASSERT_EQ(appended, clock.now);
    Values expected = Sample::Keep({0, 2, 3, 5, 6});
    expected.insert(expected.end(), {clock.now, clock.now});
    EXPECT_EQ(RecordValues(*files.File(kLog), "pw"), expected);
    const Values pairs = Sample::Pairs();
    EXPECT_EQ(removed, (std::vector<Span>{{pairs[2], pairs[3]}, {pairs[8], pairs[9]}}));
}

TEST(DeleteLogBranch, EmptyLog) {
    for (bool logging : {false, true}) {
        MemoryFileSystem files;
        FakeClock clock;
        files.SetFile(kLog, {});
        const auto appended =
            DeleteLogBranch(files, LogTarget{kLog, ""}, PeriodKind::Total, 0, 0, logging, clock);
        EXPECT_EQ(appended.has_value(), logging);
        const Values expected = logging ? Values{clock.now, clock.now} : Values{};
        EXPECT_EQ(RecordValues(*files.File(kLog), ""), expected);
    }
}

TEST(RekeyLog, ReScramblesEveryRecordInPlace) {
    const Values values = Sample::Pairs();
    struct Case {
        std::string from, to;
    } cases[] = {{"", "secret"}, {"secret", ""},   {"abc", "defgh"},
                 {"x", "y"},     {"same", "same"}, {"a longer password", "ab"}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.from + " -> " + test.to);
        MemoryFileSystem files;
        files.SetFile(kLog, RecordBytes(values, test.from));
        EXPECT_EQ(RekeyLog(files, LogTarget{kLog, test.from}, test.to), RekeyResult::Rekeyed);
        // An empty password means plain doubles, anything else the scrambled ones.
        EXPECT_EQ(*files.File(kLog), RecordBytes(values, test.to));
        EXPECT_EQ(files.Paths(), std::vector<std::string>{kLog});
    }
}

TEST(RekeyLog, KeepsEveryBitOfRecordsThatAreNoSensibleValue) {
    // Signalling NaNs, negative zero, denormals and all ones, as a wrong key leaves them.
    Bytes garbage;
    for (std::uint64_t bits :
         {0x7FF0000000000001ull, 0xFFF4000000000000ull, 0x8000000000000000ull,
          0x0000000000000001ull, 0xFFFFFFFFFFFFFFFFull, 0x7FF8000000000000ull}) {
        unsigned char record[8];
        StoreRecordBytes(bits, record);
        garbage.insert(garbage.end(), record, record + 8);
    }
    MemoryFileSystem files;
    files.SetFile(kLog, garbage);
    RekeyLog(files, LogTarget{kLog, "old"}, "new password");
    EXPECT_NE(*files.File(kLog), garbage);
    RekeyLog(files, LogTarget{kLog, "new password"}, "old");
    EXPECT_EQ(*files.File(kLog), garbage);

    // Moving such pairs down keeps them too: their plain bits stay what they were.
    Bytes withFirstPair = RecordBytes({EncodeDate(2001, 1, 1), EncodeDate(2001, 1, 1)}, "old");
    withFirstPair.insert(withFirstPair.end(), garbage.begin(), garbage.end());
    files.SetFile(kLog, withFirstPair);
    FakeClock clock;
    DeleteLogBranch(files, LogTarget{kLog, "old"}, PeriodKind::Year, EncodeDate(2001, 5, 5), 0,
                    false, clock);
    const Bytes after = *files.File(kLog);
    ASSERT_EQ(after.size(), garbage.size());
    const RecordKeys keys("old");
    for (std::size_t i = 0; i < garbage.size() / 8; ++i) {
        const auto record = static_cast<std::int64_t>(i);
        EXPECT_EQ(LoadRecordBytes(after.data() + 8 * i) ^ keys.Key(record),
                  LoadRecordBytes(garbage.data() + 8 * i) ^ keys.Key(record + 2))
            << "record " << i;
    }
}

TEST(RekeyLog, MissingOrEmptyLog) {
    MemoryFileSystem files;
    EXPECT_EQ(RekeyLog(files, LogTarget{kLog, ""}, "new"), RekeyResult::NoLogFile);
    EXPECT_TRUE(files.Paths().empty());

    files.SetFile(kLog, {});
    EXPECT_EQ(RekeyLog(files, LogTarget{kLog, ""}, "new"), RekeyResult::Rekeyed);
    EXPECT_EQ(files.File(kLog), Bytes{});
}

// --- failures: the log keeps its bytes and no temporary file is left ---

using Rewrite = std::function<void(MemoryFileSystem&)>;

struct NamedRewrite {
    const char* name;
    Rewrite run;
};

std::vector<NamedRewrite> Rewrites() {
    return {
        {"delete a session",
         [](MemoryFileSystem& files) {
             FakeClock clock;
             DeleteLogBranch(files, LogTarget{kLog, "key"}, PeriodKind::Session, Sample::Start(1),
                             0, false, clock);
         }},
        {"delete sessions of a shared folder's piece",
         [](MemoryFileSystem& files) {
             DeleteLogSessions(files, LogTarget{kLog, "key"}, {Sample::Start(2)}, 0, false,
                               FakeClock());
         }},
        {"delete everything while logging",
         [](MemoryFileSystem& files) {
             FakeClock clock;
             DeleteLogBranch(files, LogTarget{kLog, "key"}, PeriodKind::Total, 0, Sample::Start(5),
                             true, clock);
         }},
        {"rekey",
         [](MemoryFileSystem& files) {
             RekeyLog(files, LogTarget{kLog, "key"}, "other");
         }},
        {"add time",
         [](MemoryFileSystem& files) {
             AddTime(files, {kLog, "key"},
                     {EncodeDateTime(2024, 1, 1, 10, 0), EncodeDateTime(2024, 1, 1, 11, 0)},
                     FakeClock().now, false);
         }},
        {"remove time",
         [](MemoryFileSystem& files) {
             RemoveTime(files, {kLog, "key"},
                        {EncodeDateTime(2024, 1, 1, 8, 15), EncodeDateTime(2024, 1, 1, 8, 30)},
                        FakeClock().now, false);
         }},
        {"undo",
         [](MemoryFileSystem& files) {
             LogChange added;
             added.Added = {{EncodeDateTime(2024, 1, 1, 8, 0), EncodeDateTime(2024, 1, 1, 8, 30)}};
             UndoChange(files, {kLog, "key"}, added, false);
         }},
    };
}

TEST(Rewrites, UnreadableLogIsLeftUntouched) {
    const Bytes pairs = RecordBytes(Sample::Pairs(), "key");
    struct Case {
        const char* name;
        Bytes log;
        void (*fault)(MemoryFileSystem&);
    } cases[] = {
        {"odd record count",
         RecordBytes({Sample::Start(0), Sample::Start(1), Sample::Start(2)}, "key"), nullptr},
        {"trailing bytes", RecordBytes(Sample::Pairs(), "key", {1, 2, 3}), nullptr},
        {"read-only", pairs, [](MemoryFileSystem& m) { m.SetReadOnly(kLog); }},
        {"open fails", pairs, [](MemoryFileSystem& m) { m.FailAt(Op::OpenExisting); }},
        {"size fails", pairs, [](MemoryFileSystem& m) { m.FailAt(Op::Size); }},
        {"read fails", pairs, [](MemoryFileSystem& m) { m.FailAt(Op::Read); }},
        {"closing the log fails", pairs, [](MemoryFileSystem& m) { m.FailAt(Op::Close); }},
    };
    for (const auto& rewrite : Rewrites()) {
        for (const auto& test : cases) {
            SCOPED_TRACE(std::string(rewrite.name) + ", " + test.name);
            MemoryFileSystem files;
            files.SetFile(kLog, test.log);
            if (test.fault) test.fault(files);
            EXPECT_THROW(rewrite.run(files), IoError);
            EXPECT_EQ(files.File(kLog), test.log);
            EXPECT_EQ(files.Paths(), std::vector<std::string>{kLog});
            EXPECT_EQ(files.Calls(Op::Write), 0);
            EXPECT_EQ(files.OpenFiles(), 0);
        }
    }

    MemoryFileSystem files;
    FakeClock clock;
    EXPECT_THROW(DeleteLogBranch(files, LogTarget{kLog, ""}, PeriodKind::Total, 0, 0, true, clock),
                 IoError);
    EXPECT_TRUE(files.Paths().empty());
}

TEST(Rewrites, FailureAtAnyStepOfWritingKeepsTheLog) {
    const Bytes before = RecordBytes(Sample::Pairs(), "key");
    for (const auto& rewrite : Rewrites()) {
        SCOPED_TRACE(rewrite.name);
        MemoryFileSystem clean;
        clean.SetFile(kLog, before);
        rewrite.run(clean);
        ASSERT_NE(clean.File(kLog), before);
        const int writes = clean.Calls(Op::Write);
        ASSERT_GE(writes, 1);

        std::vector<std::pair<std::string, std::function<void(MemoryFileSystem&)>>> faults;
        for (int k = 1; k <= writes; ++k)
            faults.emplace_back("write " + std::to_string(k),
                                [k](MemoryFileSystem& m) { m.FailAt(Op::Write, k); });
        faults.emplace_back("torn write", [](MemoryFileSystem& m) {
            m.FailAt(Op::Write);
            m.SetTornWriteBytes(20);
        });
        faults.emplace_back("create", [](MemoryFileSystem& m) { m.FailAt(Op::Create); });
        faults.emplace_back("flush", [](MemoryFileSystem& m) { m.FailAt(Op::Flush); });
        faults.emplace_back("close of the new file",
                            [](MemoryFileSystem& m) { m.FailAt(Op::Close, 2); });
        faults.emplace_back("replace", [](MemoryFileSystem& m) { m.FailAt(Op::Replace); });

        for (const auto& [name, inject] : faults) {
            SCOPED_TRACE(name);
            MemoryFileSystem files;
            files.SetFile(kLog, before);
            inject(files);
            EXPECT_THROW(rewrite.run(files), IoError);
            EXPECT_EQ(files.File(kLog), before);
            EXPECT_EQ(files.Paths(), std::vector<std::string>{kLog});
            EXPECT_EQ(files.OpenFiles(), 0);
        }

        // A temporary file left by a crash is overwritten, and the result is the same.
        MemoryFileSystem crashed;
        crashed.SetFile(kLog, before);
        crashed.SetFile(RewriteTemporaryPath(kLog), Bytes(1000, 0xEE));
        rewrite.run(crashed);
        EXPECT_EQ(crashed.File(kLog), clean.File(kLog));
        EXPECT_EQ(crashed.Paths(), std::vector<std::string>{kLog});
    }
}

TEST(Rewrites, TemporaryFileSitsBesideTheLog) {
    for (const std::string path : {"C:\\a\\b\\worktaly.dat", "/var/log/w.dat", "w.dat"}) {
        const std::string temporary = RewriteTemporaryPath(path);
        EXPECT_NE(temporary, path);
        EXPECT_EQ(temporary.substr(0, temporary.find_last_of("\\/") + 1),
                  path.substr(0, path.find_last_of("\\/") + 1));
    }
}

}  // namespace
