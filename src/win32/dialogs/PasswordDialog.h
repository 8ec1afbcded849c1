#pragma once

// The password prompt shown before the log viewer opens.

#include <windows.h>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/settings/PasswordCodec.h"

// The typed password on OK; nothing on Cancel, Esc or close. Without an `owner` (a command that
// has no window) the prompt stands alone.
std::optional<TypedPassword> AskPassword(HINSTANCE instance, HWND owner);

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
