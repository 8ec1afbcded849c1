// Times the minute tick of the running program on long logs: starts worktally.exe with /L on a
// prepared log, and on a shared folder of five long logs, delivers timer ticks with the window
// hidden and with the viewer shown, and reads the program's memory. Prints a table; fails nothing
// but a run that cannot be made.
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
#include <stdexcept>
#include <string>
#include <vector>

#include "core/time/DateTime.h"
#include "core/log/LogFile.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"
#include "e2e/support/ProgramUnderTest.h"
#include "res/resource.h"
#include "win32/Ids.h"
#include "BenchLog.h"

namespace {

using Clock = std::chrono::steady_clock;

const char kPasswordCaption[] = "Password - Worktally";
const char kReportCaption[] = "Weekly Report - Worktally";
const char kTimesheetCaption[] = "Timesheet - Worktally";
constexpr int kTicks = 15;
constexpr DWORD kPauseMs = 200;
constexpr std::chrono::milliseconds kWait{120000};
constexpr std::chrono::milliseconds kPoll{5};

class BenchError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

using bench::kPassword;
using bench::WriteLog;

void RemoveSettings() {
    e2e::DeleteRegistryTree(HKEY_CURRENT_USER, e2e::kProgramKey);
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
        WaitForInputIdle(process, static_cast<DWORD>(kWait.count()));
        const auto start = Clock::now();
        e2e::SendTo(window, WM_TIMER, kMinuteTimerId, 0, kWait);
        const double wall = Milliseconds(Clock::now() - start);
        if (i >= 2) walls.push_back(wall);
    }
    return Median(walls);
}

struct Row {
    std::string Label;  // the sessions of the log, or the logs and sessions of the folder
    double StartMs = 0;
    double HiddenMs = 0;
    Memory AfterHidden;
    double ShowMs = 0;
    double ShownMs = 0;
    Memory AfterShown;
    LRESULT ViewItems = 0;
    double ReportMs = 0;
    LRESULT ReportRows = 0;
    double SheetMs = 0;
    LRESULT SheetRows = 0;
};

std::string ProgramPath(int argc, char** argv) {
    if (argc > 1 && argv[1][0] != '\0' && !std::isdigit(static_cast<unsigned char>(argv[1][0])))
        return argv[1];
    return e2e::ProgramPath();
}

// Opens a window of the viewer's from its menu and waits until it shows.
HWND OpenPart(e2e::Program& program, int command, const std::string& windowClass,
              const std::string& caption) {
    PostMessageA(program.MainWindow(), WM_COMMAND, static_cast<WPARAM>(command), 0);
    HWND part = nullptr;
    const bool opened = e2e::WaitUntil(
        [&] {
            for (const HWND candidate : e2e::TopLevelWindows(program.Pid()))
                if (e2e::ClassOf(candidate) == windowClass && e2e::TextOf(candidate) == caption &&
                    IsWindowVisible(candidate))
                    part = candidate;
            return part != nullptr;
        },
        kWait, kPoll);
    if (!opened) throw BenchError(caption + " did not open");
    return part;
}

LRESULT ListRows(HWND window, int list) {
    const HWND control = GetDlgItem(window, list);
    return control == nullptr ? 0 : e2e::SendTo(control, LVM_GETITEMCOUNT, 0, 0, kWait);
}

