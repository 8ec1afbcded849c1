#include "dialogs/win32/ChangePasswordUnit.h"

#include "dialogs/win32/PasswordUnit.h"
#include "res/resource.h"

bool TChangePasswordForm::Execute(HWND owner, std::string& oldPassword, std::string& newPassword,
                                  std::string& retypedPassword) {
    static constexpr int kEdits[] = {IDC_OLD_PASSWORD_EDIT, IDC_NEW_PASSWORD_EDIT,
                                     IDC_RETYPE_NEW_PASSWORD_EDIT};
    const auto texts = RunPasswordDialog(instance_, IDD_CHANGE_PASSWORD, owner, kEdits);
    if (!texts) return false;
    oldPassword = (*texts)[0];
    newPassword = (*texts)[1];
    retypedPassword = (*texts)[2];
    return true;
}
