#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/reports/ExportRules.h"
#include "core/reports/Timesheet.h"
#include "core/reports/TrayTipText.h"
#include "unit/support/MemoryFileSystem.h"

namespace {

using Pair = std::pair<DateTime, DateTime>;
using Cells = std::array<std::string, kTimesheetColumns>;

const DayNames kDays = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                        "Friday", "Saturday", "Sunday"};

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return EncodeDateTime(year, month, day, hour, minute, second);
}

std::vector<DayTotal> DaysOf(const std::vector<Pair>& pairs) {
    MemoryFileSystem files;
    files.SetFile("log", LogBytes(pairs, ""));
    return ReadLogTotals(files, {"log", ""}).Days();
}

WorkTimeSettings FortyHours(std::optional<DateTime> balanceFrom = std::nullopt) {
    WorkTimeSettings settings;
    settings.weekSeconds = 40 * 3600;
    settings.deductBreaks = true;
    settings.balanceFrom = balanceFrom;
    return settings;
}

}  // namespace

TEST(Timesheet, AMonthHasARowPerDayAndItsTotals) {
    // December 2026 up to Wednesday the 9th at 10:00, a sick Thursday and two holidays.
    const std::vector<DayTotal> days = DaysOf({
        {At(2026, 12, 1, 8), At(2026, 12, 1, 12)},
        {At(2026, 12, 1, 12, 30), At(2026, 12, 1, 17, 10)},
        {At(2026, 12, 2, 9), At(2026, 12, 2, 18, 30)},
        {At(2026, 12, 4, 8, 0, 45), At(2026, 12, 4, 12, 0, 20)},
        {At(2026, 12, 5, 22), At(2026, 12, 6, 1)},
        {At(2026, 12, 8, 8), At(2026, 12, 8, 16)},
        {At(2026, 12, 9, 8), At(2026, 12, 9, 10)},
    });
    const DayMarks marks =
        DayMarks::Parse("2026-12-03 Sick\r\n2026-12-24 Holiday\r\n2026-12-25 Holiday\r\n");
    const DateTime now = At(2026, 12, 9, 10);
    const Timesheet sheet =
        BuildTimesheet(days, FortyHours(), marks, 2026, 12, now, kDays, LocaleFormats());
    EXPECT_EQ(sheet.heading, "December 2026");
    ASSERT_EQ(sheet.rows.size(), 31u);
    const struct {
        std::size_t row;
        Cells cells;
    } cases[] = {
        {0, {"12/1/2026", "Tuesday", "8:00 AM", "5:10 PM", "0:30", "8:40", "8:00", "+0:40", ""}},
        {1, {"12/2/2026", "Wednesday", "9:00 AM", "6:30 PM", "0:00", "9:30", "8:00", "+1:00", ""}},
        {2, {"12/3/2026", "Thursday", "", "", "", "0:00", "0:00", "0:00", "Sick"}},
        {3, {"12/4/2026", "Friday", "8:00 AM", "12:00 PM", "0:00", "4:00", "8:00", "-4:00", ""}},
        {4, {"12/5/2026", "Saturday", "10:00 PM", "24:00", "0:00", "2:00", "0:00", "+2:00", ""}},
        {6, {"12/7/2026", "Monday", "", "", "", "0:00", "8:00", "-8:00", ""}},
        {7, {"12/8/2026", "Tuesday", "8:00 AM", "4:00 PM", "0:00", "8:00", "8:00", "-0:30", ""}},
        {9, {"12/10/2026", "Thursday", "", "", "", "", "8:00", "", ""}},
        {23, {"12/24/2026", "Thursday", "", "", "", "", "0:00", "", "Holiday"}},
    };
    for (const auto& c : cases) EXPECT_EQ(sheet.rows[c.row].cells, c.cells) << c.row;
    // Through today 35:09:35 worked and 13:50:25 short; 20 work days of 8:00 in the month; the
    // balance through yesterday (with today's 6:00 still to do) 7:50:25 short.
    const std::array<std::string, 4> totals = {"35:10", "160:00", "-13:50", "-7:50"};
    EXPECT_EQ(
        (std::array{sheet.workedText, sheet.targetText, sheet.differenceText, sheet.balanceText}),
        totals);
    // Seen from January, the balance runs to the month's end: 14 more work days short. A month
    // to come has nothing worked and the balance as it stands; months roll over the year.
    const Timesheet later = BuildTimesheet(days, FortyHours(), marks, 2026, 12, At(2027, 1, 5, 10),
                                           kDays, LocaleFormats());
    EXPECT_EQ(later.rows[9].cells[7], "-8:00");
    EXPECT_EQ(later.balanceText, "-125:50");
    const Timesheet next =
        BuildTimesheet(days, FortyHours(), marks, 2026, 13, now, kDays, LocaleFormats());
    EXPECT_EQ((std::array{next.heading, next.workedText, next.targetText, next.balanceText}),
              (std::array<std::string, 4>{"January 2027", "0:00", "168:00", "-7:50"}));

    // The caller's day names and formats.
    LocaleFormats formats;
    formats.ShortDate = "dd.MM.yyyy";
    formats.ShortTime = "HH:mm";
    const DayNames german = {"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"};
    const Timesheet local =
        BuildTimesheet(days, FortyHours(), marks, 2026, 12, now, german, formats);
    EXPECT_EQ(local.rows[4].cells,
              (Cells{"05.12.2026", "Sa", "22:00", "24:00", "0:00", "2:00", "0:00", "+2:00", ""}));
}

