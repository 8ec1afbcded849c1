#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/log/LogFolder.h"
#include "core/reports/LogTotals.h"
#include "core/tree/LogTree.h"
#include "unit/support/MemoryFileSystem.h"

namespace {

// 2026-03-10 at hour h (h may pass 24 into the next days).
DateTime H(double hour) {
    return EncodeDate(2026, 3, 10) + hour / 24;
}

// Each node's parent and text, in creation order, and the status bar's text.
std::vector<std::string> Lines(const LogTree& tree, const LogTotals& totals) {
    LocaleFormats formats;
    formats.ShortDate = "dd.MM.yyyy";
    formats.LongTime = "HH:mm:ss";
    std::vector<std::string> lines;
    for (std::size_t n = 0; n < tree.Nodes.size(); ++n) {
        lines.push_back(std::to_string(tree.Nodes[n].Parent) + " " +
                        tree.NodeText(static_cast<std::int32_t>(n), formats));
    }
    lines.push_back(StatusText(totals, formats).value_or("(unchanged)"));
    return lines;
}

}  // namespace

TEST(FolderTree, TheUnionShowsWhatOneLogHoldingItsSpansShows) {
    const std::string password = "pw";
    MemoryFileSystem folder;
    const std::vector<std::pair<DateTime, DateTime>> home{{H(9), H(10)}, {H(22), H(25)}};
    folder.SetFile("share\\HOME-1.dat", LogBytes(home, password));
    folder.SetFile("share\\HOME-1 (conflicted copy).dat", LogBytes(home, password));
    folder.SetFile("share\\OFFICE-2.dat",
                   LogBytes({{H(9.5), H(11)}, {H(24), H(24)}, {H(30), H(30)}}, password));
    LogFolderReader folderReader;
    const FolderUnion& logs = folderReader.Read(folder, "share", password);

    // The spans worked out by hand, as one log of this computer would hold them.
    MemoryFileSystem single;
    single.SetFile("one.dat", LogBytes({{H(9), H(11)}, {H(22), H(25)}, {H(30), H(30)}}, password));

    const DateTime today = H(30);
    LogTotalsReader expectedReader;
    LogTreeBuilder expectedBuilder;
    const LogTotals& expectedTotals =
        expectedReader.Read(single, {"one.dat", password}, &expectedBuilder);
    const LogTree& expected = expectedBuilder.Finish(expectedTotals, today);
    ASSERT_EQ(expected.Failed, LogReadFailure::None);

    LogTotalsReader reader;
    LogTreeBuilder builder;
    const LogTotals& totals = reader.Read(logs.Spans, &builder);
    const LogTree& tree = builder.Finish(totals, today);
    EXPECT_EQ(tree.Failed, LogReadFailure::None);
    EXPECT_EQ(Lines(tree, totals), Lines(expected, expectedTotals));
    // The 10th and the 11th, whose session of zero length adds nothing.
    ASSERT_EQ(totals.Days().size(), 2u);
    ASSERT_EQ(expectedTotals.Days().size(), 2u);
    for (std::size_t d = 0; d < 2; ++d) {
        EXPECT_EQ(totals.Days()[d].day, expectedTotals.Days()[d].day);
        EXPECT_DOUBLE_EQ(totals.Days()[d].duration, expectedTotals.Days()[d].duration);
    }
}
