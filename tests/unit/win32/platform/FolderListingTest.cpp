// Listing a shared folder against the real Win32 API (run under Wine here).

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/log/LogFile.h"
#include "unit/support/TempFolder.h"
#include "win32/platform/FolderListing.h"
#include "win32/platform/UniqueHandle.h"

namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

void CreateEmptyFile(const fs::path& path) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << Utf8(path);
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(FolderListing, ListsTheFilesOfAFolderOfAnyNameAsUtf8AndFailsWithoutAFolder) {
    TempFolder temp("worktally-listing", '-');
    // 時間 and Łódź: no ANSI code page holds both.
    const fs::path folder = temp.Path() / L"Zeit-\u6642\u9593-\u0141\u00f3d\u017a";
    ASSERT_TRUE(fs::create_directory(folder));
    EXPECT_EQ(ListFolderFiles(Utf8(folder)), std::vector<std::string>{});

    for (const wchar_t* name :
         {L"\u6642\u9593-1a2b3c4d.dat", L"\u0141\u00f3d\u017a.DAT", L"plain.dat", L"notes"})
        CreateEmptyFile(folder / name);
    ASSERT_TRUE(fs::create_directory(folder / L"sub.dat"));
    CreateEmptyFile(folder / L"sub.dat" / L"below.dat");

    const std::vector<std::string> expected{"notes", "plain.dat",
                                            "\xC5\x81\xC3\xB3\x64\xC5\xBA.DAT",
                                            "\xE6\x99\x82\xE9\x96\x93-1a2b3c4d.dat"};
    EXPECT_EQ(Sorted(ListFolderFiles(Utf8(folder))), expected);
    EXPECT_EQ(Sorted(ListFolderFiles(Utf8(folder) + "\\")), expected);
    EXPECT_EQ(Sorted(NativeFileSystem().ListFiles(Utf8(folder))), expected);

    EXPECT_THROW(ListFolderFiles(Utf8(folder / L"missing")), IoError);
    EXPECT_THROW(ListFolderFiles(Utf8(folder / L"plain.dat")), IoError);
    EXPECT_THROW(ListFolderFiles("C:\\no\xff-utf8"), IoError);
}
