// Add Time, Remove Time and Undo: from the viewer, and from the command line while another
// instance records into the same log.

#include <windows.h>

#include <string>
#include <vector>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"

namespace e2e {
namespace {

DateTime At(int day, int hour, int minute) {
    return EncodeDateTime(2001, 3, day, hour, minute);
}

// Two sessions on 5 March, one on 6 March 2001.
const std::vector<DateTime> kTwoDays = {At(5, 8, 0),   At(5, 9, 0), At(5, 10, 0),
                                        At(5, 11, 15), At(6, 8, 0), At(6, 9, 30)};

class Corrections : public E2ETest {
  protected:
    // Runs worktally.exe with `arguments` to its end; a box it shows is read and closed.
    DWORD RunCommand(const std::string& arguments, std::string* box = nullptr) {
        Program& command = Start(arguments);
        if (box != nullptr) {
            const HWND shown = command.WaitForDialog("Worktally");
            *box = MessageText(shown);
            Click(shown, IDOK);
        }
        command.ExpectExit();
        return command.ExitCode();
    }
};

TEST_F(Corrections, TheCommandLineChangesALogThatIsBeingRecorded) {
    WriteBytes(LogPath(), LogBytes(kTwoDays, ""));
    Program& recorder = Start("/L /F " + Quoted(LogPath()));
    recorder.MainWindow();
    ASSERT_TRUE(WaitForFileSize(LogPath(), 64u)) << "three sessions and the running one";
    const DateTime running = ReadLog(LogPath(), "")[6];
    const std::string log = " /F " + Quoted(LogPath());

    EXPECT_EQ(RunCommand("/A \"2001-03-05 12:00\" \"2001-03-05 13:00\"" + log), 0u);
    EXPECT_EQ(RunCommand("/X \"2001-03-06 08:30\" \"2001-03-06 09:00\"" + log), 0u);
    std::string box;
    EXPECT_EQ(RunCommand("/A \"2001-03-05 13:00\" \"2001-03-05 12:00\"" + log, &box), 1u);
    EXPECT_FALSE(box.empty()) << "a reversed range is refused with a box";

    std::vector<DateTime> expected = {At(5, 8, 0),  At(5, 9, 0),  At(5, 10, 0), At(5, 11, 15),
                                      At(5, 12, 0), At(5, 13, 0), At(6, 8, 0),  At(6, 8, 30),
                                      At(6, 9, 0),  At(6, 9, 30)};
    std::vector<DateTime> records = ReadLog(LogPath(), "");
    ASSERT_EQ(records.size(), expected.size() + 2) << "the running session kept last";
    EXPECT_EQ(std::vector<DateTime>(records.begin(), records.end() - 2), expected);
    EXPECT_EQ(records[expected.size()], running);
    EXPECT_FALSE(recorder.MainWindowVisible()) << "no hand-over: the viewer stays closed";

    // The recorder goes on extending its own session behind the corrected pairs.
    const DateTime end = records.back();
    recorder.Tick();
    records = ReadLog(LogPath(), "");
    ASSERT_EQ(records.size(), expected.size() + 2);
    EXPECT_EQ(records[expected.size()], running);
    EXPECT_GE(records.back(), end);
    recorder.Exit();
}

TEST_F(Corrections, TheViewerRemovesASessionSaysWhatOkDoesAndUndoesIt) {
    const std::vector<unsigned char> original = LogBytes(kTwoDays, "");
    WriteBytes(LogPath(), original);
    Program& program = Start("/F " + Quoted(LogPath()), "de_DE.UTF-8");
    ASSERT_TRUE(WaitUntil([&] { return program.MainWindowVisible(); }));
    ReadTree(program.Tree(), true);
    SelectTreeNode(program.Tree(), 3);  // 5 March, 08:00 - 09:00

    struct Case {
        int command;
        const char* caption;
        const char* line;
        int button;
    } cases[] = {
        {IDM_ADD_TIME, "Add Time - Worktally", "Adds nothing: all of this time is recorded already",
         IDCANCEL},
        {IDM_REMOVE_TIME, "Remove Time - Worktally", "Removes 1:00 from 1 session", IDOK},
    };
    for (const Case& c : cases) {
        program.Command(c.command);
        const HWND dialog = program.WaitForDialog(c.caption);
        EXPECT_EQ(ControlText(dialog, IDC_CORRECTION_LINE), c.line);
        Click(dialog, c.button);
        program.WaitForNoDialog(c.caption);
    }
    const std::vector<DateTime> rest(kTwoDays.begin() + 2, kTwoDays.end());
    EXPECT_TRUE(WaitUntil([&] { return ReadLog(LogPath(), "") == rest; }));
    EXPECT_EQ(StatusText(program.StatusBar()), "From 5.3.2001 to 6.3.2001 -> 2:45");

    program.Command(IDM_UNDO);
    EXPECT_TRUE(WaitUntil([&] { return ReadBytes(LogPath()) == original; }))
        << "the undo brings back exactly the session removed";
    EXPECT_TRUE(WaitUntil(
        [&] { return StatusText(program.StatusBar()) == "From 5.3.2001 to 6.3.2001 -> 3:45"; }));
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

}  // namespace
}  // namespace e2e
