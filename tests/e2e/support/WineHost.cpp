#include "e2e/support/WineHost.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "e2e/support/Files.h"
#include "e2e/support/Wait.h"
#include "win32/platform/WideText.h"

namespace e2e {

std::string ToWindowsPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string result = "Z:" + path;
    for (char& c : result)
        if (c == '/') c = '\\';
    return result;
}

std::string ToUnixPath(const std::string& windowsPath) {
    if (windowsPath.size() < 3 || (windowsPath[0] != 'Z' && windowsPath[0] != 'z') ||
        windowsPath[1] != ':')
        return {};
    std::string path = windowsPath.substr(2);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

std::string TestRoot() {
    const char* configured = std::getenv("WORKTALLY_E2E_DIR");
    if (configured != nullptr && *configured != 0) return ToWindowsPath(configured);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string root = temp;
    if (!root.empty() && root.back() == '\\') root.pop_back();
    return root + "\\worktally-e2e";
}

void RunUnixDetached(const std::string& commandLine) {
    // UTF-8 in, so that a name outside the code page reaches the Unix program intact.
    std::wstring line = Widen(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
        throw HarnessError("cannot run " + commandLine);
    if (info.hThread != nullptr) CloseHandle(info.hThread);
    if (info.hProcess != nullptr) CloseHandle(info.hProcess);
}

int RunUnix(const std::string& shellCommand) {
    // A Unix process started from Wine cannot be waited for: it leaves its exit code in a file.
    const char* root = std::getenv("WORKTALLY_E2E_DIR");
    if (root == nullptr || root[0] != '/')
        throw HarnessError("Unix commands need WORKTALLY_E2E_DIR as a Unix path");
    static int serial = 0;
    const std::string marker = std::string(root) + "/unix-" +
                               std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(++serial);
    const std::string windowsMarker = ToWindowsPath(marker);
    DeleteFileA(windowsMarker.c_str());
    RunUnixDetached("/bin/sh -c \"" + shellCommand + "; echo $? > " + marker + ".tmp; mv " +
                    marker + ".tmp " + marker + "\"");
    if (!WaitUntil([&] { return FileExists(windowsMarker); }))
        throw HarnessError("no end of " + shellCommand);
    const auto bytes = ReadBytes(windowsMarker);
    DeleteFileA(windowsMarker.c_str());
    return std::atoi(std::string(bytes.begin(), bytes.end()).c_str());
}

std::string WineLoader() {
    const char* configured = std::getenv("WINE64");
    return configured != nullptr && *configured != 0 ? configured : "/usr/lib/wine/wine64";
}

ImmutableFolder::ImmutableFolder(std::string unixPath) : path_(std::move(unixPath)) {
    if (path_.empty() || RunUnix("/usr/bin/chattr +i " + path_) != 0)
        throw HarnessError("cannot make " + path_ + " immutable");
}

ImmutableFolder::~ImmutableFolder() {
    RunUnix("/usr/bin/chattr -i " + path_);
}

}  // namespace e2e
