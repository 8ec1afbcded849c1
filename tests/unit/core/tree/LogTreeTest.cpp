#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/time/DateTime.h"
#include "core/settings/PasswordCodec.h"
#include "core/log/LogFile.h"
#include "core/reports/LogTotals.h"
#include "unit/support/MemoryFileSystem.h"
#include "unit/core/tree/TreeTestSupport.h"
#include "core/tree/LogTree.h"

namespace {

using namespace tree_test;

}  // namespace

TEST(BuildLogTree, SplitsSessionsIntoYearsMonthsDaysAndPieces) {
    struct Case {
        const char* name;
        std::vector<Pair> pairs;
        std::vector<std::string> outline;
        const char* status;
    } cases[] = {
        {"across New Year",
         {{At(2000, 12, 31, 22), At(2001, 1, 1, 1, 30)}},
         {"2000 -> 2:00", "  December 2000 -> 2:00", "    31.12.2000 -> 2:00",
          "      22:00 - 00:00", "2001 -> 1:30", "  January 2001 -> 1:30", "    01.01.2001 -> 1:30",
          "      00:00 - 01:30"},
         "From 31.12.2000 to 01.01.2001 -> 3:30"},
        {"Monday evening to Wednesday morning",
         {{At(2001, 3, 5, 20), At(2001, 3, 7, 8)}},
         {"2001 -> 36:00", "  March 2001 -> 36:00", "    05.03.2001 -> 4:00", "      20:00 - 00:00",
          "    06.03.2001 -> 24:00", "      00:00 - 00:00", "    07.03.2001 -> 8:00",
          "      00:00 - 08:00"},
         "From 05.03.2001 to 07.03.2001 -> 36:00"},
        {"ending exactly at midnight",
         {{At(2001, 3, 5, 22), At(2001, 3, 6, 0)}},
         {"2001 -> 2:00", "  March 2001 -> 2:00", "    05.03.2001 -> 2:00", "      22:00 - 00:00"},
         "From 05.03.2001 to 06.03.2001 -> 2:00"},
        {"zero length",
         {{At(2001, 3, 5, 10), At(2001, 3, 5, 10)}},
         {"2001 -> 0:00", "  March 2001 -> 0:00", "    05.03.2001 -> 0:00", "      10:00 - 10:00"},
         "From 05.03.2001 to 05.03.2001 -> 0:00"},
        {"zero length at midnight",
         {{At(2001, 3, 5, 0), At(2001, 3, 5, 0)}},
         {"2001 -> 0:00", "  March 2001 -> 0:00", "    05.03.2001 -> 0:00", "      00:00 - 00:00"},
         "From 05.03.2001 to 05.03.2001 -> 0:00"},
        {"5 January and 5 February",
         {{At(2001, 1, 5, 9), At(2001, 1, 5, 10)}, {At(2001, 2, 5, 9), At(2001, 2, 5, 10)}},
         {"2001 -> 2:00", "  January 2001 -> 1:00", "    05.01.2001 -> 1:00", "      09:00 - 10:00",
          "  February 2001 -> 1:00", "    05.02.2001 -> 1:00", "      09:00 - 10:00"},
         "From 05.01.2001 to 05.02.2001 -> 2:00"},
        {"January 2000 and January 2001",
         {{At(2000, 1, 10, 8), At(2000, 1, 10, 12)}, {At(2001, 1, 10, 8), At(2001, 1, 10, 9, 30)}},
         {"2000 -> 4:00", "  January 2000 -> 4:00", "    10.01.2000 -> 4:00", "      08:00 - 12:00",
          "2001 -> 1:30", "  January 2001 -> 1:30", "    10.01.2001 -> 1:30",
          "      08:00 - 09:30"},
         "From 10.01.2000 to 10.01.2001 -> 5:30"},
        {"two sessions on one day",
         {{At(2001, 3, 5, 8), At(2001, 3, 5, 12)}, {At(2001, 3, 5, 13), At(2001, 3, 5, 17, 15)}},
         {"2001 -> 8:15", "  March 2001 -> 8:15", "    05.03.2001 -> 8:15", "      08:00 - 12:00",
          "      13:00 - 17:15"},
         "From 05.03.2001 to 05.03.2001 -> 8:15"},
        // The clock set back a day, then a year: a second node opens for the period, but
        // pieces go under the first node of their day, months under the first of their year.
        {"clock going backwards",
         {{At(2001, 3, 5, 9), At(2001, 3, 5, 10)},
          {At(2001, 3, 6, 9), At(2001, 3, 6, 11)},
          {At(2001, 3, 5, 14), At(2001, 3, 5, 17)},
          {At(2000, 12, 31, 10), At(2000, 12, 31, 11)},
          {At(2001, 3, 6, 12), At(2001, 3, 6, 13)}},
         {"2001 -> 6:00", "  March 2001 -> 6:00", "    05.03.2001 -> 1:00", "      09:00 - 10:00",
          "      14:00 - 17:00", "    06.03.2001 -> 2:00", "      09:00 - 11:00",
          "      12:00 - 13:00", "    05.03.2001 -> 3:00", "    06.03.2001 -> 1:00",
          "  March 2001 -> 1:00", "2000 -> 1:00", "  December 2000 -> 1:00",
          "    31.12.2000 -> 1:00", "      10:00 - 11:00", "2001 -> 1:00"},
         // The total counts the day the clock went back to: it runs from there.
         "From 31.12.2000 to 06.03.2001 -> 8:00"},
        {"the earliest and the latest dates",
         {{0.0, 0.5}, {At(9999, 12, 31, 22), EncodeDateTime(9999, 12, 31, 23, 59, 59)}},
         {"1899 -> 12:00", "  December 1899 -> 12:00", "    30.12.1899 -> 12:00",
          "      00:00 - 12:00", "9999 -> 2:00", "  December 9999 -> 2:00",
          "    31.12.9999 -> 2:00", "      22:00 - 23:59"},
         "From 30.12.1899 to 31.12.9999 -> 14:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LogTree tree = Build(c.pairs, kSomeOtherDay);
        EXPECT_EQ(tree.Failed, LogTree::Failure::None);
        EXPECT_EQ(Outline(tree), c.outline);
        EXPECT_EQ(Status(c.pairs), c.status);
    }
}

TEST(BuildLogTree, AFirstStartIsNoErrorButAMissingFolderIs) {
    struct Case {
        const char* name;
        std::string path;
        std::vector<std::string> folders;
        bool createEmpty;
        LogTree::Failure failed;
        std::string status;
    } cases[] = {
        {"no log yet",
         "C:\\logs\\work.dat",
         {"C:\\logs"},
         false,
         LogTree::Failure::None,
         "No sessions recorded yet"},
        {"an empty log",
         "C:\\logs\\work.dat",
         {"C:\\logs"},
         true,
         LogTree::Failure::None,
         "No sessions recorded yet"},
        {"no log yet at a drive's root",
         "D:\\work.dat",
         {"D:\\"},
         false,
         LogTree::Failure::None,
         "No sessions recorded yet"},
        {"no folder",
         "C:\\gone\\work.dat",
         {"C:\\logs"},
         false,
         LogTree::Failure::ReadError,
         "(unchanged)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem files;
        for (const auto& folder : c.folders) files.AddFolder(folder);
        if (c.createEmpty) files.SetFile(c.path, {});
        const LogTree tree = BuildLogTree(files, LogTarget{c.path, ""}, kSomeOtherDay);
        EXPECT_EQ(tree.Failed, c.failed);
        EXPECT_TRUE(tree.Nodes.empty());
        EXPECT_EQ(StatusText(ReadLogTotals(files, LogTarget{c.path, ""}), German())
                      .value_or("(unchanged)"),
                  c.status);
        EXPECT_FALSE(files.Exists(c.path) && !c.createEmpty) << "viewing creates no log";
    }
}

TEST(BuildLogTree, TotalRunsFromTheEarliestStartToTheLatestEnd) {
    std::vector<Pair> pairs;
    for (int day : {1, 2, 5}) pairs.push_back({At(2001, 3, day, 8), At(2001, 3, day, 18)});
    pairs.push_back({At(2001, 6, 10, 8), At(2001, 6, 10, 18)});
    pairs.push_back({At(2001, 4, 10, 8), At(2001, 4, 10, 18)});  // the clock was set back
    pairs.push_back({At(2001, 2, 27, 8), At(2001, 2, 27, 18)});  // and back again
    EXPECT_EQ(Status(pairs), "From 27.02.2001 to 10.06.2001 -> 60:00");
}

TEST(BuildLogTree, ExpandsTodaysYearAndTheMonthAndDayNumbersOfToday) {
    std::vector<Pair> pairs;
    for (auto [y, m, d] : {std::tuple{2000, 3, 15},
                           {2000, 4, 15},
                           {2001, 2, 15},
                           {2001, 3, 14},
                           {2001, 3, 15},
                           {2001, 4, 16}})
        pairs.push_back({At(y, m, d, 9), At(y, m, d, 10)});
    const std::vector<std::string> expected = {
        "2000 -> 2:00",
        "  March 2000 -> 1:00 +",
        "    15.03.2000 -> 1:00 +",
        "      09:00 - 10:00",
        "  April 2000 -> 1:00",
        "    15.04.2000 -> 1:00 +",
        "      09:00 - 10:00",
        "2001 -> 4:00 +",
        "  February 2001 -> 1:00",
        "    15.02.2001 -> 1:00 +",
        "      09:00 - 10:00",
        "  March 2001 -> 2:00 +",
        "    14.03.2001 -> 1:00",
        "      09:00 - 10:00",
        "    15.03.2001 -> 1:00 +",
        "      09:00 - 10:00",
        "  April 2001 -> 1:00",
        "    16.04.2001 -> 1:00",
        "      09:00 - 10:00",
    };
    EXPECT_EQ(Outline(Build(pairs, At(2001, 3, 15, 12))), expected);
}

TEST(BuildLogTree, ReadsAScrambledLog) {
    const std::vector<Pair> pairs = {{At(2001, 3, 5, 8), At(2001, 3, 5, 12)},
                                     {At(2001, 3, 5, 13), At(2001, 3, 6, 1)}};
    const std::vector<std::string> expected = {"2001 -> 16:00",           "  March 2001 -> 16:00",
                                               "    05.03.2001 -> 15:00", "      08:00 - 12:00",
                                               "      13:00 - 00:00",     "    06.03.2001 -> 1:00",
                                               "      00:00 - 01:00"};
    for (const std::string password : {"x", "secret", "a much longer p\xE4ssword"}) {
        SCOPED_TRACE(password);
        MemoryFileSystem files;
        files.SetFile(kPath, LogBytes(pairs, password));
        const LogTree tree = Build(files, kSomeOtherDay, password);
        EXPECT_EQ(tree.Failed, LogTree::Failure::None);
        EXPECT_EQ(Outline(tree), expected);
    }
}

// At the first pair that is not a plausible session, reading stops; the tree of the pairs
// before it is complete, labelled and expanded.
TEST(BuildLogTree, StopsAtTheFirstInvalidPair) {
    const DateTime start = At(2001, 3, 7, 9);
    const Pair cases[] = {
        {start, std::nextafter(start, 0.0)},
        {start, start - kHour},
        {kNaN, start},
        {start, kNaN},
        {start, kInf},
        {-kInf, start},
        {-1.0, 0.5},
        {-0.25, 0.5},
        {start, 2958466.0},
        {2958466.5, 2958466.5},
        {start, start + kMaxPairDays + kHour},
        {start, start + 1e9},
        {-1e300, 1e300},
    };
    const std::vector<std::string> expected = {"2001 -> 2:00 +",           "  March 2001 -> 2:00 +",
                                               "    05.03.2001 -> 1:00",   "      09:00 - 10:00",
                                               "    06.03.2001 -> 1:00 +", "      09:00 - 10:00"};
    for (const Pair& bad : cases) {
        SCOPED_TRACE(testing::Message() << bad.first << " .. " << bad.second);
        const std::vector<Pair> log = {{At(2001, 3, 5, 9), At(2001, 3, 5, 10)},
                                       {At(2001, 3, 6, 9), At(2001, 3, 6, 10)},
                                       bad,
                                       {At(2001, 3, 8, 9), At(2001, 3, 8, 10)}};
        const LogTree tree = Build(log, At(2001, 3, 6, 12));
        EXPECT_EQ(tree.Failed, LogTree::Failure::IncorrectRecord);
        EXPECT_EQ(Outline(tree), expected);
        EXPECT_EQ(Status(log), "From 05.03.2001 to 06.03.2001 -> 2:00");
    }
}

TEST(BuildLogTree, AcceptsTheLongestSession) {
    const DateTime start = At(2001, 1, 1, 0);
    const LogTree tree = Build({{start, start + kMaxPairDays}}, kSomeOtherDay);
    EXPECT_EQ(tree.Failed, LogTree::Failure::None);
    int pieces = 0;
    for (const LogTreeNode& node : tree.Nodes) pieces += node.Info.Kind == PeriodKind::Session;
    EXPECT_EQ(pieces, 3660);
    EXPECT_EQ(Status({{start, start + kMaxPairDays}}), "From 01.01.2001 to 09.01.2011 -> 87840:00");
}

TEST(BuildLogTree, NothingValidLeavesAnEmptyTree) {
    MemoryFileSystem files;
    files.SetFile(kPath, {});
    LogTree tree = Build(files, kSomeOtherDay);
    EXPECT_EQ(tree.Failed, LogTree::Failure::None);
    EXPECT_TRUE(tree.Nodes.empty());
    EXPECT_EQ(Status(files), "No sessions recorded yet");

    tree = Build({{At(2001, 3, 5, 9), At(2001, 3, 5, 8)}}, kSomeOtherDay);
    EXPECT_EQ(tree.Failed, LogTree::Failure::IncorrectRecord);
    EXPECT_TRUE(tree.Nodes.empty());
    EXPECT_EQ(tree.FirstTop, -1);
    EXPECT_EQ(Status({{At(2001, 3, 5, 9), At(2001, 3, 5, 8)}}), "");
}

// A read error abandons the build: the nodes added before it stay, without texts and
// collapsed, and the status bar keeps its text.
TEST(BuildLogTree, ReadErrorsKeepTheNodesBeforeThemUnlabelled) {
    const std::vector<Pair> pairs = {{At(2001, 3, 5, 9), At(2001, 3, 5, 10)},
                                     {At(2001, 3, 6, 9), At(2001, 3, 6, 10)}};
    const MemoryFileSystem::Bytes good = LogBytes(pairs, "pw");
    auto withExtra = [&](std::size_t extra) {
        MemoryFileSystem::Bytes bytes = good;
        bytes.resize(bytes.size() + extra, 0x41);
        return bytes;
    };
    using Op = MemoryFileSystem::Op;
    struct Case {
        const char* name;
        std::function<void(MemoryFileSystem&)> setUp;
        std::string password;
        std::size_t nodesKept;
    } cases[] = {
        {"odd record count", [&](auto& fs) { fs.SetFile(kPath, withExtra(8)); }, "pw", 6},
        {"trailing bytes", [&](auto& fs) { fs.SetFile(kPath, withExtra(3)); }, "pw", 6},
        {"half a record only",
         [&](auto& fs) {
             fs.SetFile(kPath, {1, 2, 3, 4, 5});
         },
         "pw", 0},
        {"missing file", [](auto&) {}, "pw", 0},
        {"read-only file",
         [&](auto& fs) {
             fs.SetFile(kPath, good);
             fs.SetReadOnly(kPath);
         },
         "pw", 0},
        {"open fails",
         [&](auto& fs) {
             fs.SetFile(kPath, good);
             fs.FailAt(Op::OpenExisting);
         },
         "pw", 0},
        {"size fails",
         [&](auto& fs) {
             fs.SetFile(kPath, good);
             fs.FailAt(Op::Size);
         },
         "pw", 0},
        {"read fails",
         [&](auto& fs) {
             fs.SetFile(kPath, good);
             fs.FailAt(Op::Read);
         },
         "pw", 0},
        {"close fails",
         [&](auto& fs) {
             fs.SetFile(kPath, good);
             fs.FailAt(Op::Close);
         },
         "pw", 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem files;
        c.setUp(files);
        MemoryFileSystem again;
        c.setUp(again);
        const LogTree tree = BuildLogTree(files, LogTarget{kPath, c.password}, At(2001, 3, 5, 12));
        EXPECT_EQ(files.OpenFiles(), 0);
        EXPECT_EQ(tree.Failed, LogTree::Failure::ReadError);
        ASSERT_EQ(tree.Nodes.size(), c.nodesKept);
        // The first two pairs' year, month, day, piece, day and piece, in place but blank.
        const std::vector<std::string> blank = {"", "  ", "    ", "      ", "    ", "      "};
        EXPECT_EQ(Outline(tree),
                  std::vector<std::string>(blank.begin(), blank.begin() + c.nodesKept));
        for (std::size_t i = 0; i < c.nodesKept; ++i) {
            EXPECT_EQ(tree.NodeText(static_cast<std::int32_t>(i), German()), "");
            EXPECT_FALSE(tree.Nodes[i].Expanded);
        }
        EXPECT_EQ(Status(again, c.password), "(unchanged)");
    }
}

TEST(BuildLogTree, AnInvalidPairIsReachedBeforeAnOddRecord) {
    MemoryFileSystem::Bytes bytes = LogBytes(
        {{At(2001, 3, 5, 9), At(2001, 3, 5, 10)}, {At(2001, 3, 6, 9), At(2001, 3, 6, 8)}}, "");
    bytes.resize(bytes.size() + 8);
    MemoryFileSystem files;
    files.SetFile(kPath, bytes);
    const LogTree tree = Build(files, kSomeOtherDay);
    EXPECT_EQ(tree.Failed, LogTree::Failure::IncorrectRecord);
    EXPECT_EQ(Outline(tree),
              (std::vector<std::string>{"2001 -> 1:00", "  March 2001 -> 1:00",
                                        "    05.03.2001 -> 1:00", "      09:00 - 10:00"}));
}

// A long log is read in pieces: the pairs of every piece count, keyed by their own record
// numbers, and a piece that cannot be read fails the whole read as the first one would.
TEST(BuildLogTree, ALogLongerThanOneReadCountsWholeOrNotAtAll) {
    constexpr std::size_t kPairs = 10000;   // more than two pieces
    const std::string password = "secret";  // its length divides no piece's record count
    std::vector<Pair> pairs;
    for (std::size_t i = 0; i < kPairs; ++i) {
        const DateTime start =
            At(2000, 1, 1, 8 + 2 * static_cast<int>(i % 4)) + static_cast<double>(i / 4);
        pairs.emplace_back(start, start + kHour);
    }
    std::vector<Pair> broken = pairs;
    std::swap(broken[7000].first, broken[7000].second);
    using Op = MemoryFileSystem::Op;
    using Failure = LogTree::Failure;
    struct Case {
        const char* name;
        const std::vector<Pair>& log;
        int failingRead;  // 0: none
        Failure failure;
        std::size_t sessions;
    } const cases[] = {
        {"all read", pairs, 0, Failure::None, kPairs},
        {"a later piece fails", pairs, 2, Failure::ReadError, 0},
        {"invalid pair in the second piece", broken, 0, Failure::IncorrectRecord, 7000},
        {"a piece after the invalid pair fails", broken, 3, Failure::ReadError, 0},
    };
    LogTreeBuilder builder;
    LogTotalsReader reader;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem files;
        files.SetFile(kPath, LogBytes(c.log, password));
        if (c.failingRead > 0) files.FailAt(Op::Read, c.failingRead);
        // One pass gives the tree and the days.
        const LogTotals& totals = reader.Read(files, LogTarget{kPath, password}, &builder);
        const LogTree& tree = builder.Finish(totals, kSomeOtherDay);
        EXPECT_EQ(files.OpenFiles(), 0);
        EXPECT_EQ(tree.Failed, c.failure);
        EXPECT_EQ(static_cast<int>(totals.Failed()), static_cast<int>(c.failure));
        std::size_t sessions = 0;
        for (const LogTreeNode& node : tree.Nodes)
            sessions += node.Info.Kind == PeriodKind::Session;
        EXPECT_EQ(sessions, c.sessions);
        EXPECT_EQ(totals.ValidPairs(), c.sessions);
        if (c.failure == Failure::ReadError) {
            EXPECT_TRUE(tree.Nodes.empty());
            EXPECT_TRUE(totals.Days().empty());
        } else {
            EXPECT_NEAR(totals.Total(), static_cast<double>(c.sessions) * kHour, 1e-6);
            EXPECT_EQ(totals.Days().size(), (c.sessions + 3) / 4);
        }
    }
}
