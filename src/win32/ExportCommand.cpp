#include "win32/ExportCommand.h"

#include "win32/platform/ErrorBox.h"
#include "win32/platform/RegistryStore.h"
#include "win32/dialogs/PasswordDialog.h"
#include "core/reports/ExportRules.h"
#include "core/settings/CommandLine.h"
#include "win32/platform/WideText.h"

std::optional<int> RunExportCommand(HINSTANCE instance, const std::string& parameters,
                                    const ParseEnvironment& environment) {
    const ExportRequest request = ParseExportParams(parameters);
    if (!request.Asked) return std::nullopt;
    ProgramState state;
    ParseParams(state, parameters, environment);
    RegistrySettingsStore settings;
    LoadSettings(state, settings);  // read only: an export stores nothing

    ExportUi ui;
    ui.AskPassword = [instance] {
        return AskPassword(instance, nullptr).value_or(TypedPassword());
    };
    ui.ShowError = [](const std::string& text) { ShowBox(nullptr, text, MB_OK | MB_ICONERROR); };
    return RunExport(request, state, NativeFileSystem(), ui, SystemClock().Now());
}
