#pragma once

// What the main window's source files share.

#include <string>

inline constexpr char kCaption[] = "Worktally";
inline constexpr wchar_t kCaptionW[] = L"Worktally";

// Without its timers the program would record nothing and never say so.
inline constexpr char kMinuteTimerFailed[] =
    "Worktally cannot record: its minute timer did not start.";
inline constexpr char kInputTimerFailed[] =
    "Worktally cannot notice your return: its input timer did not start.";

// Sets a flag for a scope and gives it back its old value on every way out.
class FlagScope {
  public:
    explicit FlagScope(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
    ~FlagScope() { flag_ = previous_; }

  private:
    bool& flag_;
    bool previous_;
};
