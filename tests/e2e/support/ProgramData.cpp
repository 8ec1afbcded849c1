#include "e2e/support/ProgramData.h"

#include <cstdint>

#include "core/log/LogFile.h"
#include "core/settings/PasswordCodec.h"
#include "e2e/support/Files.h"
#include "e2e/support/Wait.h"
#include "win32/platform/UniqueHandle.h"

namespace e2e {

void DeleteRegistryTree(HKEY root, const std::string& key) {
    const LONG result = RegDeleteTreeA(root, key.c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        throw HarnessError("cannot delete registry key " + key);
    RegDeleteKeyA(root, key.c_str());
}

std::optional<std::string> ReadRegistryString(HKEY root, const std::string& key,
                                              const std::string& name) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return std::nullopt;
    const UniqueKey opened(raw);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ) throw HarnessError("registry value " + name + " is not REG_SZ");
    std::string data(size, '\0');
    if (size != 0 && RegQueryValueExA(opened.Get(), name.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        throw HarnessError("cannot read registry value " + name);
    data.resize(size);
    if (!data.empty() && data.back() == '\0') data.pop_back();
    return data;
}

void WriteRegistryString(HKEY root, const std::string& key, const std::string& name,
                         const std::string& value) {
    HKEY raw = nullptr;
    const LONG created =
        RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr);
    const UniqueKey opened(raw);
    if (created != ERROR_SUCCESS ||
        RegSetValueExA(opened.Get(), name.c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
        throw HarnessError("cannot write registry value " + name);
}

void DeleteRegistryValue(HKEY root, const std::string& key, const std::string& name) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &raw) != ERROR_SUCCESS) return;
    const UniqueKey opened(raw);
    RegDeleteValueA(opened.Get(), name.c_str());
}

void StorePassword(const std::string& password) {
    WriteRegistryString(HKEY_CURRENT_USER, kSettingsKey, "Password", EncodePassword(password));
}

DateTime Now() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return EncodeDate(t.wYear, t.wMonth, t.wDay) +
           EncodeTime(t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

std::vector<DateTime> ReadLog(const std::string& path, const std::string& password) {
    const auto bytes = ReadBytes(path);
    std::vector<DateTime> records;
    for (std::size_t r = 0; r + 8 <= bytes.size(); r += 8)
        records.push_back(UnscrambleRecord(password, static_cast<std::int32_t>(r / 8),
                                           LoadRecordBytes(bytes.data() + r)));
    return records;
}

std::vector<unsigned char> LogBytes(const std::vector<DateTime>& records,
                                    const std::string& password) {
    std::vector<unsigned char> bytes(records.size() * 8);
    for (std::size_t r = 0; r < records.size(); ++r)
        StoreRecordBytes(ScrambleRecord(password, static_cast<std::int32_t>(r), records[r]),
                         bytes.data() + r * 8);
    return bytes;
}

}  // namespace e2e
