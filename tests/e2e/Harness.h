#pragma once

// Drives the real worktally.exe from another process in the same desktop: starts it, finds
// its windows, dialogs and message boxes, reads its tree view and status bar, and prepares
// and checks the registry and the log file. Every wait polls with a generous limit; a wait
// that runs out throws HarnessError with a dump of the program's windows, which GoogleTest
// reports as a failure of the test that waited.

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/time/DateTime.h"
#include "win32/platform/UniqueHandle.h"
#include "res/resource.h"
#include "win32/Ids.h"

namespace e2e {

inline constexpr std::chrono::milliseconds kWaitLimit{30000};

class HarnessError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Polls every 20 ms until `done` holds; false when `limit` has passed first.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kWaitLimit);

// "/a/b" (a Unix path, seen by Wine as drive Z:) becomes "Z:\a\b"; Windows paths stay.
std::string ToWindowsPath(const std::string& path);
// The program under test: the environment variable WORKTALLY_EXE.
std::string ProgramPath();
std::string Quoted(const std::string& text);

// Local wall-clock time as a date-time, read the way the program reads it.
DateTime Now();
// One millisecond as a date-time difference.
inline constexpr double kMillisecond = 1.0 / 86400000.0;

// ---- windows of any process ----

std::string ClassOf(HWND window);
std::string TextOf(HWND window);
DWORD ProcessOf(HWND window);
// Top-level windows of a process, visible or not.
std::vector<HWND> TopLevelWindows(DWORD pid);
std::vector<HWND> ChildWindows(HWND parent);
// Every top-level window of the process with its children, one per line.
std::string DumpWindows(DWORD pid);

// Dialog controls, across processes.
HWND Control(HWND dialog, int id);
std::string ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::string& text);
bool IsChecked(HWND dialog, int id);
// A real click on a button (BM_CLICK): check boxes toggle and run their handlers.
void Click(HWND dialog, int id);
// Posts a key press and release to the focused control of the window's thread.
void PressKey(HWND window, WORD virtualKey);
// The text of a message box (its static text control).
std::string MessageText(HWND box);

// ---- the program ----

class Program {
  public:
    Program() = default;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    // Kills the program if it is still running.
    ~Program();

    // Starts the program with a command line; `lang` (e.g. "de_DE.UTF-8") sets its LANG and
    // with it the locale formats Wine gives it; empty keeps the harness's environment.
    void Start(const std::string& arguments, const std::string& lang = {},
               const std::string& exePath = {});

    DWORD Pid() const { return pid_; }
    HANDLE Process() const { return process_; }
    bool Running() const;
    // False when the program is still running after `limit`.
    bool WaitForExit(std::chrono::milliseconds limit = kWaitLimit);
    DWORD ExitCode() const;
    void Kill();
    // Stops and restarts the program's main thread (not for a program started with a LANG);
    // Suspend returns once the thread has really stopped.
    void Suspend();
    void Resume();
    std::string Dump() const { return DumpWindows(pid_); }

    // The main window (class "TWorktallyMainForm"), waiting for it to be created.
    HWND MainWindow();
    HWND Tree() { return Control(MainWindow(), IDC_TIME_TREE); }
    HWND StatusBar() { return Control(MainWindow(), IDC_STATUS_BAR); }
    bool MainWindowVisible() { return IsWindowVisible(MainWindow()) != FALSE; }

    // A message sent to the main window; the program must handle it within the limit.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // One minute tick, run before this returns.
    void Tick() { Send(WM_TIMER, kMinuteTimerId, 0); }
    // A menu command, posted: most open a modal dialog.
    void Command(int id) { Post(WM_COMMAND, static_cast<WPARAM>(id), 0); }
    // Exit from the menu; waits for the program to end.
    void Exit();

    // Dialog windows (class "#32770") of the program with that caption; a modal box exists a
    // moment before it is shown, so a check right after the program's turn counts hidden ones.
    std::vector<HWND> Dialogs(const std::string& caption, bool visibleOnly = true) const;
    HWND WaitForDialog(const std::string& caption);
    // Waits until no dialog with that caption is left.
    void WaitForNoDialog(const std::string& caption);
    // Waits for the process to end, with a dump when it does not.
    void ExpectExit(std::chrono::milliseconds limit = kWaitLimit);

    [[noreturn]] void Fail(const std::string& what) const;

