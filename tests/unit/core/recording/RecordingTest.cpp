#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/recording/Recording.h"
#include "core/reports/Weeks.h"
#include "unit/core/log/RecorderFixture.h"

namespace {

using namespace recorder_test;

// What the window would show after each step: the box's first line (empty: none) and the tip.
struct Seen {
    std::string box;
    std::string tip;
    bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen) {
    return out << "box \"" << seen.box << "\", tip \"" << seen.tip << "\"";
}

LocaleFormats TwentyFourHours() {
    LocaleFormats formats;
    formats.ShortDate = "dd.MM.yyyy";
    formats.LongTime = "HH:mm:ss";
    formats.ShortTime = "HH:mm";
    return formats;
}

TEST(Recording, TellsEachOutageOnceAndTheTipWhatIsRecorded) {
    MemoryFileSystem files;
    files.SetFile(kLog, RecordBytes({At(8, 0), At(9, 0)}, "pw"));
    FakeClock clock;
    Recording recording(files, clock, nullptr);
    recording.SetLog({kLog, "pw"});
    const auto step = [&](DateTime at, const std::function<std::string()>& run) {
        clock.now = at;
        std::string box = run();
        box = box.substr(0, box.find('\n'));
        recording.Read(false, at, kMonday);
        return Seen{box, recording.Tip(TwentyFourHours(), 127)};
    };
    const std::string error = "Error writting " + kLog;
    const auto start = [&] { return recording.Start(); };
    const auto tick = [&] { return recording.Tick(false); };
    const AwayRules locked{true, 0};

    files.SetReadOnly(kLog);  // a backup tool holds the log at log-on: no totals either
    EXPECT_EQ(step(At(10, 0), start), (Seen{error, "Worktally"}));
    EXPECT_EQ(step(At(10, 1), tick), (Seen{"", "Worktally"})) << "still the same outage";
    files.ClearFaults();
    EXPECT_EQ(step(At(10, 2), tick),
              (Seen{"", "Worktally - Started 10.03.2024 10:02:00\nToday 1:00, this week 1:00"}));
    EXPECT_EQ(step(At(10, 5), tick).tip,
              "Worktally - Started 10.03.2024 10:02:00\nToday 1:03, this week 1:03");
    recording.SetAwayRules(locked);
    EXPECT_EQ(step(At(10, 6), [&] { return recording.Lock(); }).tip,
              "Worktally - Away since 10.03.2024 10:06:00\nToday 1:04, this week 1:04");
    EXPECT_EQ(step(At(11, 0), [&] { return recording.Unlock(); }).tip,
              "Worktally - Started 10.03.2024 11:00:00\nToday 1:04, this week 1:04");

    // A new outage is told again; a log that cannot be read keeps the last totals.
    files.FailAt(MemoryFileSystem::Op::OpenExisting);
    EXPECT_EQ(step(At(11, 1), tick),
              (Seen{error, "Worktally - Started 10.03.2024 11:00:00\nToday 1:04, this week 1:04"}));
}

TEST(Recording, BuildsTheTreeOnlyWhenAskedAndOnTheSamePass) {
    MemoryFileSystem files;
    files.SetFile(kLog, RecordBytes({At(8, 0), At(9, 0), At(23, 0), At(1, 0, 0, 1)}, ""));
    FakeClock clock;
    Recording recording(files, clock, nullptr);
    recording.SetLog({kLog, ""});
    EXPECT_EQ(recording.Totals(), nullptr);

    const LogTotals& totals = recording.Read(true, At(12, 0), kMonday);
    ASSERT_NE(recording.Tree(), nullptr);
    EXPECT_EQ(recording.Tree()->Nodes.size(),
              1u + 1u + 2u * 2u + 1u);  // year, month, 2 days, 3 pieces
    EXPECT_EQ(totals.Days().size(), 2u);
    EXPECT_EQ(files.Calls(MemoryFileSystem::Op::OpenExisting), 1) << "one read for both";

    // Without a weekly target the marks beside the log are read only for an open timesheet.
    const std::string mark = "2024-03-10 Holiday\r\n";
    files.SetFile(kLog + ".days", Bytes(mark.begin(), mark.end()));
    files.ClearFaults();
    recording.Read(false, At(12, 0), kMonday);
    EXPECT_EQ(files.Calls(MemoryFileSystem::Op::OpenExisting), 1) << "the tick reads the log only";
    recording.SetMarksWanted(true);
    recording.Read(false, At(12, 0), kMonday);
    EXPECT_EQ(recording.Marks().MarkOn(At(0, 0)), DayMark::Holiday);
    EXPECT_EQ(recording.Tree(), nullptr) << "a hidden viewer keeps no tree";
    ASSERT_NE(recording.Totals(), nullptr);
    EXPECT_EQ(recording.Totals()->Days().size(), 2u);
}

TEST(Recording, TheTipsThirdLineTellsTheBalanceAndWhenTheTargetIsReached) {
    // Monday 11 March 2024, 8:00 to 9:00 logged; at 9:00 a day's target of 8:00 is 7 hours off.
    struct Case {
        const char* name;
        std::int64_t weekHours;
        const char* marks;
        const char* thirdLine;
    } cases[] = {
        {"no target, no third line", 0, "", ""},
        {"a target", 40, "", "\nBalance 0:00, leave at 16:00"},
        {"a holiday has none", 40, "2024-03-11 Holiday\r\n", "\nBalance 0:00, target reached"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem files;
        files.SetFile(kLog, RecordBytes({At(8, 0, 0, 1), At(9, 0, 0, 1)}, ""));
        const std::string marks = c.marks;
        if (!marks.empty()) files.SetFile(kLog + ".days", Bytes(marks.begin(), marks.end()));
        FakeClock clock;
        Recording recording(files, clock, nullptr);
        recording.SetLog({kLog, ""});
        WorkTimeSettings settings;
        settings.weekSeconds = c.weekHours * kSecondsPerHour;
        recording.SetWorkTime(settings);
        recording.Read(false, At(9, 0, 0, 1), kMonday);
        EXPECT_EQ(recording.Tip(TwentyFourHours(), 127),
                  std::string("Worktally\nToday 1:00, this week 1:00") + c.thirdLine);
    }
}

TEST(Recording, InASharedFolderItWritesItsOwnLogAndCountsTheUnionOfAll) {
    const std::string folder = "C:\\shared";
    const std::string own = folder + "\\HOME-1a2b3c4d.dat";
    const std::string other = folder + "\\OFFICE-5e6f7a8b.dat";
    const std::string stranger = folder + "\\OLD-00000001.dat";
    MemoryFileSystem files;
    files.SetFile(own, RecordBytes({At(8, 0), At(9, 0)}, "pw"));
    // The office worked 8:30 to 10:00, half an hour of it while home did: counted once.
    files.SetFile(other, RecordBytes({At(8, 30), At(10, 0)}, "pw"));
    files.SetFile(stranger, RecordBytes({At(12, 0), At(13, 0)}, "other"));
    const Bytes otherBefore = *files.File(other);
    FakeClock clock;
    clock.now = At(11, 0);
    Recording recording(files, clock, nullptr);
    recording.SetLog({own, "pw"});
    recording.SetFolder(folder);
    EXPECT_EQ(recording.FolderLogs(), nullptr);

    EXPECT_EQ(recording.Start(), "");
    const LogTotals& totals = recording.Read(true, At(11, 0), kMonday);
    ASSERT_EQ(totals.Days().size(), 1u);
    EXPECT_NEAR(totals.Days()[0].duration * 24, 2.0, 1e-9) << "8:00 to 10:00, and 11:00 begun";
    ASSERT_NE(recording.FolderLogs(), nullptr);
    EXPECT_EQ(recording.FolderLogs()->CountedLogs(), 2u);
    EXPECT_EQ(recording.FolderLogs()->LeftOutNames(), std::vector<std::string>{"OLD-00000001.dat"});
    EXPECT_EQ(*files.File(other), otherBefore) << "another computer's log is never written";
    EXPECT_EQ(files.File(own)->size(), 32u);
    EXPECT_EQ(recording.MarksPath(), folder + "\\worktally.days");
}

}  // namespace
