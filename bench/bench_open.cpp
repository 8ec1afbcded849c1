// Times what a user waits for on a long log: the command-line export of each kind, the viewer,
// weekly report and timesheet openings, each against a short log, so that what is left is the
// log's share, the viewer on a shared folder of long logs, and a correction in the viewer.
// Prints tables; fails nothing but a run that cannot be made.
//
// Usage: bench_open [worktally.exe] [sessions] [--viewer | --folder | --corrections]   (the
// program also from WORKTALLY_EXE; --viewer times the openings only, --folder the folder's
// viewer only, --corrections the corrections only)

#include <cstdio>

#ifndef _WIN32

int main() {
    std::printf("bench_open drives worktally.exe and runs on Windows only\n");
    return 0;
}

#else

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
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

const char kReportClass[] = "TWorktallyReportWindow";
const char kTimesheetClass[] = "TWorktallyTimesheetWindow";
constexpr int kExportRuns = 7;
constexpr int kOpenRuns = 9;
constexpr int kViewerRuns = 15;
constexpr std::size_t kShortLog = 10;
constexpr std::chrono::milliseconds kWait{120000};
// The waits poll often: the figures are differences of a few milliseconds.
constexpr std::chrono::milliseconds kPoll{1};

class BenchError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Each run starts without settings: no password prompt, the window at its first place.
void RemoveSettings() {
    e2e::DeleteRegistryTree(HKEY_CURRENT_USER, e2e::kProgramKey);
}

// A log without a password, so that nothing waits for a prompt; empty for no sessions.
void WriteLog(const std::string& path, std::size_t sessions) {
    if (sessions == 0) {
        e2e::WriteBytes(path, {});
        return;
    }
    bench::WriteLog(path, bench::MakeSessionsBefore(sessions, SystemClock().Now()), "");
}

// The median of `runs` timings, after one that is not counted (Wine's caches warm up).
double MedianOf(int runs, const std::function<double()>& run) {
    run();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) times.push_back(run());
    return Median(times);
}

// From the process start until it has written the file and ended.
double TimeExport(const std::string& exe, const std::string& log, const std::string& csv,
                  const char* kind) {
    RemoveSettings();
    NativeFileSystem().Remove(csv);
    const auto started = Clock::now();
    e2e::Program program(kWait, kPoll);
    program.Start("/E " + e2e::Quoted(csv) + " /R " + kind + " /F " + e2e::Quoted(log), {}, exe);
    if (!program.WaitForExit(kWait)) throw BenchError("the export did not end");
    const double ms = Milliseconds(Clock::now() - started);
    if (program.ExitCode() != 0 || e2e::ReadBytes(csv).empty())
        throw BenchError(std::string("the export of ") + kind + " failed");
    return ms;
}

// Zero also while the window is still being created, before its status bar exists.
LRESULT StatusLength(HWND window) {
    const HWND status = GetDlgItem(window, IDC_STATUS_BAR);
    return status == nullptr ? 0 : LOWORD(e2e::SendTo(status, SB_GETTEXTLENGTHA, 0, 0, kWait));
}

struct Opening {
    double OpenMs = 0;
    LRESULT ViewItems = 0;
    double ReportMs = 0;
    LRESULT ReportRows = 0;
    double SheetMs = 0;
    LRESULT SheetRows = 0;
};

// The viewer from the process start until it shows the tree and the status bar's total (the
// last step of showing) and answers messages.
// `log` is /F's operand, quoted.
double OpenViewer(e2e::Program& program, const std::string& exe, const std::string& log) {
    RemoveSettings();
    const auto started = Clock::now();
    program.Start("/F " + log, {}, exe);
    const HWND window = program.MainWindow();
    const bool shown = e2e::WaitUntil(
        [&] { return IsWindowVisible(window) && StatusLength(window) != 0; }, kWait, kPoll);
    if (!shown) throw BenchError("the viewer did not show its total");
    program.Send(WM_NULL);
    return Milliseconds(Clock::now() - started);
}

