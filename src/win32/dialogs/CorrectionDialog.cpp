#include "win32/dialogs/CorrectionDialog.h"

#include <commctrl.h>

#include <cmath>

#include "core/time/DateTime.h"
#include "res/resource.h"
#include "win32/dialogs/DialogThunk.h"
#include "win32/platform/UserLocale.h"
#include "win32/platform/WideText.h"

namespace {

constexpr double kMinutesPerDay = 24 * 60;

SYSTEMTIME SystemTimeOf(DateTime value) {
    // To the minute: the pickers show no seconds, and From and To mean whole minutes.
    const DateTime minute = std::floor(value * kMinutesPerDay + 0.5) / kMinutesPerDay;
    const CivilDate date = DecodeDate(minute);
    const CivilTime time = DecodeTime(minute);
    SYSTEMTIME system{};
    system.wYear = static_cast<WORD>(date.Year);
    system.wMonth = static_cast<WORD>(date.Month);
    system.wDay = static_cast<WORD>(date.Day);
    system.wHour = static_cast<WORD>(time.Hour);
    system.wMinute = static_cast<WORD>(time.Minute);
    return system;
}

class CorrectionDialogRun {
  public:
    CorrectionDialogRun(ChangeKind kind, Span range,
                        const std::function<std::string(Span)>& lineFor)
        : kind_(kind), range_(range), lineFor_(lineFor) {}
    Span Range() const { return range_; }

    INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_INITDIALOG:
                Init(dialog);
                return FALSE;  // the focus is set
            case WM_NOTIFY:
                if (reinterpret_cast<const NMHDR*>(lParam)->code == DTN_DATETIMECHANGE)
                    ShowLine(dialog);
                break;
        }
        return EndOnOkOrCancel(dialog, message, wParam, [&] { range_ = Read(dialog); });
    }

  private:
    void Init(HWND dialog) {
        ::SetWindowTextW(dialog, kind_ == ChangeKind::AddTime ? L"Add Time - Worktally"
                                                              : L"Remove Time - Worktally");
        const std::wstring timeFormat = Widen(UserLocaleFormats().ShortTime);
        const SYSTEMTIME from = SystemTimeOf(range_.Start);
        const SYSTEMTIME to = SystemTimeOf(range_.End);
        for (const auto& [id, value] :
             {std::pair{IDC_FROM_DATE, from}, std::pair{IDC_FROM_TIME, from},
              std::pair{IDC_TO_DATE, to}, std::pair{IDC_TO_TIME, to}}) {
            const HWND picker = ::GetDlgItem(dialog, id);
            if (id == IDC_FROM_TIME || id == IDC_TO_TIME)
                ::SendMessageW(picker, DTM_SETFORMATW, 0,
                               reinterpret_cast<LPARAM>(timeFormat.c_str()));
            ::SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
        }
        ShowLine(dialog);
        // Opened from the tree's menu or a key: it takes the keyboard at once.
        ::SetForegroundWindow(dialog);
        ::SetFocus(::GetDlgItem(dialog, IDC_FROM_DATE));
    }

    static DateTime Picked(HWND dialog, int dateId, int timeId) {
        SYSTEMTIME date{};
        SYSTEMTIME time{};
        ::SendMessageW(::GetDlgItem(dialog, dateId), DTM_GETSYSTEMTIME, 0,
                       reinterpret_cast<LPARAM>(&date));
        ::SendMessageW(::GetDlgItem(dialog, timeId), DTM_GETSYSTEMTIME, 0,
                       reinterpret_cast<LPARAM>(&time));
        return EncodeDateTime(date.wYear, date.wMonth, date.wDay, time.wHour, time.wMinute);
    }

    static Span Read(HWND dialog) {
        return Span{Picked(dialog, IDC_FROM_DATE, IDC_FROM_TIME),
                    Picked(dialog, IDC_TO_DATE, IDC_TO_TIME)};
    }

    void ShowLine(HWND dialog) {
        const Span range = Read(dialog);
        const std::string line = lineFor_(range);
        ::SetDlgItemTextW(dialog, IDC_CORRECTION_LINE, Widen(line).c_str());
    }

    ChangeKind kind_;
    Span range_;
    const std::function<std::string(Span)>& lineFor_;
};

}  // namespace

std::optional<Span> ShowCorrectionDialog(HINSTANCE instance, HWND owner, ChangeKind kind,
                                         Span prefill,
                                         const std::function<std::string(Span)>& lineFor) {
    CorrectionDialogRun run(kind, prefill, lineFor);
    if (RunModalDialog(instance, IDD_CORRECTION, owner, run) != IDOK) return std::nullopt;
    return run.Range();
}
