#pragma once

// The tree of years, months, days and session pieces built from the whole log, as a model the
// window renders. Nodes are kept in creation order; links make pre-order walks cheap.

#include <cstdint>
#include <string>
#include <vector>

#include "log/LogFile.h"
#include "viewer/LogInfoUnit.h"

struct LogTreeNode {
    std::int32_t Parent = -1;  // -1: top level
    std::int32_t FirstChild = -1;
    std::int32_t LastChild = -1;
    std::int32_t NextSibling = -1;
    bool Expanded = false;
    TLogInfo Info;
};

struct LogTree {
    enum class Failure { None, IncorrectRecord, ReadError };

    std::vector<LogTreeNode> Nodes;
    std::int32_t FirstTop = -1;
    std::int32_t LastTop = -1;
    // Texts exist only after a build that was not abandoned by a read error.
    bool Labelled = false;
    bool HasTotal = false;
    TLogInfo Total;
    Failure Failed = Failure::None;

    // The node's text: its PeriodText once labelled, empty before.
    std::string NodeText(std::int32_t node, const LocaleFormats& formats) const;
    // The status bar's new text; false when the status bar keeps its previous text.
    bool StatusText(const LocaleFormats& formats, std::string& text) const;
};

// Spans longer than this, and dates outside 1899-12-30 .. 9999-12-31, count as invalid pairs.
inline constexpr double kMaxPairDays = 3660.0;

// Reads the log and builds the tree; `today` decides which nodes are expanded.
LogTree BuildLogTree(FileSystem& files, const std::string& path,
                     const std::string& encodedPassword, TDateTime today);
