#include "win32/platform/RegistryStore.h"

#include <cstring>
#include <utility>
#include <vector>

#include "win32/platform/WideText.h"

namespace {

[[noreturn]] void Fail(const char* what, LSTATUS status) {
    throw StoreError(std::string(what) + " failed (" + std::to_string(status) + ")");
}

HKEY CreateKey(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    const LSTATUS status =
        ::RegCreateKeyExW(parent, Widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) Fail("RegCreateKeyExW", status);
    return key;
}

}  // namespace

RegistrySettingsStore::RegistrySettingsStore(HKEY root, std::string keyPath)
    : root_(root), keyPath_(std::move(keyPath)) {}

void RegistrySettingsStore::Open() {
    key_.Attach(CreateKey(root_, keyPath_));
}

void RegistrySettingsStore::Close() noexcept {
    key_.Close();
}

HKEY RegistrySettingsStore::ProgramKey(UniqueKey& temporary) {
    if (key_) return key_.Get();
    temporary.Attach(CreateKey(root_, keyPath_));
    return temporary.Get();
}

std::optional<SettingsStore::Value> RegistrySettingsStore::Query(const std::string& section,
                                                                 const std::string& name) {
    UniqueKey temporary;
    const HKEY program = ProgramKey(temporary);
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(program, Widen(section).c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) {
        return std::nullopt;  // a missing section reads as the default
    }
    UniqueKey sectionKey(raw);

    const std::wstring wideName = Widen(name);
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status =
        ::RegQueryValueExW(sectionKey.Get(), wideName.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (status != ERROR_SUCCESS) Fail("RegQueryValueExW", status);

    // The value may grow between the two calls; ask again with the size it reports.
    std::vector<char> data(size);
    for (;;) {
        DWORD got = static_cast<DWORD>(data.size());
        status = ::RegQueryValueExW(sectionKey.Get(), wideName.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &got);
        if (status == ERROR_MORE_DATA) {
            data.resize(got);
            continue;
        }
        if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
        if (status != ERROR_SUCCESS) Fail("RegQueryValueExW", status);
        data.resize(got);
        break;
    }

    Value value;
    value.Type = type == REG_SZ          ? ValueType::String
                 : type == REG_EXPAND_SZ ? ValueType::ExpandString
                                         : ValueType::Other;
    if (value.Type == ValueType::Other) {
        value.Data.assign(data.begin(), data.end());
    } else {
        // UTF-16 in the registry, UTF-8 for the core; an odd last byte is not a character.
        std::wstring wide(data.size() / sizeof(wchar_t), L'\0');
        std::memcpy(wide.data(), data.data(), wide.size() * sizeof(wchar_t));
        value.Data = Narrow(wide);
    }
    return value;
}

void RegistrySettingsStore::SetString(const std::string& section, const std::string& name,
                                      const std::string& text) {
    UniqueKey temporary;
    const HKEY program = ProgramKey(temporary);
    UniqueKey sectionKey(CreateKey(program, section));
    // The stored data is the text and its NUL.
    const std::wstring wide = Widen(text);
    const LSTATUS status =
        ::RegSetValueExW(sectionKey.Get(), Widen(name).c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(wide.c_str()),
                         static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) Fail("RegSetValueExW", status);
}
