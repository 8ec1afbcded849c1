// The main window's commands: the menus, the tray icon's clicks and a second start's command
// line.

#include "win32/main_window/MainWindow.h"

#include "core/autorun/AutoRunEntry.h"
#include "core/dialogs/PasswordRules.h"
#include "core/log/Rewrite.h"
#include "core/reports/CorrectionTexts.h"
#include "core/reports/FolderTexts.h"
#include "core/settings/PasswordCodec.h"
#include "res/resource.h"
#include "win32/dialogs/AboutDialog.h"
#include "win32/dialogs/CorrectionDialog.h"
#include "win32/dialogs/ExportDialog.h"
#include "win32/main_window/MainWindowParts.h"
#include "win32/platform/ErrorBox.h"
#include "win32/platform/UserLocale.h"
#include "win32/platform/WideText.h"

void MainWindow::OnCommand(WORD id, bool fromAccelerator) {
    switch (id) {
        case IDM_CHANGE_PASSWORD:
            OnChangePassword();
            break;
        case IDM_OPTIONS:
            OnOptions();
            break;
        case IDM_EXIT:
            OnExit();
            break;
        case IDM_DELETE_BRANCH:
            if (fromAccelerator) deleteKey_.ShortcutRan();
            OnDeleteBranch();
            break;
        case IDM_HELP_CONTENTS:
            helpWindow_.Show(hwnd_);
            break;
        case IDM_ABOUT:
            OnAbout();
            break;
        case IDM_SHOW:
            OnShow();
            break;
        case IDM_REFRESH:
            if (Visible()) BuildLogTree();
            break;
        case IDM_WEEKLY_REPORT:
            // Parts of the viewer: only while it shows the log, past its password.
            if (!Visible()) break;
            reportWindow_.Show(hwnd_, SystemClock().Now());
            RefreshTotals();
            break;
        case IDM_TIMESHEET:
            if (!Visible()) break;
            timesheetWindow_.Show(hwnd_, SystemClock().Now());
            BuildLogTree(Visible());  // its marks come with a read of the log
            break;
        case IDM_EXPORT:
            if (Visible()) ExportFromViewer(hwnd_, state_);
            break;
        case IDM_ADD_TIME:
            if (Visible()) OnCorrection(ChangeKind::AddTime);
            break;
        case IDM_REMOVE_TIME:
            if (Visible()) OnCorrection(ChangeKind::RemoveTime);
            break;
        case IDM_UNDO:
            if (Visible()) OnUndo();
            break;
    }
}

