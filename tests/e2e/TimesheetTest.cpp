// The timesheet window: a month's rows from the log, the settings and the marked days.

#include <windows.h>

#include <cmath>
#include <string>
#include <vector>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"

namespace e2e {
namespace {

constexpr char kCaption[] = "Timesheet - Worktally";
constexpr int kColumns = 9;

// The first Monday of the month before the one holding `now`.
DateTime FirstMondayOfLastMonth(DateTime now) {
    const CivilDate today = DecodeDate(now);
    const bool january = today.Month == 1;
    DateTime day = EncodeDate(today.Year - (january ? 1 : 0), january ? 12 : today.Month - 1, 1);
    // Day 0, 30 December 1899, was a Saturday: Monday is 1 in this count from Sunday.
    while ((static_cast<long long>(std::floor(day)) + 6) % 7 != 1) day += 1;
    return day;
}

class Timesheet : public E2ETest {};

TEST_F(Timesheet, ShowsAMonthsDaysWithTheirTargetsAndMarks) {
    const DateTime monday = FirstMondayOfLastMonth(Now());
    const DateTime tuesday = monday + 1;
    const auto at = [](DateTime day, int hour, int minute) {
        return day + EncodeTime(hour, minute, 0);
    };
    WriteBytes(LogPath(), LogBytes({at(monday, 8, 0), at(monday, 9, 0), at(monday, 10, 0),
                                    at(monday, 11, 15), at(tuesday, 8, 0), at(tuesday, 9, 30)},
                                   ""));
    const CivilDate date = DecodeDate(tuesday);
    char mark[32];
    std::snprintf(mark, sizeof mark, "%04d-%02d-%02d Holiday\r\n", date.Year, date.Month, date.Day);
    const std::string marks = mark;
    WriteBytes(LogPath() + ".days", std::vector<unsigned char>(marks.begin(), marks.end()));
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Week Hours", "40:00");

    Program& program = Start("/F " + Quoted(LogPath()));
    ASSERT_TRUE(WaitUntil([&] { return program.MainWindowVisible(); })) << program.Dump();
    program.Command(IDM_TIMESHEET);
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND found : TopLevelWindows(program.Pid()))
            if (TextOf(found) == kCaption && IsWindowVisible(found)) window = found;
        return window != nullptr;
    })) << program.Dump();
    const HWND list = Control(window, IDC_TIMESHEET_LIST);
    const std::string thisMonth = ControlText(window, IDC_TIMESHEET_HEADING);

    // Page Up: the month before, whose first Monday and Tuesday hold the time.
    PressKey(list, VK_PRIOR);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(window, IDC_TIMESHEET_HEADING) != thisMonth; }));
    const auto rows = ReadListRows(list, kColumns);
    const auto row = [&](DateTime day) {
        const std::vector<std::string>& cells = rows.at(DecodeDate(day).Day - 1);
        // Breaks, Worked, Target, Difference, Note: the same in every locale.
        return std::vector<std::string>(cells.begin() + 4, cells.end());
    };
    EXPECT_EQ(row(monday), (std::vector<std::string>{"1:00", "2:15", "8:00", "-5:45", ""}));
    EXPECT_EQ(row(tuesday), (std::vector<std::string>{"0:00", "1:30", "0:00", "+1:30", "Holiday"}));
    EXPECT_FALSE(rows.at(DecodeDate(monday).Day - 1)[2].empty()) << "a start is shown";

    // Esc closes it; its place is kept apart from the other windows'.
    PressKey(list, VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return IsWindow(window) == FALSE; }));
    EXPECT_TRUE(ReadRegistryString(HKEY_CURRENT_USER,
                                   std::string(kProgramKey) + "\\Timesheet Window", "Width")
                    .has_value());
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

}  // namespace
}  // namespace e2e
