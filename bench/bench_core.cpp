// Times the tree builder on logs of realistic shape, against the scanning reference builder,
// and the union of a shared folder's logs. Prints tables; fails nothing.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/time/DateTime.h"
#include "core/settings/PasswordCodec.h"
#include "core/log/Corrections.h"
#include "core/log/LogFile.h"
#include "core/log/LogFolder.h"
#include "core/log/SpanEdit.h"
#include "core/reports/WorkTime.h"
#include "unit/support/ReferenceTree.h"
#include "core/tree/LogTree.h"
#include "BenchLog.h"

#ifdef _WIN32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

namespace {

using bench::kPassword;
using bench::MakeSessions;
using bench::WriteLog;

using Clock = std::chrono::steady_clock;

// Peak resident memory of the process so far, in MiB.
double PeakMemoryMiB() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
#endif
}

// CPU time of the process in milliseconds, so that a busy machine shows less in the figures.
double CpuMs() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e4;
    };
    return ms(kernel) + ms(user);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
#endif
}

struct Timing {
    double WallMs = 0;
    double CpuMs = 0;
};

// Medians of the wall-clock and of the CPU time of several runs.
template <typename F>
Timing Median(int runs, F&& work) {
    std::vector<double> walls, cpus;
    for (int i = 0; i < runs; ++i) {
        const double cpu = CpuMs();
        const auto start = Clock::now();
        work();
        walls.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        cpus.push_back(CpuMs() - cpu);
    }
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[walls.size() / 2], cpus[cpus.size() / 2]};
}

// The folder of bench::WriteFolderLogs read as the program reads it: the logs and their union
// alone, then with the totals (a fresh start's read, and the hidden tick's again and again), then
// with the tree as well (the shown tick's).
int FolderBench() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "worktally-bench-folder";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::vector<DateTime> records = MakeSessions(bench::kFolderSessions);
    bench::WriteFolderLogs((folder / "").string(), records);

    std::printf(
        "\nUnion of a shared folder: %d logs of %zu sessions, each 40 minutes after the one "
        "before;\nmedians of 21, wall-clock ms (CPU ms of the process)\n",
        bench::kFolderLogs, bench::kFolderSessions);
    std::printf(
        "read: the logs and their union, a fresh LogFolderReader; reread: the same reader again;\n"
        "totals: the read and the totals of the union, fresh readers (the start's read);\n"
        "again: the same readers again (a tick with the window hidden); tree: again, and the\n"
        "tree on the totals' pass (a tick with the viewer shown)\n");
    std::printf("%9s %9s %15s %15s %15s %15s %15s\n", "sessions", "spans", "read", "reread",
                "totals", "again", "tree");
    std::size_t spans = 0;
    const Timing read = Median(21, [&] {
        LogFolderReader fresh;
        spans = fresh.Read(NativeFileSystem(), folder.string(), kPassword).Spans.size();
    });
    LogFolderReader reader;
    const FolderUnion& logs = reader.Read(NativeFileSystem(), folder.string(), kPassword);
    if (logs.CountedLogs() != bench::kFolderLogs || logs.Spans.size() != spans) {
        std::printf("the folder was not read whole\n");
        return 1;
    }
    const Timing reread =
        Median(21, [&] { reader.Read(NativeFileSystem(), folder.string(), kPassword); });
    double freshTotal = 0;
    const Timing totals = Median(21, [&] {
        LogFolderReader freshFolder;
        LogTotalsReader freshTotals;
        freshTotal =
            freshTotals.Read(freshFolder.Read(NativeFileSystem(), folder.string(), kPassword).Spans)
                .Total();
    });
    LogTotalsReader totalsReader;
    const auto again = [&](SessionSink* tree) -> const LogTotals& {
        return totalsReader.Read(reader.Read(NativeFileSystem(), folder.string(), kPassword).Spans,
                                 tree);
    };
    const Timing hidden = Median(21, [&] { again(nullptr); });
    LogTreeBuilder builder;
    const DateTime today = records.back();
    const Timing shown = Median(21, [&] { builder.Finish(again(&builder), today); });
    if (builder.Tree().Failed != LogTree::Failure::None || !(freshTotal > 0) ||
        totalsReader.Totals().Total() != freshTotal) {
        std::printf("the union's totals or tree failed\n");
        return 1;
    }
    char cells[5][32];
    const Timing* timings[5] = {&read, &reread, &totals, &hidden, &shown};
    for (int i = 0; i < 5; ++i)
        std::snprintf(cells[i], sizeof cells[i], "%.2f (%.1f)", timings[i]->WallMs,
                      timings[i]->CpuMs);
    std::printf("%9zu %9zu %15s %15s %15s %15s %15s\n", logs.Sessions.size(), spans, cells[0],
                cells[1], cells[2], cells[3], cells[4]);
    std::filesystem::remove_all(folder);
    return 0;
}

double MedianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Add time, remove time and their undo on a long log, each read, changed and written through the
// temporary file and its flush, as the viewer and the command line do them.
bool BenchCorrections(const std::string& path) {
    std::printf(
        "\nCorrections of a scrambled log: medians, wall-clock ms (CPU ms of the process)\n");
    std::printf(
        "each: read the whole log, change it, write it beside and replace it (with fsync)\n");
    std::printf("%9s %18s %18s %18s %18s %14s\n", "sessions", "add time", "undo the add",
                "remove time", "undo the remove", "plan in memory");
    for (std::size_t sessions : {10000u, 100000u}) {
        const std::vector<DateTime> records = MakeSessions(sessions);
        WriteLog(path, records);
        const LogTarget target{path, kPassword};
        const DateTime now = records.back() + 1;
        // In the middle of the log: an hour that joins a session, and half an hour out of one.
        const DateTime middle = records[records.size() / 2 & ~std::size_t{1}];
        const Span add{middle - 1.0 / 24, middle};
        const Span remove{middle + 1.0 / 96, middle + 1.0 / 48};

        std::vector<double> walls[4], cpus[4];
        const int runs = sessions >= 100000 ? 11 : 21;
        for (int run = 0; run < runs; ++run) {
            LogChange change;
            for (int step = 0; step < 4; ++step) {
                const double cpu = CpuMs();
                const auto start = Clock::now();
                CorrectionResult result;
                if (step == 0) result = AddTime(NativeFileSystem(), target, add, now, false);
                if (step == 2) result = RemoveTime(NativeFileSystem(), target, remove, now, false);
                if (step % 2 == 1) result = UndoChange(NativeFileSystem(), target, change, false);
                walls[step].push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
                cpus[step].push_back(CpuMs() - cpu);
                if (!result.Changed) {
                    std::printf("step %d changed nothing on %zu sessions\n", step, sessions);
                    return false;
                }
                change = result.Change;
            }
        }
        const std::vector<LogPair> pairs = ReadLogPairs(NativeFileSystem(), target);
        const Timing plan = Median(runs, [&] {
            if (!PlanAddTime(pairs, add, now, false).Result.Changed) std::printf("no change\n");
        });
        char cells[4][32];
        for (int step = 0; step < 4; ++step)
            std::snprintf(cells[step], sizeof cells[step], "%.2f (%.1f)", MedianOf(walls[step]),
                          MedianOf(cpus[step]));
        std::printf("%9zu %18s %18s %18s %18s %14.2f\n", sessions, cells[0], cells[1], cells[2],
                    cells[3], plan.WallMs);
    }
    return true;
}

