#include "win32/dialogs/PasswordDialog.h"

#include <utility>

#include "res/resource.h"
#include "win32/dialogs/DialogThunk.h"
#include "win32/platform/WideText.h"

namespace {

void BringApplicationToFront(HWND mainWindow) {
    if (mainWindow == nullptr) return;
    const HWND active = ::GetLastActivePopup(mainWindow);
    if (active != nullptr && ::IsWindowVisible(active) && ::IsWindowEnabled(active)) {
        ::SetForegroundWindow(active);
    }
}

void PreparePasswordEdit(HWND edit) {
    ::SendMessageW(edit, EM_SETPASSWORDCHAR, static_cast<WPARAM>(L'*'), 0);
    ::SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);  // no length limit
    ::SetWindowTextW(edit, L"");
}

// The bytes earlier versions took for a password: the text in the system's ANSI code page, with
// the same replacements for characters outside it (so a stored "??" still opens).
std::string AnsiBytes(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                          nullptr, nullptr);
    return bytes;
}

TypedPassword EditText(HWND edit) {
    const int length = ::GetWindowTextLengthW(edit);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(edit, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return TypedPassword(Narrow(text), AnsiBytes(text));
}

// What a password dialog shows and returns: its edits, in tab order, and their texts on OK.
class PasswordDialogRun {
  public:
    PasswordDialogRun(std::span<const int> edits, const PasswordDialogStart& start)
        : edits_(edits), start_(start) {}
    const std::vector<TypedPassword>& Texts() const { return texts_; }
    std::vector<TypedPassword> TakeTexts() { return std::move(texts_); }

    INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_INITDIALOG) {
            Init(dialog);
            return FALSE;  // focus already set
        }
        return EndOnOkOrCancel(dialog, message, wParam, [&] {
            texts_.clear();
            for (const int id : edits_) texts_.push_back(EditText(::GetDlgItem(dialog, id)));
        });
    }

  private:
    void Init(HWND dialog) {
        for (std::size_t i = 0; i < edits_.size(); ++i) {
            const HWND edit = ::GetDlgItem(dialog, edits_[i]);
            PreparePasswordEdit(edit);
            if (i < start_.Texts.size()) ::SetWindowTextW(edit, Widen(start_.Texts[i]).c_str());
        }
        for (const int id : start_.Disabled) ::EnableWindow(::GetDlgItem(dialog, id), FALSE);
        // A prompt opened from the tray must take the keyboard at once.
        ::SetForegroundWindow(dialog);
        const std::size_t focus = start_.Focus < edits_.size() ? start_.Focus : 0;
        const HWND focused = ::GetDlgItem(dialog, edits_[focus]);
        ::SetFocus(focused);
        ::SendMessageW(focused, EM_SETSEL, 0, -1);  // typing replaces a wrong text
    }

    std::span<const int> edits_;
    const PasswordDialogStart& start_;
    std::vector<TypedPassword> texts_;
};

}  // namespace

std::optional<std::vector<TypedPassword>> RunPasswordDialog(HINSTANCE instance, int dialogId,
                                                            HWND owner, std::span<const int> edits,
                                                            const PasswordDialogStart& start) {
    PasswordDialogRun run(edits, start);
    BringApplicationToFront(owner);
    const INT_PTR result = RunModalDialog(instance, dialogId, owner, run);
    if (result != IDOK || run.Texts().size() != edits.size()) return std::nullopt;
    return run.TakeTexts();
}

std::optional<TypedPassword> AskPassword(HINSTANCE instance, HWND owner) {
    static constexpr int kEdits[] = {IDC_PASSWORD_EDIT};
    auto texts = RunPasswordDialog(instance, IDD_PASSWORD, owner, kEdits);
    if (!texts) return std::nullopt;
    return std::move(texts->front());
}
