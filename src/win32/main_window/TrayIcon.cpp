#include "win32/main_window/TrayIcon.h"

#include <shellapi.h>

#include <algorithm>
#include <cstddef>

#include "win32/Ids.h"

namespace {

static_assert(sizeof(NOTIFYICONDATAA{}.szTip) == TrayIcon::kTipLength + 1);
static_assert(offsetof(NOTIFYICONDATAA, szTip) + TrayIcon::kTipLength < NOTIFYICONDATAA_V2_SIZE);

NOTIFYICONDATAA TrayData(HWND owner) {
    NOTIFYICONDATAA data{};
    // The second layout of the record, for its tip of two lines: every shell since Windows
    // 2000 accepts it, and without NIM_SETVERSION the callback still carries the plain mouse
    // message.
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = owner;
    // Identified by its id, not a GUID, which would tie the icon to the executable's path.
    data.uID = kTrayIconId;
    return data;
}

void CopyTip(NOTIFYICONDATAA& data, const std::string& text) {
    const std::size_t length = std::min(text.size(), TrayIcon::kTipLength);
    text.copy(data.szTip, length);
    data.szTip[length] = '\0';
}

}  // namespace

void TrayIcon::Attach(HWND owner, HICON icon) {
    owner_ = owner;
    icon_ = icon;
    taskbarCreated_ = ::RegisterWindowMessageA("TaskbarCreated");
}

void TrayIcon::Add(const std::string& tip) {
    NOTIFYICONDATAA data = TrayData(owner_);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYICON;
    data.hIcon = icon_;
    CopyTip(data, tip);
    ::Shell_NotifyIconA(NIM_ADD, &data);
    shown_ = tip;
}

void TrayIcon::SetTip(const std::string& text) {
    if (text == shown_) return;
    NOTIFYICONDATAA data = TrayData(owner_);
    data.uFlags = NIF_TIP;
    CopyTip(data, text);
    if (::Shell_NotifyIconA(NIM_MODIFY, &data)) shown_ = text;
}

void TrayIcon::Remove() {
    NOTIFYICONDATAA data = TrayData(owner_);
    ::Shell_NotifyIconA(NIM_DELETE, &data);
}

void TrayIcon::ShowMenu(HMENU menu) {
    if (menuOpen_) return;
    menuOpen_ = true;
    POINT point{};
    ::GetCursorPos(&point);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(owner_);
    ::TrackPopupMenu(menu, TPM_RIGHTBUTTON, point.x, point.y, 0, owner_, nullptr);
    // Lets a second click on the icon open the menu again at once.
    ::PostMessageA(owner_, WM_NULL, 0, 0);
    menuOpen_ = false;
}
