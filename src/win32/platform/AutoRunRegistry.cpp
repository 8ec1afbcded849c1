#include "win32/platform/AutoRunRegistry.h"

#include <windows.h>

#include <string>
#include <vector>

#include "win32/platform/ExecutablePath.h"
#include "win32/platform/UniqueHandle.h"

namespace {

class RunKey : public AutoRunKey {
  public:
    explicit RunKey(UniqueKey key) noexcept : key_(std::move(key)) {}

    bool ValueExists(const std::string& name) override {
        return ::RegQueryValueExA(key_.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }

    bool ReadString(const std::string& name, std::string& data) override {
        DWORD type = 0;
        DWORD size = 0;
        if (::RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            return false;
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
        std::vector<char> buffer(size + 1, '\0');
        if (::RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
            return false;
        }
        // The stored text may or may not carry its NUL; the extra byte makes one certain.
        data.assign(buffer.data());
        return true;
    }

    bool WriteString(const std::string& name, const std::string& data) override {
        return ::RegSetValueExA(key_.Get(), name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(data.c_str()),
                                static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
    }

    bool DeleteValue(const std::string& name) override {
        return ::RegDeleteValueA(key_.Get(), name.c_str()) == ERROR_SUCCESS;
    }

  private:
    UniqueKey key_;
};

}  // namespace

std::unique_ptr<AutoRunKey> Win32AutoRunRegistry::OpenKey(const std::string& path) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root_, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                          nullptr, &key, nullptr) == ERROR_SUCCESS ||
        ::RegOpenKeyExA(root_, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
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
