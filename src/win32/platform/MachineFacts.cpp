#include "win32/platform/MachineFacts.h"

#include <windows.h>
// After windows.h: RtlGenRandom needs its types.
#include <ntsecapi.h>

#include <chrono>
#include <vector>

#include "win32/platform/RegistryStore.h"
#include "win32/platform/UniqueHandle.h"
#include "win32/platform/WideText.h"

std::string ReadComputerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (::GetComputerNameW(name, &length) && length > 0)
        return Narrow(std::wstring_view(name, length));
    std::vector<wchar_t> variable(256);
    const DWORD got = ::GetEnvironmentVariableW(L"COMPUTERNAME", variable.data(),
                                                static_cast<DWORD>(variable.size()));
    if (got == 0 || got >= variable.size()) return std::string();
    return Narrow(std::wstring_view(variable.data(), got));
}

std::optional<std::string> ReadMachineGuid() {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Cryptography", 0,
                        KEY_QUERY_VALUE | KEY_WOW64_64KEY, &raw) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueKey key(raw);
    // A GUID's text is 38 characters at most; anything longer is no GUID.
    wchar_t text[64] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key.Get(), L"MachineGuid", nullptr, &type, reinterpret_cast<BYTE*>(text),
                           &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    int length = static_cast<int>(size / sizeof(wchar_t));
    while (length > 0 && text[length - 1] == L'\0') --length;
    return Narrow(std::wstring_view(text, static_cast<std::size_t>(length)));
}

MachineFacts ReadMachineFacts() {
    return MachineFacts{ReadComputerName(), ReadMachineGuid()};
}

std::uint32_t SystemRandom32() {
    std::uint32_t value = 0;
    if (RtlGenRandom(&value, sizeof value)) return value;
    // Without the system's source, the time and the process still differ between computers.
    const auto ticks = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    return static_cast<std::uint32_t>(ticks ^ (ticks >> 32)) ^
           (static_cast<std::uint32_t>(::GetCurrentProcessId()) * 2654435761u);
}

const std::string& OwnLogFileName() {
    static const std::string name = [] {
        RegistrySettingsStore store;
        return MakeComputerLogName(ReadMachineFacts(), store, SystemRandom32).FileName;
    }();
    return name;
}

bool IsExistingFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