// The undo of a Delete Branch on a long log, worked out in memory as PlanUndo does before the
// rewrite, against bringing the pairs back one at a time as the undo did before.
bool BenchUndoDelete() {
    constexpr std::size_t kSessions = 100000;
    const std::vector<DateTime> records = MakeSessions(kSessions);
    std::vector<LogPair> pairs;
    for (std::size_t r = 0; r + 1 < records.size(); r += 2)
        pairs.push_back(LogPair::Of(records[r], records[r + 1]));
    std::printf("\nUndo of a Delete Branch on %zu sessions, in memory, not recording:\n",
                kSessions);
    std::printf(
        "undo: PlanUndo, median wall-clock ms (CPU ms); one at a time: RestorePair of each "
        "pair, one run, up to 10,000 pairs\n");
    std::printf("%16s %9s %18s %18s\n", "deleted", "pairs", "undo", "one at a time");
    const struct {
        const char* name;
        DateTime from, to;
    } branches[] = {{"the year 2050", EncodeDate(2050, 1, 1), EncodeDate(2051, 1, 1)},
                    {"everything", kFirstLogDate, kLastLogDateEnd}};
    for (const auto& branch : branches) {
        std::vector<LogPair> kept;
        std::vector<Span> removed;
        for (const LogPair& pair : pairs) {
            if (pair.Start() >= branch.from && pair.Start() < branch.to) {
                removed.push_back({pair.Start(), pair.End()});
            } else {
                kept.push_back(pair);
            }
        }
        const LogChange change = DeletedBranchChange(removed);
        CorrectionPlan plan;
        const Timing undo = Median(11, [&] { plan = PlanUndo(kept, change, false); });
        // A hundred thousand one at a time take half a minute: left out.
        const bool alone = removed.size() <= 10000;
        const Timing each = Median(1, [&] {
            for (std::size_t k = 0; alone && k < removed.size(); ++k)
                RestorePair(kept, removed[k], false);
        });
        const auto same = [&](const std::vector<LogPair>& undone) {
            return std::equal(undone.begin(), undone.end(), pairs.begin(), pairs.end(),
                              [](const LogPair& a, const LogPair& b) {
                                  return a.StartBits == b.StartBits && a.EndBits == b.EndBits;
                              });
        };
        if (!same(plan.Pairs) || (alone && !same(kept))) {
            std::printf("the undo of deleting %s did not give the log back\n", branch.name);
            return false;
        }
        char cells[2][32];
        std::snprintf(cells[0], sizeof cells[0], "%.2f (%.1f)", undo.WallMs, undo.CpuMs);
        std::snprintf(cells[1], sizeof cells[1], "%.2f (%.1f)", each.WallMs, each.CpuMs);
        if (!alone) std::snprintf(cells[1], sizeof cells[1], "-");
        std::printf("%16s %9zu %18s %18s\n", branch.name, removed.size(), cells[0], cells[1]);
    }
    return true;
}

// The working-time figures of every calendar day of a long log, as the timesheet and the tray
// tip's balance take them: from the days of the one read, with a weekly target and breaks
// deducted.
bool BenchWorkTime(const std::string& path) {
    std::printf(
        "\nWorking time of all days: medians, wall-clock ms (CPU ms of the process)\n"
        "40:00 a week over Monday to Friday, missing breaks deducted, a day marked every 30;\n"
        "read: LogTotalsReader reusing its memory; figures: FiguresOfDays of every calendar day "
        "from\nthe log's first to its last; both: the two one after the other\n");
    std::printf("%9s %9s %18s %18s %18s\n", "sessions", "cal. days", "read", "figures", "both");
    WorkTimeSettings settings;
    settings.weekSeconds = 40 * kSecondsPerHour;
    settings.deductBreaks = true;
    for (std::size_t sessions : {10000u, 100000u}) {
        WriteLog(path, MakeSessions(sessions));
        const LogTarget log{path, kPassword};
        LogTotalsReader reader;
        const std::vector<DayTotal>& days = reader.Read(NativeFileSystem(), log).Days();
        if (days.empty()) return false;
        DayMarks marks;
        for (DateTime day = days.front().day; day <= days.back().day; day += 30)
            marks.Set(day, DayMark::Vacation);
        const int runs = sessions >= 100000 ? 11 : 21;
        std::size_t count = 0;
        std::int64_t balance = 0;
        const auto figures = [&] {
            const std::vector<DayFigures> all = FiguresOfDays(
                reader.Totals().Days(), settings, marks, days.front().day, days.back().day);
            count = all.size();
            for (const DayFigures& day : all) balance += day.difference;
        };
        const Timing read = Median(runs, [&] { reader.Read(NativeFileSystem(), log); });
        const Timing alone = Median(runs, figures);
        const Timing both = Median(runs, [&] {
            reader.Read(NativeFileSystem(), log);
            figures();
        });
        if (count == 0 || balance == 0) return false;  // keeps the work observable
        char cells[3][32];
        std::snprintf(cells[0], sizeof cells[0], "%.2f (%.1f)", read.WallMs, read.CpuMs);
        std::snprintf(cells[1], sizeof cells[1], "%.2f (%.1f)", alone.WallMs, alone.CpuMs);
        std::snprintf(cells[2], sizeof cells[2], "%.2f (%.1f)", both.WallMs, both.CpuMs);
        std::printf("%9zu %9zu %18s %18s %18s\n", sessions, count, cells[0], cells[1], cells[2]);
    }
    return true;
}

}  // namespace

