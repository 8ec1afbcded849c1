// The machine's name and GUID and the random source against the real Win32 API (run under
// Wine here).

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "win32/platform/MachineFacts.h"
#include "win32/platform/UniqueHandle.h"

namespace {

const wchar_t kCryptographyKey[] = L"SOFTWARE\\Microsoft\\Cryptography";

// The machine's GUID as the 64-bit view holds it, or nullopt; read here without the code
// under test.
std::optional<std::wstring> StoredGuid() {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCryptographyKey, 0, KEY_READ | KEY_WOW64_64KEY,
                        &raw) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueKey key(raw);
    wchar_t text[128] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegQueryValueExW(key.Get(), L"MachineGuid", nullptr, &type, reinterpret_cast<BYTE*>(text),
                           &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    return std::wstring(text);
}

void SetStoredGuid(const std::optional<std::wstring>& guid) {
    HKEY raw = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCryptographyKey, 0, nullptr, 0,
                                KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &raw, nullptr),
              ERROR_SUCCESS);
    const UniqueKey key(raw);
    if (!guid) {
        ::RegDeleteValueW(key.Get(), L"MachineGuid");
        return;
    }
    const auto bytes = static_cast<DWORD>((guid->size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(::RegSetValueExW(key.Get(), L"MachineGuid", 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(guid->c_str()), bytes),
              ERROR_SUCCESS);
}

// Puts the machine's GUID back whatever the test did to it.
class GuidRestorer {
  public:
    GuidRestorer() : saved_(StoredGuid()) {}
    GuidRestorer(const GuidRestorer&) = delete;
    GuidRestorer& operator=(const GuidRestorer&) = delete;
    ~GuidRestorer() { SetStoredGuid(saved_); }

  private:
    std::optional<std::wstring> saved_;
};

}  // namespace

TEST(MachineFacts, TheGuidComesFromThe64BitViewAndIsMissingWhenItIsNotThere) {
    const GuidRestorer restorer;
    SetStoredGuid(L"1A2B3C4D-5E6F-7081-92A3-B4C5D6E7F809");
    EXPECT_EQ(ReadMachineGuid(),
              std::optional<std::string>("1A2B3C4D-5E6F-7081-92A3-B4C5D6E7F809"));
    EXPECT_EQ(ReadMachineFacts().MachineGuid, ReadMachineGuid());
    SetStoredGuid(std::nullopt);
    EXPECT_EQ(ReadMachineGuid(), std::nullopt);
}

TEST(MachineFacts, TheComputerNameIsTheOneTheEnvironmentGivesAndRandomDrawsDiffer) {
    wchar_t variable[256] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"COMPUTERNAME", variable, 256);
    ASSERT_GT(length, 0u);
    std::string expected;
    for (DWORD i = 0; i < length; ++i) expected += static_cast<char>(variable[i]);  // ASCII here
    EXPECT_EQ(ReadComputerName(), expected);

    std::set<std::uint32_t> draws;
    for (int i = 0; i < 8; ++i) draws.insert(SystemRandom32());
    EXPECT_GT(draws.size(), 1u);
}
