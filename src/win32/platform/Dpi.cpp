#include "win32/platform/Dpi.h"

namespace {

int DeviceDpi(HWND window) {
    const HDC dc = ::GetDC(window);
    if (dc == nullptr) return kDesignDpi;
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(window, dc);
    return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace

int WindowDpi(HWND window) {
    // GetDpiForWindow exists from Windows 10 on; older systems have one DPI for all.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) return static_cast<int>(dpi);
    }
    return DeviceDpi(window);
}

void MoveToSuggestedRect(HWND window, LPARAM lParam) {
    const auto* suggested = reinterpret_cast<const RECT*>(lParam);
    ::SetWindowPos(window, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

int SystemDpi() {
    return DeviceDpi(nullptr);
}
