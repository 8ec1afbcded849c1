// The main window's side of recording: it turns the system's notices (the minute timer, sleep,
// lock, input) into steps of the recording, shows their boxes and keeps the tray tip current.

#include "win32/main_window/MainWindow.h"

#include <wtsapi32.h>

#include "win32/Ids.h"
#include "win32/main_window/MainWindowParts.h"
#include "win32/platform/SystemError.h"
#include "win32/platform/UserLocale.h"

void MainWindow::StartSession() {
    // A failed start is tried again by the next tick.
    AfterStep(recording_.Start());
}

void MainWindow::AfterStep(const std::string& box) {
    if (!box.empty()) ShowErrorOnce(recorderBoxOpen_, box);
    UpdateTip();
}

void MainWindow::UpdateTip() {
    recordingMark_.Follow(recording_.Log().Path, RecordsNow());
    if (!state_.Logging || ended_) return;
    tray_.SetTip(recording_.Tip(UserLocaleFormats(), TrayIcon::kTipLength));
}

// The report follows the days of the last read; a log that could not be read changes nothing.
void MainWindow::RefreshTotals() {
    if (ended_) return;
    UpdateTip();
    const LogTotals* totals = recording_.Totals();
    if (totals == nullptr || totals->Failed() == LogTotals::Failure::ReadError) return;
    if (reportWindow_.IsOpen()) reportWindow_.Refresh(totals->Days());
    if (timesheetWindow_.IsOpen())
        timesheetWindow_.Refresh(totals->Days(), recording_.WorkTime(), recording_.Marks(),
                                 SystemClock().Now());
}

void MainWindow::OnMinuteTimer(bool finalTick) {
    if (!state_.Logging) return;
    AfterStep(recording_.Tick(finalTick));
    if (recording_.Failing()) return;
    if (recording_.WentAway() &&
        ::SetTimer(hwnd_, kInputTimerId, kInputTimerInterval, nullptr) == 0)
        ShowError(WithReason(kInputTimerFailed, LastErrorText()));
    // The tree only for a viewer that shows it; the tip and the report need the days alone.
    BuildLogTree(!finalTick && Visible());
}

void MainWindow::OnPowerBroadcast(WPARAM event) {
    if (!state_.Logging) return;
    if (event == PBT_APMSUSPEND) {
        AfterStep(recording_.Suspend());
    } else if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) {
        AfterStep(recording_.Resume());
    }
}

// Follows the options: lock notifications only while they count, and a new session at once when
// a reason for being away is switched off.
void MainWindow::ApplyAwayRules() {
    const bool wantNotifications = state_.Logging && state_.AwayWhenLocked;
    if (wantNotifications && !sessionNotifications_) {
        sessionNotifications_ =
            ::WTSRegisterSessionNotification(hwnd_, NOTIFY_FOR_THIS_SESSION) != FALSE;
    } else if (!wantNotifications && sessionNotifications_) {
        ::WTSUnRegisterSessionNotification(hwnd_);
        sessionNotifications_ = false;
    }
    if (!state_.Logging) return;
    AfterStep(recording_.SetAwayRules({state_.AwayWhenLocked, state_.AwayIdleMinutes}));
}

void MainWindow::OnSessionChange(WPARAM event) {
    if (!state_.Logging) return;
    if (event == WTS_SESSION_LOCK || event == WTS_CONSOLE_DISCONNECT) {
        AfterStep(recording_.Lock());
    } else if (event == WTS_SESSION_UNLOCK || event == WTS_CONSOLE_CONNECT) {
        AfterStep(recording_.Unlock());
    }
}

void MainWindow::OnInputTimer() {
    if (state_.Logging && recording_.Recorder().WaitingForInput()) {
        AfterStep(recording_.CheckForInput());
        if (!recording_.Failing() && recording_.Recorder().WaitingForInput()) return;
    }
    ::KillTimer(hwnd_, kInputTimerId);
}
