#include "win32/platform/LogLocks.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "win32/platform/SystemError.h"
#include "win32/platform/WideText.h"

namespace {

constexpr wchar_t kGuardPrefix[] = L"Local\\Worktally_LogGuard_";
constexpr wchar_t kRecordingPrefix[] = L"Local\\Worktally_Recording_";

// One name for "C:\Logs\x.dat", "c:\logs\X.DAT" and "x.dat" in C:\Logs.
std::wstring CanonicalPath(const std::string& path) {
    const std::wstring wide = Widen(path);
    std::vector<wchar_t> full(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) {
            full.assign(wide.begin(), wide.end());
            full.push_back(L'\0');
            break;
        }
        if (length < full.size()) break;
        full.resize(length + 1);
    }
    ::CharUpperW(full.data());
    return full.data();
}

class NamedLogGuard final : public LogGuard {
  public:
    explicit NamedLogGuard(UniqueKernelObject mutex) : mutex_(std::move(mutex)) {}
    ~NamedLogGuard() override { ::ReleaseMutex(mutex_.Get()); }
    NamedLogGuard(const NamedLogGuard&) = delete;
    NamedLogGuard& operator=(const NamedLogGuard&) = delete;

  private:
    UniqueKernelObject mutex_;
};

}  // namespace

std::wstring LogObjectName(const wchar_t* prefix, const std::string& logPath) {
    // FNV-1a over the UTF-16 units: a name is at most MAX_PATH long, a path may be longer.
    std::uint64_t hash = 14695981039346656037ull;
    for (const wchar_t unit : CanonicalPath(logPath)) {
        hash ^= static_cast<std::uint16_t>(unit);
        hash *= 1099511628211ull;
    }
    wchar_t digits[17] = {};
    std::swprintf(digits, 17, L"%016llx", static_cast<unsigned long long>(hash));
    return std::wstring(prefix) + digits;
}

std::unique_ptr<LogGuard> GuardLog(const std::string& logPath, DWORD waitMs) {
    const std::wstring name = LogObjectName(kGuardPrefix, logPath);
    UniqueKernelObject mutex(::CreateMutexW(nullptr, FALSE, name.c_str()));
    if (!mutex) throw IoError("Cannot guard " + logPath, LastErrorText());
    // Abandoned: its holder ended during a change, which leaves the old log or the new one whole.
    const DWORD waited = ::WaitForSingleObject(mutex.Get(), waitMs);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED)
        throw IoError("Cannot change " + logPath,
                      "Another Worktally is changing this log. Try again in a moment.");
    return std::make_unique<NamedLogGuard>(std::move(mutex));
}

void RecordingMark::Follow(const std::string& logPath, bool recording) {
    const std::string wanted = recording ? logPath : std::string();
    if (wanted == path_ && (mark_ || wanted.empty())) return;
    mark_.Close();
    path_ = wanted;
    if (wanted.empty()) return;
    mark_.Attach(
        ::CreateEventW(nullptr, TRUE, FALSE, LogObjectName(kRecordingPrefix, wanted).c_str()));
}

bool IsBeingRecorded(const std::string& logPath) {
    const UniqueKernelObject mark(
        ::OpenEventW(SYNCHRONIZE, FALSE, LogObjectName(kRecordingPrefix, logPath).c_str()));
    return static_cast<bool>(mark);
}
