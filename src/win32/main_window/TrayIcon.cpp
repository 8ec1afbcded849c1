#include "win32/main_window/TrayIcon.h"

#include <shellapi.h>

#include <algorithm>
#include <cstddef>

#include "win32/Ids.h"
#include "win32/platform/ErrorBox.h"
#include "win32/platform/SystemError.h"
#include "win32/platform/WideText.h"

namespace {

static_assert(sizeof(NOTIFYICONDATAW{}.szTip) / sizeof(wchar_t) == TrayIcon::kTipLength + 1);
static_assert(offsetof(NOTIFYICONDATAW, szTip) + sizeof(wchar_t) * TrayIcon::kTipLength <
              NOTIFYICONDATAW_V2_SIZE);

NOTIFYICONDATAW TrayData(HWND owner) {
    NOTIFYICONDATAW data{};
    // The second layout of the record, for its tip of two lines: every shell since Windows
    // 2000 accepts it, and without NIM_SETVERSION the callback still carries the plain mouse
    // message.
    data.cbSize = NOTIFYICONDATAW_V2_SIZE;
    data.hWnd = owner;
    // Identified by its id, not a GUID, which would tie the icon to the executable's path.
    data.uID = kTrayIconId;
    return data;
}

void CopyTip(NOTIFYICONDATAW& data, const std::string& text) {
    const std::wstring wide = Widen(text);
    std::size_t length = std::min(wide.size(), TrayIcon::kTipLength);
    // Half a surrogate pair would show as a box.
    if (length > 0 && length < wide.size() && wide[length - 1] >= 0xD800 &&
        wide[length - 1] <= 0xDBFF)
        --length;
    wide.copy(data.szTip, length);
    data.szTip[length] = L'\0';
}

}  // namespace

void TrayIcon::Attach(HWND owner, HICON icon) {
    owner_ = owner;
    icon_ = icon;
    taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
}

void TrayIcon::Add(const std::string& tip) {
    NOTIFYICONDATAW data = TrayData(owner_);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYICON;
    data.hIcon = icon_;
    CopyTip(data, tip);
    // A shell that only redrew its taskbar still holds the icon: the add fails, a change does not.
    if (::Shell_NotifyIconW(NIM_ADD, &data) || ::Shell_NotifyIconW(NIM_MODIFY, &data)) {
        shown_ = tip;
        failureShown_ = false;
        return;
    }
    // Once until the icon is back: the shell may be slow at log-on and come back later.
    if (failureShown_) return;
    failureShown_ = true;
    ShowBox(nullptr,
            "The icon could not be added to the notification area: " + LastErrorText() +
                "\nWorktally records all the same; the icon is added when the taskbar starts "
                "again.",
            MB_OK | MB_ICONWARNING);
}

void TrayIcon::SetTip(const std::string& text) {
    if (text == shown_) return;
    NOTIFYICONDATAW data = TrayData(owner_);
    data.uFlags = NIF_TIP;
    CopyTip(data, text);
    if (::Shell_NotifyIconW(NIM_MODIFY, &data)) shown_ = text;
}

void TrayIcon::Remove() {
    NOTIFYICONDATAW data = TrayData(owner_);
    ::Shell_NotifyIconW(NIM_DELETE, &data);
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
    ::PostMessageW(owner_, WM_NULL, 0, 0);
    menuOpen_ = false;
}
