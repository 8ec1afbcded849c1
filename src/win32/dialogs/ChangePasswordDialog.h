#pragma once

// The dialog that collects the old password and the new one twice.

#include <windows.h>

#include <optional>
#include <string>

#include "core/dialogs/PasswordRules.h"

// The three texts as typed.
struct NewPasswordInput {
    TypedPassword OldPassword;  // empty when there was no old password to give
    std::string NewPassword;    // always stored as UTF-8
    std::string RetypedPassword;
};

// The texts on OK; nothing on Cancel, Esc or close. The dialog opens as `retry` says (the first
// time: all empty, the old box enabled when `hasOldPassword`); `oldPassword` is what the box
// shows again when the retry keeps it.
std::optional<NewPasswordInput> AskNewPassword(HINSTANCE instance, HWND owner, bool hasOldPassword,
                                               const PasswordRetry& retry,
                                               const TypedPassword& oldPassword);
