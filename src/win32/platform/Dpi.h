#pragma once

// Dots per inch, for a program that is per-monitor DPI aware: sizes are designed at 96 and
// scaled to the monitor a window is on.

#include <windows.h>

inline constexpr int kDesignDpi = 96;
// A point is 1/72 inch: font sizes in points become pixels through the DPI.
inline constexpr int kPointsPerInch = 72;

// The DPI of the monitor the window is on (Windows 10 and later), else the system's.
int WindowDpi(HWND window);
// The system's DPI, for a window that does not exist yet.
int SystemDpi();
// WM_DPICHANGED: moves the window to the rectangle Windows suggests in `lParam`.
void MoveToSuggestedRect(HWND window, LPARAM lParam);
// `pixels` at 96 DPI, scaled to `dpi`.
inline int ScaleToDpi(int pixels, int dpi) {
    return ::MulDiv(pixels, dpi, kDesignDpi);
}
// A font size of `points`, in pixels at `dpi`.
inline int PointsToPixels(int points, int dpi) {
    return ::MulDiv(points, dpi, kPointsPerInch);
}
