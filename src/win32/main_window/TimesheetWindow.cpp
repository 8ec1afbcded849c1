#include "win32/main_window/TimesheetWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <utility>

#include "res/resource.h"
#include "win32/main_window/WindowPlace.h"
#include "win32/platform/UserLocale.h"
#include "win32/platform/UserWeek.h"
#include "win32/platform/WideText.h"
#include "win32/platform/WindowThunk.h"

namespace {

constexpr wchar_t kTimesheetWindowClass[] = L"TWorktallyTimesheetWindow";
constexpr wchar_t kTimesheetCaption[] = L"Timesheet - Worktally";

// Design sizes at 96 dots per inch.
constexpr int kDesignWidth = 760;
constexpr int kDesignHeight = 600;
constexpr int kMinimumWidth = 480;
constexpr int kMinimumHeight = 320;
constexpr int kMargin = 8;
constexpr int kButtonWidth = 96;
constexpr int kBarHeight = 26;
constexpr int kFontPoints = 9;
constexpr int kHeadingPoints = 12;
constexpr std::array<int, kTimesheetColumns> kColumnWidths = {90, 96, 72, 72, 60, 64, 64, 78, 80};
// Dates and names (the first two columns and the last) read from the left, figures from the
// right.
constexpr std::size_t kLeftColumns = 2;
constexpr int kMonthsPerYear = 12;
// The lParam of WM_CONTEXTMENU from the keyboard (the Apps key or Shift+F10).
constexpr LPARAM kContextMenuKey = -1;

struct MarkItem {
    UINT id;
    const wchar_t* text;
    DayMark mark;
};
constexpr std::array<MarkItem, 4> kMarkItems = {{
    {IDM_MARK_HOLIDAY, L"Mark as &Holiday", DayMark::Holiday},
    {IDM_MARK_VACATION, L"Mark as &Vacation", DayMark::Vacation},
    {IDM_MARK_SICK, L"Mark as &Sick", DayMark::Sick},
    {IDM_MARK_WORKING_DAY, L"&Working Day", DayMark::None},
}};

void SetText(HWND window, const std::string& text) {
    ::SetWindowTextW(window, Widen(text).c_str());
}

}  // namespace

TimesheetWindow::TimesheetWindow(HINSTANCE instance, SettingsStore& settings, MarkDay markDay)
    : TopWindow(SIZE{kMinimumWidth, kMinimumHeight}),
      instance_(instance),
      settings_(settings),
      markDay_(std::move(markDay)) {}

void TimesheetWindow::Show(HWND owner, DateTime now) {
    if (hwnd_ == nullptr) {
        if (!RegisterWindowClassOnce(instance_, kTimesheetWindowClass, WindowThunk<TimesheetWindow>,
                                     ::LoadIconW(instance_, MAKEINTRESOURCEW(IDI_WORKTALLY)),
                                     reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)))
            return;
        const CivilDate today = DecodeDate(now);
        year_ = today.Year;
        month_ = today.Month;
        now_ = now;
        dpi_ = SystemDpi();
        // Owned, so it stays above the viewer and goes with it.
        const HWND created = ::CreateWindowExW(
            0, kTimesheetWindowClass, kTimesheetCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
            CW_USEDEFAULT, CW_USEDEFAULT, Scale(kDesignWidth), Scale(kDesignHeight), owner, nullptr,
            instance_, this);
        if (created == nullptr) return;
        RestoreWindowPlace(hwnd_, settings_, kTimesheetWindowSection, MinimumSize());
        ShowSheet();
    }
    BringToFront();
}

void TimesheetWindow::Refresh(const std::vector<DayTotal>& days, const WorkTimeSettings& settings,
                              const DayMarks& marks, DateTime now) {
    if (hwnd_ == nullptr) return;
    days_ = days;
    workTime_ = settings;
    marks_ = marks;
    now_ = now;
    ShowSheet();
}

LRESULT TimesheetWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_SIZE:
            OnSize();
            return 0;
        case WM_SETFOCUS:
            if (list_ != nullptr) ::SetFocus(list_);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_TIMESHEET_PREVIOUS) MoveMonth(-1);
            if (LOWORD(wParam) == IDC_TIMESHEET_NEXT) MoveMonth(1);
            if (LOWORD(wParam) == IDCANCEL) Close();
            return 0;
        case WM_CONTEXTMENU:
            OnContextMenu(lParam);
            return 0;
        case WM_NOTIFY: {
            const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
            if (header.hwndFrom == list_ && header.code == LVN_KEYDOWN &&
                OnListKey(reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey))
                return 0;
            break;
        }
        case WM_DESTROY:
            SaveWindowPlace(hwnd_, settings_, kTimesheetWindowSection);
            return 0;
        case WM_NCDESTROY:
            list_ = heading_ = summary_ = previous_ = next_ = nullptr;
            font_.Close();
            headingFont_.Close();
            break;
    }
    return DefaultMessage(message, wParam, lParam);
}

