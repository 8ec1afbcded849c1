// The part every top-level window shares, against the real API (under Wine here): the minimum
// size at the window's DPI, a move to a monitor of another DPI, and the window's end.

#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "win32/platform/TopWindow.h"
#include "win32/platform/WindowThunk.h"

namespace {

constexpr wchar_t kProbeClass[] = L"WorktallyTopWindowProbe";

class ProbeWindow : public TopWindow {
  public:
    explicit ProbeWindow(SIZE minimum) : TopWindow(minimum) {}
    ~ProbeWindow() override { Close(); }

    bool Open() {
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        if (!RegisterWindowClassOnce(instance, kProbeClass, WindowThunk<ProbeWindow>, nullptr,
                                     nullptr))
            return false;
        ::CreateWindowExW(0, kProbeClass, L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                          nullptr, instance, this);
        return IsOpen();
    }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefaultMessage(message, wParam, lParam);
    }
    void ReportError(const char*) {}

    std::vector<int> appliedDpis;

  private:
    void ApplyDpi() override { appliedDpis.push_back(dpi_); }
};

POINT MinimumTrackSize(HWND window, POINT systemDefault) {
    MINMAXINFO limits{};
    limits.ptMinTrackSize = systemDefault;
    ::SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    return limits.ptMinTrackSize;
}

TEST(TopWindow, TheSizeTheMinimumAndTheFontsFollowTheMonitorsDpi) {
    ProbeWindow window(SIZE{300, 200});
    ASSERT_TRUE(window.Open());
    EXPECT_EQ(MinimumTrackSize(window.Handle(), {7, 9}).x, 300) << "at 96 DPI before a change";
    struct Case {
        int dpi;
        RECT suggested;
        POINT minimum;
    };
    for (const Case& c :
         {Case{144, {30, 40, 730, 540}, {450, 300}}, Case{120, {10, 20, 510, 420}, {375, 250}},
          Case{96, {0, 0, 400, 300}, {300, 200}}}) {
        ::SendMessageW(window.Handle(), WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi),
                       reinterpret_cast<LPARAM>(&c.suggested));
        ASSERT_FALSE(window.appliedDpis.empty());
        EXPECT_EQ(window.appliedDpis.back(), c.dpi) << "the fonts follow before the move";
        RECT now{};
        ::GetWindowRect(window.Handle(), &now);
        EXPECT_TRUE(::EqualRect(&now, &c.suggested)) << c.dpi << " DPI: the suggested rectangle";
        const POINT minimum = MinimumTrackSize(window.Handle(), {7, 9});
        EXPECT_EQ(minimum.x, c.minimum.x) << c.dpi;
        EXPECT_EQ(minimum.y, c.minimum.y) << c.dpi;
    }
}

TEST(TopWindow, WithoutAMinimumTheSystemsHoldsAndTheEndLeavesNoHandle) {
    ProbeWindow window(SIZE{});
    ASSERT_TRUE(window.Open());
    const POINT minimum = MinimumTrackSize(window.Handle(), {7, 9});
    EXPECT_EQ(minimum.x, 7);
    EXPECT_EQ(minimum.y, 9);

    const HWND child = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, window.Handle(),
                                         nullptr, nullptr, nullptr);
    ProbeWindow other(SIZE{});
    ASSERT_TRUE(other.Open());
    EXPECT_TRUE(window.Contains(window.Handle()));
    EXPECT_TRUE(window.Contains(child));
    EXPECT_FALSE(window.Contains(other.Handle()));
    EXPECT_FALSE(window.Contains(nullptr));

    const HWND handle = window.Handle();
    window.Close();
    EXPECT_FALSE(window.IsOpen());
    EXPECT_FALSE(::IsWindow(handle));
}

}  // namespace
