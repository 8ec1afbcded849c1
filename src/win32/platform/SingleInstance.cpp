#include "win32/platform/SingleInstance.h"

#include <algorithm>
#include <span>
#include <string>

#include "core/settings/ProgramState.h"
#include "core/settings/HandOverText.h"
#include "win32/platform/WideText.h"

namespace {

constexpr char kStartupCaption[] = "Ondrel IDE";

void StartupError(const char* text) {
    ::MessageBoxW(nullptr, Widen(text).c_str(), Widen(kStartupCaption).c_str(),
                  MB_OK | MB_ICONERROR | MB_APPLMODAL);
}

void HandOverError(const std::string& text) {
    ::MessageBoxW(nullptr, Widen(text).c_str(), L"Worktally", MB_OK | MB_ICONERROR | MB_APPLMODAL);
}

// The section holds the text and its closing NUL.
constexpr std::size_t kLongestHandOver = kParamsSectionSize - 1;

// Holds the named mutex while one second instance writes and sends.
class MutexLock {
  public:
    explicit MutexLock(HANDLE mutex) : mutex_(mutex) {
        const DWORD wait = ::WaitForSingleObject(mutex_, INFINITE);
        // An abandoned mutex still belongs to us now; the text is rewritten anyway.
        owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;
    ~MutexLock() {
        if (owned_) ::ReleaseMutex(mutex_);
    }

  private:
    HANDLE mutex_;
    bool owned_ = false;
};

bool HandOver(ParamsChannel& channel, HWND target, const std::string& text) {
    if (text.size() > kLongestHandOver) {
        HandOverError(
            "The command line is too long to hand over to the running Worktally (at most " +
            std::to_string(kLongestHandOver) + " characters). Nothing was handed over.");
        return false;
    }
    UniqueKernelObject mutex(::CreateMutexW(nullptr, FALSE, Widen(kHandOverMutexName).c_str()));
    if (!mutex) {
        HandOverError("Cannot hand the command line over to the running Worktally.");
        return false;
    }
    MutexLock lock(mutex.Get());
    channel.View.Attach(::MapViewOfFile(channel.Section.Get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!channel.View) {
        HandOverError("Cannot hand the command line over to the running Worktally.");
        return false;
    }
    WriteHandOverText(std::span<char>(static_cast<char*>(channel.View.Get()), kParamsSectionSize),
                      text);
    // The running instance may open its password prompt for this command line: it may come
    // to the front, which Windows grants only to a process the foreground one names.
    DWORD pid = 0;
    if (::GetWindowThreadProcessId(target, &pid) != 0) ::AllowSetForegroundWindow(pid);
    // Returns once the text is copied out; the running instance applies it afterwards.
    ::SendMessageW(target, WM_COMMANDPARAMS, 0, 0);
    return true;
}

// Whole milliseconds from now to `deadline`, rounded up; 0 once it has passed.
DWORD MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
}

// The window exists before the first instance has finished starting (tray icon, first session):
// a hand-over handled amid that would mix the two command lines. Its first wait for input
// marks the end of its start-up; past the deadline the text goes over all the same.
void WaitForStartUp(HWND target, std::chrono::steady_clock::time_point deadline) {
    DWORD pid = 0;
    if (::GetWindowThreadProcessId(target, &pid) == 0) return;
    const UniqueKernelObject process(
        ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid));
    if (process) ::WaitForInputIdle(process.Get(), MillisecondsUntil(deadline));
}

}  // namespace

HWND PollForWindow(const std::function<HWND()>& find, std::chrono::milliseconds limit,
                   std::chrono::milliseconds interval) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (const HWND window = find()) return window;
        const DWORD left = MillisecondsUntil(deadline);
        if (left == 0) return nullptr;
        ::Sleep(std::min(left, static_cast<DWORD>(interval.count())));
    }
}

bool CheckSingleInstance(ProgramState& state, ParamsChannel& channel,
                         const std::string& handOverText) {
    channel.Section.Attach(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                static_cast<DWORD>(kParamsSectionSize),
                                                Widen(kParamsSectionName).c_str()));
    state.AlreadyRunning = ::GetLastError() == ERROR_ALREADY_EXISTS;
    if (!channel.Section) {
        StartupError("Error creating mapping file");
        return state.AlreadyRunning;
    }
    if (!state.AlreadyRunning) {
        channel.View.Attach(::MapViewOfFile(channel.Section.Get(), FILE_MAP_WRITE, 0, 0, 0));
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + kMainWindowWaitLimit;
    const HWND target =
        PollForWindow([] { return ::FindWindowW(Widen(kMainWindowClass).c_str(), nullptr); },
                      kMainWindowWaitLimit, kMainWindowPollInterval);
    if (target == nullptr) {
        StartupError("Error searching existing instance");
        return true;
    }
    WaitForStartUp(target, deadline);
    if (HandOver(channel, target, handOverText)) ::SetForegroundWindow(target);
    return true;
}

std::optional<std::string> ReceiveHandOverText(const ParamsChannel& channel) {
    if (!channel.Section) return std::nullopt;
    if (!channel.View) return std::string();
    return ReadHandOverText(
        std::span<const char>(static_cast<const char*>(channel.View.Get()), kParamsSectionSize));
}

bool KeepHandOverText(ParamsChannel& channel) {
    std::optional<std::string> text = ReceiveHandOverText(channel);
    if (!text) return false;
    channel.Kept.push_back(std::move(*text));
    return true;
}

std::optional<std::string> TakeHandOverText(ParamsChannel& channel) {
    if (channel.Kept.empty()) return std::nullopt;
    std::string text = std::move(channel.Kept.front());
    channel.Kept.pop_front();
    return text;
}
