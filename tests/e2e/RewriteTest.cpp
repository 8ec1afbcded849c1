// The commands that rewrite the whole log: deleting a branch of the tree and changing the
// password, driven through the real tree view, message boxes and dialogs.

#include <windows.h>

#include "core/settings/PasswordCodec.h"
#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"
#include "e2e/support/WineHost.h"

namespace e2e {
namespace {

// Two sessions on 5 March, one on 6 March 2001.
const std::vector<DateTime> kTwoDays = {
    EncodeDateTime(2001, 3, 5, 8, 0),  EncodeDateTime(2001, 3, 5, 9, 0),
    EncodeDateTime(2001, 3, 5, 10, 0), EncodeDateTime(2001, 3, 5, 11, 15),
    EncodeDateTime(2001, 3, 6, 8, 0),  EncodeDateTime(2001, 3, 6, 9, 30)};

std::vector<std::string> Texts(const std::vector<TreeNode>& nodes) {
    std::vector<std::string> texts;
    for (const auto& node : nodes) texts.push_back(node.Text);
    return texts;
}

class Rewrite : public E2ETest {
  protected:
    // Opens the viewer (in German formats) on the log, answering the prompt when there is one.
    Program& OpenViewer(const std::string& password) {
        Program& program = Start("/F " + Quoted(LogPath()), "de_DE.UTF-8");
        if (!password.empty()) {
            HWND prompt = program.WaitForDialog("Password - Worktally");
            SetControlText(prompt, IDC_PASSWORD_EDIT, password);
            Click(prompt, IDOK);
        }
        if (!WaitUntil([&] { return program.MainWindowVisible(); }))
            program.Fail("the viewer did not open");
        return program;
    }

