// Local wall-clock time on Windows.

#include <windows.h>

#include "core/time/DateTime.h"

namespace {

class LocalClock final : public Clock {
  public:
    DateTime Now() const override {
        SYSTEMTIME st;
        GetLocalTime(&st);
        return EncodeDate(st.wYear, st.wMonth, st.wDay) +
               EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
    }
};

}  // namespace

const Clock& SystemClock() {
    static const LocalClock clock;
    return clock;
}
