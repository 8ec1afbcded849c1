#pragma once

// The icon in the notification area: added, given its tip, removed, added again when Explorer
// restarts, and its menu.

#include <windows.h>

#include <cstddef>
#include <string>

class TrayIcon {
  public:
    TrayIcon() = default;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // The window that gets the icon's WM_TRAYICON callbacks, and the icon shown.
    void Attach(HWND owner, HICON icon);
    // What the tip holds: 127 characters, in two lines where they fit.
    static constexpr std::size_t kTipLength = 127;

    // A failure is told in a box, once until an add succeeds.
    void Add(const std::string& tip);
    // Tells the shell, another process, only of a change: every tick asks.
    void SetTip(const std::string& text);
    void Remove();
    // True for the message Explorer broadcasts when it starts again and has forgotten the icon.
    bool IsTaskbarCreated(UINT message) const {
        return taskbarCreated_ != 0 && message == taskbarCreated_;
    }
    // Opens `menu` at the cursor; a second call while it is open does nothing.
    void ShowMenu(HMENU menu);

  private:
    HWND owner_ = nullptr;
    HICON icon_ = nullptr;  // a shared resource icon, never destroyed
    UINT taskbarCreated_ = 0;
    bool menuOpen_ = false;
    bool failureShown_ = false;
    std::string shown_;  // what the shell holds
};
