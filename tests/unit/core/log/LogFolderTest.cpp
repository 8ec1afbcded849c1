#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/log/LogFolder.h"
#include "core/time/DateTime.h"
#include "unit/support/MemoryFileSystem.h"

namespace {

using Pair = std::pair<DateTime, DateTime>;
using Pairs = std::vector<Pair>;

const char kFolder[] = "D:\\OneDrive\\Worktally";
const char kPassword[] = "same on every computer";

// 2026-03-10 at hour h (h may pass 24 into the next days).
DateTime H(double hour) {
    return EncodeDate(2026, 3, 10) + hour / 24;
}

std::string PathOf(const std::string& name) {
    return std::string(kFolder) + "\\" + name;
}

Pairs SpansOf(const FolderUnion& logs) {
    Pairs spans;
    for (const TimeSpan& span : logs.Spans) spans.emplace_back(span.Start, span.End);
    return spans;
}

// "NAME:state" of each log in the result's order; state is counted, password or unreadable.
std::vector<std::string> StatesOf(const FolderUnion& logs) {
    std::vector<std::string> states;
    for (const FolderLog& log : logs.Logs) {
        const char* state = log.State == FolderLogState::Counted     ? "counted"
                            : log.State == FolderLogState::NotOpened ? "password"
                                                                     : "unreadable";
        states.push_back(log.Name + ":" + state);
    }
    return states;
}

// Lists one more name than the memory file system holds: a file that vanishes before its read.
class VanishingFileSystem final : public FileSystem {
  public:
    explicit VanishingFileSystem(MemoryFileSystem& inner) : inner_(inner) {}
    std::unique_ptr<LogFile> OpenExisting(const std::string& path) override {
        return inner_.OpenExisting(path);
    }
    std::unique_ptr<LogFile> Create(const std::string& path) override {
        return inner_.Create(path);
    }
    std::unique_ptr<LogFile> OpenAlways(const std::string& path) override {
        return inner_.OpenAlways(path);
    }
    void Replace(const std::string& from, const std::string& to) override {
        inner_.Replace(from, to);
    }
    void Remove(const std::string& path) noexcept override { inner_.Remove(path); }
    bool Exists(const std::string& path) override { return inner_.Exists(path); }
    std::vector<std::string> ListFiles(const std::string& folder) override {
        std::vector<std::string> names = inner_.ListFiles(folder);
        names.push_back("GONE-00000000.dat");
        return names;
    }

  private:
    MemoryFileSystem& inner_;
};

}  // namespace

TEST(LogFolderUnion, CountsEachMinuteOnceWhateverLogsHoldIt) {
    const struct {
        const char* what;
        std::vector<Pairs> logs;
        Pairs expected;
    } cases[] = {
        {"one log as it is", {{{H(9), H(10)}, {H(11), H(12)}}}, {{H(9), H(10)}, {H(11), H(12)}}},
        {"overlap", {{{H(9), H(11)}}, {{H(10), H(12)}}}, {{H(9), H(12)}}},
        {"touching", {{{H(9), H(10)}}, {{H(10), H(11)}}}, {{H(9), H(11)}}},
        {"one inside another",
         {{{H(8), H(17)}}, {{H(10), H(11)}, {H(12), H(13)}}},
         {{H(8), H(17)}}},
        {"identical copies",
         {{{H(9), H(10)}, {H(13), H(14)}}, {{H(9), H(10)}, {H(13), H(14)}}},
         {{H(9), H(10)}, {H(13), H(14)}}},
        {"interleaved",
         {{{H(9), H(10)}, {H(13), H(14)}}, {{H(11), H(12)}, {H(15), H(16)}}},
         {{H(9), H(10)}, {H(11), H(12)}, {H(13), H(14)}, {H(15), H(16)}}},
        {"a gap of a second stays",
         {{{H(9), H(10)}}, {{H(10) + 1.0 / 86400, H(11)}}},
         {{H(9), H(10)}, {H(10) + 1.0 / 86400, H(11)}}},
        {"across midnight", {{{H(22), H(25)}}, {{H(24.5), H(26)}}}, {{H(22), H(26)}}},
        {"joined at midnight", {{{H(22), H(24)}}, {{H(24), H(26)}}}, {{H(22), H(26)}}},
        {"zero length alone stays",
         {{{H(9), H(10)}}, {{H(12), H(12)}}},
         {{H(9), H(10)}, {H(12), H(12)}}},
        {"zero length inside goes", {{{H(9), H(10)}}, {{H(9.5), H(9.5)}}}, {{H(9), H(10)}}},
        {"zero length at an end goes",
         {{{H(9), H(10)}}, {{H(10), H(10)}, {H(9), H(9)}}},
         {{H(9), H(10)}}},
        {"zero length twice", {{{H(12), H(12)}}, {{H(12), H(12)}}}, {{H(12), H(12)}}},
        {"a chain through three logs",
         {{{H(9), H(10)}}, {{H(9.5), H(11)}}, {{H(10.5), H(12)}, {H(14), H(15)}}},
         {{H(9), H(12)}, {H(14), H(15)}}},
        {"clock set back within a log",
         {{{H(13), H(14)}, {H(9), H(10)}}, {{H(9.5), H(11)}}},
         {{H(9), H(11)}, {H(13), H(14)}}},
        {"empty logs", {{}, {}}, {}},
    };
    for (const auto& c : cases) {
        MemoryFileSystem files;
        files.AddFolder(kFolder);
        for (std::size_t log = 0; log < c.logs.size(); ++log)
            files.SetFile(PathOf("PC" + std::to_string(log) + ".dat"),
                          LogBytes(c.logs[log], kPassword));
        LogFolderReader reader;
        const FolderUnion& logs = reader.Read(files, kFolder, kPassword);
        EXPECT_EQ(SpansOf(logs), c.expected) << c.what;
        EXPECT_EQ(logs.CountedLogs(), c.logs.size()) << c.what;
        EXPECT_EQ(files.OpenFiles(), 0) << c.what;
    }
}

