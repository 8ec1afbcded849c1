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
#include "unit/support/ReferenceTree.h"
#include "core/tree/LogTree.h"

namespace {

using Pair = std::pair<DateTime, DateTime>;

const char kPath[] = "C:\\Worktally\\worktaly.dat";
constexpr double kHour = 1.0 / 24;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

LocaleFormats German() {
    LocaleFormats formats;
    formats.ShortDate = "dd.MM.yyyy";
    formats.LongTime = "HH:mm:ss";
    return formats;
}

DateTime At(int year, int month, int day, int hour, int minute = 0) {
    return EncodeDateTime(year, month, day, hour, minute);
}

LogTree Build(MemoryFileSystem& files, DateTime today, const std::string& password = "") {
    LogTree tree = BuildLogTree(files, kPath, EncodePassword(password), today);
    EXPECT_EQ(files.OpenFiles(), 0);
    return tree;
}

LogTree Build(const std::vector<Pair>& pairs, DateTime today) {
    MemoryFileSystem files;
    files.SetFile(kPath, LogBytes(pairs, ""));
    return Build(files, today);
}

// The tree as the window would show it: walked through its links, two blanks per level, and
// " +" after an expanded node. Checks that every node is reached once, under its own parent.
void Walk(const LogTree& tree, std::int32_t first, std::int32_t parent, int depth,
          std::vector<std::string>& lines) {
    for (std::int32_t n = first; n >= 0; n = tree.Nodes[static_cast<std::size_t>(n)].NextSibling) {
        const LogTreeNode& node = tree.Nodes[static_cast<std::size_t>(n)];
        EXPECT_EQ(node.Parent, parent) << "node " << n;
        lines.push_back(std::string(2 * depth, ' ') + tree.NodeText(n, German()) +
                        (node.Expanded ? " +" : ""));
        Walk(tree, node.FirstChild, n, depth + 1, lines);
    }
}

std::vector<std::string> Outline(const LogTree& tree) {
    std::vector<std::string> lines;
    Walk(tree, tree.FirstTop, -1, 0, lines);
    EXPECT_EQ(lines.size(), tree.Nodes.size());
    return lines;
}

std::string Status(const LogTree& tree) {
    std::string text = "(unchanged)";
    tree.StatusText(German(), text);
    return text;
}

const DateTime kSomeOtherDay = At(2010, 6, 20, 12);

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
         "From 05.03.2001 to 06.03.2001 -> 8:00"},
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
        EXPECT_EQ(Status(tree), c.status);
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
        const LogTree tree = BuildLogTree(files, c.path, "", kSomeOtherDay);
        EXPECT_EQ(tree.Failed, c.failed);
        EXPECT_TRUE(tree.Nodes.empty());
        EXPECT_EQ(Status(tree), c.status);
        EXPECT_FALSE(files.Exists(c.path) && !c.createEmpty) << "viewing creates no log";
    }
}

TEST(BuildLogTree, TotalRunsFromTheFirstStartToTheLatestEnd) {
    std::vector<Pair> pairs;
    for (int day : {1, 2, 5}) pairs.push_back({At(2001, 3, day, 8), At(2001, 3, day, 18)});
    pairs.push_back({At(2001, 6, 10, 8), At(2001, 6, 10, 18)});
    pairs.push_back({At(2001, 4, 10, 8), At(2001, 4, 10, 18)});  // the clock was set back
    EXPECT_EQ(Status(Build(pairs, kSomeOtherDay)), "From 01.03.2001 to 10.06.2001 -> 50:00");
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
        const LogTree tree = Build({{At(2001, 3, 5, 9), At(2001, 3, 5, 10)},
                                    {At(2001, 3, 6, 9), At(2001, 3, 6, 10)},
                                    bad,
                                    {At(2001, 3, 8, 9), At(2001, 3, 8, 10)}},
                                   At(2001, 3, 6, 12));
        EXPECT_EQ(tree.Failed, LogTree::Failure::IncorrectRecord);
        EXPECT_EQ(Outline(tree), expected);
        EXPECT_EQ(Status(tree), "From 05.03.2001 to 06.03.2001 -> 2:00");
    }
}

TEST(BuildLogTree, AcceptsTheLongestSession) {
    const DateTime start = At(2001, 1, 1, 0);
    const LogTree tree = Build({{start, start + kMaxPairDays}}, kSomeOtherDay);
    EXPECT_EQ(tree.Failed, LogTree::Failure::None);
    int pieces = 0;
    for (const LogTreeNode& node : tree.Nodes) pieces += node.Info.Kind == PeriodKind::Session;
    EXPECT_EQ(pieces, 3660);
    EXPECT_EQ(Status(tree), "From 01.01.2001 to 09.01.2011 -> 87840:00");
}

