#pragma once

// The auto-run component's registry: keys under HKEY_LOCAL_MACHINE and this executable's path.

#include "dialogs/AMAutoRun.h"

class HklmAutoRunRegistry : public AutoRunRegistry {
  public:
    std::unique_ptr<AutoRunKey> OpenKey(const std::string& path) override;
    std::string ExecutablePath() override;
};
