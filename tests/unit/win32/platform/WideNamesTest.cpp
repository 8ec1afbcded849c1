// Names outside the system's code page through the registry: what the core
// hands over in UTF-8 arrives whole, as other programs read it with the wide functions.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "win32/platform/AutoRunRegistry.h"
#include "win32/platform/RegistryStore.h"
#include "win32/platform/UniqueHandle.h"
#include "win32/platform/WideText.h"

namespace {

// "Łódź_日本語" in UTF-8: in neither code page 1252 nor 932 as a whole.
const std::string kName =
    "\xC5\x81\xC3\xB3"
    "d\xC5\xBA_\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
const std::wstring kWideName = L"\u0141\u00F3d\u017A_\u65E5\u672C\u8A9E";

std::wstring ReadWide(const std::wstring& keyPath, const std::wstring& name) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS)
        return L"(no key)";
    UniqueKey key(raw);
    std::vector<wchar_t> data(1024, L'\0');
    DWORD size = static_cast<DWORD>((data.size() - 1) * sizeof(wchar_t));
    DWORD type = 0;
    if (::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return L"(no text)";
    return data.data();
}

TEST(WideNames, RegistryTextsRoundTripAsUtf16) {
    const std::string key =
        "Software\\Quillmere\\WorktallyWideTest" + std::to_string(::GetCurrentProcessId());
    const std::string path = "C:\\" + kName + "\\worktally.exe /L /F \"C:\\" + kName + ".dat\"";
    const std::wstring widePath =
        L"C:\\" + kWideName + L"\\worktally.exe /L /F \"C:\\" + kWideName + L".dat\"";

    RegistrySettingsStore store(HKEY_CURRENT_USER, key);
    store.Open();
    store.SetString("Settings", "UserName", kName);
    const auto read = store.Query("Settings", "UserName");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->Data, kName + '\0');
    store.Close();
    EXPECT_EQ(ReadWide(Widen(key) + L"\\Settings", L"UserName"), kWideName);

    Win32AutoRunRegistry registry(HKEY_CURRENT_USER);
    const auto runKey = registry.OpenKey(key + "\\Run");
    ASSERT_NE(runKey, nullptr);
    ASSERT_TRUE(runKey->WriteString(kName, path));
    EXPECT_TRUE(runKey->ValueExists(kName));
    std::string back;
    ASSERT_TRUE(runKey->ReadString(kName, back));
    EXPECT_EQ(back, path);
    EXPECT_EQ(ReadWide(Widen(key) + L"\\Run", kWideName), widePath);
    EXPECT_TRUE(runKey->DeleteValue(kName));
    EXPECT_FALSE(runKey->ValueExists(kName));

    ::RegDeleteTreeW(HKEY_CURRENT_USER, Widen(key).c_str());
}

}  // namespace
