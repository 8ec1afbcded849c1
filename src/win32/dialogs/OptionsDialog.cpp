#include "win32/dialogs/OptionsDialog.h"

#include <windows.h>
#include <commctrl.h>

#include <exception>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/settings/Settings.h"
#include "core/autorun/AutoRunEntry.h"
#include "core/dialogs/OptionsRules.h"
#include "res/resource.h"
#include "win32/dialogs/DialogThunk.h"
#include "win32/dialogs/FolderPicker.h"
#include "win32/platform/MachineFacts.h"
#include "win32/platform/WideText.h"

namespace {

constexpr wchar_t kOptionsCaption[] = L"Options - Worktally";
constexpr int kDaysOfWeek = 7;

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
                    case IDC_SHARED_FOLDER_CHECK:
                        if (HIWORD(wParam) == BN_CLICKED) UpdateEnabling();
                        return TRUE;
                    case IDC_SHARED_FOLDER_BROWSE:
                        if (HIWORD(wParam) == BN_CLICKED) BrowseForSharedFolder();
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
        ShowWorkTime(choice_.WorkTime);
        SetChecked(IDC_SHARED_FOLDER_CHECK, choice_.KeepInSharedFolder);
        ::SendDlgItemMessageW(handle_, IDC_SHARED_FOLDER_EDIT, EM_SETLIMITTEXT, 0, 0);
        ::SetDlgItemTextW(handle_, IDC_SHARED_FOLDER_EDIT, Widen(choice_.SharedFolder).c_str());
        AutoRunCheckBoxClick();
    }

    void ShowWorkTime(const WorkTimeSettings& work) {
        ::SetDlgItemTextW(handle_, IDC_WEEK_HOURS_EDIT,
                          Widen(HoursMinutesText(work.weekSeconds)).c_str());
        for (int day = 0; day < kDaysOfWeek; ++day) {
            // The locale's short names, Monday first, as the setting counts.
            wchar_t name[80] = {};
            ::GetLocaleInfoW(LOCALE_USER_DEFAULT, static_cast<LCTYPE>(LOCALE_SABBREVDAYNAME1 + day),
                             name, static_cast<int>(std::size(name)));
            ::SetDlgItemTextW(handle_, IDC_WORK_DAY_FIRST + day, name);
            SetChecked(IDC_WORK_DAY_FIRST + day, work.workDays[static_cast<std::size_t>(day)]);
        }
        // No date: the balance counts from the first day in the log.
        SYSTEMTIME date{};
        if (work.balanceFrom) {
            const CivilDate from = DecodeDate(*work.balanceFrom);
            date.wYear = static_cast<WORD>(from.Year);
            date.wMonth = static_cast<WORD>(from.Month);
            date.wDay = static_cast<WORD>(from.Day);
        }
        ::SendDlgItemMessageW(handle_, IDC_BALANCE_FROM_DATE, DTM_SETSYSTEMTIME,
                              work.balanceFrom ? GDT_VALID : GDT_NONE,
                              reinterpret_cast<LPARAM>(&date));
        SetChecked(IDC_DEDUCT_BREAKS_CHECK, work.deductBreaks);
        ::SetDlgItemTextW(handle_, IDC_BREAK_RULES_EDIT,
                          Widen(BreakRulesText(work.breakRules)).c_str());
    }

    // False, with a box naming the field, when a text does not parse.
    bool ReadWorkTime(WorkTimeSettings& work) {
        const WorkTimeTexts texts{ControlText(IDC_WEEK_HOURS_EDIT),
                                  ControlText(IDC_BREAK_RULES_EDIT)};
        if (const std::string problem = ParseWorkTimeTexts(texts, work); !problem.empty()) {
            ::MessageBoxW(handle_, Widen(problem).c_str(), kOptionsCaption, MB_OK | MB_ICONWARNING);
            const int field =
                ParseWeekHours(texts.WeekHours) ? IDC_BREAK_RULES_EDIT : IDC_WEEK_HOURS_EDIT;
            ::SetFocus(::GetDlgItem(handle_, field));
            ::SendDlgItemMessageW(handle_, field, EM_SETSEL, 0, -1);
            return false;
        }
        for (int day = 0; day < kDaysOfWeek; ++day)
            work.workDays[static_cast<std::size_t>(day)] = IsChecked(IDC_WORK_DAY_FIRST + day);
        SYSTEMTIME date{};
        work.balanceFrom.reset();
        if (::SendDlgItemMessageW(handle_, IDC_BALANCE_FROM_DATE, DTM_GETSYSTEMTIME, 0,
                                  reinterpret_cast<LPARAM>(&date)) == GDT_VALID)
            work.balanceFrom = EncodeDate(date.wYear, date.wMonth, date.wDay);
        work.deductBreaks = IsChecked(IDC_DEDUCT_BREAKS_CHECK);
        return true;
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
        Enable(IDC_SHARED_FOLDER_EDIT, IsChecked(IDC_SHARED_FOLDER_CHECK));
        Enable(IDC_SHARED_FOLDER_BROWSE, IsChecked(IDC_SHARED_FOLDER_CHECK));
    }

    void BrowseForSharedFolder() {
        if (const std::optional<std::string> folder =
                PickFolder(handle_, ControlText(IDC_SHARED_FOLDER_EDIT)))
            ::SetDlgItemTextW(handle_, IDC_SHARED_FOLDER_EDIT, Widen(*folder).c_str());
    }

    // False, with a box, when the box is checked without a folder that exists.
    bool ReadSharedFolder() {
        choice_.KeepInSharedFolder = IsChecked(IDC_SHARED_FOLDER_CHECK);
        choice_.SharedFolder = ControlText(IDC_SHARED_FOLDER_EDIT);
        if (!choice_.KeepInSharedFolder || choice_.SharedFolder.empty() ||
            IsExistingFolder(choice_.SharedFolder))
            return true;
        const std::string text =
            "The folder " + choice_.SharedFolder +
            " does not exist. Choose a folder that your other computers share.";
        ::MessageBoxW(handle_, Widen(text).c_str(), kOptionsCaption, MB_OK | MB_ICONWARNING);
        FocusAll(IDC_SHARED_FOLDER_EDIT);
        return false;
    }

    void FocusAll(int id) {
        ::SetFocus(::GetDlgItem(handle_, id));
        ::SendDlgItemMessageW(handle_, id, EM_SETSEL, 0, -1);
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
        if (!ReadWorkTime(choice_.WorkTime) || !ReadSharedFolder()) return;
        if (const std::string problem = OptionsProblem(choice_); !problem.empty()) {
            ::MessageBoxW(handle_, Widen(problem).c_str(), kOptionsCaption, MB_OK | MB_ICONWARNING);
            const bool folderMissing =
                choice_.KeepInSharedFolder &&
                choice_.SharedFolder.find_first_not_of(' ') == std::string::npos;
            FocusAll(folderMissing ? IDC_SHARED_FOLDER_EDIT : IDC_USER_NAME_EDIT);
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
