#include "win32/main_window/WindowPlace.h"

#include <algorithm>
#include <cstdint>

#include "core/settings/Settings.h"
#include "core/settings/WindowPlacement.h"

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
    if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return POINT{0, 0};
    return POINT{monitor.rcWork.left - monitor.rcMonitor.left,
                 monitor.rcWork.top - monitor.rcMonitor.top};
}

}  // namespace

void RestoreWindowPlace(HWND window, SettingsStore& settings, const std::string& section,
                        SIZE minimum, int dpi) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    std::int64_t top = rect.top;
    std::int64_t left = rect.left;
    std::int64_t width = ScaleTo96(rect.right - rect.left, dpi);
    std::int64_t height = ScaleTo96(rect.bottom - rect.top, dpi);
    try {
        StoreSession session(settings);
        top = ReadInteger(settings, section, kTopValue, static_cast<int>(top));
        left = ReadInteger(settings, section, kLeftValue, static_cast<int>(left));
        width = ReadInteger(settings, section, kWidthValue, static_cast<int>(width));
        height = ReadInteger(settings, section, kHeightValue, static_cast<int>(height));
    } catch (...) {
        // What was read so far applies; the rest stays as the window is.
    }
    // A size too small to use (stored by hand, or at another DPI) is not taken.
    ScreenRect wanted = StoredPlace(left, top, width, height, dpi, static_cast<int>(minimum.cx),
                                    static_cast<int>(minimum.cy));
    const RECT asRect{wanted.Left, wanted.Top, wanted.Right, wanted.Bottom};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (::GetMonitorInfoW(::MonitorFromRect(&asRect, MONITOR_DEFAULTTONEAREST), &monitor))
        wanted = PlaceToOpen(wanted, ToScreenRect(monitor.rcWork),
                             ::MonitorFromRect(&asRect, MONITOR_DEFAULTTONULL) != nullptr);
    ::SetWindowPos(window, nullptr, wanted.Left, wanted.Top, wanted.Width(), wanted.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void SaveWindowPlace(HWND window, SettingsStore& settings, const std::string& section, int dpi) {
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
        WriteInteger(settings, section, kWidthValue, ScaleTo96(rect.right - rect.left, dpi));
        WriteInteger(settings, section, kHeightValue, ScaleTo96(rect.bottom - rect.top, dpi));
    } catch (...) {
        // Silent: the next start takes what was stored before.
    }
}
