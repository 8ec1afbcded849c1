#pragma once

// What the recorder's tests share: a clock the test sets, a day's times and a recorder over a
// log in memory.

#include <cstdint>
#include <string>
#include <vector>

#include "core/log/Recorder.h"
#include "core/settings/PasswordCodec.h"
#include "unit/support/MemoryFileSystem.h"

namespace recorder_test {

using Bytes = MemoryFileSystem::Bytes;
using Op = MemoryFileSystem::Op;

inline const std::string kLog = "C:\\logs\\worktaly.dat";

class FakeClock final : public Clock {
  public:
    DateTime Now() const override { return now; }
    DateTime now = 0;
};

// 2024-03-10 at the given time, `days` later.
inline DateTime At(int hour, int minute, int second = 0, int days = 0) {
    return EncodeDateTime(2024, 3, 10, hour, minute, second) + days;
}

struct Fixture {
    MemoryFileSystem files;
    FakeClock clock;
    SessionRecorder recorder{files, clock};
};

}  // namespace recorder_test
