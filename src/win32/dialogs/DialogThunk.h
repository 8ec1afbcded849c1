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

// The OK and Cancel of a dialog that gives back what it shows: OK runs `accept` (which reads the
// controls) and ends the dialog with IDOK; Cancel, Esc and the close box end it with IDCANCEL.
// True when `message` was one of these.
template <class Accept>
bool EndOnOkOrCancel(HWND dialog, UINT message, WPARAM wParam, Accept&& accept) {
    const bool command = message == WM_COMMAND;
    if (command && LOWORD(wParam) == IDOK) {
        accept();
        ::EndDialog(dialog, IDOK);
        return true;
    }
    if (message == WM_CLOSE || (command && LOWORD(wParam) == IDCANCEL)) {
        ::EndDialog(dialog, IDCANCEL);
        return true;
    }
    return false;
}

// Runs the dialog resource `id` modally for `dialog`; returns what EndDialog was given.
template <class Dialog>
INT_PTR RunModalDialog(HINSTANCE instance, int id, HWND owner, Dialog& dialog) {
    return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(id), owner, &DialogThunk<Dialog>,
                             reinterpret_cast<LPARAM>(&dialog));
}
