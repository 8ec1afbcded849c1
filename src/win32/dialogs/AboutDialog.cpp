#include "win32/dialogs/AboutDialog.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>
#include <exception>
#include <string>

#include "win32/platform/Dpi.h"
#include "win32/platform/UniqueHandle.h"
#include "core/dialogs/LinkRules.h"
#include "res/resource.h"
#include "win32/dialogs/DialogThunk.h"
#include "win32/platform/WideText.h"

namespace {

// The program's name in big letters beside its icon.
constexpr int kProductNamePoints = 20;
constexpr wchar_t kProductNameFace[] = L"Arial";
constexpr int kIconSize = 32;  // at 96 DPI
// ShellExecute returns a value above this when it opened the address.
constexpr INT_PTR kShellExecuteFailedUpTo = 32;

class AboutDialog {
  public:
    void Execute(HWND owner) {
        RunModalDialog(::GetModuleHandleW(nullptr), IDD_ABOUT, owner, *this);
    }

    INT_PTR HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) handle_ = hwnd;
        return HandleMessage(message, wParam, lParam);
    }

  private:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_INITDIALOG:
                OnInitDialog();
                return TRUE;  // focus goes to the first control, OK
            case WM_COMMAND:
                // OK, Enter and Esc (IDCANCEL) all close the box.
                if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
                    ::EndDialog(handle_, IDOK);
                return TRUE;
            case WM_CLOSE:
                ::EndDialog(handle_, IDOK);
                return TRUE;
            case WM_NOTIFY:
                return LinkNotify(*reinterpret_cast<const NMHDR*>(lParam));
            case WM_DPICHANGED:
                ApplyDpi(HIWORD(wParam));
                return FALSE;  // the dialog manager still resizes the box
        }
        return FALSE;
    }

    void OnInitDialog() {
        SetLinkText(IDC_HTML_LINK, kHomePageLinkText);
        SetLinkText(IDC_MAILTO_LINK, kMailLinkText);
        for (const int id : {IDC_HTML_LINK, IDC_MAILTO_LINK}) {
            ::SetWindowSubclass(::GetDlgItem(handle_, id), LinkKeyProc, 0,
                                reinterpret_cast<DWORD_PTR>(this));
        }
        AddTooltips();
        ApplyDpi(static_cast<UINT>(WindowDpi(handle_)));
    }

    BOOL LinkNotify(const NMHDR& header) {
        if (header.code != NM_CLICK && header.code != NM_RETURN) return FALSE;
        return ActivateLink(static_cast<int>(header.idFrom));
    }

    BOOL ActivateLink(int id) {
        switch (id) {
            case IDC_HTML_LINK:
                HTMLLabelClick();
                return TRUE;
            case IDC_MAILTO_LINK:
                MailtoLabelClick();
                return TRUE;
        }
        return FALSE;
    }

    // The link control answers Enter only; Space opens a link as it presses a button, on release.
    static LRESULT CALLBACK LinkKeyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR subclassId, DWORD_PTR data) {
        switch (message) {
            case WM_KEYDOWN:
            case WM_CHAR:
                if (wParam == VK_SPACE) return 0;
                break;
            case WM_KEYUP:
                if (wParam != VK_SPACE) break;
                try {
                    reinterpret_cast<AboutDialog*>(data)->ActivateLink(::GetDlgCtrlID(hwnd));
                } catch (const std::exception&) {
                    // Nothing to report, as with a click.
                }
                return 0;
            case WM_NCDESTROY:
                ::RemoveWindowSubclass(hwnd, LinkKeyProc, subclassId);
                break;
        }
        return ::DefSubclassProc(hwnd, message, wParam, lParam);
    }

    void HTMLLabelClick() { Open(HomePageAddress(kHomePageLinkText)); }
    void MailtoLabelClick() { Open(MailAddress(kMailLinkText)); }

    void Open(const std::string& address) const {
        const auto result = reinterpret_cast<INT_PTR>(::ShellExecuteW(
            handle_, nullptr, Widen(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        // Without a browser or mail program nothing else says so.
        if (result <= kShellExecuteFailedUpTo) {
            const std::string text =
                "Cannot open " + address + "\nNo program on this computer is set up to open it.";
            ::MessageBoxW(handle_, Widen(text).c_str(), L"Worktally", MB_OK | MB_ICONWARNING);
        }
    }

    void SetLinkText(int id, const char* caption) {
        const std::string markup = std::string("<a>") + caption + "</a>";
        ::SetDlgItemTextW(handle_, id, Widen(markup).c_str());
    }

    void AddTooltips() {
        // Owned by the box, so it goes when the box goes.
        const HWND tip =
            ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, handle_,
                              nullptr, ::GetModuleHandleW(nullptr), nullptr);
        if (tip == nullptr) return;
        AddTooltip(tip, IDC_HTML_LINK, L"Click to view my home page");
        AddTooltip(tip, IDC_MAILTO_LINK, L"Click to send me e-mail");
    }

    void AddTooltip(HWND tip, int id, const wchar_t* text) {
        TTTOOLINFOW info{};
        info.cbSize = sizeof(info);
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = handle_;
        info.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(handle_, id));
        info.lpszText = const_cast<wchar_t*>(text);
        ::SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }

    // The name's font and the icon are ours, so they follow the monitor's DPI here.
    void ApplyDpi(UINT dpi) {
        if (dpi == 0) dpi = kDesignDpi;
        LOGFONTW font{};
        font.lfHeight = -PointsToPixels(kProductNamePoints, static_cast<int>(dpi));
        font.lfWeight = FW_BOLD;
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfQuality = DEFAULT_QUALITY;
        std::wcscpy(font.lfFaceName, kProductNameFace);
        UniqueFont productNameFont(::CreateFontIndirectW(&font));
        if (productNameFont) {
            ReplaceInUse(productNameFont_, std::move(productNameFont), [&](HFONT fresh) {
                ::SendDlgItemMessageW(handle_, IDC_PRODUCT_NAME_LABEL, WM_SETFONT,
                                      reinterpret_cast<WPARAM>(fresh), TRUE);
            });
        }

        const int size = ScaleToDpi(kIconSize, static_cast<int>(dpi));
        UniqueIcon icon(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                        MAKEINTRESOURCEW(IDI_WORKTALLY), IMAGE_ICON,
                                                        size, size, LR_DEFAULTCOLOR)));
        if (icon) {
            ReplaceInUse(programIcon_, std::move(icon), [&](HICON fresh) {
                ::SendDlgItemMessageW(handle_, IDC_PROGRAM_ICON, STM_SETICON,
                                      reinterpret_cast<WPARAM>(fresh), 0);
            });
        }
    }

    HWND handle_ = nullptr;
    // Outlive the box's controls, which are gone when DialogBoxParam returns.
    UniqueFont productNameFont_;
    UniqueIcon programIcon_;
};

}  // namespace

void ShowAboutDialog(HWND owner) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LINK_CLASS | ICC_BAR_CLASSES;
    ::InitCommonControlsEx(&controls);
    try {
        AboutDialog box;
        box.Execute(owner);
    } catch (const std::exception&) {
        // Nothing to report: the box is only information.
    }
}
