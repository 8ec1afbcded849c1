// The log viewer: the tree and status bar a prepared log gives in two locales, the password
// prompt, hiding and showing, and the stored window position.

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <thread>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"

namespace e2e {
namespace {

// Three sessions: two on one day, one from the last morning of 2001 into 2002.
std::vector<DateTime> SampleLog() {
    return {EncodeDateTime(2001, 3, 5, 8, 0),    EncodeDateTime(2001, 3, 5, 15, 5),
            EncodeDateTime(2001, 3, 5, 16, 0),   EncodeDateTime(2001, 3, 5, 16, 30),
            EncodeDateTime(2001, 12, 31, 10, 0), EncodeDateTime(2002, 1, 1, 1, 30)};
}

struct Expected {
    int Depth;
    const char* Text;
};

struct LocaleCase {
    const char* Lang;
    std::vector<Expected> Tree;
    const char* Status;
};

// Worked out by hand: 7:05 + 0:30 on 5 March, 14:00 on 31 December, 1:30 on 1 January; the
// total runs from the first start to the latest end, 1:30 on 1 January.
const LocaleCase kLocales[] = {
    {"de_DE.UTF-8",
     {{0, "2001 -> 21:35"},
      {1, "March 2001 -> 7:35"},
      {2, "5.3.2001 -> 7:35"},
      {3, "08:00 - 15:05"},
      {3, "16:00 - 16:30"},
      {1, "December 2001 -> 14:00"},
      {2, "31.12.2001 -> 14:00"},
      {3, "10:00 - 00:00"},
      {0, "2002 -> 1:30"},
      {1, "January 2002 -> 1:30"},
      {2, "1.1.2002 -> 1:30"},
      {3, "00:00 - 01:30"}},
     "From 5.3.2001 to 1.1.2002 -> 23:05"},
    // The 12-hour format keeps its AM/PM marker and drops the seconds.
    {"en_US.UTF-8",
     {{0, "2001 -> 21:35"},
      {1, "March 2001 -> 7:35"},
      {2, "3/5/2001 -> 7:35"},
      {3, "8:00 AM - 3:05 PM"},
      {3, "4:00 PM - 4:30 PM"},
      {1, "December 2001 -> 14:00"},
      {2, "12/31/2001 -> 14:00"},
      {3, "10:00 AM - 12:00 AM"},
      {0, "2002 -> 1:30"},
      {1, "January 2002 -> 1:30"},
      {2, "1/1/2002 -> 1:30"},
      {3, "12:00 AM - 1:30 AM"}},
     "From 3/5/2001 to 1/1/2002 -> 23:05"},
};

std::string Show(const std::vector<TreeNode>& nodes) {
    std::string text;
    for (const auto& node : nodes)
        text += std::string(static_cast<std::size_t>(node.Depth) * 2, ' ') + node.Text +
                (node.Expanded ? " [+]" : "") + (node.Shown ? "" : " (hidden)") + "\n";
    return text;
}

class Viewer : public E2ETest {
  protected:
    // Starts the viewer on the log and waits for its window.
    Program& OpenViewer(const std::string& lang = {}) {
        Program& program = Start("/F " + Quoted(LogPath()), lang);
        if (!WaitUntil([&] { return program.MainWindowVisible(); }))
            program.Fail("the viewer did not open");
        return program;
    }
};

TEST_F(Viewer, TreeAndTotalFollowTheLocale) {
    for (const LocaleCase& locale : kLocales) {
        SCOPED_TRACE(locale.Lang);
        WriteBytes(LogPath(), LogBytes(SampleLog(), ""));
        {
            // Wine hands a changed locale only to the processes after the first one that runs
            // under it; a start for another user ends at once without a window.
            Program warmUp;
            warmUp.Start("/U nobody-logs-on-as-this", locale.Lang);
            warmUp.ExpectExit();
        }
        Program program;
        program.Start("/F " + Quoted(LogPath()), locale.Lang);
        ASSERT_TRUE(WaitUntil([&] { return program.MainWindowVisible(); })) << program.Dump();
        const auto nodes = ReadTree(program.Tree(), true);
        ASSERT_EQ(nodes.size(), locale.Tree.size()) << Show(nodes);
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            EXPECT_EQ(nodes[i].Depth, locale.Tree[i].Depth) << i << "\n" << Show(nodes);
            EXPECT_EQ(nodes[i].Text, locale.Tree[i].Text) << i;
        }
        EXPECT_EQ(StatusText(program.StatusBar()), locale.Status);
        program.Post(WM_CLOSE);
        program.ExpectExit();
    }
}

TEST_F(Viewer, OnlyTheNodesOfTodayAreExpanded) {
    SYSTEMTIME today{};
    GetLocalTime(&today);
    const int y = today.wYear, m = today.wMonth, d = today.wDay;
    const int otherMonth = m == 1 ? 2 : 1;
    const int otherDay = d == 1 ? 2 : 1;
    const auto session = [](int year, int month, int day) {
        return std::vector<DateTime>{EncodeDateTime(year, month, day, 9, 0),
                                     EncodeDateTime(year, month, day, 10, 0)};
    };
    std::vector<DateTime> records;
    for (const auto& pair : {session(y - 1, m, d), session(y, otherMonth, 3),
                             session(y, m, otherDay), session(y, m, d)})
        records.insert(records.end(), pair.begin(), pair.end());
    WriteBytes(LogPath(), LogBytes(records, ""));

    Program& program = OpenViewer();
    std::vector<TreeNode> shown;
    for (const auto& node : ReadTree(program.Tree(), false))
        if (node.Shown) shown.push_back(node);
    // Last year collapsed; this year, its month and day of today open, the others closed.
    const std::vector<std::pair<int, bool>> expected = {
        {0, false}, {0, true}, {1, false}, {1, true}, {2, false}, {2, true}, {3, false}};
    ASSERT_EQ(shown.size(), expected.size()) << Show(shown);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i].Depth, expected[i].first) << i << "\n" << Show(shown);
        EXPECT_EQ(shown[i].Expanded, expected[i].second) << i << "\n" << Show(shown);
    }
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

