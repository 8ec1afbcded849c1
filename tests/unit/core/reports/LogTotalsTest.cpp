#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/time/DateTime.h"
#include "core/settings/PasswordCodec.h"
#include "core/log/LogFile.h"
#include "core/reports/LogTotals.h"
#include "unit/support/MemoryFileSystem.h"
#include "core/tree/Period.h"

namespace {

using Pair = std::pair<DateTime, DateTime>;

const char kPath[] = "C:\\Worktally\\worktaly.dat";

DateTime At(int year, int month, int day, int hour = 0, int minute = 0) {
    return EncodeDateTime(year, month, day, hour, minute);
}

// "2026-12-08 8:55" per day, read back through the day texts a user would see.
std::vector<std::string> DayLines(const LogTotals& totals) {
    std::vector<std::string> lines;
    for (const DayTotal& day : totals.Days()) {
        const CivilDate date = DecodeDate(day.day);
        lines.push_back(std::to_string(date.Year) + "-" + std::to_string(date.Month) + "-" +
                        std::to_string(date.Day) + " " + DurationText(day.duration));
    }
    return lines;
}

}  // namespace

TEST(ReadLogTotals, CountsDaysAndSessionsOfTheValidPairs) {
    struct Case {
        const char* name;
        std::vector<Pair> pairs;
        LogTotals::Failure failure;
        std::size_t sessions;
        std::vector<std::string> days;
    } const cases[] = {
        {"empty log", {}, LogTotals::Failure::None, 0, {}},
        {"two sessions on one day",
         {{At(2026, 12, 8, 8), At(2026, 12, 8, 12, 10)},
          {At(2026, 12, 8, 13), At(2026, 12, 8, 17, 45)}},
         LogTotals::Failure::None,
         2,
         {"2026-12-8 8:55"}},
        {"across midnight and a week end",
         {{At(2026, 12, 13, 22), At(2026, 12, 14, 1, 30)}},
         LogTotals::Failure::None,
         1,
         {"2026-12-13 2:00", "2026-12-14 1:30"}},
        {"ending at midnight leaves no empty day",
         {{At(2026, 12, 8, 23), At(2026, 12, 9)}},
         LogTotals::Failure::None,
         1,
         {"2026-12-8 1:00"}},
        {"zero length has no logged time",
         {{At(2026, 12, 8, 9), At(2026, 12, 8, 9)}, {At(2026, 12, 9, 9), At(2026, 12, 9, 10)}},
         LogTotals::Failure::None,
         2,
         {"2026-12-9 1:00"}},
        {"clock set back: days sorted, one total per day",
         {{At(2026, 12, 9, 9), At(2026, 12, 9, 10)},
          {At(2026, 12, 7, 9), At(2026, 12, 7, 11)},
          {At(2026, 12, 9, 8), At(2026, 12, 9, 8, 30)}},
         LogTotals::Failure::None,
         3,
         {"2026-12-7 2:00", "2026-12-9 1:30"}},
        {"stops at the first invalid pair",
         {{At(2026, 12, 8, 8), At(2026, 12, 8, 9)},
          {At(2026, 12, 8, 10), At(2026, 12, 8, 9)},
          {At(2026, 12, 9, 8), At(2026, 12, 9, 9)}},
         LogTotals::Failure::IncorrectRecord,
         1,
         {"2026-12-8 1:00"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem files;
        files.SetFile(kPath, LogBytes(c.pairs, "pw"));
        const LogTotals totals = ReadLogTotals(files, {kPath, "pw"});
        EXPECT_EQ(files.OpenFiles(), 0);
        EXPECT_EQ(totals.Failed(), c.failure);
        EXPECT_EQ(totals.Sessions().size(), c.sessions);
        EXPECT_EQ(DayLines(totals), c.days);
    }
}

TEST(ReadLogTotals, EachDayKeepsItsEarliestStartAndLatestEndWhateverTheOrder) {
    MemoryFileSystem files;
    files.SetFile(kPath, LogBytes({{At(2026, 12, 9, 13), At(2026, 12, 9, 17)},
                                   {At(2026, 12, 9, 8), At(2026, 12, 9, 12)},
                                   {At(2026, 12, 10, 22), At(2026, 12, 11)},
                                   {At(2026, 12, 10, 9), At(2026, 12, 10, 9, 30)}},
                                  "pw"));
    const LogTotals totals = ReadLogTotals(files, {kPath, "pw"});
    ASSERT_EQ(totals.Days().size(), 2u);
    EXPECT_EQ(totals.Days()[0].firstStart, At(2026, 12, 9, 8));
    EXPECT_EQ(totals.Days()[0].lastEnd, At(2026, 12, 9, 17));
    EXPECT_EQ(totals.Days()[1].firstStart, At(2026, 12, 10, 9));
    EXPECT_EQ(totals.Days()[1].lastEnd, At(2026, 12, 11)) << "a day worked up to midnight";
}

TEST(ReadLogTotals, AFileThatCannotBeReadCountsNothing) {
    const std::vector<Pair> pairs = {{At(2026, 12, 8, 8), At(2026, 12, 8, 9)}};
    struct Case {
        const char* name;
        bool present;
        MemoryFileSystem::Op failing;
        std::size_t extraBytes;
    } const cases[] = {
        {"missing", false, MemoryFileSystem::Op::Count, 0},
        {"open fails", true, MemoryFileSystem::Op::OpenExisting, 0},
        {"size fails", true, MemoryFileSystem::Op::Size, 0},
        {"read fails", true, MemoryFileSystem::Op::Read, 0},
        {"close fails", true, MemoryFileSystem::Op::Close, 0},
        {"a start without its end", true, MemoryFileSystem::Op::Count, 8},
        {"half a record", true, MemoryFileSystem::Op::Count, 3},
    };
    LogTotalsReader reader;  // reused: a failed read must not keep the last one's totals
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem files;
        MemoryFileSystem::Bytes bytes = LogBytes(pairs, "");
        bytes.resize(bytes.size() + c.extraBytes);
        if (c.present) files.SetFile(kPath, bytes);
        if (c.failing != MemoryFileSystem::Op::Count) files.FailAt(c.failing);
        MemoryFileSystem good;
        good.SetFile(kPath, LogBytes(pairs, ""));
        ASSERT_EQ(reader.Read(good, {kPath, ""}).Days().size(), 1u);
        const LogTotals& totals = reader.Read(files, {kPath, ""});
        EXPECT_EQ(files.OpenFiles(), 0);
        EXPECT_EQ(totals.Failed(), LogTotals::Failure::ReadError);
        EXPECT_TRUE(totals.Sessions().empty());
        EXPECT_TRUE(totals.Days().empty());
    }
}
