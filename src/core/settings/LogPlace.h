#pragma once

// Where this run's log is: the file /F names, this computer's own file in a shared folder (named
// by /F, or else by the options), or the default log.

#include <string>

#include "core/settings/ProgramState.h"
#include "core/settings/Settings.h"

// Sets LogFolder and, with a folder, LogFileName to this computer's own log in it, after the
// command line is parsed and again when the options change the shared folder. A /F naming a file
// wins over the shared folder of the options, and so does one naming a folder.
void PlaceLog(ProgramState& state, const ParseEnvironment& env);

// The command line, then the settings, then the place of the log: what every start reads.
void LoadProgramState(ProgramState& state, const std::string& parameters,
                      const ParseEnvironment& env, SettingsStore& store);
