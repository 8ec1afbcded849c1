#include <gtest/gtest.h>

#include "core/dialogs/LinkRules.h"

TEST(LinkRules, WebSchemeIsKeptOtherwiseHttpIsPutInFront) {
    const struct {
        const char* caption;
        const char* address;
    } cases[] = {
        {"http://quillmere.example/", "http://quillmere.example/"},
        {"HTTP://QUILLMERE.EXAMPLE", "HTTP://QUILLMERE.EXAMPLE"},
        {"hTtP://x", "hTtP://x"},
        {"https://quillmere.example", "https://quillmere.example"},
        {"HTTPS://quillmere.example", "HTTPS://quillmere.example"},
        {"www.quillmere.example/worktally", "http://www.quillmere.example/worktally"},
        {"http:/x", "http://http:/x"},
        {"httpx://a", "http://httpx://a"},
        {"http", "http://http"},
        {"", "http://"},
        {"ftp://host", "http://ftp://host"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HomePageAddress(c.caption), c.address) << c.caption;
    }
    EXPECT_EQ(HomePageAddress(kHomePageLinkText), "http://www.quillmere.example/worktally");
    EXPECT_EQ(MailAddress(kMailLinkText), "mailto:worktally@quillmere.example");
}
