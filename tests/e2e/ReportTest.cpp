// The weekly report window: opened from the View menu, its list read from outside and checked
// against totals worked out here with the calendar functions of Windows.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"
#include "e2e/support/RemoteWindows.h"
#include "e2e/support/WineHost.h"

namespace e2e {
namespace {

constexpr int kColumns = 9;
constexpr char kReportCaption[] = "Weekly Report - Worktally";

struct Sitting {
    int year, month, day;
    int fromMinute, toMinute;  // within that day
};

// 30 November 2026 is a Monday; the weekend days make the first day of the week matter.
const std::vector<Sitting> kSittings = {
    {2026, 11, 30, 8 * 60, 10 * 60 + 5},
    {2026, 12, 6, 22 * 60, 23 * 60 + 59},
    {2026, 12, 7, 0, 60},
    {2026, 12, 8, 8 * 60, 16 * 60 + 55},
    {2026, 12, 9, 9 * 60, 12 * 60 + 30},
    {2026, 12, 13, 10 * 60, 11 * 60},
    {2026, 12, 8, 17 * 60, 17 * 60 + 10},
};

std::vector<DateTime> Records(const std::vector<Sitting>& sittings) {
    std::vector<DateTime> records;
    for (const Sitting& s : sittings) {
        records.push_back(EncodeDate(s.year, s.month, s.day) + s.fromMinute / 1440.0);
        records.push_back(EncodeDate(s.year, s.month, s.day) + s.toMinute / 1440.0);
    }
    return records;
}

std::string LocaleText(LCTYPE type) {
    char text[128] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, type, text, sizeof text);
    return text;
}

ULONGLONG DayNumber(int year, int month, int day) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    FILETIME file{};
    SystemTimeToFileTime(&time, &file);
    return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32 | file.dwLowDateTime) /
           (86400ULL * 10000000ULL);
}

SYSTEMTIME DateOf(ULONGLONG dayNumber) {
    const ULONGLONG ticks = dayNumber * 86400ULL * 10000000ULL;
    FILETIME file{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME time{};
    FileTimeToSystemTime(&file, &time);
    return time;
}

std::string Minutes(int minutes) {
    if (minutes == 0) return "";
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", minutes / 60, minutes % 60);
    return text;
}

using Rows = std::vector<std::vector<std::string>>;

// Header and rows, newest week first, for the user's first day of the week.
Rows ExpectedTable(const std::vector<Sitting>& sittings) {
    const int firstDay = std::stoi(LocaleText(LOCALE_IFIRSTDAYOFWEEK));  // 0 = Monday
    std::map<ULONGLONG, std::vector<int>, std::greater<>> weeks;         // minutes per day
    for (const Sitting& s : sittings) {
        const ULONGLONG day = DayNumber(s.year, s.month, s.day);
        const int mondayBased = (DateOf(day).wDayOfWeek + 6) % 7;
        const int intoWeek = (mondayBased - firstDay + 7) % 7;
        std::vector<int>& minutes = weeks[day - static_cast<ULONGLONG>(intoWeek)];
        minutes.resize(7);
        minutes[static_cast<std::size_t>(intoWeek)] += s.toMinute - s.fromMinute;
    }
    Rows table;
    std::vector<std::string>& header = table.emplace_back();
    header.push_back("Week");
    for (int column = 0; column < 7; ++column)
        header.push_back(
            LocaleText(static_cast<LCTYPE>(LOCALE_SDAYNAME1 + (firstDay + column) % 7)));
    header.push_back("Total");
    for (const auto& [start, minutes] : weeks) {
        std::vector<std::string>& row = table.emplace_back();
        const SYSTEMTIME first = DateOf(start);
        char date[64] = {};
        GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &first, nullptr, date, sizeof date);
        row.push_back(date);
        int total = 0;
        for (const int m : minutes) {
            row.push_back(Minutes(m));
            total += m;
        }
        row.push_back(Minutes(total));
    }
    return table;
}

std::string Show(const Rows& rows) {
    std::string text;
    for (const auto& row : rows) {
        for (const auto& cell : row) text += "[" + cell + "]";
        text += "\n";
    }
    return text;
}

class Report : public E2ETest {};

