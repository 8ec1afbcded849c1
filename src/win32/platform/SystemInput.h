#pragma once

// The session's last keyboard or mouse input, from GetLastInputInfo.

#include <windows.h>

#include "core/log/Recorder.h"

class SystemInput final : public InputSource {
  public:
    InputState LastInput() const override {
        LASTINPUTINFO info{};
        info.cbSize = sizeof(info);
        if (!::GetLastInputInfo(&info)) return {};  // unknown: counts as input just now
        // Unsigned arithmetic stays right across the tick count's wrap after 49.7 days.
        const DWORD idleMs = ::GetTickCount() - info.dwTime;
        return {idleMs / 86400000.0, info.dwTime};
    }
};
