// A folder shared with other computers: this computer records into its own file there, the
// viewer and the export count every log of the folder once, and a log the password does not
// open is named, never changed.

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"
#include "e2e/support/RemoteWindows.h"
#include "e2e/support/Wait.h"
#include "res/resource.h"

namespace e2e {
namespace {

class SharedFolder : public E2ETest {
  protected:
    // The folder, made, and named with a backslash at its end as a user would name it.
    std::string MakeSharedFolder() {
        const std::string folder = PathIn("Sync");
        EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        EXPECT_EQ(folder.find(' '), std::string::npos) << "named without quotes below";
        return folder;
    }
};

// NAME-ID.dat as this test works it out from the machine.
std::string OwnLogName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    EXPECT_TRUE(GetComputerNameA(name, &size));
    std::string id;
    if (const auto guid = ReadRegistryString(HKEY_LOCAL_MACHINE,
                                             "SOFTWARE\\Microsoft\\Cryptography", "MachineGuid")) {
        for (char c : *guid)
            if (std::isxdigit(static_cast<unsigned char>(c)) && id.size() < 8)
                id += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else {
        id = ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Computer Id").value_or("?");
    }
    return std::string(name) + "-" + id + ".dat";
}

DateTime At(int day, int hour, int minute) {
    return EncodeDateTime(2001, 3, day, hour, minute);
}

// The days CSV of the union of the logs' sessions, worked out minute by minute.
std::string UnionDaysCsv(const std::vector<std::vector<DateTime>>& logs) {
    std::set<long long> minutes;
    for (const auto& log : logs)
        for (std::size_t i = 0; i + 1 < log.size(); i += 2)
            for (long long m = std::llround(log[i] * 1440); m < std::llround(log[i + 1] * 1440);
                 ++m)
                minutes.insert(m);
    std::map<long long, int> perDay;
    for (long long m : minutes) ++perDay[m / 1440];
    std::string csv = "Date,Duration,Hours\r\n";
    for (const auto& [day, count] : perDay) {
        const CivilDate date = DecodeDate(static_cast<DateTime>(day));
        char line[64];
        std::snprintf(line, sizeof line, "%04d-%02d-%02d,%d:%02d,%.2f\r\n", date.Year, date.Month,
                      date.Day, count / 60, count % 60, count / 60.0);
        csv += line;
    }
    return csv;
}

TEST_F(SharedFolder, RecordsIntoItsOwnFileAndCountsTheOthersOnce) {
    StorePassword("pw");
    const std::string folder = MakeSharedFolder();
    const std::string office = folder + "\\OFFICE-00000001.dat";
    const std::string old = folder + "\\OLD-00000002.dat";
    WriteBytes(office, LogBytes({At(5, 8, 0), At(5, 9, 0), At(5, 8, 30), At(5, 9, 30)}, "pw"));
    WriteBytes(old, LogBytes({At(5, 10, 0), At(5, 11, 0)}, "another"));
    const auto officeBytes = ReadBytes(office);
    const auto oldBytes = ReadBytes(old);

    Program& program = Start("/L /F " + folder + "\\");
    program.MainWindow();
    const std::string own = folder + "\\" + OwnLogName();
    ASSERT_TRUE(WaitForFileSize(own, 16u)) << program.Dump();
    program.Command(IDM_SHOW);
    HWND prompt = program.WaitForDialog("Password - Worktally");
    SetControlText(prompt, IDC_PASSWORD_EDIT, "pw");
    Click(prompt, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return program.MainWindowVisible(); })) << program.Dump();
    EXPECT_EQ(StatusText(program.StatusBar(), 1), "2 logs; left out: OLD-00000002.dat");
    const std::vector<TreeNode> top = ReadTree(program.Tree(), false);
    ASSERT_FALSE(top.empty());
    EXPECT_EQ(top.front().Text, "2001 -> 1:30");  // 8:00-9:00 and 8:30-9:30 once
    // Deleting 2001 changes this computer's log only, and the question says so.
    SelectTreeNode(program.Tree(), 0);
    PressKey(program.Tree(), VK_DELETE);
    HWND question = program.WaitForDialog("Worktally");
    EXPECT_NE(MessageText(question).find("the time that OFFICE-00000001.dat holds in it stays"),
              std::string::npos)
        << MessageText(question);
    Click(question, IDYES);
    program.WaitForNoDialog("Worktally");
    program.Tick();
    EXPECT_EQ(ReadTree(program.Tree(), false).front().Text, "2001 -> 1:30");
    program.Exit();