int main() {
    const std::string path =
        (std::filesystem::temp_directory_path() / "worktally-bench-core.dat").string();
    const LogTarget log{path, kPassword};
    LocaleFormats formats;
    formats.ShortDate = "dd.MM.yyyy";
    formats.LongTime = "HH:mm:ss";

    std::printf("Tree of a scrambled log: medians, wall-clock ms (CPU ms of the process)\n");
    std::printf(
        "build: BuildLogTree; rebuild: the tick's one pass (days and tree) reusing its memory\n");
    std::printf("%9s %9s %18s %18s %18s %20s %7s %9s %9s\n", "sessions", "nodes", "build",
                "rebuild", "all texts", "scanning reference", "ratio", "node MiB", "peak MiB");
    for (std::size_t sessions : {1000u, 10000u, 100000u, 1000000u}) {
        const std::vector<DateTime> records = MakeSessions(sessions);
        WriteLog(path, records);
        const DateTime today = records.back();
        const int runs = sessions >= 1000000 ? 7 : sessions >= 100000 ? 11 : 21;

        LogTree tree;
        const Timing build = Median(runs, [&] {
            tree = LogTree();
            tree = BuildLogTree(NativeFileSystem(), log, today);
        });
        LogTotalsReader reader;
        LogTreeBuilder builder;
        const auto onePass = [&] {
            builder.Finish(reader.Read(NativeFileSystem(), log, &builder), today);
        };
        onePass();
        const Timing rebuild = Median(runs, onePass);
        if (tree.Failed != LogTree::Failure::None ||
            builder.Tree().Nodes.size() != tree.Nodes.size()) {
            std::printf("build failed on %zu sessions\n", sessions);
            return 1;
        }
        std::size_t textBytes = 0;
        const Timing texts = Median(3, [&] {
            for (std::size_t n = 0; n < tree.Nodes.size(); ++n)
                textBytes += tree.NodeText(static_cast<std::int32_t>(n), formats).size();
            textBytes += StatusText(reader.Totals(), formats).value_or("").size();
        });
        if (textBytes == 0) return 1;

        char reference[32] = "-";
        char ratio[16] = "-";
        if (sessions <= 10000) {
            std::size_t referenceNodes = 0;
            const Timing scan = Median(sessions <= 1000 ? 7 : 3, [&] {
                const reference::Result result =
                    reference::BuildLogTree(NativeFileSystem(), log, formats);
                referenceNodes = result.Nodes.size();
            });
            if (referenceNodes != tree.Nodes.size()) {
                std::printf("the reference disagrees on %zu sessions\n", sessions);
                return 1;
            }
            std::snprintf(reference, sizeof reference, "%.2f (%.1f)", scan.WallMs, scan.CpuMs);
            std::snprintf(ratio, sizeof ratio, "%.0fx", scan.WallMs / build.WallMs);
        }
        char buildText[32], rebuildText[32], textsText[32];
        std::snprintf(rebuildText, sizeof rebuildText, "%.2f (%.1f)", rebuild.WallMs,
                      rebuild.CpuMs);
        std::snprintf(buildText, sizeof buildText, "%.2f (%.1f)", build.WallMs, build.CpuMs);
        std::snprintf(textsText, sizeof textsText, "%.2f (%.1f)", texts.WallMs, texts.CpuMs);
        const double nodeMiB =
            static_cast<double>(tree.Nodes.capacity() * sizeof(LogTreeNode)) / (1024.0 * 1024.0);
        std::printf("%9zu %9zu %18s %18s %18s %20s %7s %9.1f %9.1f\n", sessions, tree.Nodes.size(),
                    buildText, rebuildText, textsText, reference, ratio, nodeMiB, PeakMemoryMiB());
    }
    const bool corrected = BenchCorrections(path) && BenchUndoDelete();
    const bool figured = corrected && BenchWorkTime(path);
    NativeFileSystem().Remove(path);
    if (!figured) std::printf("the corrections or the working-time figures failed\n");
    return figured ? FolderBench() : 1;
}