TEST_F(Report, ListsTheWeeksKeepsTheSelectedWeekAndFollowsTheLog) {
    std::vector<Sitting> sittings = kSittings;
    WriteBytes(LogPath(), LogBytes(Records(sittings), ""));
    Program& program = Start("/F " + Quoted(LogPath()));
    ASSERT_TRUE(WaitUntil([&] { return program.MainWindowVisible(); })) << program.Dump();

    const auto reportWindows = [&] {
        std::vector<HWND> found;
        for (HWND window : TopLevelWindows(program.Pid()))
            if (TextOf(window) == kReportCaption && IsWindowVisible(window))
                found.push_back(window);
        return found;
    };
    program.Command(IDM_WEEKLY_REPORT);
    ASSERT_TRUE(WaitUntil([&] { return reportWindows().size() == 1; })) << program.Dump();
    const HWND report = reportWindows().front();
    EXPECT_EQ(GetWindow(report, GW_OWNER), program.MainWindow());
    const HWND list = Control(report, IDC_REPORT_LIST);

    Rows expected = ExpectedTable(sittings);
    const std::vector<std::string> header = expected.front();
    expected.erase(expected.begin());
    EXPECT_EQ(ReadListHeaders(list, kColumns), header);
    ASSERT_EQ(ReadListRows(list, kColumns), expected) << Show(ReadListRows(list, kColumns));

    // A second click brings the same window back.
    program.Command(IDM_WEEKLY_REPORT);
    program.Send(WM_NULL);
    EXPECT_EQ(reportWindows(), std::vector<HWND>{report});

    // The older week stays selected when a newer one arrives above it.
    SelectListRow(list, 1);
    const std::string selectedWeek = expected[1][0];
    sittings.push_back({2026, 12, 22, 9 * 60, 10 * 60 + 45});
    WriteBytes(LogPath(), LogBytes(Records(sittings), ""));
    program.Send(WM_COMMAND, IDM_REFRESH);
    expected = ExpectedTable(sittings);
    expected.erase(expected.begin());
    const Rows refreshed = ReadListRows(list, kColumns);
    ASSERT_EQ(refreshed, expected) << Show(refreshed);
    ASSERT_EQ(SelectedListRow(list), 2);
    EXPECT_EQ(refreshed[2][0], selectedWeek);

    // A log that cannot be read leaves the list as it was.
    std::vector<unsigned char> broken = LogBytes(Records(sittings), "");
    broken.resize(broken.size() - 8);
    WriteBytes(LogPath(), broken);
    program.Command(IDM_REFRESH);
    const HWND box = program.WaitForDialog("Worktally");
    EXPECT_EQ(ReadListRows(list, kColumns), expected);
    Click(box, IDOK);
    program.WaitForNoDialog("Worktally");

    // Esc closes it, and its place is stored apart from the main window's.
    PressKey(report, VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(report); })) << "Esc left the report open";
    EXPECT_TRUE(WaitUntil([] {
        return ReadRegistryString(HKEY_CURRENT_USER, std::string(kProgramKey) + "\\Report Window",
                                  "Width")
            .has_value();
    }));
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

// While logging, the icon's tip tells today's and this week's time below its first line.
TEST_F(Report, TrayTipAddsTodayAndThisWeek) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const int sinceMidnight = now.wHour * 60 + now.wMinute;
    ASSERT_GT(sinceMidnight, 2) << "a session today needs a few minutes of today";
    const ULONGLONG today = DayNumber(now.wYear, now.wMonth, now.wDay);
    const int firstDay = std::stoi(LocaleText(LOCALE_IFIRSTDAYOFWEEK));  // 0 = Monday
    const int daysIntoWeek = ((DateOf(today).wDayOfWeek + 6) % 7 - firstDay + 7) % 7;

    // 1:10 on each of the six days before today; today from midnight on, ending before now.
    std::vector<Sitting> sittings;
    int weekMinutes = 0;
    for (int back = 6; back >= 1; --back) {
        const SYSTEMTIME day = DateOf(today - static_cast<ULONGLONG>(back));
        sittings.push_back({day.wYear, day.wMonth, day.wDay, 10 * 60, 11 * 60 + 10});
        if (back <= daysIntoWeek) weekMinutes += 70;
    }
    const int todayMinutes = std::min(95, sinceMidnight - 2);
    sittings.push_back({now.wYear, now.wMonth, now.wDay, 0, todayMinutes});
    weekMinutes += todayMinutes;
    WriteBytes(LogPath(), LogBytes(Records(sittings), ""));

    Program& program = Start("/L /F " + Quoted(LogPath()));
    // Started once its own pair is written: a tick before that would extend the last one.
    ASSERT_TRUE(WaitForFileSize(LogPath(), (sittings.size() + 1) * 16)) << program.Dump();
    program.Tick();
    std::string tip;
    ASSERT_TRUE(WaitUntil([&] {
        for (const std::string& text : TrayTips())
            if (text.rfind("Worktally - Started ", 0) == 0) tip = text;
        return tip.find('\n') != std::string::npos;
    })) << "tip: "
        << tip;
    // The program's own session may have added its first minute by now.
    const auto line = [](int today, int week) {
        return "Today " + Minutes(today) + ", this week " + Minutes(week);
    };
    const std::string second = tip.substr(tip.find('\n') + 1);
    EXPECT_TRUE(second == line(todayMinutes, weekMinutes) ||
                second == line(todayMinutes + 1, weekMinutes + 1))
        << tip << "\nexpected " << line(todayMinutes, weekMinutes);

    // A taskbar that comes back while the icon is there: the icon stays, and no box says it
    // failed (an open box would keep the message from returning).
    program.Send(RegisterWindowMessageA("TaskbarCreated"));
    EXPECT_TRUE(program.Dialogs("Worktally").empty()) << program.Dump();
    EXPECT_TRUE(WaitUntil([] {
        const std::vector<std::string> tips = TrayTips();
        return std::any_of(tips.begin(), tips.end(),
                           [](const std::string& text) { return text.rfind("Worktally", 0) == 0; });
    }));
    program.Exit();
}

}  // namespace
}  // namespace e2e
