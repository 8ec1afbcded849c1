#include "win32/dialogs/ChangePasswordDialog.h"

#include "win32/dialogs/PasswordDialog.h"
#include "res/resource.h"

std::optional<NewPasswordInput> AskNewPassword(HINSTANCE instance, HWND owner, bool hasOldPassword,
                                               const PasswordRetry& retry,
                                               const TypedPassword& oldPassword) {
    static constexpr int kEdits[] = {IDC_OLD_PASSWORD_EDIT, IDC_NEW_PASSWORD_EDIT,
                                     IDC_RETYPE_NEW_PASSWORD_EDIT};
    PasswordDialogStart start;
    if (retry.KeepOld) start.Texts.push_back(oldPassword.Utf8);
    if (!hasOldPassword) start.Disabled = {IDC_OLD_PASSWORD_EDIT, IDC_OLD_PASSWORD_LABEL};
    start.Focus = retry.FocusOld && hasOldPassword ? 0 : 1;
    const auto texts = RunPasswordDialog(instance, IDD_CHANGE_PASSWORD, owner, kEdits, start);
    if (!texts) return std::nullopt;
    // A disabled box is ignored: with no password set there is no old one to give.
    return NewPasswordInput{hasOldPassword ? (*texts)[0] : TypedPassword(), (*texts)[1].Utf8,
                            (*texts)[2].Utf8};
}
