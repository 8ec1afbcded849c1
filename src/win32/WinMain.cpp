// Start-up, the message loop and the end steps of worktally.exe.

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/settings/CommandLine.h"
#include "core/settings/LogPlace.h"
#include "core/settings/Settings.h"
#include "win32/CorrectionCommand.h"
#include "win32/ExportCommand.h"
#include "win32/platform/RegistryStore.h"
#include "win32/platform/SingleInstance.h"
#include "win32/main_window/MainWindow.h"
#include "win32/platform/DefaultLogPlace.h"
#include "win32/platform/ExecutablePath.h"
#include "win32/platform/MachineFacts.h"
#include "win32/platform/WideText.h"

namespace {

std::optional<std::string> LogOnName() {
    wchar_t buffer[257]{};  // UNLEN + 1
    DWORD size = static_cast<DWORD>(std::size(buffer));
    if (::GetUserNameW(buffer, &size)) return Narrow(buffer);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return std::nullopt;
    std::wstring name(size, L'\0');
    if (!::GetUserNameW(name.data(), &size)) return std::nullopt;
    name.resize(name.find(L'\0'));
    return Narrow(name);
}

struct LocalMemoryFree {
    void operator()(LPWSTR* memory) const noexcept { ::LocalFree(memory); }
};

// The parameters as UTF-8: the ANSI __argv loses every character outside the code page.
std::string CommandLineParameters() {
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalMemoryFree> arguments(
        ::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (!arguments) return JoinParams(__argc, __argv);
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) texts.push_back(Narrow(arguments.get()[i]));
    std::vector<const char*> pointers;
    for (const std::string& text : texts) pointers.push_back(text.c_str());
    return JoinParams(count, pointers.data());
}

ParseEnvironment MachineEnvironment() {
    ParseEnvironment environment;
    environment.DefaultLog = MachineDefaultLog();
    environment.UserName = LogOnName;
    environment.IsFolder = IsExistingFolder;
    environment.ComputerLogFile = OwnLogFileName;
    return environment;
}

int RunMessageLoop(MainWindow& form) {
    MSG message{};
    int result = 0;
    for (;;) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            result = static_cast<int>(message.wParam);
            break;
        }
        if (got == -1) break;
        if (form.PreTranslateMessage(message)) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return result;
}

int RunWorktally(HINSTANCE instance) {
    ProgramState state;
    ParamsChannel channel;  // released last: the first instance keeps the section to the end
    const std::string parameters = CommandLineParameters();
    // An export serves a script: no hand-over to a running instance, no window, no logging.
    if (const std::optional<int> exitCode =
            RunExportCommand(instance, parameters, MachineEnvironment()))
        return *exitCode;
    if (const std::optional<int> exitCode =
            RunCorrectionCommand(instance, parameters, MachineEnvironment()))
        return *exitCode;

    state.StopAtStart = CheckSingleInstance(state, channel, parameters);
    const ParseEnvironment environment = MachineEnvironment();
    RegistrySettingsStore settings;
    LoadProgramState(state, parameters, environment, settings);
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
        ::MessageBoxW(nullptr, Widen(error.what()).c_str(), L"Worktally", MB_OK | MB_ICONERROR);
    } catch (...) {
        ::MessageBoxW(nullptr, L"Unexpected error", L"Worktally", MB_OK | MB_ICONERROR);
    }
    return 1;
}
