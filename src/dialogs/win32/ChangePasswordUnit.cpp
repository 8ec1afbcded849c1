#include "dialogs/win32/ChangePasswordUnit.h"

#include "dialogs/win32/PasswordUnit.h"
#include "res/resource.h"

namespace {

struct ChangePasswordDialogData {
    std::string OldPassword;
    std::string NewPassword;
    std::string RetypedPassword;
};

constexpr int kEdits[] = {IDC_OLD_PASSWORD_EDIT, IDC_NEW_PASSWORD_EDIT,
                          IDC_RETYPE_NEW_PASSWORD_EDIT};

void FormShow(HWND dialog) {
    ::SetForegroundWindow(dialog);
    ::SetFocus(::GetDlgItem(dialog, IDC_OLD_PASSWORD_EDIT));
}

INT_PTR CALLBACK ChangePasswordDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                          LPARAM lParam) noexcept {
    try {
        switch (message) {
            case WM_INITDIALOG:
                ::SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
                for (int id : kEdits) PreparePasswordEdit(::GetDlgItem(dialog, id));
                FormShow(dialog);
                return FALSE;
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDOK: {
                        auto* data = reinterpret_cast<ChangePasswordDialogData*>(
                            ::GetWindowLongPtrA(dialog, GWLP_USERDATA));
                        if (data != nullptr) {
                            data->OldPassword = EditText(::GetDlgItem(dialog, kEdits[0]));
                            data->NewPassword = EditText(::GetDlgItem(dialog, kEdits[1]));
                            data->RetypedPassword = EditText(::GetDlgItem(dialog, kEdits[2]));
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

bool TChangePasswordForm::Execute(HWND owner, std::string& oldPassword, std::string& newPassword,
                                  std::string& retypedPassword) {
    ChangePasswordDialogData data;
    BringApplicationToFront(owner);
    const INT_PTR result =
        ::DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_CHANGE_PASSWORD), owner,
                          ChangePasswordDialogProc, reinterpret_cast<LPARAM>(&data));
    if (result != IDOK) return false;
    oldPassword = data.OldPassword;
    newPassword = data.NewPassword;
    retypedPassword = data.RetypedPassword;
    return true;
}
