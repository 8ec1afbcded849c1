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
#include "win32/platform/TopWindow.h"
#include "win32/platform/UniqueHandle.h"

inline constexpr char kTimesheetWindowSection[] = "Timesheet Window";

class TimesheetWindow : public TopWindow {
  public:
    using MarkDay = std::function<void(DateTime day, DayMark mark)>;

    TimesheetWindow(HINSTANCE instance, SettingsStore& settings, MarkDay markDay);
    ~TimesheetWindow() override { Close(); }

    // Opens the window owned by `owner` on the month holding `now`, or brings the open one to
    // the front. The rows stay empty until the first Refresh.
    void Show(HWND owner, DateTime now);
    // Shows the month it shows with these days, settings and marks; the selection and the
    // scroll position stay.
    void Refresh(const std::vector<DayTotal>& days, const WorkTimeSettings& settings,
                 const DayMarks& marks, DateTime now);

    // The window procedure's side (WindowThunk).
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ReportError(const char*) {}

  private:
    void OnCreate();
    void OnSize();
    bool OnListKey(WORD key);
    void OnContextMenu(LPARAM lParam);
    void ApplyDpi() override;
    void MoveMonth(int months);
    void ShowSheet();

    HINSTANCE instance_;
    SettingsStore& settings_;
    MarkDay markDay_;
    HWND list_ = nullptr;
    HWND heading_ = nullptr;
    HWND summary_ = nullptr;
    HWND previous_ = nullptr;
    HWND next_ = nullptr;
    UniqueFont font_;
    UniqueFont headingFont_;

    int year_ = 0;
    int month_ = 0;
    std::vector<DayTotal> days_;
    WorkTimeSettings workTime_;
    DayMarks marks_;
    DateTime now_ = 0;
    Timesheet sheet_;
};
