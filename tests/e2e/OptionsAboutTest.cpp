// The Options dialog against the machine's auto-run entry, and the About box's keys.

#include <windows.h>

#include <thread>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"

namespace e2e {
namespace {

std::optional<std::string> AutoRunEntry() {
    return ReadRegistryString(HKEY_LOCAL_MACHINE, kRunKey, "Worktally");
}

class Options : public E2ETest {
  protected:
    Program& OpenViewer(const std::string& exePath = {}) {
        WriteBytes(LogPath(), {});  // an empty log opens without a message
        Program& program = Start("/F " + Quoted(LogPath()), {}, exePath);
        if (!WaitUntil([&] { return program.MainWindowVisible(); }))
            program.Fail("the viewer did not open");
        return program;
    }
    HWND OpenOptions(Program& program) {
        program.Command(IDM_OPTIONS);
        return program.WaitForDialog("Options - Worktally");
    }
    void Close(Program& program, HWND dialog, int button) {
        Click(dialog, button);
        program.WaitForNoDialog("Options - Worktally");
        program.Send(WM_NULL);  // handled once the command has applied the choices
    }
};

TEST_F(Options, RegistersReplacesAndRemovesTheAutoRunEntry) {
    Program& program = OpenViewer();
    const std::string exe = ProgramPath();
    ASSERT_EQ(exe.find(' '), std::string::npos) << "this case wants a path without spaces";

    HWND dialog = OpenOptions(program);
    EXPECT_FALSE(IsChecked(dialog, IDC_AUTO_RUN_CHECK));
    EXPECT_FALSE(IsWindowEnabled(Control(dialog, IDC_ONE_USER_CHECK)));
    Click(dialog, IDC_AUTO_RUN_CHECK);
    EXPECT_TRUE(IsWindowEnabled(Control(dialog, IDC_ONE_USER_CHECK)));
    EXPECT_FALSE(IsWindowEnabled(Control(dialog, IDC_USER_NAME_EDIT)));
    Close(program, dialog, IDOK);
    // The start with Windows records into the log this viewer was started on.
    const std::string logArgument = " /f " + Quoted(LogPath());
    EXPECT_EQ(AutoRunEntry(), exe + " /l" + logArgument);

    // One user: the entry is replaced at once and the choice is stored at once.
    dialog = OpenOptions(program);
    EXPECT_TRUE(IsChecked(dialog, IDC_AUTO_RUN_CHECK));
    Click(dialog, IDC_ONE_USER_CHECK);
    EXPECT_TRUE(IsWindowEnabled(Control(dialog, IDC_USER_NAME_EDIT)));
    char me[257]{};
    DWORD size = sizeof(me);
    ASSERT_TRUE(GetUserNameA(me, &size));
    EXPECT_EQ(ControlText(dialog, IDC_USER_NAME_EDIT), me) << "an empty name is filled in";
    // An empty name is refused with a box, and the dialog stays.
    SetControlText(dialog, IDC_USER_NAME_EDIT, "");
    PostMessageA(Control(dialog, IDOK), BM_CLICK, 0, 0);  // the box it opens is modal
    HWND refusal = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND box : program.Dialogs("Options - Worktally"))
            if (box != dialog) refusal = box;
        return refusal != nullptr;
    })) << program.Dump();
    EXPECT_NE(MessageText(refusal).find("Log only one user"), std::string::npos);
    Click(refusal, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return program.Dialogs("Options - Worktally").size() == 1; }));
    SetControlText(dialog, IDC_USER_NAME_EDIT, "alice");
    Close(program, dialog, IDOK);
    EXPECT_EQ(AutoRunEntry(), exe + " /l /u alice" + logArgument);
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "AR One User"), "1");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "AR User Name"), "alice");

    // Switched off: the entry goes, the one-user choice stays as shown.
    dialog = OpenOptions(program);
    EXPECT_TRUE(IsChecked(dialog, IDC_ONE_USER_CHECK));
    EXPECT_EQ(ControlText(dialog, IDC_USER_NAME_EDIT), "alice");
    Click(dialog, IDC_AUTO_RUN_CHECK);
    EXPECT_FALSE(IsWindowEnabled(Control(dialog, IDC_USER_NAME_EDIT)));
    Close(program, dialog, IDOK);
    EXPECT_FALSE(AutoRunEntry().has_value());
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "AR One User"), "1");

    // Still filled from the stored choice, although disabled.
    dialog = OpenOptions(program);
    EXPECT_FALSE(IsChecked(dialog, IDC_AUTO_RUN_CHECK));
    EXPECT_EQ(ControlText(dialog, IDC_USER_NAME_EDIT), "alice");
    Close(program, dialog, IDCANCEL);
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

