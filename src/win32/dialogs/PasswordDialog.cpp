#include "win32/dialogs/PasswordDialog.h"

#include <utility>

#include "res/resource.h"

namespace {

void BringApplicationToFront(HWND mainWindow) {
    if (mainWindow == nullptr) return;
    const HWND active = ::GetLastActivePopup(mainWindow);
    if (active != nullptr && ::IsWindowVisible(active) && ::IsWindowEnabled(active)) {
        ::SetForegroundWindow(active);
    }
}

void PreparePasswordEdit(HWND edit) {
    ::SendMessageA(edit, EM_SETPASSWORDCHAR, static_cast<WPARAM>('*'), 0);
    ::SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);  // no length limit
    ::SetWindowTextA(edit, "");
}

std::string EditText(HWND edit) {
    const int length = ::GetWindowTextLengthA(edit);
    if (length <= 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = ::GetWindowTextA(edit, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

// What a password dialog shows and returns: its edits, in tab order, and their texts on OK.
struct PasswordDialogData {
    std::span<const int> Edits;
    const PasswordDialogStart& Start;
    std::vector<std::string> Texts;
};

INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
    try {
        switch (message) {
            case WM_INITDIALOG: {
                ::SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
                const auto& data = *reinterpret_cast<const PasswordDialogData*>(lParam);
                const PasswordDialogStart& start = data.Start;
                for (std::size_t i = 0; i < data.Edits.size(); ++i) {
                    const HWND edit = ::GetDlgItem(dialog, data.Edits[i]);
                    PreparePasswordEdit(edit);
                    if (i < start.Texts.size()) ::SetWindowTextA(edit, start.Texts[i].c_str());
                }
                for (const int id : start.Disabled) ::EnableWindow(::GetDlgItem(dialog, id), FALSE);
                // A prompt opened from the tray must take the keyboard at once.
                ::SetForegroundWindow(dialog);
                const std::size_t focus = start.Focus < data.Edits.size() ? start.Focus : 0;
                const HWND focused = ::GetDlgItem(dialog, data.Edits[focus]);
                ::SetFocus(focused);
                ::SendMessageA(focused, EM_SETSEL, 0, -1);  // typing replaces a wrong text
                return FALSE;                               // focus already set
            }
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDOK: {
                        auto* data = reinterpret_cast<PasswordDialogData*>(
                            ::GetWindowLongPtrA(dialog, GWLP_USERDATA));
                        if (data != nullptr) {
                            data->Texts.clear();
                            for (const int id : data->Edits)
                                data->Texts.push_back(EditText(::GetDlgItem(dialog, id)));
                        }
                        ::EndDialog(dialog, IDOK);
                        return TRUE;
                    }
                    case IDCANCEL:
                        ::EndDialog(dialog, IDCANCEL);
                        return TRUE;
                }
                break;
            case WM_CLOSE:
                ::EndDialog(dialog, IDCANCEL);
                return TRUE;
        }
    } catch (...) {
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

std::optional<std::vector<std::string>> RunPasswordDialog(HINSTANCE instance, int dialogId,
                                                          HWND owner, std::span<const int> edits,
                                                          const PasswordDialogStart& start) {
    PasswordDialogData data{edits, start, {}};
    BringApplicationToFront(owner);
    const INT_PTR result = ::DialogBoxParamA(instance, MAKEINTRESOURCEA(dialogId), owner,
                                             PasswordDialogProc, reinterpret_cast<LPARAM>(&data));
    if (result != IDOK || data.Texts.size() != edits.size()) return std::nullopt;
    return std::move(data.Texts);
}

void PasswordDialog::Execute(HWND owner, std::string& password) {
    static constexpr int kEdits[] = {IDC_PASSWORD_EDIT};
    showing_ = true;
    const auto texts = RunPasswordDialog(instance_, IDD_PASSWORD, owner, kEdits);
    showing_ = false;
    password = texts ? texts->front() : std::string();
}
