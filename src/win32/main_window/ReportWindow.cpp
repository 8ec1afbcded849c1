#include "win32/main_window/ReportWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include "res/resource.h"
#include "core/reports/DurationText.h"
#include "win32/platform/UserLocale.h"
#include "win32/platform/UserWeek.h"
#include "win32/main_window/WindowPlace.h"
#include "win32/platform/WideText.h"
#include "win32/platform/WindowThunk.h"

namespace {

constexpr wchar_t kReportWindowClass[] = L"TWorktallyReportWindow";
constexpr wchar_t kReportCaption[] = L"Weekly Report - Worktally";

// Design sizes at 96 dots per inch.
constexpr int kDesignWidth = 780;
constexpr int kDesignHeight = 520;
constexpr int kMinimumWidth = 420;
constexpr int kMinimumHeight = 320;
constexpr int kMinimumChartHeight = 140;
// The chart's share of the window's height, above its minimum.
constexpr int kChartHeightPercent = 40;
constexpr int kWeekColumnWidth = 96;
constexpr int kDayColumnWidth = 80;
constexpr int kHeaderPadding = 18;  // the header's margins either side of its text
constexpr int kFontPoints = 9;

// The width of `text` in the font selected into `dc`.
int TextWidth(HDC dc, const std::string& text) {
    const std::wstring wide = Widen(text);
    SIZE size{};
    if (!::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size)) return 0;
    return size.cx;
}

}  // namespace

ReportWindow::ReportWindow(HINSTANCE instance, SettingsStore& settings)
    : TopWindow(SIZE{kMinimumWidth, kMinimumHeight}), instance_(instance), settings_(settings) {}

void ReportWindow::Show(HWND owner, DateTime now) {
    if (hwnd_ == nullptr) {
        // The chart paints every pixel (no erase to flicker) and scales with the window, so every
        // size change redraws it whole.
        if (!RegisterWindowClassOnce(instance_, kReportWindowClass, WindowThunk<ReportWindow>,
                                     ::LoadIconA(instance_, MAKEINTRESOURCEA(IDI_WORKTALLY)),
                                     nullptr, CS_HREDRAW | CS_VREDRAW))
            return;
        dpi_ = SystemDpi();
        ShowTable(BuildWeekTable({}, UserFirstDayOfWeek(), UserDayNames(), UserLocaleFormats()));
        ChartWeek(WeekStart(now, table_.firstDayOfWeek));
        scrollToSelection_ = true;
        // Owned, so it stays above the viewer and goes with it; the result arrives through
        // WM_NCCREATE.
        ::CreateWindowExW(0, kReportWindowClass, kReportCaption,
                          WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                          Scale(kDesignWidth), Scale(kDesignHeight), owner, nullptr, instance_,
                          this);
        if (hwnd_ == nullptr) return;
        RestoreWindowPlace(hwnd_, settings_, kReportWindowSection, MinimumSize(), dpi_);
    }
    BringToFront();
}

void ReportWindow::Refresh(const std::vector<DayTotal>& days) {
    if (hwnd_ == nullptr) return;
    ShowTable(BuildWeekTable(days, UserFirstDayOfWeek(), UserDayNames(), UserLocaleFormats()));
}

LRESULT ReportWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_SIZE:
            OnSize();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers the chart, the list the rest
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_SETFOCUS:
            if (list_ != nullptr) ::SetFocus(list_);
            return 0;
        case WM_SYSCOLORCHANGE:
            if (list_ != nullptr) ::SendMessageW(list_, WM_SYSCOLORCHANGE, 0, 0);
            ::InvalidateRect(hwnd_, nullptr, FALSE);
            return 0;
        case WM_NOTIFYFORMAT:
            return NFR_UNICODE;  // the list's texts come as UTF-16, whatever the code page
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                Close();
                return 0;
            }
            break;
        case WM_NOTIFY:
            if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam))) return 0;
            break;
        case WM_DESTROY:
            SaveWindowPlace(hwnd_, settings_, kReportWindowSection, dpi_);
            return 0;
        case WM_NCDESTROY:
            list_ = nullptr;
            font_.Close();
            break;
    }
    return DefaultMessage(message, wParam, lParam);
}

void ReportWindow::OnCreate() {
    // Owner data: the rows are the table's, so a refresh of a long log sets a count, not texts.
    list_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                                  LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                              0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(IDC_REPORT_LIST),
                              instance_, nullptr);
    if (list_ == nullptr) return;
    ::SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_GRIDLINES);
    for (std::size_t column = 0; column < kWeekTableColumns; ++column) {
        std::wstring heading = Widen(table_.headers[column]);
        LVCOLUMNW entry{};
        entry.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
        entry.fmt = column == 0 ? LVCFMT_LEFT : LVCFMT_RIGHT;
        entry.pszText = heading.data();
        entry.iSubItem = static_cast<int>(column);
        ::SendMessageW(list_, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&entry));
    }
    ApplyDpi();
    ShowTable(table_);
}

RECT ReportWindow::ChartRect() const {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    client.bottom = std::min<LONG>(
        client.bottom,
        std::max<LONG>(Scale(kMinimumChartHeight), client.bottom * kChartHeightPercent / 100));
    return client;
}

void ReportWindow::OnSize() {
    if (list_ == nullptr) return;
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const RECT chart = ChartRect();
    ::MoveWindow(list_, 0, chart.bottom, client.right, std::max(0L, client.bottom - chart.bottom),
                 TRUE);
}

