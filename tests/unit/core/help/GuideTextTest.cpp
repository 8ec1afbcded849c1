#include <gtest/gtest.h>

#include <string>

#include "core/help/GuideText.h"

TEST(GuideText, EveryLineEndsWithCrLf) {
    struct Case {
        std::string text;
        std::string expected;
    } cases[] = {
        {"", ""},
        {"one line", "one line"},
        {"a\nb\n", "a\r\nb\r\n"},
        {"\n\n", "\r\n\r\n"},
        {"\nstarts with a break", "\r\nstarts with a break"},
        // Already Windows line ends (a checkout that converted them): nothing doubles.
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"mixed\r\nends\nhere\n", "mixed\r\nends\r\nhere\r\n"},
        // A lone CR is no line end of ours; it is kept, and an LF after a kept CR is not doubled.
        {"a\rb", "a\rb"},
        {"a\r\r\nb", "a\r\r\nb"},
        {std::string("nul\0\nkept", 10), std::string("nul\0\r\nkept", 11)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(WithWindowsLineEnds(c.text), c.expected);
    }
}
