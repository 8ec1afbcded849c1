#pragma once

// The guide in a resizable window of its own: read-only, selectable text that closes with Esc.
// One at a time: asking again brings the open one to the front.

#include <windows.h>

#include "win32/platform/TopWindow.h"
#include "win32/platform/UniqueHandle.h"

class HelpWindow : public TopWindow {
  public:
    explicit HelpWindow(HINSTANCE instance) : instance_(instance) {}
    ~HelpWindow() override { Close(); }

    // Opens the window owned by `owner`, or brings the open one to the front.
    void Show(HWND owner);

    // The window procedure's side (WindowThunk). Only a view of the guide: an error has
    // nothing to report.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ReportError(const char*) {}

  private:
    static LRESULT CALLBACK TextKeyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR refData) noexcept;

    void OnCreate();
    void ApplyDpi() override;

    HINSTANCE instance_;
    HWND text_ = nullptr;
    UniqueFont font_;  // outlives the edit, which is destroyed before the window's last message
};
