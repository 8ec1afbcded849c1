#include <gtest/gtest.h>

#include <string>

#include "win32/platform/WideText.h"

TEST(WideText, CrossesTheEdgeBothWays) {
    struct Case {
        std::string utf8;
        std::wstring wide;
    } cases[] = {
        {"", L""},
        {"C:\\Logs\\worktaly.dat", L"C:\\Logs\\worktaly.dat"},
        {"\xC5\x81\xC3\xB3"
         "d\xC5\xBA_\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E",
         L"\u0141\u00F3d\u017A_\u65E5\u672C\u8A9E"},
        {"\xF0\x9F\x95\x90", L"\U0001F550"},  // outside the BMP: a surrogate pair
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Widen(c.utf8), c.wide);
        EXPECT_EQ(Narrow(c.wide), c.utf8);
    }
    // Broken input is replaced, never dropped: a name stays visible.
    EXPECT_EQ(Widen("a\xFF"
                    "b"),
              L"a\uFFFD"
              L"b");
}
