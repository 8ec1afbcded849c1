#pragma once

// The dialog that collects the old password and the new one twice.

#include <windows.h>

#include <string>

#include "core/dialogs/PasswordRules.h"

class ChangePasswordDialog {
  public:
    explicit ChangePasswordDialog(HINSTANCE instance) : instance_(instance) {}

    // True on OK, with the three texts as typed; on Cancel the outputs are left untouched. The
    // dialog opens as `retry` says (the first time: all empty, the old box enabled when
    // `hasOldPassword`).
    bool Execute(HWND owner, bool hasOldPassword, const PasswordRetry& retry,
                 TypedPassword& oldPassword, std::string& newPassword,
                 std::string& retypedPassword);

  private:
    HINSTANCE instance_;
};
