#pragma once

// The command-line corrections /A and /X: run before the single-instance hand-over, with no
// main window.

#include <windows.h>

#include <optional>
#include <string>

#include "core/settings/ProgramState.h"

// The exit code when the parameters ask for a correction; nothing otherwise.
std::optional<int> RunCorrectionCommand(HINSTANCE instance, const std::string& parameters,
                                        const ParseEnvironment& environment);
