#pragma once

// The auto-run component's registry: keys under one root (HKEY_LOCAL_MACHINE or
// HKEY_CURRENT_USER) and this executable's path.

#include <windows.h>

#include "core/autorun/AutoRunEntry.h"

class Win32AutoRunRegistry : public AutoRunRegistry {
  public:
    explicit Win32AutoRunRegistry(HKEY root) noexcept : root_(root) {}
    // A key that cannot be opened for writing is opened for reading, so that an entry a
    // standard user cannot change is still seen.
    std::unique_ptr<AutoRunKey> OpenKey(const std::string& path) override;
    std::string ExecutablePath() override;

  private:
    HKEY root_;
};
