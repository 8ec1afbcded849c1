// Local wall-clock time on POSIX systems.

#include <chrono>
#include <ctime>

#include "core/time/DateTime.h"

namespace {

class LocalClock final : public Clock {
  public:
    DateTime Now() const override {
        const auto now = std::chrono::system_clock::now();
        const std::time_t secs = std::chrono::system_clock::to_time_t(now);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
            1000;
        std::tm local{};
        localtime_r(&secs, &local);
        return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
               EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms));
    }
};

}  // namespace

const Clock& SystemClock() {
    static const LocalClock clock;
    return clock;
}