TEST(LogFolderUnion, LeavesOutAndNamesTheLogsThePasswordDoesNotOpenOrThatCannotBeRead) {
    const Pairs good{{H(9), H(10)}, {H(11), H(12)}};
    MemoryFileSystem::Bytes torn = LogBytes(good, kPassword);
    torn.insert(torn.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9});  // a pair half synced
    MemoryFileSystem::Bytes incorrectLater = LogBytes({{H(13), H(14)}, {H(16), H(15)}}, kPassword);
    const struct {
        const char* what;
        MemoryFileSystem::Bytes bytes;
        bool failRead;
        bool failClose;
        const char* state;
        Pairs expected;  // the union with the good log's sessions
    } cases[] = {
        {"another password", LogBytes({{H(13), H(14)}}, "other password"), false, false, "password",
         good},
        {"garbage", MemoryFileSystem::Bytes(32, 0xA5), false, false, "password", good},
        {"an incorrect record after good ones", incorrectLater, false, false, "password", good},
        {"torn tail while syncing", torn, false, false, "counted", good},
        {"only part of a first pair", {1, 2, 3, 4, 5, 6, 7, 8}, false, false, "counted", good},
        {"empty", {}, false, false, "counted", good},
        {"a read that fails", LogBytes({{H(13), H(14)}}, kPassword), true, false, "unreadable",
         good},
        {"a close that fails", LogBytes({{H(13), H(14)}}, kPassword), false, true, "unreadable",
         good},
        {"readable",
         LogBytes({{H(13), H(14)}}, kPassword),
         false,
         false,
         "counted",
         {{H(9), H(10)}, {H(11), H(12)}, {H(13), H(14)}}},
    };
    for (const auto& c : cases) {
        MemoryFileSystem files;
        files.SetFile(PathOf("HOME-5e6f7a8b.dat"), LogBytes(good, kPassword));
        files.SetFile(PathOf("OFFICE-1a2b3c4d.dat"), c.bytes);
        if (c.failRead) files.FailAt(MemoryFileSystem::Op::Read, 1, PathOf("OFFICE-1a2b3c4d.dat"));
        if (c.failClose)
            files.FailAt(MemoryFileSystem::Op::Close, 1, PathOf("OFFICE-1a2b3c4d.dat"));
        const MemoryFileSystem::Bytes before = c.bytes;
        LogFolderReader reader;
        const FolderUnion& logs = reader.Read(files, kFolder, kPassword);
        EXPECT_TRUE(logs.Listed) << c.what;
        EXPECT_EQ(StatesOf(logs),
                  (std::vector<std::string>{"HOME-5e6f7a8b.dat:counted",
                                            std::string("OFFICE-1a2b3c4d.dat:") + c.state}))
            << c.what;
        EXPECT_EQ(SpansOf(logs), c.expected) << c.what;
        EXPECT_EQ(files.File(PathOf("OFFICE-1a2b3c4d.dat")), before) << c.what;  // never changed
        EXPECT_EQ(files.Calls(MemoryFileSystem::Op::Write), 0) << c.what;
        EXPECT_EQ(files.OpenFiles(), 0) << c.what;
    }
}

