#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

struct ProgramState;
class SettingsStore;
class AutoRunEntry;

// The main window's auto-run entries ("Worktally", AutoRegister false, Params "/l"): the
// machine's under HKEY_LOCAL_MACHINE and the current user's under HKEY_CURRENT_USER.
struct MainWindowAutoRun {
    std::unique_ptr<AutoRunEntry> Machine;
    std::unique_ptr<AutoRunEntry> User;
};
MainWindowAutoRun CreateMainWindowAutoRun();

// The Options dialog: shows, and on OK applies and saves, the auto-run choices; what could not
// be done with the entry is said in a box.
void ShowOptionsDialog(HWND owner, ProgramState& state, MainWindowAutoRun& autoRun,
                       SettingsStore& settings,
                       const std::function<std::optional<std::string>()>& userName);