// The program logging into `logArgument` (/F's operand, the logs written already).
Row Measure(const std::string& exe, const std::string& label, const std::string& logArgument) {
    Row row;
    row.Label = label;
    RemoveSettings();
    e2e::StorePassword(kPassword);

    const auto started = Clock::now();
    e2e::Program program(kWait, kPoll);
    program.Start("/L /F " + logArgument, {}, exe);
    const HWND window = program.MainWindow();
    // Start-up is over when the program answers messages.
    program.Send(WM_NULL);
    row.StartMs = Milliseconds(Clock::now() - started);

    row.HiddenMs = TimeTicks(window, program.Process());
    row.AfterHidden = MemoryOf(program.Process());

    // Show blocks in the password prompt, so it is posted.
    program.Command(IDM_SHOW);
    const HWND prompt = program.WaitForDialog(kPasswordCaption);
    e2e::SetControlText(prompt, IDC_PASSWORD_EDIT, kPassword);
    const auto shown = Clock::now();
    e2e::Click(prompt, IDOK);
    if (!e2e::WaitUntil([&] { return program.MainWindowVisible(); }, kWait, kPoll))
        throw BenchError("timed out waiting for the viewer");
    program.Send(WM_NULL);
    row.ShowMs = Milliseconds(Clock::now() - shown);

    row.ShownMs = TimeTicks(window, program.Process());
    row.AfterShown = MemoryOf(program.Process());
    row.ViewItems = e2e::SendTo(program.Tree(), TVM_GETCOUNT, 0, 0, kWait);
    if (row.ViewItems == 0) throw BenchError("the viewer shows an empty tree");
    // The weekly report opened as well: each tick also lists every week again.
    const HWND report =
        OpenPart(program, IDM_WEEKLY_REPORT, "TWorktallyReportWindow", kReportCaption);
    row.ReportMs = TimeTicks(window, program.Process());
    row.ReportRows = ListRows(report, IDC_REPORT_LIST);
    if (row.ReportRows == 0) throw BenchError("the report lists no week");
    // And the timesheet beside it: each tick then also reads the marks and builds the month.
    const HWND sheet =
        OpenPart(program, IDM_TIMESHEET, "TWorktallyTimesheetWindow", kTimesheetCaption);
    row.SheetMs = TimeTicks(window, program.Process());
    row.SheetRows = ListRows(sheet, IDC_TIMESHEET_LIST);
    if (row.SheetRows == 0) throw BenchError("the timesheet lists no day");
    if (!program.Close()) std::fprintf(stderr, "bench_tick: the program did not end; killed it\n");
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
        std::printf("%9s %9s %12s %11s %11s %9s %12s %11s %11s %11s %12s %12s %11s %11s\n",
                    "sessions", "start ms", "tick hidden", "WS hidden", "priv hidden", "show ms",
                    "tick shown", "WS shown", "priv shown", "view items", "tick report",
                    "report rows", "tick sheet", "sheet rows");
        const std::string shared = std::string(folder) + "worktally-bench-tick\\";
        const auto cleanUp = [&] {
            NativeFileSystem().Remove(log);
            e2e::RemoveTree(shared.substr(0, shared.size() - 1));
            RemoveSettings();
        };
        const auto run = [&](auto&& measure) {
            Row row;
            try {
                row = measure();
            } catch (...) {
                cleanUp();
                throw;
            }
            cleanUp();
            std::printf(
                "%9s %9.0f %12.1f %11.1f %11.1f %9.0f %12.1f %11.1f %11.1f %11ld %12.1f %12ld "
                "%11.1f %11ld\n",
                row.Label.c_str(), row.StartMs, row.HiddenMs, row.AfterHidden.WorkingSetMiB,
                row.AfterHidden.PrivateMiB, row.ShowMs, row.ShownMs, row.AfterShown.WorkingSetMiB,
                row.AfterShown.PrivateMiB, static_cast<long>(row.ViewItems), row.ReportMs,
                static_cast<long>(row.ReportRows), row.SheetMs, static_cast<long>(row.SheetRows));
            std::fflush(stdout);
        };
        for (const std::size_t sessions : sizes) {
            run([&] {
                WriteLog(log, bench::MakeSessionsBefore(sessions, SystemClock().Now()));
                return Measure(exe, std::to_string(sessions), e2e::Quoted(log));
            });
        }
        run([&] {
            CreateDirectoryA(shared.c_str(), nullptr);
            bench::WriteFolderLogs(
                shared, bench::MakeSessionsBefore(bench::kFolderSessions, SystemClock().Now()));
            return Measure(
                exe,
                std::to_string(bench::kFolderLogs) + "x" + std::to_string(bench::kFolderSessions),
                bench::QuotedFolder(shared));
        });
        std::printf(
            "(%dx%zu: /L /F FOLDER\\, a shared folder of %d logs of %zu sessions; the "
            "program's own log\nin it is a sixth)\n",
            bench::kFolderLogs, bench::kFolderSessions, bench::kFolderLogs, bench::kFolderSessions);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_tick: %s\n", error.what());
        return 1;
    }
}

#endif