    // Runs Change Password with the three typed texts and returns the box it shows, if any.
    HWND ChangePassword(Program& program, const std::string& oldPassword,
                        const std::string& newPassword, const std::string& retyped) {
        program.Command(IDM_CHANGE_PASSWORD);
        HWND dialog = program.WaitForDialog("Change Password - Worktally");
        for (int id : {IDC_OLD_PASSWORD_EDIT, IDC_NEW_PASSWORD_EDIT, IDC_RETYPE_NEW_PASSWORD_EDIT})
            EXPECT_EQ(ControlText(dialog, id), "") << "edits start empty";
        SetControlText(dialog, IDC_OLD_PASSWORD_EDIT, oldPassword);
        SetControlText(dialog, IDC_NEW_PASSWORD_EDIT, newPassword);
        SetControlText(dialog, IDC_RETYPE_NEW_PASSWORD_EDIT, retyped);
        Click(dialog, IDOK);
        program.WaitForNoDialog("Change Password - Worktally");
        // A box comes at once or not at all: the rewrite runs before the command returns, and
        // this message is handled either after it or inside the box's message loop.
        program.Send(WM_NULL);
        if (program.Dialogs("Worktally", false).empty()) return nullptr;
        return program.WaitForDialog("Worktally");
    }
};

TEST_F(Rewrite, DeletingADayDropsItsPairsAndRekeysTheRest) {
    StorePassword("pw");
    WriteBytes(LogPath(), LogBytes(kTwoDays, "pw"));
    Program& program = OpenViewer("pw");
    const std::vector<std::string> full = {
        "2001 -> 3:45",  "March 2001 -> 3:45", "5.3.2001 -> 2:15", "08:00 - 09:00",
        "10:00 - 11:15", "6.3.2001 -> 1:30",   "08:00 - 09:30"};
    ASSERT_EQ(Texts(ReadTree(program.Tree(), true)), full);

    // No keeps everything; Yes drops 5 March.
    for (const int answer : {IDNO, IDYES}) {
        SelectTreeNode(program.Tree(), 2);
        PressKey(program.Tree(), VK_DELETE);
        HWND box = program.WaitForDialog("Worktally");
        EXPECT_EQ(MessageText(box), "Delete selected branch?\n\n5.3.2001 -> 2:15\n2 sessions");
        EXPECT_EQ(GetWindowLongA(GetDlgItem(box, IDNO), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON)
            << "No is the default";
        Click(box, answer);
        program.WaitForNoDialog("Worktally");
        program.Send(WM_NULL);
        EXPECT_TRUE(program.Dialogs("Worktally", false).empty()) << "one press, one question";
    }
    const std::vector<DateTime> rest = {kTwoDays[4], kTwoDays[5]};
    ASSERT_TRUE(WaitUntil([&] { return ReadBytes(LogPath()) == LogBytes(rest, "pw"); }))
        << ReadBytes(LogPath()).size() << " bytes";
    const std::vector<std::string> rebuilt = {"2001 -> 1:30", "March 2001 -> 1:30",
                                              "6.3.2001 -> 1:30", "08:00 - 09:30"};
    EXPECT_EQ(Texts(ReadTree(program.Tree(), true)), rebuilt);
    EXPECT_EQ(StatusText(program.StatusBar()), "From 6.3.2001 to 6.3.2001 -> 1:30");
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

TEST_F(Rewrite, DeletingWhileLoggingStartsAFreshPair) {
    Program& program = Start("/L /F " + Quoted(LogPath()));
    program.MainWindow();
    ASSERT_TRUE(WaitForFileSize(LogPath(), 16u));
    program.Command(IDM_SHOW);
    ASSERT_TRUE(WaitUntil([&] { return program.MainWindowVisible(); })) << program.Dump();
    const auto before = ReadLog(LogPath(), "");
    // The year of today holds the session being recorded.
    SelectTreeNode(program.Tree(), 0);
    PressKey(program.Tree(), VK_DELETE);
    Click(program.WaitForDialog("Worktally"), IDYES);
    program.WaitForNoDialog("Worktally");
    ASSERT_TRUE(WaitUntil([&] {
        const auto now = ReadLog(LogPath(), "");
        return now.size() == 2 && now[0] != before[0];
    }));
    const auto after = ReadLog(LogPath(), "");
    EXPECT_EQ(after[0], after[1]) << "a new pair (now, now)";
    EXPECT_GT(after[0], before[0]);
    program.Tick();
    const auto ticked = ReadLog(LogPath(), "");
    ASSERT_EQ(ticked.size(), 2u);
    EXPECT_EQ(ticked[0], after[0]);
    EXPECT_GE(ticked[1], after[1]) << "the tick extends the fresh pair";
    program.Exit();
}

TEST_F(Rewrite, ChangedPasswordRescramblesEveryRecordAndIsStoredAtOnce) {
    StorePassword("old");
    WriteBytes(LogPath(), LogBytes(kTwoDays, "old"));
    Program& program = OpenViewer("old");

    struct Refusal {
        const char* Old;
        const char* New;
        const char* Retyped;
        const char* Message;
        int FocusAfter;  // the box to fix when the dialog opens again
    };
    for (const Refusal& r :
         {Refusal{"OLD", "new one", "new one", "Incorrect old password", IDC_OLD_PASSWORD_EDIT},
          Refusal{"old", "new one", "new onE", "You've entered not equal new passwords",
                  IDC_NEW_PASSWORD_EDIT}}) {
        SCOPED_TRACE(r.Message);
        HWND box = ChangePassword(program, r.Old, r.New, r.Retyped);
        ASSERT_NE(box, nullptr) << program.Dump();
        EXPECT_EQ(MessageText(box), r.Message);
        Click(box, IDOK);
        program.WaitForNoDialog("Worktally");
        // The dialog comes back with the old password kept and the new ones to type again.
        HWND again = program.WaitForDialog("Change Password - Worktally");
        EXPECT_EQ(ControlText(again, IDC_OLD_PASSWORD_EDIT), r.Old);
        EXPECT_EQ(ControlText(again, IDC_NEW_PASSWORD_EDIT), "");
        EXPECT_EQ(ControlText(again, IDC_RETYPE_NEW_PASSWORD_EDIT), "");
        GUITHREADINFO focus{};
        focus.cbSize = sizeof(focus);
        ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(again, nullptr), &focus));
        EXPECT_EQ(GetDlgCtrlID(focus.hwndFocus), r.FocusAfter);
        Click(again, IDCANCEL);
        program.WaitForNoDialog("Change Password - Worktally");
        EXPECT_EQ(ReadBytes(LogPath()), LogBytes(kTwoDays, "old"));
        EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Password"),
                  EncodePassword("old"));
    }