    EXPECT_EQ(ReadLog(own, "pw").size(), 2u);
    EXPECT_EQ(ReadBytes(office), officeBytes);
    EXPECT_EQ(ReadBytes(old), oldBytes);
}

TEST_F(SharedFolder, ExportsTheUnionAndNamesTheLogsLeftOut) {
    StorePassword("pw");
    const std::string folder = MakeSharedFolder();
    const std::vector<std::vector<DateTime>> counted = {
        {At(5, 8, 0), At(5, 10, 0)},
        // Overlaps the first, and a copy of it from a sync conflict; one runs past midnight.
        {At(5, 9, 0), At(5, 11, 0), At(5, 23, 30), At(6, 0, 30)},
        {At(5, 9, 0), At(5, 11, 0), At(5, 23, 30), At(6, 0, 30)},
    };
    WriteBytes(folder + "\\DESK-0000000a.dat", LogBytes(counted[0], "pw"));
    WriteBytes(folder + "\\LAPTOP-0000000b.dat", LogBytes(counted[1], "pw"));
    WriteBytes(folder + "\\LAPTOP-0000000b (conflicted copy).dat", LogBytes(counted[2], "pw"));
    WriteBytes(folder + "\\OLD-0000000c.dat", LogBytes({At(7, 8, 0), At(7, 9, 0)}, "old"));
    const std::string csv = PathIn("days.csv");

    Program& program = Start("/E " + Quoted(csv) + " /R days /F " + folder + "\\");
    HWND prompt = program.WaitForDialog("Password - Worktally");
    SetControlText(prompt, IDC_PASSWORD_EDIT, "pw");
    Click(prompt, IDOK);
    HWND box = program.WaitForDialog("Worktally");
    EXPECT_EQ(MessageText(box),
              "The export leaves out 1 log:\nOLD-0000000c.dat: the password does not open it");
    Click(box, IDOK);
    program.ExpectExit();
    EXPECT_EQ(program.ExitCode(), 3u);
    const auto bytes = ReadBytes(csv);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), UnionDaysCsv(counted));
}

TEST_F(SharedFolder, ChosenInOptionsTheLogRecordedSoFarComesAlong) {
    const std::string folder = MakeSharedFolder();
    // A portable copy: its log is beside it.
    const std::string app = PathIn("app");
    ASSERT_TRUE(CreateDirectoryA(app.c_str(), nullptr));
    const std::string exe = app + "\\worktally.exe";
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), exe.c_str(), FALSE));
    const std::string log = app + "\\worktaly.dat";
    WriteBytes(log, LogBytes({At(5, 8, 0), At(5, 9, 0)}, ""));
    Program& program = Start("/L", {}, exe);
    ASSERT_TRUE(WaitForFileSize(log, 32u)) << program.Dump();

    program.Command(IDM_OPTIONS);
    HWND options = program.WaitForDialog("Options - Worktally");
    Click(options, IDC_SHARED_FOLDER_CHECK);
    SetControlText(options, IDC_SHARED_FOLDER_EDIT, folder);
    Click(options, IDOK);
    program.WaitForNoDialog("Options - Worktally");
    // The history and the session so far, then the session going on in the folder.
    const std::string own = folder + "\\" + OwnLogName();
    ASSERT_TRUE(WaitForFileSize(own, 48u)) << program.Dump();
    const std::vector<DateTime> records = ReadLog(own, "");
    EXPECT_EQ(records[0], At(5, 8, 0));
    EXPECT_EQ(records[1], At(5, 9, 0));
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Shared Folder"), folder);
    program.Exit();
    EXPECT_EQ(ReadLog(log, "").size(), 4u) << "the old log stays, its session ended";
    EXPECT_EQ(ReadLog(own, "").size(), 6u);
}

}  // namespace
}  // namespace e2e
