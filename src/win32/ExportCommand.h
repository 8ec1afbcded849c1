#pragma once

// The command-line export: run before the single-instance hand-over, with no main window.

#include <windows.h>

#include <optional>
#include <string>

#include "core/settings/ProgramState.h"

// The exit code when the parameters ask for an export; nothing otherwise.
std::optional<int> RunExportCommand(HINSTANCE instance, const std::string& parameters,
                                    const ParseEnvironment& environment);
