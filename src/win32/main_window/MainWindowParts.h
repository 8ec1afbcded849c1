#pragma once

// What the main window's source files share.

#include <string>

inline constexpr char kCaption[] = "Worktally";

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
