#pragma once

// The auto-run component's registry: keys under one root (HKEY_LOCAL_MACHINE or
// HKEY_CURRENT_USER) and this executable's path.

#include <windows.h>

#include <memory>

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

// The entry in the machine's Run key and the one in the current user's, which stands in where the
// machine's cannot be written.
struct AutoRunEntries {
    std::unique_ptr<AutoRunEntry> Machine;
    std::unique_ptr<AutoRunEntry> User;
};
AutoRunEntries MachineAndUserAutoRun();
