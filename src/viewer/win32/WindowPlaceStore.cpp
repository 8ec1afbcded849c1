#include "viewer/win32/WindowPlaceStore.h"

#include <algorithm>

#include "viewer/WindowPlacement.h"

namespace {

// Closes the settings store whatever happens in between.
class StoreSession {
  public:
    explicit StoreSession(SettingsStore& store) : store_(store) { store_.Open(); }
    StoreSession(const StoreSession&) = delete;
    StoreSession& operator=(const StoreSession&) = delete;
    ~StoreSession() { store_.Close(); }

  private:
    SettingsStore& store_;
};

ScreenRect ToScreenRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// How far the work area of the window's monitor lies from the monitor's corner: placement
// rectangles are relative to the work area, window rectangles to the screen.
POINT WorkAreaOffset(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoA(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return POINT{0, 0};
    return POINT{monitor.rcWork.left - monitor.rcMonitor.left,
                 monitor.rcWork.top - monitor.rcMonitor.top};
}

}  // namespace

void RestoreWindowPlace(HWND window, SettingsStore& settings, const char* section, SIZE minimum) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    int top = rect.top;
    int left = rect.left;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    try {
        StoreSession session(settings);
        top = ReadInteger(settings, section, kTopValue, top);
        left = ReadInteger(settings, section, kLeftValue, left);
        width = ReadInteger(settings, section, kWidthValue, width);
        height = ReadInteger(settings, section, kHeightValue, height);
    } catch (...) {
        // What was read so far applies; the rest stays as the window is.
    }
    // A size too small to use (stored by hand, or at another DPI) is not taken.
    width = std::max(width, static_cast<int>(minimum.cx));
    height = std::max(height, static_cast<int>(minimum.cy));
    ScreenRect wanted{left, top, left + width, top + height};
    // A place on a monitor that is gone (or never was) comes onto the nearest one.
    const RECT asRect{wanted.Left, wanted.Top, wanted.Right, wanted.Bottom};
    if (::MonitorFromRect(&asRect, MONITOR_DEFAULTTONULL) == nullptr) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        if (::GetMonitorInfoA(::MonitorFromRect(&asRect, MONITOR_DEFAULTTONEAREST), &monitor))
            wanted = MoveInside(wanted, ToScreenRect(monitor.rcWork));
    }
    ::SetWindowPos(window, nullptr, wanted.Left, wanted.Top, wanted.Width(), wanted.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void SaveWindowPlace(HWND window, SettingsStore& settings, const char* section) {
    try {
        RECT rect{};
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        // A minimized or maximized window is stored with its normal bounds, in screen
        // coordinates like the window rectangle of a normal one.
        if ((::IsIconic(window) || ::IsZoomed(window)) &&
            ::GetWindowPlacement(window, &placement)) {
            rect = placement.rcNormalPosition;
            const POINT offset = WorkAreaOffset(window);
            ::OffsetRect(&rect, offset.x, offset.y);
        } else {
            ::GetWindowRect(window, &rect);
        }
        StoreSession session(settings);
        WriteInteger(settings, section, kTopValue, rect.top);
        WriteInteger(settings, section, kLeftValue, rect.left);
        WriteInteger(settings, section, kWidthValue, rect.right - rect.left);
        WriteInteger(settings, section, kHeightValue, rect.bottom - rect.top);
    } catch (...) {
        // Silent: the next start takes what was stored before.
    }
}
