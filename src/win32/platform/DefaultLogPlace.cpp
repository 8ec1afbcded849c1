#include "win32/platform/DefaultLogPlace.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <memory>

#include "core/settings/CommandLine.h"
#include "core/settings/ProgramState.h"
#include "win32/platform/ExecutablePath.h"
#include "win32/platform/SystemError.h"
#include "win32/platform/UniqueHandle.h"
#include "win32/platform/WideText.h"

namespace {

struct CoTaskFree {
    void operator()(wchar_t* text) const { ::CoTaskMemFree(text); }
};

std::string LocalAppDataFolder() {
    wchar_t* raw = nullptr;
    const HRESULT result = ::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &raw);
    const std::unique_ptr<wchar_t, CoTaskFree> owned(raw);
    if (SUCCEEDED(result) && owned) return Narrow(owned.get());
    const wchar_t* variable = ::_wgetenv(L"LOCALAPPDATA");
    return variable != nullptr ? Narrow(variable) : std::string();
}

}  // namespace

bool FolderWritable(const std::string& folder) {
    const std::wstring probe = Widen(AddBackslash(folder)) + L"worktally-probe-" +
                               std::to_wstring(::GetCurrentProcessId()) + L"-" +
                               std::to_wstring(::GetTickCount64()) + L".tmp";
    const UniqueFile file(::CreateFileW(
        probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
        FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return static_cast<bool>(file);
}

DefaultLogFacts MachineDefaultLogFacts() {
    DefaultLogFacts facts;
    facts.ProgramFolder = ExecutableDirectory();
    const std::wstring beside = Widen(AddBackslash(facts.ProgramFolder) + kDefaultLogName);
    facts.LogBesideProgram = ::GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES;
    // Asked only when needed: the probe writes to the disk.
    if (!facts.LogBesideProgram) facts.ProgramFolderWritable = FolderWritable(facts.ProgramFolder);
    if (!facts.LogBesideProgram && !facts.ProgramFolderWritable)
        facts.LocalAppData = LocalAppDataFolder();
    return facts;
}

std::optional<std::string> MakeDefaultLogFolder(const DefaultLogChoice& choice) {
    if (choice.FolderToMake.empty()) return std::nullopt;
    if (::CreateDirectoryW(Widen(choice.FolderToMake).c_str(), nullptr)) return std::nullopt;
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS) return std::nullopt;
    return "Cannot make the folder for the log " + choice.FolderToMake + "\n" +
           SystemErrorText(error);
}

const std::string& MachineDefaultLog() {
    static const std::string path = [] {
        const DefaultLogChoice choice = ChooseDefaultLog(MachineDefaultLogFacts());
        // Shown and gone on: the log's own errors follow where it is used.
        if (const std::optional<std::string> failure = MakeDefaultLogFolder(choice))
            ::MessageBoxW(nullptr, Widen(*failure).c_str(), L"Worktally", MB_OK | MB_ICONERROR);
        return choice.Path;
    }();
    return path;
}
