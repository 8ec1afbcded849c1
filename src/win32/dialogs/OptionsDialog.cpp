#include "win32/dialogs/OptionsDialog.h"

#include <windows.h>

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/settings/Settings.h"
#include "core/autorun/AutoRunEntry.h"
#include "core/dialogs/OptionsRules.h"
#include "res/resource.h"
#include "win32/dialogs/DialogThunk.h"
#include "win32/platform/WideText.h"

namespace {

constexpr wchar_t kOptionsCaption[] = L"Options - Worktally";

class OptionsDialog {
  public:
    OptionsDialog(OptionsChoice choice, std::function<std::optional<std::string>()> userName)
        : choice_(std::move(choice)), userName_(std::move(userName)) {}

    // True when the dialog was closed with OK; Choice() then holds what it showed.
    bool Execute(HWND owner) {
        return RunModalDialog(::GetModuleHandleW(nullptr), IDD_OPTIONS, owner, *this) == IDOK;
    }
    const OptionsChoice& Choice() const noexcept { return choice_; }

    INT_PTR HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_INITDIALOG) handle_ = hwnd;
        return HandleMessage(message, wParam);
    }

  private:
    INT_PTR HandleMessage(UINT message, WPARAM wParam) {
        switch (message) {
            case WM_INITDIALOG:
                OnInitDialog();
                return TRUE;  // focus goes to the first control, the auto-run box
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDC_AUTO_RUN_CHECK:
                        if (HIWORD(wParam) == BN_CLICKED) AutoRunCheckBoxClick();
                        return TRUE;
                    case IDC_ONE_USER_CHECK:
                        if (HIWORD(wParam) == BN_CLICKED) OneUserCheckBoxClick();
                        return TRUE;
                    case IDC_AWAY_IDLE_CHECK:
                        if (HIWORD(wParam) == BN_CLICKED) UpdateEnabling();
                        return TRUE;
                    case IDOK:
                        OkButtonClick();
                        return TRUE;
                    case IDCANCEL:  // Cancel, Esc and the close button
                        ::EndDialog(handle_, IDCANCEL);
                        return TRUE;
                }
                break;
        }
        return FALSE;
    }

    void OnInitDialog() {
        SetChecked(IDC_AUTO_RUN_CHECK, choice_.AutoRun);
        SetChecked(IDC_ONE_USER_CHECK, choice_.OneUser);
        ::SendDlgItemMessageW(handle_, IDC_USER_NAME_EDIT, EM_SETLIMITTEXT, 0, 0);
        ::SetDlgItemTextW(handle_, IDC_USER_NAME_EDIT, Widen(choice_.UserName).c_str());
        SetChecked(IDC_AWAY_LOCKED_CHECK, choice_.AwayWhenLocked);
        SetChecked(IDC_AWAY_IDLE_CHECK, choice_.AwayIdleMinutes > 0);
        ::SendDlgItemMessageW(handle_, IDC_AWAY_IDLE_EDIT, EM_SETLIMITTEXT, 3, 0);
        // Off, the edit offers a usual value for when the box is checked.
        const int minutes = choice_.AwayIdleMinutes > 0 ? choice_.AwayIdleMinutes : 15;
        ::SetDlgItemTextW(handle_, IDC_AWAY_IDLE_EDIT, std::to_wstring(minutes).c_str());
        AutoRunCheckBoxClick();
    }

    void AutoRunCheckBoxClick() { UpdateEnabling(); }
    void OneUserCheckBoxClick() {
        // Most people register for themselves: offer their own name.
        if (IsChecked(IDC_ONE_USER_CHECK) && ControlText(IDC_USER_NAME_EDIT).empty() && userName_) {
            if (const std::optional<std::string> name = userName_())
                ::SetDlgItemTextW(handle_, IDC_USER_NAME_EDIT, Widen(*name).c_str());
        }
        UpdateEnabling();
    }

    void UpdateEnabling() {
        const OptionsEnabling enabling =
            OptionsEnablingFor(IsChecked(IDC_AUTO_RUN_CHECK), IsChecked(IDC_ONE_USER_CHECK));
        Enable(IDC_AUTO_RUN_GROUP, enabling.AutoRunGroupBox);
        Enable(IDC_ONE_USER_CHECK, enabling.OneUserCheckBox);
        Enable(IDC_USER_NAME_LABEL, enabling.UserNameLabel);
        Enable(IDC_USER_NAME_EDIT, enabling.UserNameEdit);
        Enable(IDC_AWAY_IDLE_EDIT, IsChecked(IDC_AWAY_IDLE_CHECK));
    }

    void OkButtonClick() {
        choice_.AutoRun = IsChecked(IDC_AUTO_RUN_CHECK);
        choice_.OneUser = IsChecked(IDC_ONE_USER_CHECK);
        choice_.UserName = ControlText(IDC_USER_NAME_EDIT);
        choice_.AwayWhenLocked = IsChecked(IDC_AWAY_LOCKED_CHECK);
        choice_.AwayIdleMinutes = 0;
        if (IsChecked(IDC_AWAY_IDLE_CHECK)) {
            const std::optional<int> minutes = ParseIdleMinutes(ControlText(IDC_AWAY_IDLE_EDIT));
            if (!minutes) {
                ::MessageBoxW(handle_, L"Enter a number of minutes from 1 to 240.", kOptionsCaption,
                              MB_OK | MB_ICONWARNING);
                ::SetFocus(::GetDlgItem(handle_, IDC_AWAY_IDLE_EDIT));
                ::SendDlgItemMessageW(handle_, IDC_AWAY_IDLE_EDIT, EM_SETSEL, 0, -1);
                return;
            }
            choice_.AwayIdleMinutes = *minutes;
        }
        if (const std::string problem = OptionsProblem(choice_); !problem.empty()) {
            ::MessageBoxW(handle_, Widen(problem).c_str(), kOptionsCaption, MB_OK | MB_ICONWARNING);
            ::SetFocus(::GetDlgItem(handle_, IDC_USER_NAME_EDIT));
            return;
        }
        ::EndDialog(handle_, IDOK);
    }

    bool IsChecked(int id) const { return ::IsDlgButtonChecked(handle_, id) == BST_CHECKED; }
    void SetChecked(int id, bool checked) {
        ::CheckDlgButton(handle_, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    void Enable(int id, bool enabled) { ::EnableWindow(::GetDlgItem(handle_, id), enabled); }
    std::string ControlText(int id) const {
        const HWND control = ::GetDlgItem(handle_, id);
        std::vector<wchar_t> text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1);
        const int length = ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
        return Narrow(
            std::wstring_view(text.data(), static_cast<std::size_t>(length > 0 ? length : 0)));
    }

    HWND handle_ = nullptr;
    OptionsChoice choice_;
    std::function<std::optional<std::string>()> userName_;
};

}  // namespace

void ShowOptionsDialog(HWND owner, ProgramState& state, AutoRunEntries& autoRun,
                       SettingsStore& settings,
                       const std::function<std::optional<std::string>()>& userName) {
    if (!autoRun.Machine || !autoRun.User) return;
    const AutoRunTargets targets{*autoRun.Machine, *autoRun.User};
    std::string failure;
    try {
        OptionsDialog form(ReadOptions(state, targets), userName);
        if (!form.Execute(owner)) return;  // Cancel, Esc or close: nothing changes
        failure = ApplyOptions(form.Choice(), state, targets, settings);
    } catch (const std::exception&) {
        failure = "Worktally could not apply the options.";
    }
    if (!failure.empty())
        ::MessageBoxW(owner, Widen(failure).c_str(), L"Worktally", MB_OK | MB_ICONWARNING);
}
