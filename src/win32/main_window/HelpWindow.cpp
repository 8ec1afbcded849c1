#include "win32/main_window/HelpWindow.h"

#include <commctrl.h>

#include <exception>
#include <string>
#include <string_view>

#include "res/resource.h"
#include "win32/platform/WideText.h"
#include "win32/platform/WindowThunk.h"
#include "core/help/GuideText.h"

namespace {

constexpr wchar_t kHelpWindowClass[] = L"TWorktallyHelpWindow";
constexpr wchar_t kHelpCaption[] = L"Worktally Help";

// Design size at 96 dots per inch: about 80 columns of the text font.
constexpr int kDesignWidth = 680;
constexpr int kDesignHeight = 560;
constexpr int kFontPoints = 10;
constexpr WPARAM kCtrlA = 'A' - '@';  // the character that Ctrl+A types

std::string_view GuideResource(HINSTANCE instance) {
    const HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(IDR_GUIDE_TEXT), RT_RCDATA);
    if (found == nullptr) return {};
    // Resource memory belongs to the module: nothing to free.
    const HGLOBAL loaded = ::LoadResource(instance, found);
    const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (data == nullptr) return {};
    return {static_cast<const char*>(data), ::SizeofResource(instance, found)};
}

}  // namespace

void HelpWindow::Show(HWND owner) {
    if (hwnd_ == nullptr) {
        if (!RegisterWindowClassOnce(instance_, kHelpWindowClass, WindowThunk<HelpWindow>,
                                     ::LoadIconA(instance_, MAKEINTRESOURCEA(IDI_WORKTALLY)),
                                     reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
            return;
        dpi_ = SystemDpi();
        // Owned, so it stays above the viewer and goes with it; the result arrives through
        // WM_NCCREATE.
        ::CreateWindowExW(0, kHelpWindowClass, kHelpCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                          CW_USEDEFAULT, Scale(kDesignWidth), Scale(kDesignHeight), owner, nullptr,
                          instance_, this);
        if (hwnd_ == nullptr) return;
    }
    BringToFront();
}

LRESULT HelpWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_SIZE:
            ::MoveWindow(text_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        case WM_SETFOCUS:
            ::SetFocus(text_);
            return 0;
        case WM_CTLCOLORSTATIC:
            // A read-only edit would be grey like a disabled one; this one is for reading.
            if (reinterpret_cast<HWND>(lParam) == text_) {
                const auto dc = reinterpret_cast<HDC>(wParam);
                ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
                ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
            }
            break;
        case WM_NCDESTROY:
            text_ = nullptr;
            font_.Close();
            break;
    }
    return DefaultMessage(message, wParam, lParam);
}

LRESULT CALLBACK HelpWindow::TextKeyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR) noexcept {
    const bool control = ::GetKeyState(VK_CONTROL) < 0;
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                // Posted: the edit must not be destroyed while it handles its own key.
                ::PostMessageW(::GetParent(hwnd), WM_CLOSE, 0, 0);
                return 0;
            }
            if (wParam == 'A' && control) {
                ::SendMessageA(hwnd, EM_SETSEL, 0, -1);  // the edit itself has no Select All key
                return 0;
            }
            break;
        case WM_CHAR:
            // Their characters would only beep.
            if (wParam == VK_ESCAPE || (wParam == kCtrlA && control)) return 0;
            break;
        case WM_NCDESTROY:
            ::RemoveWindowSubclass(hwnd, TextKeyProc, id);
            break;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

void HelpWindow::OnCreate() {
    text_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                  ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                              0, 0, 0, 0, hwnd_, reinterpret_cast<HMENU>(IDC_HELP_TEXT_EDIT),
                              instance_, nullptr);
    if (text_ == nullptr) return;
    ::SetWindowSubclass(text_, TextKeyProc, 1, 0);
    ApplyDpi();
    const std::wstring guide = Widen(WithWindowsLineEnds(GuideResource(instance_)));
    ::SetWindowTextW(text_, guide.c_str());
}

void HelpWindow::ApplyDpi() {
    LOGFONTW font{};
    font.lfHeight = -PointsToPixels(kFontPoints, dpi_);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    // The guide lines up its columns with spaces, as it does in Notepad.
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynW(font.lfFaceName, L"Consolas", LF_FACESIZE);
    UniqueFont created(::CreateFontIndirectW(&font));
    if (!created) return;
    ReplaceInUse(font_, std::move(created), [&](HFONT fresh) {
        ::SendMessageW(text_, WM_SETFONT, reinterpret_cast<WPARAM>(fresh), TRUE);
    });
}
