// The main window's recording: a session per log-on, extended every minute, ended by sleep,
// a lock or idleness and started again on return.

#include "win32/main_window/MainWindow.h"

#include <wtsapi32.h>

#include "core/time/DateTimeFormat.h"
#include "win32/Ids.h"
#include "win32/main_window/MainWindowParts.h"
#include "win32/platform/UserLocale.h"

namespace {

constexpr char kStartedTip[] = "Worktally - Started ";
constexpr char kAwayTip[] = "Worktally - Away since ";

}  // namespace

void MainWindow::StartSession() {
    try {
        recorder_.AppendSession(state_.LogFileName, state_.EncodedPassword);
        SetStartedTip();
    } catch (const std::exception&) {
        ShowRecorderError();
    }
}

void MainWindow::SetStartedTip() {
    if (state_.Logging)
        tray_.SetTip(kStartedTip + DateTimeText(recorder_.SessionStart(), UserLocaleFormats()));
}

void MainWindow::SetAwayTip() {
    if (state_.Logging)
        tray_.SetTip(kAwayTip + DateTimeText(recorder_.AwaySince(), UserLocaleFormats()));
}

void MainWindow::OnMinuteTimer(bool finalTick) {
    if (!state_.Logging) return;
    SessionRecorder::TickResult result{};
    try {
        result = recorder_.Tick(state_.LogFileName, state_.EncodedPassword, finalTick);
    } catch (const std::exception&) {
        ShowRecorderError();
        return;
    }
    if (result == SessionRecorder::TickResult::Appended) SetStartedTip();
    if (result == SessionRecorder::TickResult::WentAway) {
        SetAwayTip();
        ::SetTimer(hwnd_, kInputTimerId, kInputTimerInterval, nullptr);
    }
    BuildLogTree(!finalTick);
}

void MainWindow::OnPowerBroadcast(WPARAM event) {
    if (!state_.Logging) return;
    try {
        if (event == PBT_APMSUSPEND) {
            recorder_.Suspend(state_.LogFileName, state_.EncodedPassword);
        } else if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) {
            if (recorder_.Resume(state_.LogFileName, state_.EncodedPassword)) SetStartedTip();
        }
    } catch (const std::exception&) {
        ShowRecorderError();
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
                                   state_.LogFileName, state_.EncodedPassword))
            SetStartedTip();
    } catch (const std::exception&) {
        ShowRecorderError();
    }
}

void MainWindow::OnSessionChange(WPARAM event) {
    if (!state_.Logging) return;
    try {
        if (event == WTS_SESSION_LOCK || event == WTS_CONSOLE_DISCONNECT) {
            const bool wasAway = recorder_.Away();
            recorder_.Lock(state_.LogFileName, state_.EncodedPassword);
            if (!wasAway && recorder_.Away()) SetAwayTip();
        } else if (event == WTS_SESSION_UNLOCK || event == WTS_CONSOLE_CONNECT) {
            if (recorder_.Unlock(state_.LogFileName, state_.EncodedPassword)) SetStartedTip();
        }
    } catch (const std::exception&) {
        ShowRecorderError();
    }
}

void MainWindow::OnInputTimer() {
    if (!state_.Logging || !recorder_.WaitingForInput()) {
        ::KillTimer(hwnd_, kInputTimerId);
        return;
    }
    try {
        if (recorder_.CheckForInput(state_.LogFileName, state_.EncodedPassword)) {
            ::KillTimer(hwnd_, kInputTimerId);
            SetStartedTip();
        }
    } catch (const std::exception&) {
        ::KillTimer(hwnd_, kInputTimerId);
        ShowRecorderError();
    }
}

void MainWindow::ShowRecorderError() {
    ShowErrorOnce(recorderBoxOpen_, "Error writting " + state_.LogFileName);
}
