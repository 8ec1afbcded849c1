#pragma once

// The tree of years, months, days and session pieces built from the whole log, as a model the
// window renders. Nodes are kept in creation order; links make pre-order walks cheap.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/log/LogFile.h"
#include "core/log/LogTarget.h"
#include "core/reports/LogTotals.h"
#include "core/tree/Period.h"

struct LogTreeNode {
    std::int32_t Parent = -1;  // -1: top level
    std::int32_t FirstChild = -1;
    std::int32_t NextSibling = -1;
    bool Expanded = false;
    Period Info;
};
// A long log's first tree is mostly fresh pages, which cost more than building it.
static_assert(sizeof(LogTreeNode) <= 48);

struct LogTree {
    using Failure = LogReadFailure;

    std::vector<LogTreeNode> Nodes;
    std::int32_t FirstTop = -1;
    std::int32_t LastTop = -1;
    // The nodes have their texts and today's are expanded: the read went all through (or there
    // was no log yet). After a read error the nodes before it stay, without texts.
    bool Complete = false;
    // How the read it was built from ended (a log not created yet is no failure).
    Failure Failed = Failure::None;

    // The node's text: its PeriodText once complete, empty before.
    std::string NodeText(std::int32_t node, const LocaleFormats& formats) const;
};

// Builds the tree from the sessions of a read (LogTotalsReader), keeping the memory of the last
// build (nodes), since the minute's rebuild of a long log would otherwise touch fresh pages,
// which cost more than the build itself.
class LogTreeBuilder final : public SessionSink {
  public:
    LogTreeBuilder();
    ~LogTreeBuilder() override;
    LogTreeBuilder(const LogTreeBuilder&) = delete;
    LogTreeBuilder& operator=(const LogTreeBuilder&) = delete;

    void Begin(std::size_t pairs) override;
    void Add(DateTime start, DateTime end) override;
    // After the read: texts and today's expanded nodes, unless the read failed; `today` decides
    // which nodes are expanded.
    const LogTree& Finish(const LogTotals& totals, DateTime today);
    const LogTree& Tree() const { return tree_; }
    // Hands the last tree over; the next build starts without reusable memory.
    LogTree Release();

  private:
    class Pieces;
    LogTree tree_;
    std::unique_ptr<Pieces> pieces_;  // the periods of this build, by date
};

// Reads the log and builds the tree in one go (tests, benchmarks, fuzzing).
LogTree BuildLogTree(FileSystem& files, const LogTarget& log, DateTime today);
