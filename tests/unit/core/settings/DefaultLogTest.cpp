#include <gtest/gtest.h>

#include "core/settings/DefaultLog.h"

namespace {

TEST(ChooseDefaultLog, BesideAWritableOrUsedProgramFolderElseInLocalAppData) {
    const std::string local =
        "C:\\Users\\\xC5\x81\xC3\xB3"
        "d\xC5\xBA\\AppData\\Local";
    const struct {
        const char* Name;
        DefaultLogFacts Facts;
        std::string Path;
        std::string FolderToMake;
    } cases[] = {
        {"portable copy", {"D:\\Tools", false, true, local}, "D:\\Tools\\worktaly.dat", ""},
        {"log kept beside a read-only program",
         {"C:\\Program Files\\Worktally", true, false, local},
         "C:\\Program Files\\Worktally\\worktaly.dat",
         ""},
        {"installed program",
         {"C:\\Program Files\\Worktally", false, false, local},
         local + "\\Worktally\\worktaly.dat",
         local + "\\Worktally"},
        {"local folder given with its backslash",
         {"C:\\Program Files\\Worktally", false, false, "C:\\Local\\"},
         "C:\\Local\\Worktally\\worktaly.dat",
         "C:\\Local\\Worktally"},
        {"no local folder known",
         {"C:\\Program Files\\Worktally", false, false, ""},
         "C:\\Program Files\\Worktally\\worktaly.dat",
         ""},
        {"program folder given with its backslash",
         {"E:\\", false, true, local},
         "E:\\worktaly.dat",
         ""},
        {"program folder unknown", {"", false, true, local}, "worktaly.dat", ""},
    };
    for (const auto& c : cases) {
        const DefaultLogChoice choice = ChooseDefaultLog(c.Facts);
        EXPECT_EQ(choice.Path, c.Path) << c.Name;
        EXPECT_EQ(choice.FolderToMake, c.FolderToMake) << c.Name;
    }
}

}  // namespace
