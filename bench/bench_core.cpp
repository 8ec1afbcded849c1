// Times the tree builder on logs of realistic shape, against the scanning reference builder.
// Prints a table; fails nothing.

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
#include "core/log/LogFile.h"
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
    NativeFileSystem().Remove(path);
    return 0;
}
