// The fast tree and the one list of days against the slow, literal tree builder on thousands of
// random logs in the shapes real and damaged logs take.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/reports/DurationText.h"
#include "unit/core/tree/TreeTestSupport.h"
#include "unit/support/ReferenceTree.h"

namespace {

using namespace tree_test;

}  // namespace

namespace {

struct RandomLog {
    MemoryFileSystem files;
    std::string password;
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

    log.password = password;
    if (chance(0.05)) log.password = password + "x";

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
        if (testing::Test::HasFailure()) return;
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
    LogTotalsReader reader;
    for (int i = 0; i < 3000 && !HasFailure(); ++i) {
        SCOPED_TRACE(testing::Message() << "log " << i);
        RandomLog log;
        MakeRandomLog(rng, log);
        MemoryFileSystem copy = log.files;
        MemoryFileSystem second = log.files;
        const LogTarget target{kPath, log.password};
        const LogTree model = BuildLogTree(log.files, target, log.today);
        const LogTotals& totals = reader.Read(second, target, &reused);
        const LogTree& rebuilt = reused.Finish(totals, log.today);
        // A wrong password can turn every pair into years of plausible days, and the scanning
        // builder needs quadratic time for those.
        if (model.Nodes.size() > 4000) {
            ++skipped;
            continue;
        }
        const reference::Result expected = reference::BuildLogTree(copy, target, log.formats);
        ExpectSameTree(model, expected, log.formats);
        ExpectSameTree(rebuilt, expected, log.formats);
        // The status bar's total, from the days, is the tree's summed piece by piece.
        EXPECT_EQ(StatusText(totals, log.formats).value_or("(unchanged)"),
                  expected.StatusSet ? expected.Status : "(unchanged)");
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
        const LogTree tree = BuildLogTree(log.files, LogTarget{kPath, log.password}, log.today);
        const LogTotals& totals = reused.Read(copy, LogTarget{kPath, log.password}, nullptr, true);
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
