#pragma once

// The one window-procedure pattern: the window's object travels as the lpParam of
// CreateWindowEx, is kept in GWLP_USERDATA from WM_NCCREATE on, learns its handle through
// `Attach(HWND)`, and gets every message through `LRESULT HandleMessage(UINT, WPARAM, LPARAM)`.
// No exception unwinds into Windows: one that escapes goes to `ReportError(const char*)`.

#include <windows.h>

#include <exception>

template <class Window>
LRESULT CALLBACK WindowThunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    Window* self = nullptr;
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        self = static_cast<Window*>(create->lpCreateParams);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->Attach(hwnd);
    } else {
        self = reinterpret_cast<Window*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        self->ReportError(error.what());
    } catch (...) {
        self->ReportError("Unexpected error");
    }
    return 0;
}
