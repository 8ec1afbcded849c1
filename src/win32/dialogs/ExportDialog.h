#pragma once

// File > Export: asks where to write which kind of CSV, then writes it.

#include <windows.h>

#include "core/settings/Settings.h"
#include "core/settings/PasswordCodec.h"
#include "core/settings/CommandLine.h"

// Opens the Save As dialog, offering the kind chosen last (days at first) under its suggested
// name, and exports the log of `state` with its stored password; the written file or a failure
// is told in a box owned by `owner`.
void ExportFromViewer(HWND owner, const ProgramState& state);
