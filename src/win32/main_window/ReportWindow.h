#pragma once

// The weekly report: a bar chart of one week's hours per day above a list of the weeks, newest
// first. One at a time, owned by the main window, which reads the log and hands the totals
// over; asking again brings the open one to the front.

#include <windows.h>

#include <string>
#include <vector>

#include "core/settings/Settings.h"
#include "win32/platform/TopWindow.h"
#include "win32/platform/UniqueHandle.h"
#include "core/reports/LogTotals.h"
#include "core/reports/WeekTable.h"

inline constexpr char kReportWindowSection[] = "Report Window";

class ReportWindow : public TopWindow {
  public:
    ReportWindow(HINSTANCE instance, SettingsStore& settings);
    ~ReportWindow() override { Close(); }

    // Opens the window owned by `owner` with the week holding `now` in the chart, or brings
    // the open one to the front. The lists stay empty until the first Refresh.
    void Show(HWND owner, DateTime now);
    // Shows these days with logged time (oldest first) while open; the week in the chart stays
    // selected.
    void Refresh(const std::vector<DayTotal>& days);

    // The window procedure's side (WindowThunk). Only a view of the log: an error has nothing
    // to report.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ReportError(const char*) {}

  private:
    void OnCreate();
    void OnSize();
    void OnPaint();
    bool OnNotify(const NMHDR& header);
    void OnRowSelected(int row);
    void ApplyDpi() override;
    void SizeColumns();
    void ShowTable(WeekTable table);
    void ChartWeek(DateTime firstDay);
    RECT ChartRect() const;
    void DrawChart(HDC dc, int width, int height) const;

    HINSTANCE instance_;
    SettingsStore& settings_;
    HWND list_ = nullptr;
    UniqueFont font_;  // outlives the list, which is destroyed before the window's last message
    WeekTable table_;
    WeekChart chart_;
    std::string chartCaption_;
    bool scrollToSelection_ = false;
};