TEST(LogFolderUnion, ReadsOnlyDatFilesDirectlyInTheFolderInNameOrder) {
    MemoryFileSystem files;
    const Pairs one{{H(9), H(10)}};
    for (const char* name : {"office-2.DAT", "Home-1.dat", "b.Dat", "notes.txt", "x.dat.tmp",
                             ".dat", "sub\\deep.dat", "a.datx"})
        files.SetFile(PathOf(name), LogBytes(one, kPassword));
    files.SetFile("D:\\OneDrive\\other.dat", LogBytes({{H(1), H(2)}}, kPassword));
    LogFolderReader reader;
    // With or without the separator at the end.
    for (const std::string& folder : {std::string(kFolder), std::string(kFolder) + "\\"}) {
        const FolderUnion& logs = reader.Read(files, folder, kPassword);
        EXPECT_EQ(StatesOf(logs), (std::vector<std::string>{"b.Dat:counted", "Home-1.dat:counted",
                                                            "office-2.DAT:counted"}));
        EXPECT_EQ(SpansOf(logs), one);
    }
}

TEST(LogFolderUnion, AFolderThatCannotBeListedCountsNothingAndALogThatVanishedIsNotThere) {
    MemoryFileSystem files;
    files.SetFile(PathOf("A.dat"), LogBytes({{H(9), H(10)}}, kPassword));
    LogFolderReader reader;
    reader.Read(files, kFolder, kPassword);
    files.FailAt(MemoryFileSystem::Op::List, 1, kFolder);
    const FolderUnion& failed = reader.Read(files, kFolder, kPassword);
    EXPECT_FALSE(failed.Listed);
    EXPECT_TRUE(failed.Logs.empty());
    EXPECT_TRUE(failed.Spans.empty());
    EXPECT_FALSE(reader.Read(files, "E:\\nowhere", kPassword).Listed);

    files.ClearFaults();
    VanishingFileSystem vanishing(files);
    const FolderUnion& logs = reader.Read(vanishing, kFolder, kPassword);
    EXPECT_TRUE(logs.Listed);
    EXPECT_EQ(StatesOf(logs), std::vector<std::string>{"A.dat:counted"});
    EXPECT_EQ(SpansOf(logs), (Pairs{{H(9), H(10)}}));
}

TEST(LogFolderUnion, TheNextReadSeesLogsAppearGrowAndVanish) {
    MemoryFileSystem files;
    files.SetFile(PathOf("A.dat"), LogBytes({{H(9), H(10)}}, kPassword));
    LogFolderReader reader;
    EXPECT_EQ(SpansOf(reader.Read(files, kFolder, kPassword)), (Pairs{{H(9), H(10)}}));

    files.SetFile(PathOf("B.dat"), LogBytes({{H(9.5), H(11)}}, kPassword));
    EXPECT_EQ(SpansOf(reader.Read(files, kFolder, kPassword)), (Pairs{{H(9), H(11)}}));

    files.SetFile(PathOf("A.dat"), LogBytes({{H(9), H(10)}, {H(12), H(12.5)}}, kPassword));
    EXPECT_EQ(SpansOf(reader.Read(files, kFolder, kPassword)),
              (Pairs{{H(9), H(11)}, {H(12), H(12.5)}}));

    files.Remove(PathOf("B.dat"));
    const FolderUnion& logs = reader.Read(files, kFolder, kPassword);
    EXPECT_EQ(SpansOf(logs), (Pairs{{H(9), H(10)}, {H(12), H(12.5)}}));
    EXPECT_EQ(StatesOf(logs), std::vector<std::string>{"A.dat:counted"});
}

