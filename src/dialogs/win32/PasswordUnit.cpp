#include "dialogs/win32/PasswordUnit.h"

#include "res/resource.h"

namespace {

struct PasswordDialogData {
    std::string Password;
};

// FormShow: a prompt opened from the tray must take the keyboard at once.
void FormShow(HWND dialog) {
    ::SetForegroundWindow(dialog);
    ::SetFocus(::GetDlgItem(dialog, IDC_PASSWORD_EDIT));
}

INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
    try {
        switch (message) {
            case WM_INITDIALOG:
                ::SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
                PreparePasswordEdit(::GetDlgItem(dialog, IDC_PASSWORD_EDIT));
                FormShow(dialog);
                return FALSE;  // focus already set
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDOK: {
                        auto* data = reinterpret_cast<PasswordDialogData*>(
                            ::GetWindowLongPtrA(dialog, GWLP_USERDATA));
                        if (data != nullptr) {
                            data->Password = EditText(::GetDlgItem(dialog, IDC_PASSWORD_EDIT));
                        }
                        ::EndDialog(dialog, IDOK);
                        return TRUE;
                    }
                    case IDCANCEL:
                        ::EndDialog(dialog, IDCANCEL);
                        return TRUE;
                }
                break;
            case WM_CLOSE:
                ::EndDialog(dialog, IDCANCEL);
                return TRUE;
        }
    } catch (...) {
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void BringApplicationToFront(HWND mainWindow) {
    if (mainWindow == nullptr) return;
    const HWND active = ::GetLastActivePopup(mainWindow);
    if (active != nullptr && ::IsWindowVisible(active) && ::IsWindowEnabled(active)) {
        ::SetForegroundWindow(active);
    }
}

void PreparePasswordEdit(HWND edit) {
    ::SendMessageA(edit, EM_SETPASSWORDCHAR, static_cast<WPARAM>('*'), 0);
    ::SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);  // no length limit
    ::SetWindowTextA(edit, "");
}

std::string EditText(HWND edit) {
    const int length = ::GetWindowTextLengthA(edit);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = ::GetWindowTextA(edit, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

void TPasswordForm::Execute(HWND owner, std::string& password) {
    PasswordDialogData data;
    BringApplicationToFront(owner);
    showing_ = true;
    const INT_PTR result = ::DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_PASSWORD), owner,
                                             PasswordDialogProc, reinterpret_cast<LPARAM>(&data));
    showing_ = false;
    password = result == IDOK ? data.Password : std::string();
}
