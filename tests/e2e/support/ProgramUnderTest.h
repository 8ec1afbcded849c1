#pragma once

// The real worktally.exe, driven from another process in the same desktop: started, found by
// its main window, sent messages and menu commands, and ended. Every wait has a limit; one that
// runs out throws HarnessError with a dump of the program's windows.

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "e2e/support/RemoteWindows.h"
#include "e2e/support/Wait.h"
#include "res/resource.h"
#include "win32/Ids.h"
#include "win32/platform/UniqueHandle.h"

namespace e2e {

// The program under test: the environment variable WORKTALLY_EXE.
std::string ProgramPath();
std::string Quoted(const std::string& text);
// Ends every running program that has a main window, from an earlier run that went wrong.
void KillStrayInstances();

class Program {
  public:
    // `limit` bounds each wait and each message: long logs need more than the default. Waits
    // look again every `poll`.
    explicit Program(std::chrono::milliseconds limit = kWaitLimit,
                     std::chrono::milliseconds poll = std::chrono::milliseconds(20))
        : limit_(limit), poll_(poll) {}
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    // Kills the program if it is still running.
    ~Program();

    // Starts the program with a command line; `lang` (e.g. "de_DE.UTF-8") sets its LANG and
    // with it the locale formats Wine gives it; empty keeps the harness's environment.
    void Start(const std::string& arguments, const std::string& lang = {},
               const std::string& exePath = {});

    DWORD Pid() const { return pid_; }
    HANDLE Process() const { return process_.Get(); }
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

    // The main window (class kMainWindowClass), waiting for it to be created.
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
    // Exit from the menu if the program still runs, killing it when it does not end in time;
    // false when it had to be killed.
    bool Close();

    // Dialog windows (class "#32770") of the program with that caption; a modal box exists a
    // moment before it is shown, so a check right after the program's turn counts hidden ones.
    std::vector<HWND> Dialogs(const std::string& caption, bool visibleOnly = true) const;
    HWND WaitForDialog(const std::string& caption);
    // Waits until no dialog with that caption is left, hidden ones included.
    void WaitForNoDialog(const std::string& caption);
    // Waits for the process to end, with a dump when it does not.
    void ExpectExit(std::chrono::milliseconds limit = kWaitLimit);

    [[noreturn]] void Fail(const std::string& what) const;

  private:
    std::chrono::milliseconds limit_;
    std::chrono::milliseconds poll_;
    UniqueKernelObject process_;
    UniqueKernelObject mainThread_;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

}  // namespace e2e
