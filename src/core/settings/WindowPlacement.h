#pragma once

// Where a window goes: from its stored place (numbers a user can edit), onto a monitor that
// still exists, and within the work area it opens in.

#include <algorithm>
#include <cstdint>

struct ScreenRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const ScreenRect&) const = default;
};

// Far beyond any desktop, and small enough that no sum of two overflows.
inline constexpr std::int64_t kPlaceLimit = 1 << 20;

// Sizes are stored at 96 dots per inch, so a window keeps its size when the DPI changes.
inline int ScaleFrom96(std::int64_t value, int dpi) {
    return static_cast<int>(std::clamp(value * std::max(dpi, 1) / 96, -kPlaceLimit, kPlaceLimit));
}
inline int ScaleTo96(std::int64_t value, int dpi) {
    return static_cast<int>(std::clamp(value * 96 / std::max(dpi, 1), -kPlaceLimit, kPlaceLimit));
}

// The rectangle for stored values at `dpi` (sizes at 96 DPI): computed in 64 bits and clamped,
// so no value overflows; sizes at least `minimumWidth` x `minimumHeight` (pixels at `dpi`).
inline ScreenRect StoredPlace(std::int64_t left, std::int64_t top, std::int64_t width,
                              std::int64_t height, int dpi, int minimumWidth, int minimumHeight) {
    const std::int64_t x = std::clamp(left, -kPlaceLimit, kPlaceLimit);
    const std::int64_t y = std::clamp(top, -kPlaceLimit, kPlaceLimit);
    const std::int64_t w = std::clamp<std::int64_t>(
        ScaleFrom96(width, dpi), minimumWidth, std::max<std::int64_t>(minimumWidth, kPlaceLimit));
    const std::int64_t h =
        std::clamp<std::int64_t>(ScaleFrom96(height, dpi), minimumHeight,
                                 std::max<std::int64_t>(minimumHeight, kPlaceLimit));
    return {static_cast<int>(x), static_cast<int>(y), static_cast<int>(x + w),
            static_cast<int>(y + h)};
}

// The window moved (and shrunk only where it is larger) so that all of it lies in `area`.
inline ScreenRect MoveInside(const ScreenRect& window, const ScreenRect& area) {
    const int width = std::clamp(window.Width(), 0, std::max(0, area.Width()));
    const int height = std::clamp(window.Height(), 0, std::max(0, area.Height()));
    const int left = std::clamp(window.Left, area.Left, area.Right - width);
    const int top = std::clamp(window.Top, area.Top, area.Bottom - height);
    return {left, top, left + width, top + height};
}

// Where a window opens: a place on no monitor, or larger than the work area, comes wholly into
// the work area; a place the user chose partly off the screen stays.
inline ScreenRect PlaceToOpen(const ScreenRect& wanted, const ScreenRect& workArea,
                              bool onAMonitor) {
    if (onAMonitor && wanted.Width() <= workArea.Width() && wanted.Height() <= workArea.Height())
        return wanted;
    return MoveInside(wanted, workArea);
}