TEST(BuildLogTree, NothingValidLeavesAnEmptyTree) {
    MemoryFileSystem files;
    files.SetFile(kPath, {});
    LogTree tree = Build(files, kSomeOtherDay);
    EXPECT_EQ(tree.Failed, LogTree::Failure::None);
    EXPECT_TRUE(tree.Nodes.empty());
    EXPECT_EQ(Status(tree), "No sessions recorded yet");

    tree = Build({{At(2001, 3, 5, 9), At(2001, 3, 5, 8)}}, kSomeOtherDay);
    EXPECT_EQ(tree.Failed, LogTree::Failure::IncorrectRecord);
    EXPECT_TRUE(tree.Nodes.empty());
    EXPECT_EQ(tree.FirstTop, -1);
    EXPECT_EQ(Status(tree), "");
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
        std::string encodedPassword;
        std::size_t nodesKept;
    } cases[] = {
        {"odd record count", [&](auto& fs) { fs.SetFile(kPath, withExtra(8)); },
         EncodePassword("pw"), 6},
        {"trailing bytes", [&](auto& fs) { fs.SetFile(kPath, withExtra(3)); }, EncodePassword("pw"),
         6},
        {"half a record only",
         [&](auto& fs) {
             fs.SetFile(kPath, {1, 2, 3, 4, 5});
         },
         EncodePassword("pw"), 0},
        {"missing file", [](auto&) {}, EncodePassword("pw"), 0},
        {"read-only file",
         [&](auto& fs) {
             fs.SetFile(kPath, good);
             fs.SetReadOnly(kPath);
         },
         EncodePassword("pw"), 0},
        {"password not decodable", [&](auto& fs) { fs.SetFile(kPath, good); }, "4G", 0},
        {"open fails",
         [&](auto& fs) {
             fs.SetFile(kPath, good);
             fs.FailAt(Op::OpenExisting);
         },
         EncodePassword("pw"), 0},
        {"size fails",
         [&](auto& fs) {
             fs.SetFile(kPath, good);
             fs.FailAt(Op::Size);
         },
         EncodePassword("pw"), 0},
        {"read fails",
         [&](auto& fs) {
             fs.SetFile(kPath, good);
             fs.FailAt(Op::Read);
         },
         EncodePassword("pw"), 0},
        {"close fails",
         [&](auto& fs) {
             fs.SetFile(kPath, good);
             fs.FailAt(Op::Close);
         },
         EncodePassword("pw"), 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem files;
        c.setUp(files);
        const LogTree tree = BuildLogTree(files, kPath, c.encodedPassword, At(2001, 3, 5, 12));
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
        std::string status = "previous";
        EXPECT_FALSE(tree.StatusText(German(), status));
        EXPECT_EQ(status, "previous");
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
        const LogTree& tree = builder.Build(files, kPath, EncodePassword(password), kSomeOtherDay);
        MemoryFileSystem copy;
        copy.SetFile(kPath, LogBytes(c.log, password));
        if (c.failingRead > 0) copy.FailAt(Op::Read, c.failingRead);
        const LogTotals& totals = reader.Read(copy, kPath, EncodePassword(password));
        EXPECT_EQ(files.OpenFiles() + copy.OpenFiles(), 0);
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
            EXPECT_NEAR(tree.Total.Duration, static_cast<double>(c.sessions) * kHour, 1e-6);
            EXPECT_EQ(totals.Days().size(), (c.sessions + 3) / 4);
        }
    }
}

