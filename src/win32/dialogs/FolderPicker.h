#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The folder the user picks in the system's folder dialog, which opens at `initial` when that
// is a folder; nullopt when the user cancels or the dialog cannot be shown.
std::optional<std::string> PickFolder(HWND owner, const std::string& initial);
