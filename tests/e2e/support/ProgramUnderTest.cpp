#include "e2e/support/ProgramUnderTest.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "e2e/support/WineHost.h"
#include "win32/platform/WideText.h"

namespace e2e {

namespace {

// Windows processes running that executable file name.
std::vector<DWORD> ProcessesNamed(const std::string& exeName) {
    std::vector<DWORD> found;
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return found;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry))
        if (_stricmp(entry.szExeFile, exeName.c_str()) == 0) found.push_back(entry.th32ProcessID);
    return found;
}

}  // namespace

std::string ProgramPath() {
    const char* exe = std::getenv("WORKTALLY_EXE");
    if (exe == nullptr || *exe == 0)
        throw HarnessError("WORKTALLY_EXE must name the worktally.exe under test");
    return ToWindowsPath(exe);
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

void KillStrayInstances() {
    for (int i = 0; i < 20; ++i) {
        HWND window = FindWindowA(kMainWindowClass, nullptr);
        if (window == nullptr) return;
        UniqueKernelObject process(
            OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, ProcessOf(window)));
        if (!process) return;
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), 10000);
    }
}

Program::~Program() {
    Kill();
}

void Program::Start(const std::string& arguments, const std::string& lang,
                    const std::string& exePath) {
    if (process_) throw HarnessError("program already started");
    const std::string exe = exePath.empty() ? ProgramPath() : ToWindowsPath(exePath);
    std::string commandLine = Quoted(exe);
    if (!arguments.empty()) commandLine += " " + arguments;

    if (!lang.empty()) {
        // Wine takes a process's locale from the Unix environment it was started in, not from
        // the Windows environment block: start it through the Unix loader with that LANG.
        const std::string name = exe.substr(exe.find_last_of('\\') + 1);
        const std::vector<DWORD> before = ProcessesNamed(name);
        RunUnixDetached("/usr/bin/env LANG=" + lang + " LC_ALL=" + lang + " " + WineLoader() + " " +
                        commandLine);
        DWORD pid = 0;
        WaitUntil(
            [&] {
                for (DWORD candidate : ProcessesNamed(name))
                    if (std::find(before.begin(), before.end(), candidate) == before.end())
                        pid = candidate;
                return pid != 0;
            },
            limit_, poll_);
        if (pid == 0) throw HarnessError("the program did not start: " + commandLine);
        process_.Attach(OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid));
        if (!process_) throw HarnessError("cannot open the started program");
        pid_ = pid;
        return;
    }

    std::wstring mutableLine = Widen(commandLine);  // UTF-8: any path or name
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        std::ostringstream what;
        what << "cannot start " << commandLine << ": error " << GetLastError();
        throw HarnessError(what.str());
    }
    mainThread_.Attach(info.hThread);
    process_.Attach(info.hProcess);
    pid_ = info.dwProcessId;
}

bool Program::Running() const {
    return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

bool Program::WaitForExit(std::chrono::milliseconds limit) {
    if (!process_) return true;
    return WaitForSingleObject(process_.Get(), static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
}

DWORD Program::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_) GetExitCodeProcess(process_.Get(), &code);
    return code;
}

void Program::Kill() {
    if (!Running()) return;
    TerminateProcess(process_.Get(), 1);
    WaitForSingleObject(process_.Get(), 10000);
}

void Program::Suspend() {
    if (!mainThread_) throw HarnessError("no main thread to suspend");
    if (SuspendThread(mainThread_.Get()) == static_cast<DWORD>(-1))
        throw HarnessError("cannot suspend the program: error " + std::to_string(GetLastError()));
    // A suspension takes effect later; reading the context waits until the thread has stopped.
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    GetThreadContext(mainThread_.Get(), &context);
}

void Program::Resume() {
    if (!mainThread_ || ResumeThread(mainThread_.Get()) == static_cast<DWORD>(-1))
        throw HarnessError("cannot resume the program");
}

void Program::Fail(const std::string& what) const {
    std::ostringstream text;
    text << what << "\n"
         << (Running() ? "the program is running\n" : "the program has ended\n")
         << DumpWindows(pid_);
    throw HarnessError(text.str());
}

HWND Program::MainWindow() {
    if (main_ != nullptr && IsWindow(main_)) return main_;
    main_ = nullptr;
    const bool found = WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows(pid_))
                if (ClassOf(window) == kMainWindowClass) {
                    main_ = window;
                    return true;
                }
            return !Running();
        },
        limit_, poll_);
    if (!found || main_ == nullptr) Fail("no main window");
    return main_;
}

LRESULT Program::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendTo(MainWindow(), message, wParam, lParam, limit_);
}

void Program::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!PostMessageA(MainWindow(), message, wParam, lParam)) Fail("PostMessage failed");
}

void Program::Exit() {
    Command(IDM_EXIT);
    ExpectExit();
}

bool Program::Close() {
    if (!Running()) return true;
    for (HWND window : TopLevelWindows(pid_))
        if (ClassOf(window) == kMainWindowClass) PostMessageA(window, WM_COMMAND, IDM_EXIT, 0);
    if (WaitForExit(limit_)) return true;
    Kill();
    return false;
}

void Program::ExpectExit(std::chrono::milliseconds limit) {
    if (!WaitForExit(limit)) Fail("the program did not end");
}

std::vector<HWND> Program::Dialogs(const std::string& caption, bool visibleOnly) const {
    std::vector<HWND> found;
    for (HWND window : TopLevelWindows(pid_))
        if (ClassOf(window) == "#32770" && (!visibleOnly || IsWindowVisible(window)) &&
            TextOf(window) == caption)
            found.push_back(window);
    return found;
}

HWND Program::WaitForDialog(const std::string& caption) {
    HWND dialog = nullptr;
    WaitUntil(
        [&] {
            const auto found = Dialogs(caption);
            if (!found.empty()) dialog = found.front();
            return dialog != nullptr || !Running();
        },
        limit_, poll_);
    if (dialog == nullptr) Fail("no dialog \"" + caption + "\"");
    return dialog;
}

void Program::WaitForNoDialog(const std::string& caption) {
    // Hidden ones count: a dialog that has ended is hidden before its modal loop returns, and
    // messages sent meanwhile are still handled inside that loop.
    if (!WaitUntil([&] { return Dialogs(caption, false).empty(); }, limit_, poll_))
        Fail("dialog \"" + caption + "\" is still open");
}

}  // namespace e2e
