#pragma once

// The one window-procedure pattern: the window's object travels as the lpParam of
// CreateWindowEx, is kept in GWLP_USERDATA from WM_NCCREATE on, learns its handle through
// `Attach(HWND)`, and gets every message through `LRESULT HandleMessage(UINT, WPARAM, LPARAM)`.
// No exception unwinds into Windows: one that escapes goes to `ReportError(const char*)`.

#include <windows.h>

#include <exception>

// Registers a window class of this instance unless it is registered already (a window that is
// opened again); false when it can be neither found nor registered.
inline bool RegisterWindowClassOnce(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                                    HICON icon, HBRUSH background, UINT style = 0) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (::GetClassInfoExW(instance, name, &existing)) return true;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    return ::RegisterClassExW(&windowClass) != 0;
}

template <class Window>
LRESULT CALLBACK WindowThunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    Window* self = nullptr;
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        self = static_cast<Window*>(create->lpCreateParams);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->Attach(hwnd);
    } else {
        self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        self->ReportError(error.what());
    } catch (...) {
        self->ReportError("Unexpected error");
    }
    return 0;
}