// A window of the viewer's that opens from the View menu, and its list.
struct ViewerPart {
    int Command;
    const char* WindowClass;
    int List;
};
constexpr ViewerPart kReport{IDM_WEEKLY_REPORT, kReportClass, IDC_REPORT_LIST};
constexpr ViewerPart kTimesheet{IDM_TIMESHEET, kTimesheetClass, IDC_TIMESHEET_LIST};

HWND PartWindow(DWORD pid, const ViewerPart& part) {
    for (const HWND window : e2e::TopLevelWindows(pid))
        if (e2e::ClassOf(window) == part.WindowClass) return window;
    return nullptr;
}

// From the menu command until the part's list holds its rows and it answers messages (the
// command has then run to its end); then closed again.
double OpenPart(e2e::Program& program, const ViewerPart& part, LRESULT& rows) {
    const auto started = Clock::now();
    program.Command(part.Command);
    HWND window = nullptr;
    HWND list = nullptr;
    const bool listed = e2e::WaitUntil(
        [&] {
            if (window == nullptr) window = PartWindow(program.Pid(), part);
            if (window == nullptr || !IsWindowVisible(window)) return false;
            if (list == nullptr) list = GetDlgItem(window, part.List);
            return list != nullptr && e2e::SendTo(list, LVM_GETITEMCOUNT, 0, 0, kWait) != 0;
        },
        kWait, kPoll);
    if (!listed) throw BenchError(std::string(part.WindowClass) + " listed nothing");
    e2e::SendTo(window, WM_NULL, 0, 0, kWait);
    const double ms = Milliseconds(Clock::now() - started);
    rows = e2e::SendTo(list, LVM_GETITEMCOUNT, 0, 0, kWait);
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (!e2e::WaitUntil([&] { return PartWindow(program.Pid(), part) == nullptr; }, kWait, kPoll))
        throw BenchError(std::string(part.WindowClass) + " did not close");
    return ms;
}

// From `started` until the status bar's total differs from `before` and the window answers: the
// tree and the total are shown again after a change of the log.
double UntilTotalChanges(e2e::Program& program, const std::string& before,
                         Clock::time_point started) {
    const HWND status = program.StatusBar();
    if (!e2e::WaitUntil([&] { return e2e::StatusText(status) != before; }, kWait, kPoll))
        throw BenchError("the total did not change");
    program.Send(WM_NULL);
    return Milliseconds(Clock::now() - started);
}

struct Correcting {
    double AddMs = 0;
    double DialogGoneMs = 0;
    double AfterDialogMs = 0;
    double UndoMs = 0;
};

// Add Time with the range its dialog offers for the node the viewer selects as it opens (a whole
// period: the add fills every gap between its sessions, and the undo cuts each out again) from
// OK, and its Undo, in one viewer of `log`, each until the tree and the total show the change. Add
// Time is also split where its dialog's window is destroyed, which is when the dialog call returns
// to the program: before that, Wine waits for the dialog's X window to be withdrawn.
Correcting TimeCorrections(const std::string& exe, const std::string& log) {
    e2e::Program program(kWait, kPoll);
    OpenViewer(program, exe, e2e::Quoted(log));
    std::vector<double> adds;
    std::vector<double> gone;
    std::vector<double> afterDialog;
    std::vector<double> undos;
    for (int run = 0; run <= kOpenRuns; ++run) {
        std::string before = e2e::StatusText(program.StatusBar());
        program.Command(IDM_ADD_TIME);
        const HWND dialog = program.WaitForDialog("Add Time - Worktally");
        auto started = Clock::now();
        std::optional<Clock::time_point> destroyed;
        // Posted, as a real click arrives: a click sent from another process ends the dialog
        // only once the next message wakes its loop.
        PostMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        const HWND status = program.StatusBar();
        const bool changed = e2e::WaitUntil(
            [&] {
                if (!destroyed && !IsWindow(dialog)) destroyed = Clock::now();
                return destroyed && e2e::StatusText(status) != before;
            },
            kWait, kPoll);
        if (!changed) throw BenchError("the added time was not shown");
        program.Send(WM_NULL);
        const auto shown = Clock::now();
        before = e2e::StatusText(status);
        const auto undone = Clock::now();
        program.Command(IDM_UNDO);
        const double undo = UntilTotalChanges(program, before, undone);
        if (run == 0) continue;  // Wine's caches warm up
        adds.push_back(Milliseconds(shown - started));
        gone.push_back(Milliseconds(*destroyed - started));
        afterDialog.push_back(Milliseconds(shown - *destroyed));
        undos.push_back(undo);
    }
    if (!program.Close()) std::fprintf(stderr, "bench_open: the viewer was killed\n");
    return {Median(adds), Median(gone), Median(afterDialog), Median(undos)};
}

