#pragma once

// The password prompt shown before the log viewer opens.

#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/settings/PasswordCodec.h"

// The prompt of a command that has no window (the export, the corrections): the typed password
// on OK; the empty text on Cancel, Esc or close.
TypedPassword AskPasswordWithoutWindow(HINSTANCE instance);

class PasswordDialog {
  public:
    explicit PasswordDialog(HINSTANCE instance) : instance_(instance) {}

    // The typed password on OK; the empty text on Cancel, Esc or close.
    void Execute(HWND owner, TypedPassword& password);

    // True while the dialog is open.
    bool Showing() const { return showing_; }

  private:
    HINSTANCE instance_;
    bool showing_ = false;
};

// How a password dialog opens again after a mistake: the texts to keep (empty ones cleared), the
// edits that are disabled, and the edit that gets the focus.
struct PasswordDialogStart {
    std::vector<std::string> Texts;  // by edit; missing ones are empty
    std::vector<int> Disabled;       // control ids
    std::size_t Focus = 0;           // index into the edits
};

// Runs a dialog whose `edits` take passwords: masked, filled from `start` (empty by default),
// the focus edit focused with its text selected, the dialog in the foreground. The texts of the
// edits, in that order, on OK; nothing otherwise.
std::optional<std::vector<TypedPassword>> RunPasswordDialog(HINSTANCE instance, int dialogId,
                                                            HWND owner, std::span<const int> edits,
                                                            const PasswordDialogStart& start = {});
