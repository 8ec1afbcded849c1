#pragma once

// The one modal-dialog pattern: a small object travels as the lParam of DialogBoxParam, is kept
// in GWLP_USERDATA from WM_INITDIALOG on, and gets every message through
// `INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)`.

#include <windows.h>

template <class Dialog>
INT_PTR CALLBACK DialogThunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_INITDIALOG) ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, lParam);
    auto* dialog = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (dialog == nullptr) return FALSE;
    // No exception may unwind through the dialog manager: one that escapes cancels the dialog.
    try {
        return dialog->HandleMessage(hwnd, message, wParam, lParam);
    } catch (...) {
        ::EndDialog(hwnd, IDCANCEL);
        return TRUE;
    }
}

// Runs the dialog resource `id` modally for `dialog`; returns what EndDialog was given.
template <class Dialog>
INT_PTR RunModalDialog(HINSTANCE instance, int id, HWND owner, Dialog& dialog) {
    return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(id), owner, &DialogThunk<Dialog>,
                             reinterpret_cast<LPARAM>(&dialog));
}
