#include "e2e/support/Wait.h"

#include <thread>

namespace e2e {

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
               std::chrono::milliseconds poll) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(poll);
    }
}

}  // namespace e2e