TEST_F(Options, PathWithSpacesIsQuoted) {
    const std::string folder = PathIn("program files");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string exe = folder + "\\worktally.exe";
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), exe.c_str(), FALSE));
    Program& program = OpenViewer(exe);
    HWND dialog = OpenOptions(program);
    Click(dialog, IDC_AUTO_RUN_CHECK);
    Close(program, dialog, IDOK);
    EXPECT_EQ(AutoRunEntry(), Quoted(exe) + " /l /f " + Quoted(LogPath()));
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

TEST_F(Options, CancelChangesNothing) {
    WriteRegistryString(HKEY_LOCAL_MACHINE, kRunKey, "Worktally", "C:\\elsewhere\\other.exe /x");
    Program& program = OpenViewer();
    for (const bool byKey : {false, true}) {
        SCOPED_TRACE(byKey ? "Esc" : "Cancel");
        HWND dialog = OpenOptions(program);
        EXPECT_TRUE(IsChecked(dialog, IDC_AUTO_RUN_CHECK)) << "any entry of that name counts";
        Click(dialog, IDC_ONE_USER_CHECK);
        SetControlText(dialog, IDC_USER_NAME_EDIT, "bob");
        Click(dialog, IDC_AUTO_RUN_CHECK);
        if (byKey) {
            PressKey(dialog, VK_ESCAPE);
            program.WaitForNoDialog("Options - Worktally");
            program.Send(WM_NULL);
        } else {
            Close(program, dialog, IDCANCEL);
        }
        EXPECT_EQ(AutoRunEntry(), "C:\\elsewhere\\other.exe /x");
        EXPECT_FALSE(
            ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "AR User Name").has_value());
    }
    program.Post(WM_CLOSE);
    program.ExpectExit();
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "AR One User"), "0");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "AR User Name"), "");
}

TEST_F(Options, WorkingTimeIsRefusedNamingTheFieldOrStored) {
    Program& program = OpenViewer();
    HWND dialog = OpenOptions(program);
    EXPECT_EQ(ControlText(dialog, IDC_WEEK_HOURS_EDIT), "0:00");
    EXPECT_EQ(ControlText(dialog, IDC_BREAK_RULES_EDIT), "6:00 0:30 9:00 0:45");
    EXPECT_TRUE(IsChecked(dialog, IDC_WORK_DAY_FIRST + 4)) << "Friday";
    EXPECT_FALSE(IsChecked(dialog, IDC_WORK_DAY_FIRST + 5)) << "Saturday";

    SetControlText(dialog, IDC_WEEK_HOURS_EDIT, "forty");
    PostMessageA(Control(dialog, IDOK), BM_CLICK, 0, 0);  // its box is modal
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND found : program.Dialogs("Options - Worktally"))
            if (found != dialog) box = found;
        return box != nullptr;
    }));
    EXPECT_EQ(MessageText(box).rfind("Hours a week:", 0), 0u) << MessageText(box);
    Click(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return program.Dialogs("Options - Worktally").size() == 1; }));

    SetControlText(dialog, IDC_WEEK_HOURS_EDIT, "38:30");
    Click(dialog, IDC_WORK_DAY_FIRST + 4);  // Fridays off
    Click(dialog, IDC_DEDUCT_BREAKS_CHECK);
    Close(program, dialog, IDOK);
    const auto value = [](const char* name) {
        return ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, name).value_or("(none)");
    };
    EXPECT_EQ(value("Week Hours"), "38:30");
    EXPECT_EQ(value("Work Days"), "1111000");
    EXPECT_EQ(value("Deduct Breaks"), "1");
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

TEST_F(Options, AboutBoxClosesWithOkEnterAndEsc) {
    Program& program = OpenViewer();
    for (const int key : {VK_ESCAPE, VK_RETURN}) {
        program.Command(IDM_ABOUT);
        HWND about = program.WaitForDialog("About Worktally");
        PressKey(about, key);
        program.WaitForNoDialog("About Worktally");
    }

    program.Command(IDM_ABOUT);
    HWND about = program.WaitForDialog("About Worktally");
    Click(about, IDOK);
    program.WaitForNoDialog("About Worktally");
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

}  // namespace
}  // namespace e2e