TEST_F(Viewer, PasswordPromptAtStart) {
    struct Case {
        const char* Name;
        const char* Typed;  // nullptr: Cancel
        bool Opens;
        bool Refused;  // "Password Incorrect"
    };
    const Case cases[] = {{"right", "s3cret", true, false},
                          {"wrong", "S3cret", false, true},
                          {"cancel", nullptr, false, false},
                          {"empty", "", false, false}};
    const std::vector<DateTime> log = SampleLog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        DeleteRegistryTree(HKEY_CURRENT_USER, kProgramKey);
        StorePassword("s3cret");
        WriteBytes(LogPath(), LogBytes(log, "s3cret"));
        Program program;
        program.Start("/F " + Quoted(LogPath()));
        HWND prompt = program.WaitForDialog("Password - Worktally");
        EXPECT_FALSE(program.MainWindowVisible());
        EXPECT_EQ(ControlText(prompt, IDC_PASSWORD_EDIT), "");
        if (c.Typed != nullptr) {
            SetControlText(prompt, IDC_PASSWORD_EDIT, c.Typed);
            Click(prompt, IDOK);
        } else {
            Click(prompt, IDCANCEL);
        }

        if (c.Opens) {
            ASSERT_TRUE(WaitUntil([&] { return program.MainWindowVisible(); })) << program.Dump();
            EXPECT_EQ(ReadTree(program.Tree(), true).size(), 12u);
            program.Post(WM_CLOSE);
            program.ExpectExit();
            continue;
        }
        bool boxSeen = false;
        WaitUntil([&] {
            boxSeen = boxSeen || !program.Dialogs("Worktally").empty();
            return boxSeen || !program.Running();
        });
        EXPECT_EQ(boxSeen, c.Refused);
        if (boxSeen) {
            HWND box = program.WaitForDialog("Worktally");
            EXPECT_EQ(MessageText(box), "Password Incorrect");
            Click(box, IDOK);
        }
        // Nothing was shown, so the program ends.
        program.ExpectExit();
    }
}

