#include <gtest/gtest.h>

#include <string>

#include "core/text/BoxText.h"

TEST(WrapLongRuns, BreaksOnlyRunsLongerThanTheWidthAtTheirLastSeparator) {
    struct Case {
        std::string text;
        std::size_t width;
        std::string expected;
    } cases[] = {
        {"", 10, ""},
        {"Error writing C:\\a\\b.csv", 10, "Error writing C:\\a\\b.csv"},
        // Words a box breaks itself stay whole, however long the line.
        {"many short words in one long line", 6, "many short words in one long line"},
        {"exactly10!", 10, "exactly10!"},
        {"C:\\Users\\me\\Documents\\work.dat", 12, "C:\\Users\\me\\\r\nDocuments\\\r\nwork.dat"},
        {"Error writing C:\\Users\\me\\x.csv\nAccess is denied.", 12,
         "Error writing C:\\Users\\me\\\r\nx.csv\nAccess is denied."},
        {"/home/someone/logs", 8, "/home/\r\nsomeone/\r\nlogs"},
        // No separator within the width: cut at the width.
        {"abcdefghijklmnop", 5, "abcde\r\nfghij\r\nklmno\r\np"},
        {"\\abcdefgh", 4, "\\abc\r\ndefg\r\nh"},
        // Characters, not bytes: eight two-byte letters fit a width of 8.
        {"ŁódźŁódź\\x", 8, "ŁódźŁódź\r\n\\x"},
        {"日本語日本語\\日本語", 7, "日本語日本語\\\r\n日本語"},
        {"C:\\x\r\nC:\\y", 4, "C:\\x\r\nC:\\y"},
        {"unchanged", 0, "unchanged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(WrapLongRuns(c.text, c.width), c.expected);
    }
}
