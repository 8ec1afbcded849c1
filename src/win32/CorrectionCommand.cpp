#include "win32/CorrectionCommand.h"

#include "core/reports/CorrectionCommand.h"
#include "core/settings/CommandLine.h"
#include "core/settings/LogPlace.h"
#include "core/settings/Settings.h"
#include "win32/dialogs/PasswordDialog.h"
#include "win32/platform/ErrorBox.h"
#include "win32/platform/LogLocks.h"
#include "win32/platform/RegistryStore.h"

std::optional<int> RunCorrectionCommand(HINSTANCE instance, const std::string& parameters,
                                        const ParseEnvironment& environment) {
    const CorrectionRequest request = ParseCorrectionParams(parameters);
    if (!request.Asked) return std::nullopt;
    ProgramState state;
    RegistrySettingsStore settings;
    // Read only: a correction stores no setting.
    LoadProgramState(state, parameters, environment, settings);

    CorrectionUi ui;
    ui.AskPassword = [instance] {
        return AskPassword(instance, nullptr).value_or(TypedPassword());
    };
    ui.ShowError = [](const std::string& text) {
        ShowBox(nullptr, text, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    };
    // The running instance keeps its session last and extends it after the change: every change
    // of the log, its ticks too, is made under the log's guard.
    return RunCorrection(request, state, NativeFileSystem(), ui, SystemClock().Now(),
                         IsBeingRecorded(state.LogFileName));
}