TEST_F(Viewer, NoPasswordOpensWithoutPrompt) {
    WriteBytes(LogPath(), LogBytes(SampleLog(), ""));
    Program& program = Start("/F " + Quoted(LogPath()));
    bool prompted = false;
    ASSERT_TRUE(WaitUntil([&] {
        prompted = prompted || !program.Dialogs("Password - Worktally").empty();
        return program.MainWindowVisible();
    })) << program.Dump();
    EXPECT_FALSE(prompted);
    EXPECT_EQ(TextOf(program.MainWindow()), "Worktally");
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

TEST_F(Viewer, AFirstStartIsFriendlyAndAMissingFolderSaysWhy) {
    // No log yet: an empty tree, a word in the status bar, no box, and no file made.
    Program& first = OpenViewer();
    EXPECT_TRUE(ReadTree(first.Tree(), true).empty());
    EXPECT_EQ(StatusText(first.StatusBar()), "No sessions recorded yet");
    EXPECT_TRUE(first.Dialogs("Worktally", false).empty());
    EXPECT_FALSE(FileExists(LogPath()));
    first.Post(WM_CLOSE);
    first.ExpectExit();

    const std::string nowhere = PathIn("gone") + "\\work.dat";
    Program& lost = Start("/F " + Quoted(nowhere));
    HWND box = lost.WaitForDialog("Worktally");
    const std::string text = MessageText(box);
    EXPECT_EQ(text.rfind("Error reading " + nowhere + "\n", 0), 0u) << text;
    EXPECT_GT(text.size(), ("Error reading " + nowhere + "\n").size()) << "the system's reason";
    Click(box, IDOK);
    lost.Post(WM_CLOSE);
    lost.ExpectExit();
}

TEST_F(Viewer, EmptyLogShowsNothingAndDelDoesNothing) {
    WriteBytes(LogPath(), {});
    Program& program = OpenViewer();
    EXPECT_TRUE(ReadTree(program.Tree(), true).empty());
    EXPECT_EQ(StatusText(program.StatusBar()), "No sessions recorded yet");
    // Del released in the tree is answered at once: no question about a branch that is not
    // there. The pressed key goes through the menu shortcut as well.
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutA(program.Tree(), WM_KEYUP, VK_DELETE, 0xC0000001, SMTO_NORMAL,
                                  5000, &answer),
              0);
    PostMessageA(program.Tree(), WM_KEYDOWN, VK_DELETE, 1);
    PostMessageA(program.Tree(), WM_KEYUP, VK_DELETE, 0xC0000001);
    EXPECT_FALSE(WaitUntil([&] { return !program.Dialogs("Worktally", false).empty(); },
                           std::chrono::milliseconds(1500)))
        << program.Dump();
    EXPECT_EQ(ReadBytes(LogPath()).size(), 0u);

    // Sessions written by someone else show after F5.
    WriteBytes(LogPath(), LogBytes(SampleLog(), ""));
    PressKey(program.Tree(), VK_F5);
    EXPECT_TRUE(WaitUntil([&] { return !ReadTree(program.Tree(), false).empty(); }))
        << program.Dump();
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

TEST_F(Viewer, WhileLoggingCloseAndMinimizeOnlyHide) {
    StorePassword("pw");
    Program& program = Start("/L /F " + Quoted(LogPath()));
    program.MainWindow();
    ASSERT_TRUE(WaitForFileSize(LogPath(), 16u));

    // Opened from the Show item or by a double-click on the tray icon; hidden by the close
    // box or by minimizing.
    struct Case {
        const char* Name;
        WPARAM OpenWParam;
        LPARAM OpenLParam;
        UINT Hide;
        WPARAM HideWParam;
    };
    const Case cases[] = {
        {"Show item, close", IDM_SHOW, 0, WM_CLOSE, 0},
        {"tray double-click, minimize", 1, WM_LBUTTONDBLCLK, WM_SYSCOMMAND, SC_MINIMIZE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.OpenLParam == 0)
            program.Command(static_cast<int>(c.OpenWParam));
        else
            program.Post(WM_TRAYICON, c.OpenWParam, c.OpenLParam);
        HWND prompt = program.WaitForDialog("Password - Worktally");
        // Another double-click while the prompt is open is answered at once and opens no
        // second prompt.
        DWORD_PTR answer = 0;
        EXPECT_NE(SendMessageTimeoutA(program.MainWindow(), WM_TRAYICON, 1, WM_LBUTTONDBLCLK,
                                      SMTO_NORMAL, 5000, &answer),
                  0);
        EXPECT_EQ(program.Dialogs("Password - Worktally", false).size(), 1u) << program.Dump();
        SetControlText(prompt, IDC_PASSWORD_EDIT, "pw");
        Click(prompt, IDOK);
        ASSERT_TRUE(WaitUntil([&] { return program.MainWindowVisible(); })) << program.Dump();
        program.Post(c.Hide, c.HideWParam, 0);
        EXPECT_TRUE(WaitUntil([&] { return !program.MainWindowVisible(); })) << program.Dump();
        EXPECT_TRUE(program.Running());
    }
    // A refused prompt leaves the window hidden and the program running.
    program.Command(IDM_SHOW);
    HWND prompt = program.WaitForDialog("Password - Worktally");
    SetControlText(prompt, IDC_PASSWORD_EDIT, "PW");
    Click(prompt, IDOK);
    HWND box = program.WaitForDialog("Worktally");
    EXPECT_EQ(MessageText(box), "Password Incorrect");
    Click(box, IDOK);
    program.WaitForNoDialog("Worktally");
    EXPECT_FALSE(program.MainWindowVisible());
    EXPECT_TRUE(program.Running());
    program.Exit();
}

TEST_F(Viewer, ExitStoresTheWindowPlaceWhichTheNextStartTakesOnScreen) {
    WriteBytes(LogPath(), LogBytes(SampleLog(), ""));
    Program& logging = Start("/L /F " + Quoted(LogPath()));
    logging.Command(IDM_SHOW);
    ASSERT_TRUE(WaitUntil([&] { return logging.MainWindowVisible(); })) << logging.Dump();
    ASSERT_TRUE(SetWindowPos(logging.MainWindow(), nullptr, 100, 50, 800, 600,
                             SWP_NOZORDER | SWP_NOACTIVATE));
    ASSERT_TRUE(WaitUntil([&] {
        RECT r{};
        GetWindowRect(logging.MainWindow(), &r);
        return r.left == 100 && r.top == 50 && r.right == 900 && r.bottom == 650;
    })) << logging.Dump();
    logging.Exit();
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kMainWindowKey, "Top"), "50");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kMainWindowKey, "Left"), "100");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kMainWindowKey, "Width"), "800");
    EXPECT_EQ(ReadRegistryString(HKEY_CURRENT_USER, kMainWindowKey, "Height"), "600");
    const auto records = ReadLog(LogPath(), "");
    ASSERT_EQ(records.size(), 8u);
    EXPECT_GE(records[7], records[6]);

    // Stored by hand this time: the next start opens there.
    WriteRegistryString(HKEY_CURRENT_USER, kMainWindowKey, "Top", "70");
    WriteRegistryString(HKEY_CURRENT_USER, kMainWindowKey, "Left", "120");
    WriteRegistryString(HKEY_CURRENT_USER, kMainWindowKey, "Width", "640");
    WriteRegistryString(HKEY_CURRENT_USER, kMainWindowKey, "Height", "400");
    Program& viewer = OpenViewer();
    RECT r{};
    GetWindowRect(viewer.MainWindow(), &r);
    EXPECT_EQ(r.left, 120);
    EXPECT_EQ(r.top, 70);
    EXPECT_EQ(r.right - r.left, 640);
    EXPECT_EQ(r.bottom - r.top, 400);
    viewer.Post(WM_CLOSE);
    viewer.ExpectExit();

    // A place on a monitor that is gone: the window comes onto the screen; a size too small
    // to use grows to the smallest usable one.
    WriteRegistryString(HKEY_CURRENT_USER, kMainWindowKey, "Top", "-5000");
    WriteRegistryString(HKEY_CURRENT_USER, kMainWindowKey, "Left", "9000");
    WriteRegistryString(HKEY_CURRENT_USER, kMainWindowKey, "Width", "10");
    Program& moved = OpenViewer();
    GetWindowRect(moved.MainWindow(), &r);
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(r.top, work.top);
    EXPECT_EQ(r.right, work.right);
    EXPECT_EQ(r.right - r.left, 320);
    EXPECT_EQ(r.bottom - r.top, 400);
    moved.Post(WM_CLOSE);
    moved.ExpectExit();
}

