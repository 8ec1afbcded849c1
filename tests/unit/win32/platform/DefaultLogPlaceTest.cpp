// The machine's side of the default log against the real Win32 API (run under Wine here).

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "unit/support/TempFolder.h"
#include "win32/platform/DefaultLogPlace.h"

namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

TEST(DefaultLogPlace, TheProbeWritesWhereItMayAndLeavesNothing) {
    const TempFolder temp("worktally-probe", '-');
    const fs::path plain = temp.Path() / "plain";
    const fs::path named = temp.Path() / u8"\u0141\u00f3d\u017a_\u65e5\u672c\u8a9e";
    fs::create_directories(plain);
    fs::create_directories(named);
    const struct {
        const char* Name;
        fs::path Folder;
        bool Writable;
    } cases[] = {
        {"a folder of the user's", plain, true},
        {"a name outside any code page", named, true},
        {"a missing folder", temp.Path() / "gone", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FolderWritable(Utf8(c.Folder)), c.Writable) << c.Name;
        if (fs::exists(c.Folder)) {
            EXPECT_TRUE(fs::is_empty(c.Folder)) << c.Name;
        }
    }
}

TEST(DefaultLogPlace, TheFolderIsMadeOrTheBoxSaysWhichAndWhy) {
    const TempFolder temp("worktally-local", '-');
    const std::string made = Utf8(temp.Path() / "Worktally");
    const std::string orphan = Utf8(temp.Path() / "gone" / "Worktally");
    const struct {
        const char* Name;
        std::string Folder;
        bool Fails;
    } cases[] = {
        {"nothing to make", "", false},
        {"a new folder", made, false},
        {"the same folder again", made, false},
        {"a folder under a missing one", orphan, true},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> failure =
            MakeDefaultLogFolder({c.Folder + "\\worktaly.dat", c.Folder});
        EXPECT_EQ(failure.has_value(), c.Fails) << c.Name;
        if (!c.Fails && !c.Folder.empty()) {
            EXPECT_TRUE(fs::is_directory(temp.Path() / "Worktally")) << c.Name;
        }
        if (c.Fails && failure) {
            const std::string first = "Cannot make the folder for the log " + c.Folder + "\n";
            EXPECT_EQ(failure->rfind(first, 0), 0u) << *failure;
            EXPECT_GT(failure->size(), first.size()) << "the system's reason";
        }
    }
}

}  // namespace