void TimesheetWindow::OnCreate() {
    const auto child = [&](const wchar_t* type, const wchar_t* text, DWORD style, int id) {
        return ::CreateWindowExW(0, type, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_,
                                 nullptr);
    };
    previous_ = child(L"BUTTON", L"< Previous", BS_PUSHBUTTON | WS_TABSTOP, IDC_TIMESHEET_PREVIOUS);
    next_ = child(L"BUTTON", L"Next >", BS_PUSHBUTTON | WS_TABSTOP, IDC_TIMESHEET_NEXT);
    heading_ =
        child(L"STATIC", L"", SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, IDC_TIMESHEET_HEADING);
    summary_ = child(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, IDC_TIMESHEET_SUMMARY);
    list_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                  LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                              0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(IDC_TIMESHEET_LIST),
                              instance_, nullptr);
    if (list_ == nullptr) return;
    ::SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                   LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_GRIDLINES);
    for (std::size_t column = 0; column < kTimesheetColumns; ++column) {
        std::wstring text = Widen(kTimesheetHeaders[column]);
        LVCOLUMNW entry{};
        entry.mask = LVCF_TEXT | LVCF_FMT | LVCF_SUBITEM;
        entry.fmt =
            column < kLeftColumns || column + 1 == kTimesheetColumns ? LVCFMT_LEFT : LVCFMT_RIGHT;
        entry.pszText = text.data();
        entry.iSubItem = static_cast<int>(column);
        ::SendMessageW(list_, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&entry));
    }
    ApplyDpi();
}

void TimesheetWindow::OnSize() {
    if (list_ == nullptr) return;
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int margin = Scale(kMargin);
    const int bar = Scale(kBarHeight);
    const int button = Scale(kButtonWidth);
    ::MoveWindow(previous_, margin, margin, button, bar, TRUE);
    ::MoveWindow(next_, client.right - margin - button, margin, button, bar, TRUE);
    ::MoveWindow(heading_, 2 * margin + button, margin,
                 std::max(0L, client.right - 4 * margin - 2 * button), bar, TRUE);
    const int listTop = 2 * margin + bar;
    const int summaryTop = std::max<int>(listTop, client.bottom - margin - bar);
    ::MoveWindow(list_, 0, listTop, client.right, summaryTop - margin - listTop, TRUE);
    ::MoveWindow(summary_, margin, summaryTop, std::max(0L, client.right - 2 * margin), bar, TRUE);
}

void TimesheetWindow::ApplyDpi() {
    UniqueFont font = MessageFont(kFontPoints, dpi_, FW_NORMAL);
    UniqueFont heading = MessageFont(kHeadingPoints, dpi_, FW_BOLD);
    if (!font || !heading) return;
    ReplaceInUse(font_, std::move(font), [&](HFONT fresh) {
        for (const HWND control : {list_, summary_, previous_, next_})
            ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fresh), TRUE);
    });
    ReplaceInUse(headingFont_, std::move(heading), [&](HFONT fresh) {
        ::SendMessageW(heading_, WM_SETFONT, reinterpret_cast<WPARAM>(fresh), TRUE);
    });
    for (std::size_t column = 0; column < kTimesheetColumns; ++column)
        ::SendMessageW(list_, LVM_SETCOLUMNWIDTH, column, Scale(kColumnWidths[column]));
    OnSize();
}

bool TimesheetWindow::OnListKey(WORD key) {
    switch (key) {
        case VK_PRIOR:
            MoveMonth(-1);
            return true;
        case VK_NEXT:
            MoveMonth(1);
            return true;
        case VK_ESCAPE:
            Close();
            return true;
    }
    return false;
}

void TimesheetWindow::MoveMonth(int months) {
    const int index = year_ * kMonthsPerYear + (month_ - 1) + months;
    year_ = index / kMonthsPerYear;
    month_ = index % kMonthsPerYear + 1;
    ShowSheet();
}

void TimesheetWindow::OnContextMenu(LPARAM lParam) {
    if (list_ == nullptr) return;
    const int row = static_cast<int>(
        ::SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0 || static_cast<std::size_t>(row) >= sheet_.rows.size()) return;
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (lParam == kContextMenuKey) {  // below the selected row
        RECT item{};
        item.left = LVIR_BOUNDS;
        ::SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&item));
        at = {item.left + Scale(kMargin), item.bottom};
        ::ClientToScreen(list_, &at);
    }
    UniqueMenu menu(::CreatePopupMenu());
    if (!menu) return;
    const DayMark current = sheet_.rows[static_cast<std::size_t>(row)].figures.mark;
    for (const MarkItem& item : kMarkItems)
        ::AppendMenuW(menu.Get(), MF_STRING | (item.mark == current ? MF_CHECKED : 0), item.id,
                      item.text);
    const UINT chosen = static_cast<UINT>(::TrackPopupMenu(
        menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr));
    for (const MarkItem& item : kMarkItems) {
        if (item.id == chosen && markDay_)
            markDay_(sheet_.rows[static_cast<std::size_t>(row)].figures.day, item.mark);
    }
}

void TimesheetWindow::ShowSheet() {
    if (list_ == nullptr) return;
    sheet_ = BuildTimesheet(days_, workTime_, marks_, year_, month_, now_, UserDayNames(),
                            UserLocaleFormats());
    SetText(heading_, sheet_.heading);
    SetText(summary_, "Worked " + sheet_.workedText + "    Target " + sheet_.targetText +
                          "    Difference " + sheet_.differenceText + "    Balance " +
                          sheet_.balanceText);
    // The same month keeps its rows, so the selection and the scroll position stay; only
    // another month's rows replace them.
    const auto count = static_cast<std::size_t>(::SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    if (count != sheet_.rows.size()) ::SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t row = 0; row < sheet_.rows.size(); ++row) {
        for (std::size_t column = 0; column < kTimesheetColumns; ++column) {
            std::wstring text = Widen(sheet_.rows[row].cells[column]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(row);
            item.iSubItem = static_cast<int>(column);
            item.pszText = text.data();
            if (column == 0 && count != sheet_.rows.size()) {
                ::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            } else {
                ::SendMessageW(list_, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
            }
        }
    }
    ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list_, nullptr, FALSE);
}
