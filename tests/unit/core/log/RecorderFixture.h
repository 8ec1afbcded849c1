#pragma once

// What the recorder's tests share: a clock the test sets, a day's times, and logs written and
// read record by record (odd counts and trailing bytes included, which pairs cannot express).

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

inline Bytes MakeLog(const std::string& password, const std::vector<DateTime>& values,
                     const Bytes& trailing = {}) {
    Bytes bytes(values.size() * 8);
    for (std::size_t i = 0; i < values.size(); ++i)
        StoreRecordBytes(ScrambleRecord(password, static_cast<std::int32_t>(i), values[i]),
                         bytes.data() + 8 * i);
    bytes.insert(bytes.end(), trailing.begin(), trailing.end());
    return bytes;
}

inline std::vector<DateTime> Values(const Bytes& bytes, const std::string& password) {
    std::vector<DateTime> values;
    for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8)
        values.push_back(UnscrambleRecord(password, static_cast<std::int32_t>(i / 8),
                                          LoadRecordBytes(bytes.data() + i)));
    return values;
}

struct Fixture {
    MemoryFileSystem files;
    FakeClock clock;
    SessionRecorder recorder{files, clock};
};

}  // namespace recorder_test
