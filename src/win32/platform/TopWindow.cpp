#include "win32/platform/TopWindow.h"

bool TopWindow::Contains(HWND window) const {
    return hwnd_ != nullptr && window != nullptr &&
           (window == hwnd_ || ::IsChild(hwnd_, window) != FALSE);
}

void TopWindow::Close() {
    if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

void TopWindow::ShowOrRestore() const {
    ::ShowWindow(hwnd_, ::IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
}

void TopWindow::BringToFront() const {
    ShowOrRestore();
    ::SetForegroundWindow(hwnd_);
}

LRESULT TopWindow::DefaultMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETMINMAXINFO:
            if (minimum_.cx == 0 && minimum_.cy == 0) break;
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize =
                POINT{MinimumSize().cx, MinimumSize().cy};
            return 0;
        case WM_DPICHANGED:
            dpi_ = HIWORD(wParam);
            ApplyDpi();
            MoveToSuggestedRect(hwnd_, lParam);
            return 0;
        case WM_NCDESTROY: {
            // No message reaches the object after this one.
            const HWND window = hwnd_;
            ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }
    return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

UniqueFont MessageFont(int points, int dpi, LONG weight) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW font{};
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        font = metrics.lfMessageFont;
    } else {
        font.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(font.lfFaceName, L"MS Shell Dlg 2", LF_FACESIZE);
    }
    // The system's font at the window's DPI, not the system DPI it is given at.
    font.lfHeight = -PointsToPixels(points, dpi);
    font.lfWidth = 0;
    if (weight != 0) font.lfWeight = weight;
    return UniqueFont(::CreateFontIndirectW(&font));
}
