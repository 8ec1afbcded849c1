#pragma once

// Where a window goes when its stored place is on no monitor any more.

#include <algorithm>

struct ScreenRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const ScreenRect&) const = default;
};

// The window moved (and shrunk only where it is larger) so that all of it lies in `area`.
inline ScreenRect MoveInside(const ScreenRect& window, const ScreenRect& area) {
    const int width = std::clamp(window.Width(), 0, std::max(0, area.Width()));
    const int height = std::clamp(window.Height(), 0, std::max(0, area.Height()));
    const int left = std::clamp(window.Left, area.Left, area.Right - width);
    const int top = std::clamp(window.Top, area.Top, area.Bottom - height);
    return {left, top, left + width, top + height};
}
