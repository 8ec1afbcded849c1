#pragma once

// The guide in a resizable window of its own: read-only, selectable text that closes with Esc.
// One at a time: asking again brings the open one to the front.

#include <windows.h>

#include "win32/platform/Dpi.h"
#include "win32/platform/UniqueHandle.h"

class HelpWindow {
  public:
    explicit HelpWindow(HINSTANCE instance) : instance_(instance) {}
    ~HelpWindow();
    HelpWindow(const HelpWindow&) = delete;
    HelpWindow& operator=(const HelpWindow&) = delete;

    // Opens the window owned by `owner`, or brings the open one to the front.
    void Show(HWND owner);
    // True for the window and its controls: keys typed there are not the owner's shortcuts.
    bool Contains(HWND window) const;

    // The window procedure's side (WindowThunk). Only a view of the guide: an error has
    // nothing to report.
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ReportError(const char*) {}

  private:
    static LRESULT CALLBACK TextKeyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR refData) noexcept;

    void OnCreate();
    void OnDpiChanged(WPARAM wParam, LPARAM lParam);
    void ApplyFont();
    int Scale(int pixels) const { return ScaleToDpi(pixels, dpi_); }

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HWND text_ = nullptr;
    UniqueFont font_;  // outlives the edit, which is destroyed before the window's last message
    int dpi_ = 96;
};
