#pragma once

// The timesheet: one month at a time, a row per calendar day with its start, end, breaks, time
// worked, target and difference, and under it the month's figures and the balance. One at a
// time, owned by the main window, which reads the log and hands the days over; asking again
// brings the open one to the front. Marking a day is handed back to the owner.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "core/reports/Timesheet.h"
#include "core/settings/Settings.h"
#include "win32/platform/Dpi.h"
#include "win32/platform/UniqueHandle.h"

inline constexpr char kTimesheetWindowSection[] = "Timesheet Window";

class TimesheetWindow {
  public:
    using MarkDay = std::function<void(DateTime day, DayMark mark)>;

    TimesheetWindow(HINSTANCE instance, SettingsStore& settings, MarkDay markDay)
        : instance_(instance), settings_(settings), markDay_(std::move(markDay)) {}
    ~TimesheetWindow();
    TimesheetWindow(const TimesheetWindow&) = delete;
    TimesheetWindow& operator=(const TimesheetWindow&) = delete;

    // Opens the window owned by `owner` on the month holding `now`, or brings the open one to
    // the front. The rows stay empty until the first Refresh.
    void Show(HWND owner, DateTime now);
    bool IsOpen() const { return hwnd_ != nullptr; }
    void Close();
    // True for the window and its controls: keys typed there are not the owner's shortcuts.
    bool Contains(HWND window) const;
    // Shows the month it shows with these days, settings and marks; the selection and the
    // scroll position stay.
    void Refresh(const std::vector<DayTotal>& days, const WorkTimeSettings& settings,
                 const DayMarks& marks, DateTime now);

    // The window procedure's side (WindowThunk).
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ReportError(const char*) {}

  private:
    void OnCreate();
    void OnSize();
    void OnDpiChanged(WPARAM wParam, LPARAM lParam);
    bool OnListKey(WORD key);
    void OnContextMenu(LPARAM lParam);
    void ApplyFont();
    void MoveMonth(int months);
    void ShowSheet();
    int Scale(int pixels) const { return ScaleToDpi(pixels, dpi_); }

    HINSTANCE instance_;
    SettingsStore& settings_;
    MarkDay markDay_;
    HWND hwnd_ = nullptr;
    HWND list_ = nullptr;
    HWND heading_ = nullptr;
    HWND summary_ = nullptr;
    HWND previous_ = nullptr;
    HWND next_ = nullptr;
    UniqueFont font_;
    UniqueFont headingFont_;
    int dpi_ = 96;

    int year_ = 0;
    int month_ = 0;
    std::vector<DayTotal> days_;
    WorkTimeSettings workTime_;
    DayMarks marks_;
    DateTime now_ = 0;
    Timesheet sheet_;
};
