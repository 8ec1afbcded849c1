#pragma once

// The one window-procedure pattern: the window's object travels as the lpParam of
// CreateWindowEx, is kept in GWLP_USERDATA from WM_NCCREATE on, learns its handle through
// `Attach(HWND)`, and gets every message through `LRESULT HandleMessage(UINT, WPARAM, LPARAM)`.
// No exception unwinds into Windows: one that escapes goes to `ReportError(const char*)`.

#include <windows.h>

#include <exception>

// Registers a window class of this instance unless it is registered already (a window that is
// opened again); false when it can be neither found nor registered.
inline bool RegisterWindowClassOnce(HINSTANCE instance, const char* name, WNDPROC procedure,
                                    HICON icon, HBRUSH background, UINT style = 0) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof(existing);
    if (::GetClassInfoExA(instance, name, &existing)) return true;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    return ::RegisterClassExA(&windowClass) != 0;
}

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