namespace {

struct RandomLog {
    MemoryFileSystem files;
    std::string encodedPassword;
    DateTime today = 0;
    LocaleFormats formats;
};

// A random log of a few dozen sessions in the shapes real and damaged logs take.
void MakeRandomLog(std::mt19937_64& rng, RandomLog& log) {
    auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    auto integer = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto chance = [&](double p) { return uniform(0, 1) < p; };

    const int sessions = chance(0.1) ? integer(0, 3) : integer(1, 40);
    const bool damaged = chance(0.4);
    DateTime now = EncodeDate(integer(1999, 2003), integer(1, 12), integer(1, 28)) + uniform(0, 1);
    if (chance(0.2)) now = EncodeDate(integer(1999, 2003), 12, 31) + uniform(0.5, 1);
    std::vector<Pair> pairs;
    for (int i = 0; i < sessions; ++i) {
        const double shape = uniform(0, damaged ? 1 : 0.9);
        DateTime start = now + uniform(0.01, 1.5);
        DateTime end = start + uniform(0, 0.4);
        bool moves = true;
        if (shape < 0.12) {  // across one or more midnights
            start = std::trunc(now) + 1 + uniform(0.85, 0.999);
            end = start + uniform(0.01, 3);
        } else if (shape < 0.18) {  // zero length
            end = start;
        } else if (shape < 0.24) {  // on midnights exactly
            start = std::trunc(now) + integer(1, 3);
            end = start + integer(0, 2) + (chance(0.5) ? 0 : uniform(0, 1));
        } else if (shape < 0.36) {  // the clock set back
            start = now - uniform(0, chance(0.3) ? 400 : 3);
            end = start + uniform(0, 0.4);
        } else if (shape < 0.365) {  // weeks to years
            end = start + uniform(10, 300);
        } else if (shape < 0.9) {   // an ordinary session
        } else if (shape < 0.95) {  // end before start
            end = start - uniform(1e-9, 0.3);
            moves = false;
        } else if (shape < 0.98) {  // out of range
            const Pair garbage[] = {
                {kNaN, start}, {start, kInf}, {-1, 1}, {2958466.5, 2958467}, {start, start + 5000}};
            std::tie(start, end) = garbage[integer(0, 4)];
            moves = false;
        } else {  // random bits
            const std::uint64_t a = rng(), b = rng();
            std::memcpy(&start, &a, sizeof start);
            std::memcpy(&end, &b, sizeof end);
            moves = false;
        }
        pairs.push_back({start, end});
        if (moves) now = end;
    }

    std::string password;
    if (chance(0.5)) {
        const int length = integer(1, 12);
        for (int i = 0; i < length; ++i) password += static_cast<char>(integer(1, 255));
    }
    MemoryFileSystem::Bytes bytes = LogBytes(pairs, password);
    if (chance(0.04)) bytes.resize(bytes.size() + 8, static_cast<unsigned char>(integer(0, 255)));
    if (chance(0.04)) bytes.resize(bytes.size() + static_cast<std::size_t>(integer(1, 7)));
    if (!chance(0.02)) log.files.SetFile(kPath, bytes);
    if (chance(0.02)) log.files.FailAt(MemoryFileSystem::Op::Close);

    log.encodedPassword = EncodePassword(password);
    if (chance(0.05)) log.encodedPassword = EncodePassword(password + "x");
    if (chance(0.02)) log.encodedPassword = "Zz";

    const int pick = integer(0, static_cast<int>(pairs.size()));
    log.today = pick < static_cast<int>(pairs.size()) && std::isfinite(pairs[pick].first)
                    ? pairs[pick].first
                    : now;
    if (chance(0.2)) {
        const CivilDate date = DecodeDate(log.today);
        if (date.Year != 0) log.today = EncodeDate(date.Year, date.Month, 15);
    }

    const char* const pictures[][2] = {
        {"dd.MM.yyyy", "HH:mm:ss"}, {"M/d/yyyy", "h:mm:ss tt"}, {"d.M.yy", "H:mm:ss"}};
    const int which = integer(0, 2);
    log.formats.ShortDate = pictures[which][0];
    log.formats.LongTime = pictures[which][1];
}

std::vector<int> Chain(const LogTree& tree, std::int32_t first) {
    std::vector<int> chain;
    for (std::int32_t n = first; n >= 0; n = tree.Nodes[static_cast<std::size_t>(n)].NextSibling)
        chain.push_back(n);
    return chain;
}

std::vector<int> Chain(const reference::Node* first) {
    std::vector<int> chain;
    for (; first; first = first->NextSibling) chain.push_back(first->Index);
    return chain;
}

void ExpectSameTree(const LogTree& model, const reference::Result& expected,
                    const LocaleFormats& formats) {
    EXPECT_EQ(model.Failed, expected.Failed);
    ASSERT_EQ(model.Nodes.size(), expected.Nodes.size());
    EXPECT_EQ(Chain(model, model.FirstTop), Chain(expected.First));
    for (std::size_t i = 0; i < expected.Nodes.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "node " << i);
        const reference::Node& want = *expected.Nodes[i];
        const LogTreeNode& got = model.Nodes[i];
        EXPECT_EQ(got.Parent, want.Parent ? want.Parent->Index : -1);
        EXPECT_EQ(Chain(model, got.FirstChild), Chain(want.FirstChild));
        EXPECT_EQ(got.Info.Kind, want.Data->Kind);
        EXPECT_EQ(got.Info.StartTime, want.Data->StartTime);
        EXPECT_EQ(got.Info.EndTime, want.Data->EndTime);
        EXPECT_EQ(got.Info.Duration, want.Data->Duration);
        EXPECT_EQ(got.Info.Year, want.Data->Year);
        EXPECT_EQ(got.Info.Month, want.Data->Month);
        EXPECT_EQ(got.Info.Day, want.Data->Day);
        EXPECT_EQ(model.NodeText(static_cast<std::int32_t>(i), formats), want.Text);
        EXPECT_EQ(got.Expanded, want.Expanded);
        if (testing::Test::HasFailure()) return;
    }
    std::string status;
    EXPECT_EQ(model.StatusText(formats, status), expected.StatusSet);
    if (expected.StatusSet) {
        EXPECT_EQ(status, expected.Status);
    }
}

}  // namespace

