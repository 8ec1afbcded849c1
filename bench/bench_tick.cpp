// Times the minute tick of the running program on long logs: starts worktally.exe with /L on a
// prepared log, delivers timer ticks with the window hidden and with the viewer shown, and
// reads the program's memory. Prints a table; fails nothing but a run that cannot be made.
//
// Usage: bench_tick [worktally.exe] [sessions...]   (the program also from WORKTALLY_EXE)

#include <cstdio>

#ifndef _WIN32

int main() {
    std::printf("bench_tick drives worktally.exe and runs on Windows only\n");
    return 0;
}

#else

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/time/DateTime.h"
#include "core/settings/PasswordCodec.h"
#include "core/settings/Settings.h"
#include "win32/platform/SingleInstance.h"
#include "win32/platform/UniqueHandle.h"
#include "core/log/LogFile.h"
#include "res/resource.h"
#include "BenchLog.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kProgramKey[] = "Software\\Quillmere\\Worktally";
const char kPasswordCaption[] = "Password - Worktally";
const char kReportCaption[] = "Weekly Report - Worktally";
constexpr int kTicks = 15;
constexpr DWORD kPauseMs = 200;
constexpr DWORD kWaitMs = 120000;

class BenchError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

using bench::kPassword;
using bench::WriteLog;

// The benchmark's log moved by whole weeks so that it ends within the week before the day
// before yesterday: the program's own session then comes last.
std::vector<DateTime> MakeSessions(std::size_t count, DateTime now) {
    std::vector<DateTime> records = bench::MakeSessions(count);
    const double lastDay = std::trunc(now) - 2;
    const double weeks = std::floor((lastDay - std::trunc(records[records.size() - 2])) / 7);
    for (DateTime& record : records) record += 7 * weeks;
    return records;
}

void StorePassword() {
    HKEY raw = nullptr;
    const std::string key = std::string(kProgramKey) + "\\" + kSettingsSection;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                        nullptr) != ERROR_SUCCESS)
        throw BenchError("cannot create the settings key");
    UniqueKey settings(raw);
    const std::string encoded = EncodePassword(kPassword);
    if (RegSetValueExA(settings.Get(), kPasswordValue, 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(encoded.c_str()),
                       static_cast<DWORD>(encoded.size() + 1)) != ERROR_SUCCESS)
        throw BenchError("cannot store the password");
}

void RemoveSettings() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
}

// Polls every 5 ms until `found` gives something, or throws after the limit.
template <typename F>
auto WaitFor(const char* what, F&& found) {
    const auto limit = Clock::now() + std::chrono::milliseconds(kWaitMs);
    for (;;) {
        if (auto result = found()) return result;
        if (Clock::now() > limit) throw BenchError(std::string("timed out waiting for ") + what);
        Sleep(5);
    }
}

struct FindData {
    DWORD Pid;
    const char* Class;
    const char* Caption;  // null: any
    bool MustBeVisible;
    HWND Found;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM data) {
    auto* find = reinterpret_cast<FindData*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != find->Pid) return TRUE;
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) != find->Class) return TRUE;
    if (find->Caption != nullptr) {
        char text[128] = {};
        GetWindowTextA(window, text, sizeof text);
        if (std::string(text) != find->Caption) return TRUE;
    }
    if (find->MustBeVisible && !IsWindowVisible(window)) return TRUE;
    find->Found = window;
    return FALSE;
}

HWND FindTopLevel(DWORD pid, const char* windowClass, const char* caption, bool visible) {
    FindData find{pid, windowClass, caption, visible, nullptr};
    EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&find));
    return find.Found;
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct Memory {
    double WorkingSetMiB = 0;
    double PrivateMiB = 0;
};

// Committed private memory, region by region, where the counters leave it out (Wine does).
double CommittedPrivateBytes(HANDLE process) {
    double total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr;
         VirtualQueryEx(process, address, &region, sizeof region) == sizeof region;
         address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += static_cast<double>(region.RegionSize);
    }
    return total;
}

