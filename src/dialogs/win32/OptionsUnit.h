#pragma once

#include <windows.h>

#include <memory>

struct ProgramState;
class SettingsStore;
class TAMAutoRun;

// The main window's auto-run component ("Worktally", AutoRegister false, Params "/l") over the
// machine's HKEY_LOCAL_MACHINE.
std::unique_ptr<TAMAutoRun> CreateMainWindowAutoRun();

// The Options dialog: shows, and on OK applies and saves, the auto-run choices.
void ExecuteOptionsForm(HWND owner, ProgramState& state, TAMAutoRun& autoRun,
                        SettingsStore& settings);
