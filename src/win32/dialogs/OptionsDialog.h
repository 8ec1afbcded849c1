#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "win32/platform/AutoRunRegistry.h"

struct ProgramState;
class SettingsStore;

// The Options dialog: shows, and on OK applies and saves, the auto-run choices; what could not
// be done with the entry is said in a box.
void ShowOptionsDialog(HWND owner, ProgramState& state, AutoRunEntries& autoRun,
                       SettingsStore& settings,
                       const std::function<std::optional<std::string>()>& userName);