// The open menu: a visible window of class "#32768" of the program, waited for at most `limit`.
HWND OpenMenu(Program& program, std::chrono::milliseconds limit = kWaitLimit) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows(program.Pid()))
                if (ClassOf(window) == "#32768" && IsWindowVisible(window)) found = window;
            return found != nullptr;
        },
        limit);
    return found;
}

// Menu states live in the program's own process under Wine (GetMenuState from here fails), so
// the item is chosen through the real menu with the keyboard: Alt+E, then D.
TEST_F(Viewer, DeleteBranchItemWorksOnceANodeIsSelected) {
    // The mouse rests away from the tree, where a menu for the keyboard must not open.
    SetCursorPos(0, 0);
    WriteBytes(LogPath(), LogBytes(SampleLog(), ""));
    Program& program = OpenViewer();
    SelectTreeNode(program.Tree(), 3);
    program.Post(WM_SYSCOMMAND, SC_KEYMENU, 'e');
    ASSERT_NE(OpenMenu(program), nullptr) << program.Dump();
    program.Post(WM_KEYDOWN, 'D', 0);
    program.Post(WM_CHAR, 'd', 0);
    HWND box = program.WaitForDialog("Worktally");
    EXPECT_EQ(MessageText(box).rfind("Delete selected branch?\n\n", 0), 0u) << MessageText(box);
    Click(box, IDNO);
    program.WaitForNoDialog("Worktally");
    EXPECT_EQ(ReadBytes(LogPath()), LogBytes(SampleLog(), ""));

    // Shift+F10 opens the tree's menu just below the selected node, not where the mouse is.
    const RECT item = SelectedItemRect(program.Tree());
    program.Post(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(program.Tree()), MAKELPARAM(-1, -1));
    HWND menu = OpenMenu(program);
    ASSERT_NE(menu, nullptr) << program.Dump();
    RECT at{};
    GetWindowRect(menu, &at);
    EXPECT_LE(std::abs(at.left - item.left), 2)
        << "menu at x " << at.left << ", node " << item.left;
    EXPECT_LE(std::abs(at.top - item.bottom), 2)
        << "menu at y " << at.top << ", node " << item.bottom;
    program.Post(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] {
        return OpenMenu(program, std::chrono::milliseconds(0)) == nullptr;
    })) << program.Dump();
    program.Command(IDM_EXIT);
    program.ExpectExit();
}

