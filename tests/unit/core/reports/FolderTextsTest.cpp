#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/log/LogFolder.h"
#include "core/reports/ExportRules.h"
#include "core/reports/FolderTexts.h"

namespace {

using Names = std::vector<std::string>;

// A read folder whose logs are in these states: 'c' counted, 'p' not opened by the password,
// 'u' unreadable (with the reason "Access is denied.").
FolderUnion Folder(const std::vector<std::pair<std::string, char>>& logs) {
    FolderUnion folder;
    folder.Folder = "D:\\OneDrive\\Worktally";
    folder.Listed = true;
    for (const auto& [name, state] : logs) {
        FolderLog log;
        log.Name = name;
        log.State = state == 'c'   ? FolderLogState::Counted
                    : state == 'p' ? FolderLogState::NotOpened
                                   : FolderLogState::Unreadable;
        if (state == 'u') log.Reason = "Access is denied.";
        folder.Logs.push_back(log);
    }
    return folder;
}

}  // namespace

TEST(FolderTexts, TheStatusBarCountsTheLogsAndNamesThoseLeftOut) {
    const struct {
        std::vector<std::pair<std::string, char>> logs;
        const char* expected;
    } cases[] = {
        {{}, "No logs"},
        {{{"HOME-5e6f7a8b.dat", 'c'}}, "1 log"},
        {{{"A.dat", 'c'}, {"B.dat", 'c'}, {"C.dat", 'c'}}, "3 logs"},
        {{{"A.dat", 'c'}, {"B.dat", 'c'}, {"C.dat", 'c'}, {"OFFICE-1a2b3c4d.dat", 'p'}},
         "3 logs; left out: OFFICE-1a2b3c4d.dat"},
        {{{"A.dat", 'u'}, {"B.dat", 'c'}, {"C.dat", 'p'}}, "1 log; left out: A.dat, C.dat"},
        {{{"A.dat", 'p'}}, "No logs; left out: A.dat"},
    };
    for (const auto& c : cases) EXPECT_EQ(FolderStatusText(Folder(c.logs)), c.expected);

    FolderUnion unlisted;
    unlisted.ListFailure = "The network path was not found.";
    EXPECT_EQ(FolderStatusText(unlisted),
              "Cannot read the folder: The network path was not found.");
    unlisted.ListFailure.clear();
    EXPECT_EQ(FolderStatusText(unlisted), "Cannot read the folder");
}

TEST(FolderTexts, TheChangesSayWhatStaysAndWhatIsLeftOut) {
    const struct {
        Names others;
        const char* stays;
        const char* leftOut;
    } cases[] = {
        {{}, "", ""},
        {{"OFFICE-1a2b3c4d.dat"},
         "Only this computer's log changes: the time that OFFICE-1a2b3c4d.dat holds in it stays.",
         "The log OFFICE-1a2b3c4d.dat keeps the old password: it is left out until its computer "
         "changes the password too."},
        {{"A.dat", "B.dat"},
         "Only this computer's log changes: the time that A.dat and B.dat hold in it stays.",
         "The logs A.dat and B.dat keep the old password: they are left out until their computers "
         "change the password too."},
        {{"A.dat", "B.dat", "C.dat"},
         "Only this computer's log changes: the time that A.dat, B.dat and C.dat hold in it stays.",
         "The logs A.dat, B.dat and C.dat keep the old password: they are left out until their "
         "computers change the password too."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OtherLogsStayText(c.others), c.stays);
        EXPECT_EQ(OtherLogsLeftOutText(c.others), c.leftOut);
    }
}

TEST(FolderTexts, TheExportEndsWithCodeThreeAndABoxWhenLogsWereLeftOut) {
    const struct {
        std::vector<std::pair<std::string, char>> logs;
        int code;
        const char* box;
    } cases[] = {
        {{}, kExportDone, ""},
        {{{"A.dat", 'c'}, {"B.dat", 'c'}}, kExportDone, ""},
        {{{"A.dat", 'c'}, {"OFFICE-1a2b3c4d.dat", 'p'}},
         kExportLeftOut,
         "The export leaves out 1 log:\nOFFICE-1a2b3c4d.dat: the password does not open it"},
        {{{"A.dat", 'u'}, {"B.dat", 'c'}, {"C.dat", 'p'}},
         kExportLeftOut,
         "The export leaves out 2 logs:\nA.dat: cannot be read (Access is denied.)\n"
         "C.dat: the password does not open it"},
    };
    for (const auto& c : cases) {
        const FolderUnion folder = Folder(c.logs);
        EXPECT_EQ(FolderExportCode(folder), c.code) << c.box;
        EXPECT_EQ(ExportLeftOutText(folder), c.box);
    }
    EXPECT_EQ(kExportLeftOut, 3);  // the number callers' scripts test

    FolderUnion unlisted;
    unlisted.Folder = "\\\\server\\share";
    EXPECT_EQ(FolderExportCode(unlisted), kExportFailed);
    EXPECT_EQ(ExportLeftOutText(unlisted), "Error reading \\\\server\\share");
}
