#pragma once

// What the program's top-level windows share: their handle and the DPI of the monitor they are
// on, a minimum size that follows that DPI, showing an open window again, and the messages they
// all answer alike (the minimum size, a move to a monitor of another DPI, the last message).
// Each window registers its class with RegisterWindowClassOnce, takes SystemDpi() before it is
// created and gets its messages through WindowThunk; what it does not handle itself goes to
// DefaultMessage.

#include <windows.h>

#include "win32/platform/Dpi.h"
#include "win32/platform/UniqueHandle.h"

class TopWindow {
  public:
    TopWindow(const TopWindow&) = delete;
    TopWindow& operator=(const TopWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    bool IsOpen() const { return hwnd_ != nullptr; }
    // True for the window and its controls: keys typed there are not the owner's shortcuts.
    bool Contains(HWND window) const;
    // Destroys the window unless it is gone already.
    void Close();

    // The window procedure's side (WindowThunk).
    void Attach(HWND hwnd) { hwnd_ = hwnd; }

  protected:
    // `minimum`: the smallest size the user may give the window, at 96 DPI; without one the
    // system's holds.
    explicit TopWindow(SIZE minimum = {}) : minimum_(minimum) {}
    // Not the place to close the window: its last messages need the whole object.
    virtual ~TopWindow() = default;

    // Shows the window, restored when it is minimized.
    void ShowOrRestore() const;
    // Shows it as above and brings it to the front.
    void BringToFront() const;
    // The minimum size at the window's DPI.
    SIZE MinimumSize() const { return SIZE{Scale(minimum_.cx), Scale(minimum_.cy)}; }
    int Scale(int pixels) const { return ScaleToDpi(pixels, dpi_); }
    // The messages every top-level window answers alike; the rest go to DefWindowProc.
    LRESULT DefaultMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The monitor's DPI changed to `dpi_`, before the window takes the size Windows suggests:
    // what the window draws with follows it here.
    virtual void ApplyDpi() {}

    HWND hwnd_ = nullptr;
    int dpi_ = kDesignDpi;

  private:
    SIZE minimum_;
};

// The system's message font at `points` and `dpi`; a `weight` of 0 keeps the system's weight.
UniqueFont MessageFont(int points, int dpi, LONG weight = 0);
