// The main window's recording: a session per log-on, extended every minute, ended by sleep,
// a lock or idleness and started again on return.

#include "win32/main_window/MainWindow.h"

#include <wtsapi32.h>

#include "core/reports/LogTotals.h"
#include "core/reports/Weeks.h"
#include "core/reports/TrayTipText.h"
#include "core/reports/WeekTable.h"
#include "core/time/DateTimeFormat.h"
#include "win32/Ids.h"
#include "win32/main_window/MainWindowParts.h"
#include "win32/platform/UserLocale.h"
#include "win32/platform/UserWeek.h"

namespace {

constexpr char kStartedTip[] = "Worktally - Started ";
constexpr char kAwayTip[] = "Worktally - Away since ";

}  // namespace

void MainWindow::StartSession() {
    try {
        recorder_.AppendSession(LogTargetOf(state_));
        recorderFailing_ = false;
        SetStartedTip();
    } catch (const std::exception& error) {
        // The next tick tries the start again.
        ShowRecorderError(error);
    }
}

void MainWindow::SetStartedTip() {
    SetTrayTip(kStartedTip + DateTimeText(recorder_.SessionStart(), UserLocaleFormats()));
}

void MainWindow::SetAwayTip() {
    SetTrayTip(kAwayTip + DateTimeText(recorder_.AwaySince(), UserLocaleFormats()));
}

void MainWindow::SetTrayTip(const std::string& firstLine) {
    if (!state_.Logging) return;
    tipFirstLine_ = firstLine;
    tray_.SetTip(TrayTipText(firstLine, tipTotalsLine_, TrayIcon::kTipLength));
}

// The tip and the report follow the days of the last read; a log that could not be read
// changes neither.
void MainWindow::RefreshTotals() {
    if (ended_ || (!state_.Logging && !reportWindow_.IsOpen()) || !haveTotals_) return;
    const LogTotals& totals = totalsReader_.Totals();
    if (totals.Failed() == LogTotals::Failure::ReadError) return;
    if (reportWindow_.IsOpen()) reportWindow_.Refresh(totals.Days());
    if (state_.Logging && !tipFirstLine_.empty()) {
        tipTotalsLine_ =
            TotalsLine(CurrentTotalsAt(totals.Days(), SystemClock().Now(), UserFirstDayOfWeek()));
        SetTrayTip(tipFirstLine_);
    }
}

void MainWindow::OnMinuteTimer(bool finalTick) {
    if (!state_.Logging) return;
    SessionRecorder::TickResult result{};
    try {
        result = recorder_.Tick(LogTargetOf(state_), finalTick);
        recorderFailing_ = false;
    } catch (const std::exception& error) {
        ShowRecorderError(error);
        return;
    }
    if (result == SessionRecorder::TickResult::Appended) SetStartedTip();
    if (result == SessionRecorder::TickResult::WentAway) {
        SetAwayTip();
        ::SetTimer(hwnd_, kInputTimerId, kInputTimerInterval, nullptr);
    }
    // The tree only for a viewer that shows it; the tip and the report need the days alone.
    BuildLogTree(!finalTick && Visible());
}

void MainWindow::OnPowerBroadcast(WPARAM event) {
    if (!state_.Logging) return;
    try {
        if (event == PBT_APMSUSPEND) {
            recorder_.Suspend(LogTargetOf(state_));
        } else if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) {
            if (recorder_.Resume(LogTargetOf(state_))) SetStartedTip();
        }
    } catch (const std::exception& error) {
        ShowRecorderError(error);
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
    try {
        if (recorder_.SetAwayRules({state_.AwayWhenLocked, state_.AwayIdleMinutes},
                                   LogTargetOf(state_)))
            SetStartedTip();
    } catch (const std::exception& error) {
        ShowRecorderError(error);
    }
}

void MainWindow::OnSessionChange(WPARAM event) {
    if (!state_.Logging) return;
    try {
        if (event == WTS_SESSION_LOCK || event == WTS_CONSOLE_DISCONNECT) {
            const bool wasAway = recorder_.Away();
            recorder_.Lock(LogTargetOf(state_));
            if (!wasAway && recorder_.Away()) SetAwayTip();
        } else if (event == WTS_SESSION_UNLOCK || event == WTS_CONSOLE_CONNECT) {
            if (recorder_.Unlock(LogTargetOf(state_))) SetStartedTip();
        }
    } catch (const std::exception& error) {
        ShowRecorderError(error);
    }
}

void MainWindow::OnInputTimer() {
    if (!state_.Logging || !recorder_.WaitingForInput()) {
        ::KillTimer(hwnd_, kInputTimerId);
        return;
    }
    try {
        if (recorder_.CheckForInput(LogTargetOf(state_))) {
            ::KillTimer(hwnd_, kInputTimerId);
            SetStartedTip();
        }
    } catch (const std::exception& error) {
        ::KillTimer(hwnd_, kInputTimerId);
        ShowRecorderError(error);
    }
}

void MainWindow::ShowRecorderError(const std::exception& error) {
    // One box for one outage: a log held for minutes gets no box at every retry.
    if (recorderFailing_) return;
    recorderFailing_ = true;
    ShowErrorOnce(recorderBoxOpen_,
                  WithReason("Error writting " + state_.LogFileName, FailureReason(error)));
}