void MainWindow::OnHandOver() {
    const std::optional<std::string> text = TakeHandOverText(channel_);
    if (!text) return;
    const bool wasLogging = state_.Logging;
    ProgramState next = state_;
    const HandOverOutcome outcome = ApplyHandOver(next, *text, environment_);
    if (outcome.StartSession || !wasLogging) {
        if (state_.Logging) tray_.Remove();
        state_ = std::move(next);
        if (state_.Logging) tray_.Add(kCaption);
        FollowLog();
    }
    if (outcome.StartSession) {
        StartSession();
        ApplyAwayRules();
        return;
    }
    if (!outcome.OtherLog.empty()) {
        const std::string note = "Worktally is recording into " + state_.LogFileName +
                                 "\n\nExit Worktally first to view " + outcome.OtherLog;
        // No owner: the window may be hidden.
        ::MessageBoxW(nullptr, Widen(note).c_str(), kCaptionW,
                      MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
        if (hwnd_ == nullptr) return;
    }
    ShowViewer();
    EndIfUnreachable();
}

void MainWindow::EndIfUnreachable() {
    // Without logging there is no tray icon to reach a hidden window by: the program ends.
    if (hwnd_ != nullptr && !state_.Logging && !Visible() && !promptOpen_) {
        ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    }
}

void MainWindow::ShowViewer() {
    if (hwnd_ == nullptr || promptOpen_) return;
    // Shown already (a hand-over): the rebuilt tree keeps the user's place.
    std::optional<ViewPlace> place;
    if (Visible() && tree_.Rendered()) place = tree_.CapturePlace();
    ClearTree();
    pendingPlace_ = std::move(place);
    EnableShowItem(false);
    if (!state_.EncodedPassword.empty()) {
        std::optional<TypedPassword> answer;
        {
            FlagScope prompt(promptOpen_);
            answer = AskPassword(instance_, hwnd_);
        }
        if (!answer || answer->empty() || hwnd_ == nullptr) return;
        const ViewerPasswordCheck check = CheckViewerPassword(state_.EncodedPassword, *answer);
        if (check.DecodeFailed) ShowError("Error during decoding the password");
        if (!check.Granted) {
            ShowError("Password Incorrect");
            return;
        }
    }
    EnableDeleteItems(false);
    BuildLogTree();
    if (hwnd_ == nullptr) return;
    ShowOrRestore();
    if (renderPending_) RenderTree();
}

void MainWindow::OnShow() {
    ShowViewer();
    if (hwnd_ == nullptr) return;
    if (::IsIconic(hwnd_)) ::ShowWindow(hwnd_, SW_RESTORE);
    ::SetForegroundWindow(hwnd_);
    EndIfUnreachable();  // logging may have been switched off during the prompt
}

void MainWindow::OnExit() {
    allowClose_ = true;
    ::SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void MainWindow::OnDeleteBranch() {
    // Taken before the question: a tick while it is open replaces the tree's nodes.
    const Period* selected = tree_.SelectedPeriod();
    if (selected == nullptr) return;
    const PeriodKind kind = selected->Kind;
    const DateTime start = selected->StartTime;
    // In a shared folder a session piece of the union is this computer's sessions in it.
    const std::optional<std::vector<DateTime>> ownSessions =
        kind == PeriodKind::Session ? OwnSessionsIn(start) : std::nullopt;
    const std::vector<std::string> otherLogs = OtherLogsIn(kind, start);
    if (ownSessions && ownSessions->empty()) {
        ShowBox(hwnd_,
                "Only " + NameList(otherLogs) +
                    " recorded this time. Worktally changes this computer's log only.",
                MB_OK | MB_ICONINFORMATION, kCaptionW);
        return;
    }
    std::string question = "Delete selected branch?\n\n" + selected->PeriodText(modelFormats_);
    try {
        question +=
            "\n" + SessionCountText(ownSessions ? ownSessions->size()
                                                : CountLogBranch(NativeFileSystem(),
                                                                 recording_.Log(), kind, start));
    } catch (const std::exception&) {
        // Without a count the question still names the branch.
    }
    if (!otherLogs.empty()) question += "\n\n" + OtherLogsStayText(otherLogs);

    // A destructive action is not one Enter away: No is the default.
    if (::MessageBoxW(hwnd_, Widen(question).c_str(), kCaptionW,
                      MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) != IDYES) {
        return;
    }
    try {
        std::vector<Span> removed;
        const DateTime sessionStart = recording_.Recorder().SessionStart();
        const std::optional<DateTime> appended =
            ownSessions ? DeleteLogSessions(NativeFileSystem(), recording_.Log(), *ownSessions,
                                            sessionStart, state_.Logging, SystemClock(), &removed)
                        : DeleteLogBranch(NativeFileSystem(), recording_.Log(), kind, start,
                                          sessionStart, state_.Logging, SystemClock(), &removed);
        if (appended) recording_.SessionReplaced(*appended);
        undo_.Push(DeletedBranchChange(std::move(removed)));
        UpdateUndoItem();
    } catch (const std::exception& error) {
        // The log is unchanged; the rebuild below shows what it holds.
        ShowError(WithReason("The branch was not deleted: cannot rewrite " + state_.LogFileName,
                             FailureReason(error)));
    }
    BuildLogTree();
}

void MainWindow::OnCorrection(ChangeKind kind) {
    const DateTime now = SystemClock().Now();
    const Period* selected = tree_.SelectedPeriod();
    const Span prefill = selected != nullptr ? PrefillRange(selected->Kind, selected->StartTime,
                                                            selected->EndTime, now)
                                             : PrefillRange(PeriodKind::Day, now, now, now);
    // The line under From and To is worked out on the pairs as they are now; OK reads the log
    // again under its guard, so a tick in between is kept.
    std::vector<LogPair> pairs;
    try {
        pairs = ReadLogPairs(NativeFileSystem(), recording_.Log());
    } catch (const std::exception& error) {
        ShowError(WithReason("Error reading " + state_.LogFileName, FailureReason(error)));
        return;
    }
    const LocaleFormats formats = UserLocaleFormats();
    const std::function<std::string(Span)> lineFor = [&](Span range) {
        const DateTime at = SystemClock().Now();
        const CorrectionPlan plan = kind == ChangeKind::AddTime
                                        ? PlanAddTime(pairs, range, at, RecordsNow())
                                        : PlanRemoveTime(pairs, range, at, RecordsNow());
        // Other computers' time in the range stays whatever this computer's log does.
        const std::vector<std::string> others = OtherLogsIn(range);
        const std::string line = CorrectionLine(kind, plan.Result, formats);
        return others.empty() ? line : line + "\n" + OtherLogsStayText(others);
    };
    const std::optional<Span> range =
        ShowCorrectionDialog(instance_, hwnd_, kind, prefill, lineFor);
    if (!range || hwnd_ == nullptr) return;
    try {
        const DateTime at = SystemClock().Now();
        AfterChange(
            kind == ChangeKind::AddTime
                ? AddTime(NativeFileSystem(), recording_.Log(), *range, at, RecordsNow())
                : RemoveTime(NativeFileSystem(), recording_.Log(), *range, at, RecordsNow()),
            true);
    } catch (const std::exception& error) {
        ShowError(WithReason("Error changing " + state_.LogFileName, FailureReason(error)));
    }
}

void MainWindow::OnUndo() {
    if (undo_.Empty()) return;
    try {
        AfterChange(undo_.UndoNewest(NativeFileSystem(), recording_.Log(), RecordsNow()), false);
    } catch (const std::exception& error) {
        ShowError(WithReason("Error changing " + state_.LogFileName, FailureReason(error)));
    }
    UpdateUndoItem();
}

void MainWindow::AfterChange(const CorrectionResult& result, bool undoable) {
    if (result.Refusal != CorrectionRefusal::None) {
        ShowError(RefusalText(result.Refusal));
        return;
    }
    if (result.RunningStart) recording_.SessionStartMoved(*result.RunningStart);
    if (undoable && result.Changed) undo_.Push(result.Change);
    UpdateUndoItem();
    BuildLogTree();
}

void MainWindow::UpdateUndoItem() {
    if (mainMenu_ == nullptr) return;
    const std::wstring text = Widen(undo_.MenuText() + "\tCtrl+Z");
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STRING | MIIM_STATE;
    item.dwTypeData = const_cast<wchar_t*>(text.c_str());
    item.fState = undo_.Empty() ? MFS_GRAYED : MFS_ENABLED;
    ::SetMenuItemInfoW(mainMenu_, IDM_UNDO, FALSE, &item);
}

void MainWindow::OnMarkDay(DateTime day, DayMark mark) {
    try {
        recording_.MarkDay(day, mark);
    } catch (const std::exception& error) {
        ShowError(WithReason("The day was not marked: cannot write " + recording_.MarksPath(),
                             FailureReason(error)));
    }
    BuildLogTree(Visible());
}

void MainWindow::OnChangePassword() {
    TypedPassword oldPassword;
    PasswordRetry retry;
    PasswordChange result{};
    std::string failure;
    do {
        const bool hasOldPassword = !state_.EncodedPassword.empty();
        const std::optional<NewPasswordInput> input =
            AskNewPassword(instance_, hwnd_, hasOldPassword, retry, oldPassword);
        if (!input || hwnd_ == nullptr) return;
        oldPassword = input->OldPassword;
        result = ChangePassword(
            state_, input->OldPassword, input->NewPassword, input->RetypedPassword,
            [&](const std::string& from, const std::string& to) {
                try {
                    RekeyLog(NativeFileSystem(), LogTarget{state_.LogFileName, from}, to);
                } catch (const std::exception& error) {
                    failure = FailureReason(error);
                    throw;
                }
            });
        ReportPasswordChange(result, failure);
        retry = RetryAfter(result);
    } while (retry.Again && hwnd_ != nullptr);
}

void MainWindow::ReportPasswordChange(PasswordChange result, const std::string& failure) {
    switch (result) {
        case PasswordChange::Changed: {
            // Named before the read with the new password leaves them out.
            const std::vector<std::string> others = OtherLogsIn(PeriodKind::Total, 0);
            SaveSettings(state_, settings_);  // at once: the log already uses the new one
            FollowLog();
            if (others.empty()) {
                RefreshTotals();
                break;
            }
            BuildLogTree(Visible());
            ShowBox(hwnd_, OtherLogsLeftOutText(others), MB_OK | MB_ICONINFORMATION, kCaptionW);
            break;
        }
        case PasswordChange::DecodeFailed:
            ShowError("The stored password cannot be decoded; the password was not changed.");
            break;
        case PasswordChange::IncorrectOld:
            ShowError("Incorrect old password");
            break;
        case PasswordChange::NotEqual:
            ShowError("You've entered not equal new passwords");
            break;
        case PasswordChange::Unchanged:
            break;
        case PasswordChange::RewriteFailed:
            ShowError(WithReason(
                "The password was not changed: cannot rewrite " + state_.LogFileName, failure));
            break;
    }
}

void MainWindow::OnOptions() {
    const std::string sharedFolder = state_.SharedFolder;
    ShowOptionsDialog(hwnd_, state_, autoRun_, settings_, environment_.UserName);
    if (hwnd_ == nullptr) return;
    ApplyAwayRules();
    recording_.SetWorkTime(state_.WorkTime);
    if (state_.SharedFolder != sharedFolder) {
        FollowSharedFolder();
    } else {
        RefreshTotals();
    }
}

void MainWindow::OnAbout() {
    ShowAboutDialog(hwnd_);
}

void MainWindow::EnableShowItem(bool enabled) {
    ::EnableMenuItem(iconPopupMenu_.Get(), IDM_SHOW,
                     MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void MainWindow::EnableDeleteItems(bool enabled) {
    const UINT flags = MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED);
    if (mainMenu_ != nullptr) ::EnableMenuItem(mainMenu_, IDM_DELETE_BRANCH, flags);
    ::EnableMenuItem(treePopupMenu_.Get(), IDM_DELETE_BRANCH, flags);
}

void MainWindow::OnTrayIcon(LPARAM mouseMessage) {
    switch (LOWORD(mouseMessage)) {
        case WM_LBUTTONDBLCLK:
            // The prompt that is already open answers for this double-click too.
            if (promptOpen_) return;
            OnShow();
            break;
        case WM_RBUTTONUP:
            tray_.ShowMenu(::GetSubMenu(iconPopupMenu_.Get(), 0));
            break;
    }
}
