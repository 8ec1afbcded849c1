#include "win32/platform/AutoRunRegistry.h"

#include <windows.h>

#include <string>
#include <vector>

#include "win32/platform/ExecutablePath.h"
#include "win32/platform/UniqueHandle.h"
#include "win32/platform/WideText.h"

namespace {

class RunKey : public AutoRunKey {
  public:
    explicit RunKey(UniqueKey key) noexcept : key_(std::move(key)) {}

    bool ValueExists(const std::string& name) override {
        return ::RegQueryValueExW(key_.Get(), Widen(name).c_str(), nullptr, nullptr, nullptr,
                                  nullptr) == ERROR_SUCCESS;
    }

    bool ReadString(const std::string& name, std::string& data) override {
        const std::wstring wideName = Widen(name);
        DWORD type = 0;
        DWORD size = 0;
        if (::RegQueryValueExW(key_.Get(), wideName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            return false;
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
        // The stored text may or may not carry its NUL, and its size may be odd; the extra
        // character makes a NUL certain.
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
        size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        if (::RegQueryValueExW(key_.Get(), wideName.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
            return false;
        }
        data = Narrow(buffer.data());
        return true;
    }

    bool WriteString(const std::string& name, const std::string& data) override {
        const std::wstring wide = Widen(data);
        return ::RegSetValueExW(key_.Get(), Widen(name).c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(wide.c_str()),
                                static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) ==
               ERROR_SUCCESS;
    }

    bool DeleteValue(const std::string& name) override {
        return ::RegDeleteValueW(key_.Get(), Widen(name).c_str()) == ERROR_SUCCESS;
    }

  private:
    UniqueKey key_;
};

}  // namespace

std::unique_ptr<AutoRunKey> Win32AutoRunRegistry::OpenKey(const std::string& path) {
    const std::wstring widePath = Widen(path);
    HKEY key = nullptr;
    if (::RegCreateKeyExW(root_, widePath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS ||
        ::RegOpenKeyExW(root_, widePath.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        return std::make_unique<RunKey>(UniqueKey(key));
    }
    return nullptr;
}

std::string Win32AutoRunRegistry::ExecutablePath() {
    return ::ExecutablePath();
}

AutoRunEntries MachineAndUserAutoRun() {
    return {
        std::make_unique<AutoRunEntry>(std::make_unique<Win32AutoRunRegistry>(HKEY_LOCAL_MACHINE)),
        std::make_unique<AutoRunEntry>(std::make_unique<Win32AutoRunRegistry>(HKEY_CURRENT_USER))};
}
