#pragma once

// The tree of years, months, days and session pieces built from the whole log, as a model the
// window renders. Nodes are kept in creation order; links make pre-order walks cheap.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/log/LogFile.h"
#include "core/log/SessionPieces.h"
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
    // Texts exist only after a build that was not abandoned by a read error.
    bool Labelled = false;
    bool HasTotal = false;
    Period Total;
    Failure Failed = Failure::None;
    // Why a read failed, in the system's words; empty when unknown.
    std::string FailureReason;

    // The node's text: its PeriodText once labelled, empty before.
    std::string NodeText(std::int32_t node, const LocaleFormats& formats) const;
    // The status bar's new text ("No sessions recorded yet" for a log without any); false when
    // the status bar keeps its previous text.
    bool StatusText(const LocaleFormats& formats, std::string& text) const;
};

// Reads the log and builds the tree; `today` decides which nodes are expanded. A log file that
// does not exist yet in a folder that does is an empty log, not a read error.
LogTree BuildLogTree(FileSystem& files, const std::string& path, const std::string& encodedPassword,
                     DateTime today);

// The same build, keeping the memory of the last one (nodes and the read buffer): the minute's
// rebuild of a long log then touches no fresh pages, which cost more than the build itself.
class LogTreeBuilder {
  public:
    const LogTree& Build(FileSystem& files, const std::string& path,
                         const std::string& encodedPassword, DateTime today);
    const LogTree& Tree() const { return tree_; }
    // Hands the last tree over; the next build starts without reusable memory.
    LogTree Release();

  private:
    LogTree tree_;
    LogSessionReader reader_;
};