TEST(LogFolderPeriods, NamesTheOtherLogsHoldingTimeInAPeriod) {
    MemoryFileSystem files;
    // This computer's log, and what the other logs hold around it.
    files.SetFile(PathOf("HOME-1.dat"), LogBytes({{H(9), H(10)}, {H(30), H(31)}}, kPassword));
    // Crosses midnight from 2026-03-10 into the 11th; touches HOME's first session.
    files.SetFile(PathOf("LAPTOP-2.dat"), LogBytes({{H(10), H(10.5)}, {H(23), H(25)}}, kPassword));
    // Ends exactly at the midnight before 2026-03-12; one session in April, one in 2027.
    files.SetFile(PathOf("OFFICE-3.dat"),
                  LogBytes({{H(47), H(48)},
                            {EncodeDateTime(2026, 4, 2, 9, 0), EncodeDateTime(2026, 4, 2, 10, 0)},
                            {EncodeDateTime(2027, 1, 5, 9, 0), EncodeDateTime(2027, 1, 5, 9, 0)}},
                           kPassword));
    files.SetFile(PathOf("OLD-4.dat"), LogBytes({{H(9), H(10)}}, "old password"));
    files.SetFile(PathOf("EMPTY-5.dat"), {});
    LogFolderReader reader;
    const FolderUnion& logs = reader.Read(files, kFolder, kPassword);
    ASSERT_EQ(logs.CountedLogs(), 4u);

    using Names = std::vector<std::string>;
    const struct {
        const char* what;
        PeriodKind kind;
        DateTime start;
        Names expected;
    } cases[] = {
        {"total", PeriodKind::Total, 0, {"LAPTOP-2.dat", "OFFICE-3.dat"}},
        {"year 2026", PeriodKind::Year, EncodeDate(2026, 1, 1), {"LAPTOP-2.dat", "OFFICE-3.dat"}},
        {"year 2027", PeriodKind::Year, EncodeDate(2027, 1, 1), {"OFFICE-3.dat"}},
        {"year 2025", PeriodKind::Year, EncodeDate(2025, 1, 1), {}},
        {"March", PeriodKind::Month, EncodeDate(2026, 3, 1), {"LAPTOP-2.dat", "OFFICE-3.dat"}},
        {"April", PeriodKind::Month, EncodeDate(2026, 4, 1), {"OFFICE-3.dat"}},
        {"May", PeriodKind::Month, EncodeDate(2026, 5, 1), {}},
        {"the 10th", PeriodKind::Day, H(0), {"LAPTOP-2.dat"}},
        {"the 11th: a piece after midnight, one up to midnight",
         PeriodKind::Day,
         H(24),
         {"LAPTOP-2.dat", "OFFICE-3.dat"}},
        {"the 12th: OFFICE's session ended at its midnight", PeriodKind::Day, H(48), {}},
        {"HOME's session joined with LAPTOP's", PeriodKind::Session, H(9), {"LAPTOP-2.dat"}},
        {"a time inside that piece", PeriodKind::Session, H(10.25), {"LAPTOP-2.dat"}},
        {"HOME's session alone", PeriodKind::Session, H(30), {}},
        {"LAPTOP's piece after midnight", PeriodKind::Session, H(24), {"LAPTOP-2.dat"}},
        {"no session there", PeriodKind::Session, H(12), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OtherLogsInPeriod(logs, "HOME-1.dat", c.kind, c.start), c.expected) << c.what;
    }
    // This computer's log is never "other", whatever the case of its name.
    EXPECT_EQ(OtherLogsInPeriod(logs, "laptop-2.DAT", PeriodKind::Day, H(0)), Names{"HOME-1.dat"});

    // Removing time from this computer's log leaves what the others hold in it.
    EXPECT_EQ(OtherLogsInSpan(logs, "HOME-1.dat", H(9.5), H(10.25)), Names{"LAPTOP-2.dat"});
    EXPECT_EQ(OtherLogsInSpan(logs, "HOME-1.dat", H(10.5), H(23)), Names{});  // touching only
    EXPECT_EQ(OtherLogsInSpan(logs, "HOME-1.dat", H(0), H(50)),
              (Names{"LAPTOP-2.dat", "OFFICE-3.dat"}));

    // Deleting a piece of the union drops this computer's own sessions in it, by their starts.
    using Starts = std::vector<DateTime>;
    EXPECT_EQ(OwnSessionsInPiece(logs, "home-1.DAT", H(10.25)), Starts{H(9)});
    EXPECT_EQ(OwnSessionsInPiece(logs, "HOME-1.dat", H(23.5)), Starts{});
    EXPECT_EQ(OwnSessionsInPiece(logs, "LAPTOP-2.dat", H(24)), Starts{H(23)});
    EXPECT_EQ(OwnSessionsInPiece(logs, "LAPTOP-2.dat", H(12)), Starts{});
}
