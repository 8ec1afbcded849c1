#pragma once

// The settings store over a registry key: a section is a subkey, every value a string.

#include <windows.h>

#include <optional>
#include <string>

#include "core/settings/Settings.h"
#include "win32/platform/UniqueHandle.h"

class RegistrySettingsStore : public SettingsStore {
  public:
    explicit RegistrySettingsStore(HKEY root = HKEY_CURRENT_USER,
                                   std::string keyPath = kProgramKey);

    void Open() override;
    void Close() noexcept override;
    std::optional<Value> Query(const std::string& section, const std::string& name) override;
    void SetString(const std::string& section, const std::string& name,
                   const std::string& text) override;

  private:
    // The program's key, opened by Open or, when the caller did not, for this one access.
    HKEY ProgramKey(UniqueKey& temporary);

    HKEY root_;
    std::string keyPath_;
    UniqueKey key_;
};
