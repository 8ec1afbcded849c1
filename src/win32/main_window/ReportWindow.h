#pragma once

// The weekly report: a bar chart of one week's hours per day above a list of the weeks, newest
// first. One at a time, owned by the main window, which reads the log and hands the totals
// over; asking again brings the open one to the front.

#include <windows.h>

#include <string>
#include <vector>

#include "core/settings/Settings.h"
#include "win32/platform/Dpi.h"
#include "win32/platform/UniqueHandle.h"
#include "core/reports/LogTotals.h"
#include "core/reports/WeekTable.h"

inline constexpr char kReportWindowSection[] = "Report Window";

class ReportWindow {
  public:
    ReportWindow(HINSTANCE instance, SettingsStore& settings)
        : instance_(instance), settings_(settings) {}
    ~ReportWindow();
    ReportWindow(const ReportWindow&) = delete;
    ReportWindow& operator=(const ReportWindow&) = delete;

    // Opens the window owned by `owner` with the week holding `now` in the chart, or brings
    // the open one to the front. The lists stay empty until the first Refresh.
    void Show(HWND owner, DateTime now);
    bool IsOpen() const { return hwnd_ != nullptr; }
    // Closes the window, keeping its place.
    void Close();
    // True for the window and its controls: keys typed there are not the owner's shortcuts.
    bool Contains(HWND window) const;
    // Shows these days with logged time (oldest first) while open; the week in the chart stays
    // selected.
    void Refresh(const std::vector<DayTotal>& days);

    // The window procedure's side (WindowThunk). Only a view of the log: an error has nothing
    // to report.
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ReportError(const char*) {}

  private:
    void OnCreate();
    void OnSize();
    void OnPaint();
    void OnDpiChanged(WPARAM wParam, LPARAM lParam);
    bool OnNotify(const NMHDR& header);
    void OnRowSelected(int row);
    void ApplyFont();
    void SizeColumns();
    void ShowTable(WeekTable table);
    void ChartWeek(DateTime firstDay);
    RECT ChartRect() const;
    void DrawChart(HDC dc, int width, int height) const;
    int Scale(int pixels) const { return ScaleToDpi(pixels, dpi_); }

    HINSTANCE instance_;
    SettingsStore& settings_;
    HWND hwnd_ = nullptr;
    HWND list_ = nullptr;
    UniqueFont font_;  // outlives the list, which is destroyed before the window's last message
    int dpi_ = 96;
    WeekTable table_;
    WeekChart chart_;
    std::string chartCaption_;
    bool scrollToSelection_ = false;
};