// What this machine charges for memory a process touches for the first time, in ms per MiB:
// most of a long log's opening is its tree's fresh pages, and the charge varies a lot between
// machines (and, on a virtual machine, from hour to hour).
double FreshMemoryMsPerMiB() {
    constexpr SIZE_T kBytes = 16 << 20;
    std::vector<double> times;
    for (int i = 0; i < 3; ++i) {
        auto* bytes = static_cast<volatile char*>(
            VirtualAlloc(nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (bytes == nullptr) throw BenchError("no memory to measure");
        const auto started = Clock::now();
        for (SIZE_T at = 0; at < kBytes; at += 4096) bytes[at] = 1;
        times.push_back(Milliseconds(Clock::now() - started) / 16);
        VirtualFree(const_cast<char*>(bytes), 0, MEM_RELEASE);
    }
    return Median(times);
}

// One viewer opening of `log` (/F's operand, quoted); `items` gets the number of items its tree
// shows, `logs` the status bar's count of a folder's logs.
double TimeViewer(const std::string& exe, const std::string& log, LRESULT& items,
                  std::string* logs = nullptr) {
    e2e::Program program(kWait, kPoll);
    const double ms = OpenViewer(program, exe, log);
    items = e2e::SendTo(program.Tree(), TVM_GETCOUNT, 0, 0, kWait);
    if (logs != nullptr) *logs = e2e::StatusText(program.StatusBar(), 1);
    if (!program.Close()) std::fprintf(stderr, "bench_open: the viewer was killed\n");
    return ms;
}

// The report's and the timesheet's openings, again and again in one viewer of `log`.
void TimeParts(const std::string& exe, const std::string& log, Opening& result) {
    e2e::Program program(kWait, kPoll);
    OpenViewer(program, exe, e2e::Quoted(log));
    result.ReportMs =
        MedianOf(kOpenRuns, [&] { return OpenPart(program, kReport, result.ReportRows); });
    result.SheetMs =
        MedianOf(kOpenRuns, [&] { return OpenPart(program, kTimesheet, result.SheetRows); });
    if (!program.Close()) std::fprintf(stderr, "bench_open: the viewer was killed\n");
}

// The viewer opens on the two logs by turns, so that a change in the machine's load (or in what
// fresh memory costs it) meets both alike; one opening of each first is not counted.
void MeasureOpenings(const std::string& exe, const std::string& shortLog,
                     const std::string& longLog, Opening& small, Opening& large) {
    const std::string shortOperand = e2e::Quoted(shortLog);
    const std::string longOperand = e2e::Quoted(longLog);
    TimeViewer(exe, shortOperand, small.ViewItems);
    TimeViewer(exe, longOperand, large.ViewItems);
    std::vector<double> smallMs;
    std::vector<double> largeMs;
    for (int i = 0; i < kViewerRuns; ++i) {
        smallMs.push_back(TimeViewer(exe, shortOperand, small.ViewItems));
        largeMs.push_back(TimeViewer(exe, longOperand, large.ViewItems));
    }
    small.OpenMs = Median(smallMs);
    large.OpenMs = Median(largeMs);
    if (small.ViewItems == 0 || large.ViewItems == 0)
        throw BenchError("the viewer shows an empty tree");
    TimeParts(exe, shortLog, small);
    TimeParts(exe, longLog, large);
}

// The viewer on a shared folder of long logs against the short log, by turns as above.
void TimeFolderViewer(const std::string& exe, const std::string& folder) {
    const std::string shortLog = folder + "worktally-bench-short.dat";
    WriteLog(shortLog, kShortLog);
    const std::string shared = folder + "worktally-bench-folder\\";
    CreateDirectoryA(shared.c_str(), nullptr);
    bench::WriteFolderLogs(
        shared, bench::MakeSessionsBefore(bench::kFolderSessions, SystemClock().Now()), "");
    const std::string operand = bench::QuotedFolder(shared);
    LRESULT smallItems = 0;
    LRESULT folderItems = 0;
    std::string logs;
    const std::string shortOperand = e2e::Quoted(shortLog);
    TimeViewer(exe, shortOperand, smallItems);
    TimeViewer(exe, operand, folderItems, &logs);
    std::vector<double> smallMs;
    std::vector<double> folderMs;
    for (int i = 0; i < kViewerRuns; ++i) {
        smallMs.push_back(TimeViewer(exe, shortOperand, smallItems));
        folderMs.push_back(TimeViewer(exe, operand, folderItems, &logs));
    }
    NativeFileSystem().Remove(shortLog);
    e2e::RemoveTree(shared.substr(0, shared.size() - 1));
    const std::string counted = std::to_string(bench::kFolderLogs) + " logs";
    if (logs != counted) throw BenchError("the folder's viewer says \"" + logs + "\"");

    std::printf(
        "\nViewer on a shared folder, worktally.exe /F FOLDER\\ (%d logs of %zu sessions, each\n"
        "40 minutes after the one before), against the log of %zu sessions, the two by turns:\n"
        "medians of %d runs, wall-clock ms, until shown as above.\n",
        bench::kFolderLogs, bench::kFolderSessions, kShortLog, kViewerRuns);
    std::printf("%16s %9s %11s %12s\n", "log", "viewer", "view items", "folder part");
    std::printf("%16s %9.1f %11ld\n", (std::to_string(kShortLog) + " sessions").c_str(),
                Median(smallMs), static_cast<long>(smallItems));
    std::printf("%16s %9.1f %11ld %12s\n", "folder", Median(folderMs),
                static_cast<long>(folderItems), logs.c_str());
    std::printf("%16s %9.1f\n", "more", Median(folderMs) - Median(smallMs));
    std::fflush(stdout);
}

std::string ProgramPath(int argc, char** argv) {
    if (argc > 1 && argv[1][0] != '\0' && argv[1][0] != '-' &&
        !std::isdigit(static_cast<unsigned char>(argv[1][0])))
        return argv[1];
    return e2e::ProgramPath();
}

void TimeExports(const std::string& exe, const std::string& folder, const std::string& log,
                 std::size_t sessions) {
    const std::string csv = folder + "worktally-bench-open.csv";

    std::printf("Command-line export, worktally.exe /E FILE /R KIND /F LOG: median of %d runs\n",
                kExportRuns);
    std::printf("from the process start to its end, wall-clock ms; the log's share is the time\n");
    std::printf("less that of the same export of an empty log (Wine starting the process).\n");
    std::printf("%9s %11s %11s %11s\n", "kind", "empty log", "long log", "log's share");
    std::fflush(stdout);
    // The two logs take turns, so that a change in the machine's load meets both alike.
    const std::string empty = folder + "worktally-bench-empty.dat";
    WriteLog(empty, 0);
    for (const char* kind : {"days", "weeks", "sessions"}) {
        TimeExport(exe, empty, csv, kind);
        TimeExport(exe, log, csv, kind);
        std::vector<double> emptyMs;
        std::vector<double> fullMs;
        for (int i = 0; i < kExportRuns; ++i) {
            emptyMs.push_back(TimeExport(exe, empty, csv, kind));
            fullMs.push_back(TimeExport(exe, log, csv, kind));
        }
        const double a = Median(emptyMs);
        const double b = Median(fullMs);
        std::printf("%9s %11.1f %11.1f %11.1f\n", kind, a, b, b - a);
        std::fflush(stdout);
    }
    NativeFileSystem().Remove(empty);
    std::printf("(long log: %zu sessions)\n\n", sessions);
}

void TimeOpenings(const std::string& exe, const std::string& folder, const std::string& log,
                  std::size_t sessions) {
    std::printf(
        "Viewer, weekly report and timesheet opening: medians of %d, %d and %d runs,\n"
        "wall-clock ms.\n",
        kViewerRuns, kOpenRuns, kOpenRuns);
    std::printf("Viewer: worktally.exe /F LOG from the process start until the window shows\n");
    std::printf("the tree and the status bar's total and answers, the two logs by turns;\n");
    std::printf("report: View > Weekly Report until its list holds the weeks and it answers;\n");
    std::printf("sheet: View > Timesheet until its list holds the month's days and it answers.\n");
    std::printf("%9s %9s %11s %10s %12s %10s %11s\n", "sessions", "viewer", "view items", "report",
                "report rows", "sheet", "sheet rows");
    std::fflush(stdout);
    const std::string shortLog = folder + "worktally-bench-short.dat";
    WriteLog(shortLog, kShortLog);
    Opening small;
    Opening large;
    MeasureOpenings(exe, shortLog, log, small, large);
    NativeFileSystem().Remove(shortLog);
    for (const auto& [count, row] : {std::pair{kShortLog, &small}, std::pair{sessions, &large}})
        std::printf("%9zu %9.1f %11ld %10.1f %12ld %10.1f %11ld\n", count, row->OpenMs,
                    static_cast<long>(row->ViewItems), row->ReportMs,
                    static_cast<long>(row->ReportRows), row->SheetMs,
                    static_cast<long>(row->SheetRows));
    std::printf("%9s %9.1f %11s %10.1f %12s %10.1f\n", "more", large.OpenMs - small.OpenMs, "",
                large.ReportMs - small.ReportMs, "", large.SheetMs - small.SheetMs);
    std::printf("(memory touched for the first time costs %.2f ms per MiB here)\n",
                FreshMemoryMsPerMiB());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    char folder[MAX_PATH] = {};
    if (GetTempPathA(MAX_PATH, folder) == 0) {
        std::fprintf(stderr, "bench_open: no temporary folder\n");
        return 1;
    }
    const std::string log = std::string(folder) + "worktally-bench-open.dat";
    const std::string csv = std::string(folder) + "worktally-bench-open.csv";
    int status = 0;
    try {
        std::size_t sessions = 100000;
        bool viewerOnly = false;
        bool folderOnly = false;
        bool correctionsOnly = false;
        for (int i = 1; i < argc; ++i) {
            if (std::isdigit(static_cast<unsigned char>(argv[i][0])))
                sessions = static_cast<std::size_t>(std::strtoull(argv[i], nullptr, 10));
            viewerOnly = viewerOnly || std::string(argv[i]) == "--viewer";
            folderOnly = folderOnly || std::string(argv[i]) == "--folder";
            correctionsOnly = correctionsOnly || std::string(argv[i]) == "--corrections";
        }
        const std::string exe = ProgramPath(argc, argv);
        const bool all = !viewerOnly && !folderOnly && !correctionsOnly;
        WriteLog(log, sessions);
        if (all) TimeExports(exe, folder, log, sessions);
        if (all || viewerOnly) TimeOpenings(exe, folder, log, sessions);
        if (all || folderOnly) TimeFolderViewer(exe, folder);
        if (all || correctionsOnly) {
            const Correcting correcting = TimeCorrections(exe, log);
            std::printf(
                "\nCorrections in the viewer of the long log (%zu sessions): medians of %d,\n",
                sessions, kOpenRuns);
            std::printf("wall-clock ms from OK (or Undo) until the tree and the total show it.\n");
            std::printf("%32s %8.1f\n", "Add Time, from OK", correcting.AddMs);
            std::printf("%32s %8.1f\n", "until its dialog's window is gone",
                        correcting.DialogGoneMs);
            std::printf("%32s %8.1f\n", "from then until shown", correcting.AfterDialogMs);
            std::printf("%32s %8.1f\n", "its Undo", correcting.UndoMs);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_open: %s\n", error.what());
        status = 1;
    }
    NativeFileSystem().Remove(log);
    NativeFileSystem().Remove(csv);
    NativeFileSystem().Remove(std::string(folder) + "worktally-bench-empty.dat");
    NativeFileSystem().Remove(std::string(folder) + "worktally-bench-short.dat");
    e2e::RemoveTree(std::string(folder) + "worktally-bench-folder");
    RemoveSettings();
    return status;
}

#endif