TEST_F(Viewer, AMinuteTickKeepsTheOpenBranchAndTheSelection) {
    WriteBytes(LogPath(), LogBytes(SampleLog(), ""));
    Program& program = Start("/L /F " + Quoted(LogPath()));
    program.Command(IDM_SHOW);
    ASSERT_TRUE(WaitUntil([&] { return program.MainWindowVisible(); })) << program.Dump();
    const HWND tree = program.Tree();
    const auto root = reinterpret_cast<LPARAM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    ASSERT_NE(root, 0);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, root);  // the user opens 2001
    SelectTreeNode(tree, 2);                           // and picks December 2001
    const auto before = ReadTree(tree, false);
    ASSERT_GT(before.size(), 3u);
    ASSERT_TRUE(before[0].Expanded) << Show(before);
    const RECT selected = SelectedItemRect(tree);

    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    program.Tick();
    const auto after = ReadTree(tree, false);
    ASSERT_EQ(after.size(), before.size()) << Show(after);
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].Expanded, before[i].Expanded) << i << ": " << after[i].Text;
        if (i < 3) {
            EXPECT_EQ(after[i].Text, before[i].Text);
        }
    }
    const RECT still = SelectedItemRect(tree);
    EXPECT_EQ(still.top, selected.top) << "the selection stays on its node";
    EXPECT_EQ(still.left, selected.left);
    program.Exit();
}

}  // namespace
}  // namespace e2e
