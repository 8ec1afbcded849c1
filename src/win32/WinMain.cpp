// Start-up, the message loop and the end steps of worktally.exe.

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "core/settings/CommandLine.h"
#include "core/settings/Settings.h"
#include "win32/CorrectionCommand.h"
#include "win32/ExportCommand.h"
#include "win32/platform/RegistryStore.h"
#include "win32/platform/SingleInstance.h"
#include "win32/main_window/MainWindow.h"
#include "win32/platform/DefaultLogPlace.h"

namespace {

std::optional<std::string> LogOnName() {
    char buffer[257]{};  // UNLEN + 1
    DWORD size = sizeof(buffer);
    if (::GetUserNameA(buffer, &size)) return std::string(buffer);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return std::nullopt;
    std::string name(size, '\0');
    if (!::GetUserNameA(name.data(), &size)) return std::nullopt;
    name.resize(name.find('\0'));
    return name;
}

ParseEnvironment MachineEnvironment() {
    ParseEnvironment environment;
    environment.DefaultLog = MachineDefaultLog();
    environment.UserName = LogOnName;
    return environment;
}

int RunMessageLoop(MainWindow& form) {
    MSG message{};
    int result = 0;
    for (;;) {
        const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            result = static_cast<int>(message.wParam);
            break;
        }
        if (got == -1) break;
        if (form.PreTranslateMessage(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return result;
}

int RunWorktally(HINSTANCE instance) {
    ProgramState state;
    ParamsChannel channel;  // released last: the first instance keeps the section to the end
    const std::string parameters = JoinParams(__argc, __argv);
    // An export serves a script: no hand-over to a running instance, no window, no logging.
    if (const std::optional<int> exitCode =
            RunExportCommand(instance, parameters, MachineEnvironment()))
        return *exitCode;
    if (const std::optional<int> exitCode =
            RunCorrectionCommand(instance, parameters, MachineEnvironment()))
        return *exitCode;

    state.StopAtStart = CheckSingleInstance(state, channel, parameters);
    const ParseEnvironment environment = MachineEnvironment();
    ParseParams(state, parameters, environment);
    RegistrySettingsStore settings;
    LoadSettings(state, settings);
    // A process that stops here would only write back what it has just read, possibly over
    // what the running instance stored in the meantime.
    if (state.StopAtStart) return 0;

    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_TREEVIEW_CLASSES | ICC_BAR_CLASSES | ICC_DATE_CLASSES;
    ::InitCommonControlsEx(&controls);

    MainWindow form(instance, state, settings, channel, environment);
    form.Create();
    int result = 0;
    if (!state.ShowLogAtStart || (form.ShowViewer(), form.Visible())) {
        result = RunMessageLoop(form);
    }
    form.Destroy();  // the end step: last tick, tray icon, window place
    form.SaveSettingsOnce();
    return result;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        return RunWorktally(instance);
    } catch (const std::exception& error) {
        ::MessageBoxA(nullptr, error.what(), "Worktally", MB_OK | MB_ICONERROR);
    } catch (...) {
        ::MessageBoxA(nullptr, "Unexpected error", "Worktally", MB_OK | MB_ICONERROR);
    }
    return 1;
}
