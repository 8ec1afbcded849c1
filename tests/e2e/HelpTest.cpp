// Help Contents: the guide embedded in the program, shown in one window that closes with Esc.

#include <windows.h>

#include <string>
#include <vector>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"
#include "e2e/support/WineHost.h"

namespace e2e {
namespace {

constexpr char kHelpCaption[] = "Worktally Help";

// The guide as kept with the sources (this file is tests/e2e/HelpTest.cpp), its lines ended
// with CR LF as an edit control wants them.
std::string GuideWithCrLf() {
    const std::string self = ToWindowsPath(__FILE__);
    const std::string path = self.substr(0, self.rfind("\\tests\\")) + "\\src\\res\\guide.txt";
    const std::vector<unsigned char> bytes = ReadBytes(path);
    std::string text;
    std::string line;
    for (const unsigned char byte : bytes) {
        if (byte != '\n') {
            line.push_back(static_cast<char>(byte));
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        text += line + "\r\n";
        line.clear();
    }
    return text + line;
}

std::vector<HWND> HelpWindows(const Program& program) {
    std::vector<HWND> found;
    for (HWND window : TopLevelWindows(program.Pid()))
        if (IsWindowVisible(window) && TextOf(window) == kHelpCaption) found.push_back(window);
    return found;
}

HWND WaitForHelp(Program& program) {
    HWND help = nullptr;
    WaitUntil([&] {
        const auto found = HelpWindows(program);
        if (!found.empty()) help = found.front();
        return help != nullptr || !program.Running();
    });
    if (help == nullptr) program.Fail("no help window");
    return help;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

// Presses Esc in the help window and waits until it is gone.
void CloseWithEsc(Program& program, HWND help) {
    PressKey(help, VK_ESCAPE);
    if (!WaitUntil([&] { return !IsWindow(help); })) program.Fail("Esc left the help window open");
}

class Help : public E2ETest {};

TEST_F(Help, ShowsTheGuideInOneWindowThatEscCloses) {
    // The viewer reports a missing log; one session to show.
    WriteBytes(LogPath(),
               LogBytes({EncodeDateTime(2001, 3, 5, 8, 0), EncodeDateTime(2001, 3, 5, 9, 0)}, ""));
    Program& program = Start("/F " + Quoted(LogPath()));
    if (!WaitUntil([&] { return program.MainWindowVisible(); }))
        program.Fail("the viewer did not open");

    program.Command(IDM_HELP_CONTENTS);
    HWND help = WaitForHelp(program);
    EXPECT_EQ(GetWindow(help, GW_OWNER), program.MainWindow());
    EXPECT_NE(GetWindowLongPtrA(help, GWL_STYLE) & WS_THICKFRAME, 0) << "resizable";
    HWND text = Control(help, IDC_HELP_TEXT_EDIT);
    EXPECT_EQ(ClassOf(text), "Edit");
    EXPECT_NE(GetWindowLongPtrA(text, GWL_STYLE) & ES_READONLY, 0);
    // Activation settles a moment after the window appears.
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(help) == text; }))
        << "the keys go to the text from the start";

    const std::string guide = GuideWithCrLf();
    for (const char* option : {"\r\n  /L ", "\r\n  /U name ", "\r\n  /F path ", "\r\n  /E file "})
        EXPECT_NE(guide.find(option), std::string::npos) << "the guide explains " << option;
    EXPECT_EQ(TextOf(text), guide);

    // Asked again, even minimised, the same window comes back.
    ShowWindow(help, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(help) != FALSE; }));
    program.Command(IDM_HELP_CONTENTS);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(help) == FALSE; })) << "restored";
    program.Send(WM_NULL);
    EXPECT_EQ(HelpWindows(program), std::vector<HWND>{help});

    CloseWithEsc(program, help);
    EXPECT_TRUE(program.MainWindowVisible());

    // F1 opens it anew after closing, and it does not keep the program alive.
    PressKey(program.MainWindow(), VK_F1);
    WaitForHelp(program);
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

TEST_F(Help, OpensWhileLoggingWithTheViewerHidden) {
    Program& program = Start("/L /F " + Quoted(LogPath()));
    program.MainWindow();
    ASSERT_TRUE(WaitForFileSize(LogPath(), 16u));
    program.Command(IDM_HELP_CONTENTS);  // as from the tray menu
    HWND help = WaitForHelp(program);
    EXPECT_FALSE(program.MainWindowVisible());
    EXPECT_EQ(TextOf(Control(help, IDC_HELP_TEXT_EDIT)), GuideWithCrLf());
    CloseWithEsc(program, help);
    EXPECT_TRUE(program.Running()) << "closing the help ends no recording";
    EXPECT_FALSE(program.MainWindowVisible());
    program.Exit();
}

}  // namespace
}  // namespace e2e