  private:
    HANDLE process_ = nullptr;
    UniqueKernelObject mainThread_;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

// ---- tree view and status bar of another process ----

struct TreeNode {
    int Depth = 0;  // 0 for the top level
    std::string Text;
    bool Expanded = false;  // as the program left it
    bool Shown = false;     // every ancestor was expanded by the program
};

// The nodes in pre-order. With `expandAll` every collapsed node that has children is expanded
// first, so that children inserted only on expansion are read too.
std::vector<TreeNode> ReadTree(HWND tree, bool expandAll);
// Selects the node of that pre-order index, as a click would.
void SelectTreeNode(HWND tree, std::size_t preorderIndex);
// The selected node's text rectangle, in screen coordinates.
RECT SelectedItemRect(HWND tree);
std::string StatusText(HWND statusBar);

// ---- list view (report style) of another process ----

// The texts of every row, `columns` cells each.
std::vector<std::vector<std::string>> ReadListRows(HWND list, int columns);
// The column headings.
std::vector<std::string> ReadListHeaders(HWND list, int columns);
// Selects and focuses that row alone, as a click would.
void SelectListRow(HWND list, int row);
// The selected row, or -1.
int SelectedListRow(HWND list);

// ---- notification area ----

// The tips of every icon in the notification area, as the shell's tooltip windows hold them
// (Wine's explorer keeps one tool per icon).
std::vector<std::string> TrayTips();

// ---- registry ----

inline constexpr char kProgramKey[] = "Software\\Quillmere\\Worktally";
inline const std::string kSettingsKey = std::string(kProgramKey) + "\\Settings";
inline const std::string kMainWindowKey = std::string(kProgramKey) + "\\Main Window";
inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

void DeleteRegistryTree(HKEY root, const std::string& key);
// nullopt when the key or the value is missing; throws when the value is not REG_SZ.
std::optional<std::string> ReadRegistryString(HKEY root, const std::string& key,
                                              const std::string& name);
void WriteRegistryString(HKEY root, const std::string& key, const std::string& name,
                         const std::string& value);
void DeleteRegistryValue(HKEY root, const std::string& key, const std::string& name);
// Stores the password in the program's settings as the program stores it.
void StorePassword(const std::string& password);

// ---- files ----

bool FileExists(const std::string& path);
// Waits until the file exists with exactly `size` bytes: a new log is created before its
// first pair is written.
bool WaitForFileSize(const std::string& path, std::size_t size);
std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
void RemoveTree(const std::string& path);
// The log's records unscrambled with the password.
std::vector<DateTime> ReadLog(const std::string& path, const std::string& password);
// The bytes of a log holding those records, scrambled with the password.
std::vector<unsigned char> LogBytes(const std::vector<DateTime>& records,
                                    const std::string& password);
// Runs a Unix shell command (Wine starts ELF files natively) and returns its exit code.
int RunUnix(const std::string& shellCommand);
// Starts a Unix program without waiting for it.
void RunUnixDetached(const std::string& commandLine);
// The Unix path of Wine's loader (WINE64, or Debian's place for it).
std::string WineLoader();
// Windows processes running that executable file name.
std::vector<DWORD> ProcessesNamed(const std::string& exeName);

// Makes a folder immutable (chattr +i) for its lifetime: nothing can be created, renamed or
// removed in it, not even by root.
class ImmutableFolder {
  public:
    explicit ImmutableFolder(std::string unixPath);
    ImmutableFolder(const ImmutableFolder&) = delete;
    ImmutableFolder& operator=(const ImmutableFolder&) = delete;
    ~ImmutableFolder();

  private:
    std::string path_;
};

// ---- a clean state per test ----

class E2ETest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A file in this test's fresh folder.
    std::string PathIn(const std::string& name) const { return folder_ + "\\" + name; }
    std::string LogPath() const { return PathIn("work.dat"); }
    const std::string& Folder() const { return folder_; }
    // The folder as a Unix path (for Unix tools), empty when it is not on drive Z:.
    std::string UnixFolder() const;

    // A program owned by the test and killed at its end if still running.
    Program& Start(const std::string& arguments, const std::string& lang = {},
                   const std::string& exePath = {});

  private:
    std::string folder_;
    std::vector<std::unique_ptr<Program>> programs_;
};

}  // namespace e2e
