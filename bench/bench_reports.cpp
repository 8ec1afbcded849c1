// Times the day, week and session totals and the CSV texts on logs of decades of history.
// Prints a table; fails nothing.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchLog.h"
#include "core/settings/Settings.h"
#include "core/settings/PasswordCodec.h"
#include "core/settings/CommandLine.h"
#include "core/reports/CsvReports.h"
#include "core/reports/LogTotals.h"
#include "core/reports/WeekTable.h"
#include "core/tree/LogTree.h"

namespace {

using Clock = std::chrono::steady_clock;

// The median wall-clock time of several runs, in ms.
template <typename F>
double MedianMs(int runs, F&& work) {
    std::vector<double> walls;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        walls.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(walls.begin(), walls.end());
    return walls[walls.size() / 2];
}

}  // namespace

int main() {
    const std::string path =
        (std::filesystem::temp_directory_path() / "worktally-bench-reports.dat").string();
    const LogTarget log{path, bench::kPassword};
    std::printf("Totals and CSV texts of a scrambled log: medians of 9 runs, wall-clock ms\n");
    std::printf(
        "read: LogTotalsReader reusing its memory (file read, days, sessions); weeks: "
        "WeekTotals;\n");
    std::printf("current: CurrentTotalsAt; days+tree: the one pass of the viewer's tick;\n");
    std::printf("table: BuildWeekTable (report window, texts made when painted);\n");
    std::printf("CSV: CsvText of each kind, in memory\n");
    std::printf("%9s %6s %7s %8s %8s %8s %9s %8s %9s %9s %9s\n", "sessions", "years", "days",
                "read", "weeks", "current", "days+tree", "table", "CSV days", "CSV weeks",
                "CSV sess.");
    for (const std::size_t sessions : {10000u, 100000u, 300000u}) {
        const std::vector<DateTime> records = bench::MakeSessions(sessions);
        bench::WriteLog(path, records);
        LogTotalsReader reader;
        const double read =
            MedianMs(9, [&] { reader.Read(NativeFileSystem(), log, nullptr, true); });
        const LogTotals& totals = reader.Totals();
        if (totals.Failed() != LogTotals::Failure::None || totals.ValidPairs() != sessions) {
            std::printf("reading failed on %zu sessions\n", sessions);
            return 1;
        }
        std::size_t weekCount = 0;
        const double weeks =
            MedianMs(9, [&] { weekCount += WeekTotals(totals.Days(), kMonday).size(); });
        double sink = 0;
        const double current = MedianMs(
            9, [&] { sink += CurrentTotalsAt(totals.Days(), records.back(), kMonday).today; });
        const DayNames names = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                "Friday", "Saturday", "Sunday"};
        const double table = MedianMs(9, [&] {
            weekCount += BuildWeekTable(totals.Days(), kSunday, names, LocaleFormats()).rows.size();
        });
        LogTotalsReader tickReader;
        LogTreeBuilder builder;
        const double treeDays = MedianMs(9, [&] {
            weekCount +=
                builder.Finish(tickReader.Read(NativeFileSystem(), log, &builder), records.back())
                    .Nodes.size();
        });
        std::size_t bytes = 0;
        double csv[3];
        const CsvKind kinds[] = {CsvKind::Days, CsvKind::Weeks, CsvKind::Sessions};
        for (int k = 0; k < 3; ++k)
            csv[k] = MedianMs(9, [&] { bytes += CsvText(totals, kinds[k]).size(); });
        const double years = (records.back() - records.front()) / 365.25;
        std::printf("%9zu %6.0f %7zu %8.2f %8.2f %8.3f %9.2f %8.2f %9.2f %9.2f %9.2f\n", sessions,
                    years, totals.Days().size(), read, weeks, current, treeDays, table, csv[0],
                    csv[1], csv[2]);
        if (weekCount == 0 || bytes == 0 || sink < 0) return 1;  // keeps the work observable
    }
    std::filesystem::remove(path);
    return 0;
}
