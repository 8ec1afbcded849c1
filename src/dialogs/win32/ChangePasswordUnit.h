#pragma once

// The dialog that collects the old password and the new one twice.

#include <windows.h>

#include <string>

class TChangePasswordForm {
  public:
    explicit TChangePasswordForm(HINSTANCE instance) : instance_(instance) {}

    // True on OK, with the three texts as typed; on Cancel the outputs are left untouched.
    bool Execute(HWND owner, std::string& oldPassword, std::string& newPassword,
                 std::string& retypedPassword);

  private:
    HINSTANCE instance_;
};
