// The command-line export, run as a script would run it.

#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <dlgs.h>

#include "e2e/Fixture.h"
#include "e2e/support/Files.h"
#include "e2e/support/ProgramData.h"
#include "e2e/support/RemoteWindows.h"
#include "res/resource.h"

namespace e2e {
namespace {

// Two sessions on 5 March, one on 6 March 2001.
const std::vector<DateTime> kTwoDays = {
    EncodeDateTime(2001, 3, 5, 8, 0),  EncodeDateTime(2001, 3, 5, 9, 0),
    EncodeDateTime(2001, 3, 5, 10, 0), EncodeDateTime(2001, 3, 5, 11, 15),
    EncodeDateTime(2001, 3, 6, 8, 0),  EncodeDateTime(2001, 3, 6, 9, 30)};

class Export : public E2ETest {};

std::string Text(const std::vector<unsigned char>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(Export, AsksThePasswordAndWritesTheSessions) {
    StorePassword("s3cret");
    WriteBytes(LogPath(), LogBytes(kTwoDays, "s3cret"));
    const std::string csv = PathIn("sessions.csv");
    Program& program = Start("/E " + Quoted(csv) + " /R sessions /F " + Quoted(LogPath()));
    HWND prompt = program.WaitForDialog("Password - Worktally");
    SetControlText(prompt, IDC_PASSWORD_EDIT, "s3cret");
    Click(prompt, IDOK);
    program.ExpectExit();
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(Text(ReadBytes(csv)),
              "Start,End,Duration,Hours\r\n"
              "2001-03-05 08:00:00,2001-03-05 09:00:00,1:00,1.00\r\n"
              "2001-03-05 10:00:00,2001-03-05 11:15:00,1:15,1.25\r\n"
              "2001-03-06 08:00:00,2001-03-06 09:30:00,1:30,1.50\r\n");
    EXPECT_FALSE(FileExists(csv + ".tmp"));
}

// A local wall-clock minute as the test writes it.
struct Stamp {
    int Year, Month, Day, Hour, Minute;
};

// Sessions across midnight, across the end of an ISO week, across the end of 2026 (a year of
// 53 weeks) and on 2024-12-30, a Monday of week 1 of 2025.
const std::vector<std::pair<Stamp, Stamp>> kCalendarSessions = {
    {{2024, 12, 30, 10, 0}, {2024, 12, 30, 11, 7}},
    {{2026, 12, 21, 9, 0}, {2026, 12, 21, 17, 5}},
    {{2026, 12, 23, 8, 10}, {2026, 12, 23, 12, 0}},
    {{2026, 12, 23, 12, 45}, {2026, 12, 23, 13, 1}},
    {{2026, 12, 25, 23, 50}, {2026, 12, 26, 0, 20}},
    {{2026, 12, 31, 23, 0}, {2027, 1, 1, 1, 30}},
    {{2027, 1, 3, 22, 30}, {2027, 1, 4, 0, 45}},
    {{2027, 1, 4, 7, 59}, {2027, 1, 4, 8, 0}},
};

namespace chr = std::chrono;
using Minutes = chr::time_point<chr::system_clock, chr::minutes>;

Minutes MinuteOf(const Stamp& s) {
    const chr::sys_days day = chr::year{s.Year} / s.Month / s.Day;
    return day + chr::hours{s.Hour} + chr::minutes{s.Minute};
}

std::string Format(const char* pattern, auto... values) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

std::string DateText(chr::sys_days day) {
    const chr::year_month_day date{day};
    return Format("%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
}

std::string DurationText(long minutes) {
    return Format("%ld:%02ld", minutes / 60, minutes % 60);
}

std::string HoursText(long minutes) {
    return Format("%.2f", static_cast<double>(minutes) / 60);
}

// Minutes per calendar day, a session past midnight cut at each midnight.
std::map<chr::sys_days, long> MinutesPerDay() {
    std::map<chr::sys_days, long> days;
    for (const auto& [start, end] : kCalendarSessions) {
        for (Minutes from = MinuteOf(start); from < MinuteOf(end);) {
            const chr::sys_days day = chr::floor<chr::days>(from);
            const Minutes to = std::min<Minutes>(MinuteOf(end), day + chr::days{1});
            days[day] += (to - from).count();
            from = to;
        }
    }
    return days;
}

using Rows = std::vector<std::vector<std::string>>;

Rows ExpectedDays() {
    Rows rows = {{"Date", "Duration", "Hours"}};
    for (const auto& [day, minutes] : MinutesPerDay())
        rows.push_back({DateText(day), DurationText(minutes), HoursText(minutes)});
    return rows;
}

// ISO 8601: a week belongs to the year of its Thursday.
std::string IsoWeekText(chr::sys_days monday) {
    const chr::sys_days thursday = monday + chr::days{3};
    const chr::year year = chr::year_month_day{thursday}.year();
    const chr::sys_days firstJanuary = year / 1 / 1;
    return Format("%04d-W%02d", static_cast<int>(year),
                  static_cast<int>((thursday - firstJanuary).count() / 7 + 1));
}

Rows ExpectedWeeks() {
    std::map<chr::sys_days, std::array<long, 7>> weeks;  // by Monday
    for (const auto& [day, minutes] : MinutesPerDay()) {
        const unsigned fromMonday = chr::weekday{day}.iso_encoding() - 1;
        weeks[day - chr::days{fromMonday}][fromMonday] += minutes;
    }
    Rows rows = {{"Week", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday",
                  "Sunday", "Total"}};
    for (const auto& [monday, days] : weeks) {
        std::vector<std::string> row = {IsoWeekText(monday)};
        for (const long minutes : days) row.push_back(DurationText(minutes));
        row.push_back(DurationText(std::accumulate(days.begin(), days.end(), 0L)));
        rows.push_back(row);
    }
    return rows;
}

std::string StampText(const Stamp& s) {
    return Format("%04d-%02d-%02d %02d:%02d:00", s.Year, s.Month, s.Day, s.Hour, s.Minute);
}

Rows ExpectedSessions() {
    Rows rows = {{"Start", "End", "Duration", "Hours"}};
    for (const auto& [start, end] : kCalendarSessions) {
        const long minutes = (MinuteOf(end) - MinuteOf(start)).count();
        rows.push_back(
            {StampText(start), StampText(end), DurationText(minutes), HoursText(minutes)});
    }
    return rows;
}

// CRLF lines of comma-separated cells; a bare LF stays inside a cell and fails the compare.
Rows ParseCsv(const std::string& text) {
    Rows rows;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            ADD_FAILURE() << "last line without CR LF: " << text.substr(at);
            end = text.size();
        }
        std::vector<std::string> cells;
        std::stringstream line(text.substr(at, end - at));
        for (std::string cell; std::getline(line, cell, ',');) cells.push_back(cell);
        rows.push_back(cells);
        at = end + 2;
    }
    return rows;
}

TEST_F(Export, EachKindHoldsTheTotalsOfTheSessionsWritten) {
    std::vector<DateTime> records;
    for (const auto& [start, end] : kCalendarSessions) {
        for (const Stamp& s : {start, end})
            records.push_back(EncodeDateTime(s.Year, s.Month, s.Day, s.Hour, s.Minute));
    }
    WriteBytes(LogPath(), LogBytes(records, ""));
    const struct {
        const char* Kind;
        Rows Expected;
    } cases[] = {
        {"days", ExpectedDays()},
        {"weeks", ExpectedWeeks()},
        {"sessions", ExpectedSessions()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Kind);
        const std::string csv = PathIn(std::string(c.Kind) + ".csv");
        Program& program =
            Start("/E " + Quoted(csv) + " /R " + c.Kind + " /F " + Quoted(LogPath()));
        program.ExpectExit();
        EXPECT_EQ(program.ExitCode(), 0u);
        const Rows rows = ParseCsv(Text(ReadBytes(csv)));
        ASSERT_EQ(rows.size(), c.Expected.size());
        for (std::size_t r = 0; r < rows.size(); ++r) EXPECT_EQ(rows[r], c.Expected[r]) << r;
    }
}

TEST_F(Export, AMissingFolderLeavesNoFileAndFails) {
    WriteBytes(LogPath(), LogBytes(kTwoDays, ""));
    const std::string csv = PathIn("missing\\days.csv");
    Program& program = Start("/E " + Quoted(csv) + " /F " + Quoted(LogPath()));
    HWND box = program.WaitForDialog("Worktally");
    const std::string text = MessageText(box);
    EXPECT_EQ(text.substr(0, text.find('\n')), "Error writing " + csv);
    EXPECT_NE(text.find('\n'), std::string::npos) << "the system's reason: " << text;
    Click(box, IDOK);
    program.ExpectExit();
    EXPECT_NE(program.ExitCode(), 0u);
    EXPECT_FALSE(FileExists(csv));
    EXPECT_FALSE(FileExists(csv + ".tmp"));
}

// File > Export in the viewer: the dialog suggests the kind's name, and a box names the file
// written, its long path broken into lines that keep the box within the screen.
TEST_F(Export, FromTheViewerSuggestsANameAndSaysWhereItWrote) {
    WriteBytes(LogPath(), LogBytes(kTwoDays, ""));
    const std::string folder = PathIn("a-folder-with-a-name-long-enough-to-need-a-break");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string csv = folder + "\\days-from-the-viewer.csv";
    Program& program = Start("/F " + Quoted(LogPath()));
    ASSERT_TRUE(WaitUntil([&] { return program.MainWindowVisible(); })) << program.Dump();

    program.Command(IDM_EXPORT);
    const HWND save = program.WaitForDialog("Save As");
    // The name box: an edit of its own in the oldest dialog, inside a combo box in later ones.
    HWND name = nullptr;
    for (HWND child : ChildWindows(save)) {
        const int id = GetDlgCtrlID(child);
        if (ClassOf(child) == "Edit" && (id == edt1 || id == cmb13)) name = child;
    }
    ASSERT_NE(name, nullptr) << program.Dump();
    EXPECT_EQ(TextOf(name), "worktally-days.csv");
    SendTo(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(csv.c_str()));
    Click(save, IDOK);

    const HWND box = program.WaitForDialog("Worktally");
    EXPECT_EQ(MessageText(box), "Exported to " + csv);
    const std::string shown = MessageTextAsShown(box);
    std::size_t longest = 0;
    for (std::size_t start = 0; start <= shown.size();) {
        const std::size_t end = std::min(shown.find('\n', start), shown.size());
        longest = std::max(longest, end - start);
        start = end + 1;
    }
    EXPECT_LE(longest, 74u) << shown;  // 72 characters and a CR
    Click(box, IDOK);
    EXPECT_EQ(Text(ReadBytes(csv)),
              "Date,Duration,Hours\r\n2001-03-05,2:15,2.25\r\n2001-03-06,1:30,1.50\r\n");
    program.Post(WM_CLOSE);
    program.ExpectExit();
}

}  // namespace
}  // namespace e2e
