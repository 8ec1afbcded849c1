#pragma once

// The password prompt shown before the log viewer opens.

#include <windows.h>

#include <string>

class TPasswordForm {
  public:
    explicit TPasswordForm(HINSTANCE instance) : instance_(instance) {}

    // The typed password on OK; the empty text on Cancel, Esc or close.
    void Execute(HWND owner, std::string& password);

    // True while the dialog is open.
    bool Showing() const { return showing_; }

  private:
    HINSTANCE instance_;
    bool showing_ = false;
};

// Shared by the password dialogs.
void BringApplicationToFront(HWND mainWindow);
void PreparePasswordEdit(HWND edit);
std::string EditText(HWND edit);