    EXPECT_EQ(ChangePassword(program, "old", "new one", "new one"), nullptr) << program.Dump();
    EXPECT_EQ(ReadBytes(LogPath()), LogBytes(kTwoDays, "new one"));
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Password"),
              EncodePassword("new one"))
        << "stored at once, not only at exit";
    program.Post(WM_CLOSE);
    program.ExpectExit();

    // The next start asks for the new password and reads the log with it.
    Program& again = OpenViewer("new one");
    EXPECT_EQ(ReadTree(again.Tree(), true).size(), 7u);
    // To no password: plain doubles.
    EXPECT_EQ(ChangePassword(again, "new one", "", "ignored"), nullptr) << again.Dump();
    EXPECT_EQ(ReadBytes(LogPath()), LogBytes(kTwoDays, ""));
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Password"), "");
    again.Post(WM_CLOSE);
    again.ExpectExit();
}

TEST_F(Rewrite, PasswordChangedWhileLoggingKeysTheNextTick) {
    Program& program = Start("/L /F " + Quoted(LogPath()));
    program.MainWindow();
    ASSERT_TRUE(WaitForFileSize(LogPath(), 16u));
    const auto plain = ReadLog(LogPath(), "");
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(ChangePassword(program, "", "tock", "tock"), nullptr) << program.Dump();
    EXPECT_EQ(ReadBytes(LogPath()), LogBytes(plain, "tock"));

    const DateTime before = Now();
    program.Tick();
    const auto ticked = ReadLog(LogPath(), "tock");
    ASSERT_EQ(ticked.size(), 2u);
    EXPECT_EQ(ticked[0], plain[0]);
    EXPECT_GE(ticked[1], before - kMillisecond) << "the tick wrote with the new password";
    EXPECT_LE(ticked[1], Now() + kMillisecond);
    program.Exit();
}

TEST_F(Rewrite, UnwritableFolderLeavesLogAndPasswordAsTheyWereAndSaysWhy) {
    if (UnixFolder().empty()) GTEST_SKIP() << "the test folder is not on drive Z:";
    StorePassword("old");
    const auto bytes = LogBytes(kTwoDays, "old");
    WriteBytes(LogPath(), bytes);
    Program& program = OpenViewer("old");
    // The first line names the log, the second gives the system's reason.
    const auto expectLogAndReason = [&](HWND box, const std::string& first) {
        const std::string text = MessageText(box);
        EXPECT_EQ(text.substr(0, text.find('\n')), first + LogPath());
        EXPECT_NE(text.find('\n'), std::string::npos) << text;
    };
    {
        ImmutableFolder locked(UnixFolder());
        HWND box = ChangePassword(program, "old", "new", "new");
        // The box must come; on a loaded machine it may come after the first look.
        if (box == nullptr) box = program.WaitForDialog("Worktally");
        expectLogAndReason(box, "The password was not changed: cannot rewrite ");
        Click(box, IDOK);
        program.WaitForNoDialog("Worktally");
        EXPECT_EQ(ReadBytes(LogPath()), bytes);

        SelectTreeNode(program.Tree(), 2);
        program.Command(IDM_DELETE_BRANCH);
        Click(program.WaitForDialog("Worktally"), IDYES);
        ASSERT_TRUE(WaitUntil([&] {
            const auto boxes = program.Dialogs("Worktally");
            return !boxes.empty() &&
                   MessageText(boxes.front()).find("not deleted") != std::string::npos;
        })) << program.Dump();
        box = program.WaitForDialog("Worktally");
        expectLogAndReason(box, "The branch was not deleted: cannot rewrite ");
        Click(box, IDOK);
        program.WaitForNoDialog("Worktally");
        EXPECT_EQ(ReadBytes(LogPath()), bytes);
        EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Password"),
                  EncodePassword("old"));
    }
    // The old password is still the one in force.
    EXPECT_EQ(ChangePassword(program, "old", "new", "new"), nullptr) << program.Dump();
    EXPECT_EQ(ReadBytes(LogPath()), LogBytes(kTwoDays, "new"));
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

}  // namespace
}  // namespace e2e