TEST(BuildLogTree, AgreesWithTheScanningBuilderOnRandomLogs) {
    std::mt19937_64 rng(20240611);
    int failures[3] = {};
    int skipped = 0;
    std::size_t nodes = 0;
    // One builder for all logs: whatever a build leaves behind must not leak into the next.
    LogTreeBuilder reused;
    for (int i = 0; i < 3000 && !HasFailure(); ++i) {
        SCOPED_TRACE(testing::Message() << "log " << i);
        RandomLog log;
        MakeRandomLog(rng, log);
        MemoryFileSystem copy = log.files;
        MemoryFileSystem second = log.files;
        const LogTree model = BuildLogTree(log.files, kPath, log.encodedPassword, log.today);
        const LogTree& rebuilt = reused.Build(second, kPath, log.encodedPassword, log.today);
        // A wrong password can turn every pair into years of plausible days, and the scanning
        // builder needs quadratic time for those.
        if (model.Nodes.size() > 4000) {
            ++skipped;
            continue;
        }
        const reference::Result expected =
            reference::BuildLogTree(copy, kPath, log.encodedPassword, log.today, log.formats);
        ExpectSameTree(model, expected, log.formats);
        ExpectSameTree(rebuilt, expected, log.formats);
        ++failures[static_cast<int>(model.Failed)];
        nodes += model.Nodes.size();
    }
    EXPECT_LT(skipped, 30);
    // The random logs must reach every outcome, or the comparison proves little.
    EXPECT_GT(failures[0], 1000);
    EXPECT_GT(failures[1], 500);
    EXPECT_GT(failures[2], 150);
    EXPECT_GT(nodes, 50000u);
}

TEST(ReadLogTotals, DaysAgreeWithTheTreesDayNodesOnRandomLogs) {
    std::mt19937_64 rng(20261209);
    int outcomes[3] = {};
    std::size_t days = 0;
    LogTotalsReader reused;
    for (int i = 0; i < 3000 && !HasFailure(); ++i) {
        SCOPED_TRACE(testing::Message() << "log " << i);
        RandomLog log;
        MakeRandomLog(rng, log);
        MemoryFileSystem copy = log.files;
        const LogTree tree = BuildLogTree(log.files, kPath, log.encodedPassword, log.today);
        const LogTotals& totals = reused.Read(copy, kPath, log.encodedPassword);
        ASSERT_EQ(static_cast<int>(totals.Failed()), static_cast<int>(tree.Failed));
        ++outcomes[static_cast<int>(tree.Failed)];
        if (tree.Failed == LogTree::Failure::ReadError) continue;

        // A clock set back gives a day more than one node: the day's time is their sum.
        std::map<DateTime, std::pair<double, int>> treeDays;
        std::size_t sessions = 0;
        for (const LogTreeNode& node : tree.Nodes) {
            if (node.Info.Kind != PeriodKind::Day) continue;
            auto& [duration, nodes] = treeDays[std::trunc(node.Info.StartTime)];
            duration += node.Info.Duration;
            ++nodes;
        }
        std::erase_if(treeDays, [](const auto& day) { return !(day.second.first > 0); });
        ASSERT_EQ(totals.Days().size(), treeDays.size());
        auto want = treeDays.begin();
        for (const DayTotal& got : totals.Days()) {
            EXPECT_EQ(got.day, want->first);
            EXPECT_EQ(DurationText(got.duration), DurationText(want->second.first));
            if (want->second.second == 1) {
                EXPECT_EQ(got.duration, want->second.first);
            }
            ++want;
        }
        for (const Session& session : totals.Sessions()) {
            EXPECT_LE(session.start, session.end);
            ++sessions;
        }
        days += treeDays.size();
        EXPECT_EQ(sessions, totals.ValidPairs());
    }
    EXPECT_GT(outcomes[0], 1000);
    EXPECT_GT(outcomes[1], 500);
    EXPECT_GT(outcomes[2], 150);
    EXPECT_GT(days, 20000u);
}
