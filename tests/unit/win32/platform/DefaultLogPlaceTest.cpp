// The machine's side of the default log against the real Win32 API (run under Wine here).

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "unit/support/TempFolder.h"
#include "win32/platform/DefaultLogPlace.h"

namespace {

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

TEST(DefaultLogPlace, TheProbeLeavesNothingAndTheFolderIsMadeOrTheBoxSaysWhy) {
    const TempFolder temp("worktally-local", '-');
    const std::filesystem::path madePath = temp.Path() / u8"\u0141\u00f3d\u017a_\u65e5\u672c";
    const std::string made = Utf8(madePath);
    const std::string orphan = Utf8(temp.Path() / "gone" / "Worktally");
    const struct {
        const char* Name;
        std::string Folder;
        bool Fails;
    } cases[] = {{"nothing to make", "", false},
                 {"a new folder", made, false},
                 {"the same folder again", made, false},
                 {"a folder under a missing one", orphan, true}};
    for (const auto& c : cases) {
        const std::optional<std::string> failure = MakeDefaultLogFolder({"", c.Folder});
        const std::string first = "Cannot make the folder for the log " + c.Folder + "\n";
        EXPECT_EQ(failure.value_or(first).rfind(first, 0), 0u) << c.Name;
        EXPECT_EQ(failure.has_value(), c.Fails) << c.Name;
        EXPECT_GT(failure.value_or(first + "?").size(), first.size()) << "the reason: " << c.Name;
        if (!c.Folder.empty()) {
            EXPECT_EQ(FolderWritable(c.Folder), !c.Fails) << c.Name;
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(madePath)) << "the probe is gone";
}

}  // namespace
