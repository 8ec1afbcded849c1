#include "win32/ExportCommand.h"

#include "win32/platform/ErrorBox.h"
#include "win32/platform/RegistryStore.h"
#include "win32/dialogs/PasswordDialog.h"
#include "core/reports/ExportRules.h"
#include "core/settings/CommandLine.h"
#include "core/settings/LogPlace.h"
#include "win32/platform/WideText.h"

std::optional<int> RunExportCommand(HINSTANCE instance, const std::string& parameters,
                                    const ParseEnvironment& environment) {
    const ExportRequest request = ParseExportParams(parameters);
    if (!request.Asked) return std::nullopt;
    ProgramState state;
    RegistrySettingsStore settings;
    // Read only: an export stores nothing.
    LoadProgramState(state, parameters, environment, settings);

    ExportUi ui;
    ui.AskPassword = [instance] {
        return AskPassword(instance, nullptr).value_or(TypedPassword());
    };
    ui.ShowError = [](const std::string& text) { ShowBox(nullptr, text, MB_OK | MB_ICONERROR); };
    return RunExport(request, state, NativeFileSystem(), ui, SystemClock().Now());
}
