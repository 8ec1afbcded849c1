#pragma once

// What every part of the e2e support shares: the one error it throws and the one way it waits.
// A wait that runs out throws HarnessError, which GoogleTest reports as a failure of the test
// that waited.

#include <chrono>
#include <functional>
#include <stdexcept>

namespace e2e {

inline constexpr std::chrono::milliseconds kWaitLimit{30000};

class HarnessError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Polls every `poll` until `done` holds; false when `limit` has passed first.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kWaitLimit,
               std::chrono::milliseconds poll = std::chrono::milliseconds(20));

}  // namespace e2e