Memory MemoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        throw BenchError("cannot read the program's memory counters");
    const double privateBytes = counters.PrivateUsage != 0
                                    ? static_cast<double>(counters.PrivateUsage)
                                    : CommittedPrivateBytes(process);
    constexpr double kMiB = 1024.0 * 1024.0;
    return {static_cast<double>(counters.WorkingSetSize) / kMiB, privateBytes / kMiB};
}

// Median of `kTicks` ticks, after two that warm the caches up.
double TimeTicks(HWND window, HANDLE process) {
    std::vector<double> walls;
    for (int i = 0; i < kTicks + 2; ++i) {
        // Real ticks come a minute apart: the program has painted the last one and is idle.
        Sleep(kPauseMs);
        WaitForInputIdle(process, kWaitMs);
        const auto start = Clock::now();
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(window, WM_TIMER, 1, 0, SMTO_NORMAL, kWaitMs, &result))
            throw BenchError("the program did not answer a tick");
        const double wall = Milliseconds(Clock::now() - start);
        if (i >= 2) walls.push_back(wall);
    }
    return Median(walls);
}

struct Row {
    std::size_t Sessions = 0;
    double StartMs = 0;
    double HiddenMs = 0;
    Memory AfterHidden;
    double ShowMs = 0;
    double ShownMs = 0;
    Memory AfterShown;
    LRESULT ViewItems = 0;
    double ReportMs = 0;
    LRESULT ReportRows = 0;
};

std::string ProgramPath(int argc, char** argv) {
    if (argc > 1 && argv[1][0] != '\0' && !std::isdigit(static_cast<unsigned char>(argv[1][0])))
        return argv[1];
    const char* fromEnvironment = std::getenv("WORKTALLY_EXE");
    if (fromEnvironment != nullptr && fromEnvironment[0] != '\0') return fromEnvironment;
    throw BenchError("name worktally.exe as the first argument or in WORKTALLY_EXE");
}

// The program under test, ended with Exit (or killed) when it goes out of scope.
class Program {
  public:
    Program(const std::string& exe, const std::string& log) {
        std::string line = "\"" + exe + "\" /L /F \"" + log + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info))
            throw BenchError("cannot start " + line);
        CloseHandle(info.hThread);
        process_.Attach(info.hProcess);
        pid_ = info.dwProcessId;
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() {
        if (!process_) return;
        if (WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0) return;
        const HWND window = FindTopLevel(pid_, kMainWindowClass, nullptr, false);
        if (window != nullptr) PostMessageA(window, WM_COMMAND, IDM_EXIT, 0);
        if (WaitForSingleObject(process_.Get(), 30000) != WAIT_OBJECT_0) {
            std::fprintf(stderr, "bench_tick: the program did not end; killing it\n");
            TerminateProcess(process_.Get(), 1);
            WaitForSingleObject(process_.Get(), 10000);
        }
    }

    HANDLE Process() const { return process_.Get(); }
    DWORD Pid() const { return pid_; }

  private:
    UniqueKernelObject process_;
    DWORD pid_ = 0;
};