void ReportWindow::ApplyDpi() {
    UniqueFont created = MessageFont(kFontPoints, dpi_);
    if (!created) return;
    ReplaceInUse(font_, std::move(created), [&](HFONT fresh) {
        if (list_ != nullptr)
            ::SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(fresh), TRUE);
    });
    SizeColumns();
    ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void ReportWindow::SizeColumns() {
    if (list_ == nullptr) return;
    // Each column at least as wide as its heading in the header's font: "Donnerstag" whole.
    const HWND header = reinterpret_cast<HWND>(::SendMessageW(list_, LVM_GETHEADER, 0, 0));
    const HDC dc = ::GetDC(header != nullptr ? header : list_);
    const auto headerFont = reinterpret_cast<HGDIOBJ>(
        ::SendMessageW(header != nullptr ? header : list_, WM_GETFONT, 0, 0));
    const HGDIOBJ old = dc != nullptr
                            ? ::SelectObject(dc, headerFont != nullptr ? headerFont : font_.Get())
                            : nullptr;
    for (std::size_t column = 0; column < kWeekTableColumns; ++column) {
        int width = Scale(column == 0 ? kWeekColumnWidth : kDayColumnWidth);
        if (dc != nullptr)
            width = std::max(width, TextWidth(dc, table_.headers[column]) + Scale(kHeaderPadding));
        ::SendMessageW(list_, LVM_SETCOLUMNWIDTH, column, width);
    }
    if (dc != nullptr) {
        if (old != nullptr) ::SelectObject(dc, old);
        ::ReleaseDC(header != nullptr ? header : list_, dc);
    }
}

void ReportWindow::ShowTable(WeekTable table) {
    // A week keeps its first day when the locale moves the start of the week: the chart then
    // shows the week that holds it.
    const DateTime chartWeek = WeekStart(chart_.firstDay, table.firstDayOfWeek);
    // The headings change only with the locale; setting them lays the header out again.
    const bool newHeadings = table.headers != table_.headers;
    table_ = std::move(table);
    if (list_ == nullptr) return;
    for (std::size_t column = 0; newHeadings && column < kWeekTableColumns; ++column) {
        std::wstring heading = Widen(table_.headers[column]);
        LVCOLUMNW entry{};
        entry.mask = LVCF_TEXT;
        entry.pszText = heading.data();
        ::SendMessageW(list_, LVM_SETCOLUMNW, column, reinterpret_cast<LPARAM>(&entry));
    }
    if (newHeadings) SizeColumns();
    ::SendMessageW(list_, LVM_SETITEMCOUNT, table_.rows.size(), LVSICF_NOSCROLL);
    ChartWeek(chartWeek);
    // The selection follows the week, not the row: a new week moves every row down. Only the
    // rows that change are touched: a state for all rows walks every week of a long log.
    const auto row = table_.RowOf(chartWeek);
    const int wanted = row ? static_cast<int>(*row) : -1;
    const auto selected = static_cast<int>(
        ::SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (selected != wanted) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        if (selected >= 0)
            ::SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(selected),
                           reinterpret_cast<LPARAM>(&state));
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        if (wanted >= 0)
            ::SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(wanted),
                           reinterpret_cast<LPARAM>(&state));
    }
    if (scrollToSelection_ && wanted >= 0)
        ::SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(wanted), FALSE);
    scrollToSelection_ = false;
    ::InvalidateRect(list_, nullptr, FALSE);
}

void ReportWindow::ChartWeek(DateTime firstDay) {
    chart_ = ChartOf(table_, firstDay);
    const auto row = table_.RowOf(firstDay);
    chartCaption_ = "Week of " + DateText(firstDay, UserLocaleFormats()) + ": " +
                    (row ? table_.CellText(*row, kWeekTableColumns - 1) : std::string("0:00"));
    if (hwnd_ == nullptr) return;
    const RECT chart = ChartRect();
    ::InvalidateRect(hwnd_, &chart, FALSE);
}

bool ReportWindow::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != list_) return false;
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
            const auto row = static_cast<std::size_t>(info.item.iItem);
            const auto column = static_cast<std::size_t>(info.item.iSubItem);
            if ((info.item.mask & LVIF_TEXT) == 0 || info.item.pszText == nullptr ||
                info.item.cchTextMax <= 0)
                return true;
            const std::wstring text = Widen(table_.CellText(row, column));
            lstrcpynW(info.item.pszText, text.c_str(), info.item.cchTextMax);
            return true;
        }
        case LVN_KEYDOWN: {
            // Posted: the list is inside its own key handling.
            const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
            if (key == VK_ESCAPE) ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
            // The owner's shortcuts stay out of the report's keys, all but Help.
            if (key == VK_F1)
                ::PostMessageW(::GetWindow(hwnd_, GW_OWNER), WM_COMMAND, IDM_HELP_CONTENTS, 0);
            return true;
        }
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if ((change.uChanged & LVIF_STATE) != 0 && (change.uNewState & LVIS_SELECTED) != 0 &&
                (change.uOldState & LVIS_SELECTED) == 0)
                OnRowSelected(change.iItem);
            return true;
        }
    }
    return false;
}

void ReportWindow::OnRowSelected(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= table_.rows.size()) return;
    ChartWeek(table_.rows[static_cast<std::size_t>(row)].firstDay);
}