TEST(Timesheet, TrayTipsThirdLineGivesTheBalanceAndWhenToLeave) {
    const DateTime today = At(2027, 1, 5);
    const auto state = [&](std::int64_t balance, std::int64_t leaveSeconds) {
        WorkTimeToday result;
        result.balance = balance;
        result.reached = leaveSeconds < 0;
        result.leaveAt = today + static_cast<double>(leaveSeconds) / 86400;
        return result;
    };
    LocaleFormats hours24;
    hours24.ShortTime = "HH:mm";
    WorkTimeSettings noDays = FortyHours();
    noDays.workDays = {};
    const struct {
        WorkTimeToday today;
        WorkTimeSettings settings;
        LocaleFormats formats;
        const char* line;
    } cases[] = {
        {state(8100, 59700), FortyHours(), {}, "Balance +2:15, leave at 4:35 PM"},
        {state(-28225, -1), FortyHours(), {}, "Balance -7:50, target reached"},
        {state(20, 59360), FortyHours(), {}, "Balance 0:00, leave at 4:30 PM"},  // 4:29:20
        {state(8100, 59400), FortyHours(), hours24, "Balance +2:15, leave at 16:30"},
        {state(-60, 102600), FortyHours(), {}, "Balance -0:01, leave at 4:30 AM"},
        {state(8100, 59400), WorkTimeSettings(), {}, ""},
        {state(8100, 59400), noDays, {}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(WorkTimeTipLine(c.today, c.settings, c.formats), c.line);

    // The line goes last and is the first left out when the tip is full.
    const std::string first(38, 'a'), second(27, 'b'), third(31, 'c');
    const struct {
        std::size_t capacity;
        std::string third, tip;
    } fits[] = {
        {98, third, first + "\n" + second + "\n" + third},
        {97, third, first + "\n" + second},
        {65, third, first},
        {127, "", first + "\n" + second},
    };
    for (const auto& f : fits)
        EXPECT_EQ(TrayTipText(first, second, f.third, f.capacity), f.tip) << f.capacity;
}

TEST(TimesheetCsv, ARowPerCalendarDayFromTheEarlierStartThroughToday) {
    const std::vector<Pair> pairs = {
        {At(2026, 12, 31, 7, 59, 50), At(2026, 12, 31, 12)},
        {At(2026, 12, 31, 12, 20), At(2026, 12, 31, 17, 0, 40)},
        {At(2027, 1, 1, 10), At(2027, 1, 1, 11)},
        {At(2027, 1, 2, 23, 30), At(2027, 1, 3, 0, 30)},
        {At(2027, 1, 4, 8), At(2027, 1, 4, 9, 30)},
        {At(2027, 1, 6, 8), At(2027, 1, 6, 9)},  // after today: a clock that was wrong
    };
    const DayMarks marks = DayMarks::Parse("2026-12-30 Vacation\r\n2027-01-01 Holiday\r\n");
    const std::string header = "Date,Start,End,Breaks,Worked,Target,Difference,Note\r\n";
    // 31 December: 8:40:50 worked with 0:20 of break, counted 8:30:50.
    const std::string fromLog =
        "2026-12-31,07:59,17:00,0:20,8:41,8:00,+0:31,\r\n"
        "2027-01-01,10:00,11:00,0:00,1:00,0:00,+1:00,Holiday\r\n"
        "2027-01-02,23:30,24:00,0:00,0:30,0:00,+0:30,\r\n"
        "2027-01-03,00:00,00:30,0:00,0:30,0:00,+0:30,\r\n"
        "2027-01-04,08:00,09:30,0:00,1:30,8:00,-6:30,\r\n";
    const struct {
        std::vector<Pair> pairs;
        WorkTimeSettings settings;
        std::string text;
    } cases[] = {
        {pairs, FortyHours(), header + fromLog},
        {pairs, FortyHours(At(2027, 1, 2)), header + fromLog},
        {pairs, FortyHours(At(2026, 12, 29)),
         header + "2026-12-29,,,,0:00,8:00,-8:00,\r\n2026-12-30,,,,0:00,0:00,0:00,Vacation\r\n" +
             fromLog},
        {{}, FortyHours(), header},
        {{}, FortyHours(At(2027, 1, 4)), header + "2027-01-04,,,,0:00,8:00,-8:00,\r\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TimesheetCsv(DaysOf(c.pairs), c.settings, marks, At(2027, 1, 4, 9, 30)), c.text)
            << c.text;
    }
}

TEST(TimesheetCsv, ExportsFromTheCommandLineWithTheMarksBesideTheLog) {
    const ExportRequest request = ParseExportParams(" /E C:\\sheet.csv /R TimeSheet ");
    ASSERT_EQ(request.Kind, CsvKind::Timesheet);
    ProgramState state;
    state.LogFileName = "C:\\work.dat";
    state.WorkTime = FortyHours(At(2027, 1, 3));
    const std::string marks = "2027-01-04 Sick\r\n";
    for (const bool fails : {false, true}) {
        MemoryFileSystem files;
        files.SetFile("C:\\work.dat", LogBytes({{At(2027, 1, 4, 8), At(2027, 1, 4, 9)}}, ""));
        files.SetFile("C:\\work.dat.days", {marks.begin(), marks.end()});
        if (fails) files.FailAt(MemoryFileSystem::Op::Read, 1, "C:\\work.dat.days");
        std::vector<std::string> boxes;
        ExportUi ui;
        ui.ShowError = [&](const std::string& text) { boxes.push_back(text); };
        EXPECT_EQ(RunExport(request, state, files, ui, At(2027, 1, 4, 10)),
                  fails ? kExportFailed : kExportDone);
        EXPECT_EQ(
            boxes,
            fails ? std::vector<std::string>{"Error reading C:\\work.dat.days\nInjected failure"}
                  : std::vector<std::string>{});
        const auto csv = files.File("C:\\sheet.csv");
        EXPECT_EQ(csv ? std::string(csv->begin(), csv->end()) : "(no file)",
                  fails ? "(no file)"
                        : "Date,Start,End,Breaks,Worked,Target,Difference,Note\r\n"
                          "2027-01-03,,,,0:00,0:00,0:00,\r\n"
                          "2027-01-04,08:00,09:00,0:00,1:00,0:00,+1:00,Sick\r\n");
    }
    EXPECT_THROW(CsvText(LogTotals(), CsvKind::Timesheet), std::invalid_argument);
}
