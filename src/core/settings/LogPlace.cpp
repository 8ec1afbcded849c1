#include "core/settings/LogPlace.h"

#include "core/log/LogFolder.h"
#include "core/settings/CommandLine.h"

namespace {

// A /F operand names a folder when it ends with a separator or names an existing folder.
bool NamesFolder(const std::string& path, const ParseEnvironment& env) {
    return EndsWithSeparator(path) || (env.IsFolder && env.IsFolder(path));
}

}  // namespace

void PlaceLog(ProgramState& state, const ParseEnvironment& env) {
    if (state.LogFileNamed) {
        // A /F naming a folder is placed once; one naming a file wins over the options.
        if (!state.LogFolder.empty() || !NamesFolder(state.LogFileName, env)) return;
        state.LogFolder = state.LogFileName;
    } else {
        state.LogFileName = env.DefaultLog;
        state.LogFolder = state.SharedFolder;
        if (state.LogFolder.empty()) return;
    }
    const std::string ownName = env.ComputerLogFile ? env.ComputerLogFile() : kDefaultLogName;
    state.LogFileName = PathInFolder(state.LogFolder, ownName);
}

void LoadProgramState(ProgramState& state, const std::string& parameters,
                      const ParseEnvironment& env, SettingsStore& store) {
    ParseParams(state, parameters, env);
    LoadSettings(state, store);
    PlaceLog(state, env);
}
