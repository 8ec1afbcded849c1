#pragma once

// What the tree's tests share: German texts (24-hour, day first), a log built from pairs, and
// the tree as the window shows it.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "core/reports/LogTotals.h"
#include "core/tree/LogTree.h"
#include "unit/support/MemoryFileSystem.h"

namespace tree_test {

using Pair = std::pair<DateTime, DateTime>;

inline const char kPath[] = "C:\\Worktally\\worktaly.dat";
inline constexpr double kHour = 1.0 / 24;
inline const double kNaN = std::numeric_limits<double>::quiet_NaN();
inline const double kInf = std::numeric_limits<double>::infinity();

inline LocaleFormats German() {
    LocaleFormats formats;
    formats.ShortDate = "dd.MM.yyyy";
    formats.LongTime = "HH:mm:ss";
    return formats;
}

inline DateTime At(int year, int month, int day, int hour, int minute = 0) {
    return EncodeDateTime(year, month, day, hour, minute);
}

inline const DateTime kSomeOtherDay = At(2010, 6, 20, 12);

inline LogTree Build(MemoryFileSystem& files, DateTime today, const std::string& password = "") {
    LogTree tree = BuildLogTree(files, LogTarget{kPath, password}, today);
    EXPECT_EQ(files.OpenFiles(), 0);
    return tree;
}

inline LogTree Build(const std::vector<Pair>& pairs, DateTime today) {
    MemoryFileSystem files;
    files.SetFile(kPath, LogBytes(pairs, ""));
    return Build(files, today);
}

// The status bar's text after reading the log; "(unchanged)" when it keeps its previous text.
inline std::string Status(MemoryFileSystem& files, const std::string& password = "") {
    return StatusText(ReadLogTotals(files, LogTarget{kPath, password}), German())
        .value_or("(unchanged)");
}

inline std::string Status(const std::vector<Pair>& pairs) {
    MemoryFileSystem files;
    files.SetFile(kPath, LogBytes(pairs, ""));
    return Status(files);
}

// The tree as the window would show it: walked through its links, two blanks per level, and
// " +" after an expanded node. Checks that every node is reached once, under its own parent.
inline void Walk(const LogTree& tree, std::int32_t first, std::int32_t parent, int depth,
                 std::vector<std::string>& lines) {
    for (std::int32_t n = first; n >= 0; n = tree.Nodes[static_cast<std::size_t>(n)].NextSibling) {
        const LogTreeNode& node = tree.Nodes[static_cast<std::size_t>(n)];
        EXPECT_EQ(node.Parent, parent) << "node " << n;
        lines.push_back(std::string(2 * depth, ' ') + tree.NodeText(n, German()) +
                        (node.Expanded ? " +" : ""));
        Walk(tree, node.FirstChild, n, depth + 1, lines);
    }
}

inline std::vector<std::string> Outline(const LogTree& tree) {
    std::vector<std::string> lines;
    Walk(tree, tree.FirstTop, -1, 0, lines);
    EXPECT_EQ(lines.size(), tree.Nodes.size());
    return lines;
}

}  // namespace tree_test