Row Measure(const std::string& exe, const std::string& log, std::size_t sessions) {
    Row row;
    row.Sessions = sessions;
    RemoveSettings();
    StorePassword();
    WriteLog(log, MakeSessions(sessions, SystemClock().Now()));

    const auto started = Clock::now();
    Program program(exe, log);
    const HWND window = WaitFor("the main window", [&] {
        return FindTopLevel(program.Pid(), kMainWindowClass, nullptr, false);
    });
    // Start-up is over when the program answers messages.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &ignored);
    row.StartMs = Milliseconds(Clock::now() - started);

    row.HiddenMs = TimeTicks(window, program.Process());
    row.AfterHidden = MemoryOf(program.Process());

    // Show blocks in the password prompt, so it is posted.
    PostMessageA(window, WM_COMMAND, IDM_SHOW, 0);
    const HWND prompt = WaitFor("the password prompt", [&] {
        return FindTopLevel(program.Pid(), "#32770", kPasswordCaption, true);
    });
    const HWND edit = GetDlgItem(prompt, IDC_PASSWORD_EDIT);
    const HWND ok = GetDlgItem(prompt, IDOK);
    if (edit == nullptr || ok == nullptr) throw BenchError("the password prompt has no edit or OK");
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kPassword));
    const auto shown = Clock::now();
    SendMessageA(ok, BM_CLICK, 0, 0);
    WaitFor("the viewer", [&] { return IsWindowVisible(window) != FALSE; });
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &ignored);
    row.ShowMs = Milliseconds(Clock::now() - shown);

    row.ShownMs = TimeTicks(window, program.Process());
    row.AfterShown = MemoryOf(program.Process());
    const HWND tree = FindWindowExA(window, nullptr, WC_TREEVIEWA, nullptr);
    if (tree != nullptr) row.ViewItems = SendMessageA(tree, TVM_GETCOUNT, 0, 0);
    if (row.ViewItems == 0) throw BenchError("the viewer shows an empty tree");

    // The weekly report opened as well: each tick also lists every week again.
    PostMessageA(window, WM_COMMAND, IDM_WEEKLY_REPORT, 0);
    const HWND report = WaitFor("the report window", [&] {
        return FindTopLevel(program.Pid(), "TWorktallyReportWindow", kReportCaption, true);
    });
    row.ReportMs = TimeTicks(window, program.Process());
    const HWND list = GetDlgItem(report, IDC_REPORT_LIST);
    if (list != nullptr) row.ReportRows = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    if (row.ReportRows == 0) throw BenchError("the report lists no week");
    return row;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string exe = ProgramPath(argc, argv);
        std::vector<std::size_t> sizes;
        for (int i = 1; i < argc; ++i) {
            if (std::isdigit(static_cast<unsigned char>(argv[i][0])))
                sizes.push_back(static_cast<std::size_t>(std::strtoull(argv[i], nullptr, 10)));
        }
        if (sizes.empty()) sizes = {10000, 100000};

        char folder[MAX_PATH] = {};
        if (GetTempPathA(MAX_PATH, folder) == 0) throw BenchError("no temporary folder");
        const std::string log = std::string(folder) + "worktally-bench-tick.dat";

        std::printf(
            "Minute tick of worktally.exe: SendMessage(WM_TIMER) until it returns, median\n");
        std::printf("of %d ticks %d ms apart, wall-clock ms; memory after the ticks, in MiB.\n",
                    kTicks, static_cast<int>(kPauseMs));
        std::printf("%9s %9s %12s %11s %11s %9s %12s %11s %11s %11s %12s %12s\n", "sessions",
                    "start ms", "tick hidden", "WS hidden", "priv hidden", "show ms", "tick shown",
                    "WS shown", "priv shown", "view items", "tick report", "report rows");
        for (const std::size_t sessions : sizes) {
            Row row;
            try {
                row = Measure(exe, log, sessions);
            } catch (...) {
                NativeFileSystem().Remove(log);
                RemoveSettings();
                throw;
            }
            NativeFileSystem().Remove(log);
            RemoveSettings();
            std::printf(
                "%9zu %9.0f %12.1f %11.1f %11.1f %9.0f %12.1f %11.1f %11.1f %11ld %12.1f %12ld\n",
                row.Sessions, row.StartMs, row.HiddenMs, row.AfterHidden.WorkingSetMiB,
                row.AfterHidden.PrivateMiB, row.ShowMs, row.ShownMs, row.AfterShown.WorkingSetMiB,
                row.AfterShown.PrivateMiB, static_cast<long>(row.ViewItems), row.ReportMs,
                static_cast<long>(row.ReportRows));
            std::fflush(stdout);
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_tick: %s\n", error.what());
        return 1;
    }
}

#endif
