#include <gtest/gtest.h>

#include <cstdint>

#include "core/settings/WindowPlacement.h"

// From the values stored in the registry (any number a user may type) to where the window
// opens: sizes stored at 96 DPI, no overflow, never larger than the work area.
TEST(WindowPlacement, OpensFromStoredValuesWithinTheWorkAreaWithoutOverflow) {
    constexpr std::int64_t kMax = 2147483647;  // the largest value a DWORD read as int holds
    constexpr std::int64_t kMin = -kMax - 1;
    const ScreenRect work1024{0, 0, 1024, 728};  // 1024x768 with a 40-pixel taskbar
    const ScreenRect work1920{0, 0, 1920, 1040};
    struct Case {
        const char* name;
        std::int64_t left, top, width, height;
        int dpi;
        ScreenRect work;
        bool onAMonitor;
        ScreenRect expected;
    } cases[] = {
        {"as stored", 100, 50, 780, 520, 96, work1920, true, {100, 50, 880, 570}},
        {"scaled to 144 DPI", 100, 50, 780, 520, 144, work1920, true, {100, 50, 1270, 830}},
        // 1170x780 at 144 DPI is larger than a 1024x768 screen: it shrinks into the work area.
        {"larger than the work area", 100, 50, 780, 520, 144, work1024, true, {0, 0, 1024, 728}},
        {"partly off screen stays", 900, 600, 500, 400, 96, work1024, true, {900, 600, 1400, 1000}},
        {"on no monitor", 5000, 5000, 500, 400, 96, work1024, false, {524, 328, 1024, 728}},
        {"below the minimum", 10, 10, 5, -20, 96, work1920, true, {10, 10, 430, 330}},
        {"left + width overflows", kMax, 0, kMax, 400, 96, work1920, false, {0, 0, 1920, 400}},
        {"negative extremes", kMin, kMin, kMin, kMin, 96, work1920, false, {0, 0, 420, 320}},
        {"huge size", 0, 0, kMax, kMax, 120, work1920, true, {0, 0, 1920, 1040}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScreenRect stored = StoredPlace(c.left, c.top, c.width, c.height, c.dpi, 420, 320);
        EXPECT_EQ(PlaceToOpen(stored, c.work, c.onAMonitor), c.expected);
    }
}
