#pragma once

// The password prompt shown before the log viewer opens.

#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

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

// Runs a dialog whose `edits` take passwords: masked, emptied, the first one focused, the
// dialog in the foreground. The texts of the edits, in that order, on OK; nothing otherwise.
std::optional<std::vector<std::string>> RunPasswordDialog(HINSTANCE instance, int dialogId,
                                                          HWND owner, std::span<const int> edits);
