#include "win32/main_window/MainWindow.h"

#include <wtsapi32.h>

#include <algorithm>
#include <stdexcept>

#include "core/autorun/AutoRunEntry.h"
#include "res/resource.h"
#include "win32/Ids.h"
#include "win32/main_window/MainWindowParts.h"
#include "win32/main_window/WindowPlace.h"
#include "win32/platform/Dpi.h"
#include "win32/platform/ErrorBox.h"
#include "win32/platform/WindowThunk.h"
#include "win32/platform/SystemError.h"
#include "win32/platform/UserLocale.h"
#include "win32/platform/UserWeek.h"
#include "win32/platform/WideText.h"

namespace {

// Design size and place of the window at 96 dots per inch.
constexpr int kDesignLeft = 243;
constexpr int kDesignTop = 198;
constexpr int kDesignWidth = 696;
constexpr int kDesignHeight = 480;

// Menu positions within the loaded menus.
constexpr int kHelpMenuPosition = 3;
// Below this the tree and the status bar stop being usable.
constexpr int kMinimumWidth = 320;
constexpr int kMinimumHeight = 200;

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, ProgramState& state, SettingsStore& settings,
                       ParamsChannel& channel, ParseEnvironment environment)
    : TopWindow(SIZE{kMinimumWidth, kMinimumHeight}),
      instance_(instance),
      state_(state),
      settings_(settings),
      channel_(channel),
      environment_(std::move(environment)),
      recording_(NativeFileSystem(), SystemClock(), &input_) {}

MainWindow::~MainWindow() {
    Destroy();
}

void MainWindow::Create() {
    icon_ = ::LoadIconA(instance_, MAKEINTRESOURCEA(IDI_WORKTALLY));
    // The small icon comes from the same resource.
    if (!RegisterWindowClassOnce(instance_, kMainWindowClassW, WindowThunk<MainWindow>, icon_,
                                 reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)))
        throw std::runtime_error("cannot register the main window class");

    autoRun_ = MachineAndUserAutoRun();
    iconPopupMenu_.Attach(::LoadMenuA(instance_, MAKEINTRESOURCEA(IDR_ICON_POPUP_MENU)));
    treePopupMenu_.Attach(::LoadMenuA(instance_, MAKEINTRESOURCEA(IDR_TREE_POPUP_MENU)));
    accelerators_ = ::LoadAcceleratorsA(instance_, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    mainMenu_ = ::LoadMenuA(instance_, MAKEINTRESOURCEA(IDR_MAIN_MENU));
    dpi_ = SystemDpi();

    const HWND hwnd =
        ::CreateWindowExW(0, kMainWindowClassW, kCaptionW, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                          Scale(kDesignLeft), Scale(kDesignTop), Scale(kDesignWidth),
                          Scale(kDesignHeight), nullptr, mainMenu_, instance_, this);
    if (hwnd == nullptr) {
        if (mainMenu_ != nullptr) ::DestroyMenu(mainMenu_);
        mainMenu_ = nullptr;
        throw std::runtime_error("cannot create the main window");
    }
    OnCreated();
}

void MainWindow::Destroy() {
    if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

void MainWindow::SaveSettingsOnce() {
    if (settingsSaved_) return;
    settingsSaved_ = true;
    SaveSettings(state_, settings_);
}

bool MainWindow::PreTranslateMessage(MSG& message) {
    if (hwnd_ == nullptr) return false;
    // The help window's keys are its own: Del there deletes no branch of the tree.
    if (helpWindow_.Contains(message.hwnd) || reportWindow_.Contains(message.hwnd) ||
        timesheetWindow_.Contains(message.hwnd))
        return false;
    if (message.message == WM_KEYDOWN && message.wParam == VK_DELETE) {
        // Bit 30: the key was down already, an auto-repeat of the same press.
        if (!deleteKey_.KeyDown((message.lParam & (1L << 30)) != 0)) return true;
    }
    if (message.message == WM_KEYUP && message.wParam == VK_DELETE &&
        message.hwnd == tree_.Handle() && message.hwnd != nullptr) {
        // As a command, so that the window procedure's guard catches what it throws.
        if (deleteKey_.KeyUp()) ::SendMessageW(hwnd_, WM_COMMAND, IDM_DELETE_BRANCH, 0);
        return true;
    }
    return accelerators_ != nullptr && ::TranslateAcceleratorW(hwnd_, accelerators_, &message) != 0;
}

// --- Window procedure --------------------------------------------------------------------

void MainWindow::ReportError(const char* text) {
    ShowBox(nullptr, text, MB_OK | MB_ICONERROR, kCaptionW);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (tray_.IsTaskbarCreated(message)) {
        if (state_.Logging) tray_.Add(kCaption);  // the shell restarted and forgot the icon
        return 0;
    }
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED) {
                if (state_.Logging) ::ShowWindow(hwnd_, SW_HIDE);  // minimized to the tray
            } else {
                LayoutControls();
            }
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_MINIMIZE && state_.Logging) {
                ::ShowWindow(hwnd_, SW_HIDE);  // minimized to the tray
                return 0;
            }
            break;
        case WM_SHOWWINDOW:
            if (wParam == FALSE) {
                EnableShowItem(true);
                // The report and the timesheet are parts of the viewer: hidden behind the
                // password with it.
                reportWindow_.Close();
                timesheetWindow_.Close();
            } else if (renderPending_) {
                RenderTree();
            }
            break;
        case WM_SETFOCUS:
            if (tree_.Handle() != nullptr) ::SetFocus(tree_.Handle());
            return 0;
        case WM_CLOSE:
            OnCloseRequested();
            return 0;
        case WM_QUERYENDSESSION:
            allowClose_ = true;
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                // The process may be ended as soon as this returns.
                OnEnding();
                SaveSettingsOnce();
            }
            return 0;
        case WM_DESTROY:
            OnEnding();
            ::PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            tree_.Destroyed();
            statusBar_ = nullptr;
            mainMenu_ = nullptr;
            break;
        case WM_TIMER:
            if (wParam == kMinuteTimerId) OnMinuteTimer(false);
            if (wParam == kInputTimerId) OnInputTimer();
            return 0;
        case WM_WTSSESSION_CHANGE:
            OnSessionChange(wParam);
            return 0;
        case WM_POWERBROADCAST:
            OnPowerBroadcast(wParam);
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam) == 1 && lParam == 0);
            return 0;
        case WM_CONTEXTMENU:
            if (reinterpret_cast<HWND>(wParam) == tree_.Handle()) {
                tree_.ShowContextMenu(lParam, ::GetSubMenu(treePopupMenu_.Get(), 0), hwnd_);
                return 0;
            }
            break;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom != tree_.Handle()) break;
            switch (header->code) {
                case TVN_ITEMEXPANDINGA:
                case TVN_ITEMEXPANDINGW:
                    // Both layouts agree on the fields used here.
                    tree_.OnItemExpanding(*reinterpret_cast<const NMTREEVIEWW*>(lParam));
                    return FALSE;
                case TVN_SELCHANGEDA:
                case TVN_SELCHANGEDW:
                    OnTreeSelectionChanged();
                    return 0;
            }
            break;
        }
        case WM_COMMANDPARAMS:
            // The sender waits until this returns; applying may open the password prompt.
            if (KeepHandOverText(channel_)) ::PostMessageW(hwnd_, WM_APPLYHANDOVER, 0, 0);
            return 0;
        case WM_APPLYHANDOVER:
            OnHandOver();
            return 0;
        case WM_TRAYICON:
            ::DefWindowProcW(hwnd_, message, wParam, lParam);
            OnTrayIcon(lParam);
            return 0;
    }
    return DefaultMessage(message, wParam, lParam);
}

// --- Life of the window -------------------------------------------------------------------

void MainWindow::OnCreate() {
    statusBar_ =
        ::CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0,
                          0, hwnd_, reinterpret_cast<HMENU>(IDC_STATUS_BAR), instance_, nullptr);
    tree_.Create(hwnd_, instance_, IDC_TIME_TREE, dpi_);
    tray_.Attach(hwnd_, icon_);

    helpImage_.Attach(static_cast<HBITMAP>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDB_HELP_IMAGE),
                                                        IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    if (helpImage_ && mainMenu_ != nullptr) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = helpImage_.Get();
        ::SetMenuItemInfoW(::GetSubMenu(mainMenu_, kHelpMenuPosition), IDM_HELP_CONTENTS, FALSE,
                           &item);
    }
    ::SetMenuDefaultItem(::GetSubMenu(iconPopupMenu_.Get(), 0), IDM_SHOW, FALSE);
    LayoutControls();
}

void MainWindow::OnCreated() {
    RestoreWindowPlace(hwnd_, settings_, kMainWindowSection, MinimumSize());
    allowClose_ = false;
    FollowLog();
    if (state_.Logging) {
        tray_.Add(kCaption);
        StartSession();
    }
    ApplyAwayRules();
    // The tip's totals from the start; what is wrong with the log is told by the first tick.
    if (state_.Logging) BuildLogTree(false, false);
    if (::SetTimer(hwnd_, kMinuteTimerId, kMinuteTimerInterval, nullptr) == 0)
        ShowErrorOnce(recorderBoxOpen_, WithReason(kMinuteTimerFailed, LastErrorText()));
    EnableShowItem(true);
}

void MainWindow::LayoutControls() {
    if (statusBar_ == nullptr || tree_.Handle() == nullptr) return;
    ::SendMessageW(statusBar_, WM_SIZE, 0, 0);
    SetStatusParts();
    RECT client{};
    RECT status{};
    ::GetClientRect(hwnd_, &client);
    ::GetWindowRect(statusBar_, &status);
    const int statusHeight = status.bottom - status.top;
    ::MoveWindow(tree_.Handle(), 0, 0, client.right, std::max(0L, client.bottom - statusHeight),
                 TRUE);
}

void MainWindow::ApplyDpi() {
    tree_.SetDpi(dpi_);
}

void MainWindow::OnCloseRequested() {
    // While logging, closing hides the window: the recording goes on in the tray.
    if (!state_.Logging || allowClose_) {
        ::DestroyWindow(hwnd_);
    } else {
        ::ShowWindow(hwnd_, SW_HIDE);
    }
}

void MainWindow::OnEnding() {
    if (ended_ || hwnd_ == nullptr) return;
    ended_ = true;
    ::KillTimer(hwnd_, kMinuteTimerId);
    ::KillTimer(hwnd_, kInputTimerId);
    if (sessionNotifications_) ::WTSUnRegisterSessionNotification(hwnd_);
    sessionNotifications_ = false;
    OnMinuteTimer(true);
    if (state_.Logging) tray_.Remove();
    recordingMark_.Follow({}, false);
    SaveWindowPlace(hwnd_, settings_, kMainWindowSection);
}

// --- The tree -----------------------------------------------------------------------------

void MainWindow::BuildLogTree(bool render, bool reportFailures) {
    const bool renderNow = render && Visible();
    // Taken before the build, which rewrites the tree the view's items point into.
    if (renderNow && tree_.Rendered()) pendingPlace_ = tree_.CapturePlace();
    if (!renderNow) tree_.Clear();
    modelFormats_ = UserLocaleFormats();
    LogTree::Failure failure = LogTree::Failure::ReadError;
    std::string reason;
    try {
        // One pass: the days for the tip and the report, the tree only for a viewer to show.
        recording_.SetMarksWanted(timesheetWindow_.IsOpen());
        const LogTotals& totals =
            recording_.Read(render, SystemClock().Now(), UserFirstDayOfWeek());
        failure = totals.NotYetCreated() ? LogTree::Failure::None : totals.Failed();
        reason = totals.FailureReason();
        if (std::optional<std::string> status = StatusText(totals, modelFormats_))
            pendingStatus_ = std::move(*status);
    } catch (const std::exception& error) {
        reason = FailureReason(error);
    }
    renderPending_ = true;
    if (renderNow) RenderTree();
    RefreshTotals();
    if (!reportFailures) return;

    // The tree is complete before the box opens; a tick during the box replaces it safely.
    if (failure == LogTree::Failure::IncorrectRecord) {
        ShowErrorOnce(incorrectRecordBoxOpen_, "Incorrect record in " + state_.LogFileName);
    } else if (failure == LogTree::Failure::ReadError) {
        ShowErrorOnce(readErrorBoxOpen_, WithReason("Error reading " + state_.LogFileName, reason));
    }
}

void MainWindow::ClearTree() {
    tree_.Clear();
    pendingPlace_.reset();
    recording_.DropTree();
    renderPending_ = false;
}

void MainWindow::RenderTree() {
    renderPending_ = false;
    if (tree_.Handle() == nullptr) return;
    tree_.Render(recording_.Tree(), modelFormats_, pendingPlace_ ? &*pendingPlace_ : nullptr);
    pendingPlace_.reset();
    EnableDeleteItems(tree_.SelectedPeriod() != nullptr);
    if (pendingStatus_ && statusBar_ != nullptr) {
        const std::wstring status = Widen(*pendingStatus_);
        ::SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(status.c_str()));
        pendingStatus_.reset();
    }
    ShowFolderStatus();
}

void MainWindow::OnTreeSelectionChanged() {
    // Whatever selected the node (the user, the tree getting the focus, a rebuild keeping the
    // place), the user sees it highlighted and may delete it.
    EnableDeleteItems(tree_.SelectedPeriod() != nullptr);
}

// --- Boxes --------------------------------------------------------------------------------

void MainWindow::ShowError(const std::string& text) {
    ShowBox(hwnd_, text, MB_OK | MB_ICONERROR, kCaptionW);
}

void MainWindow::ShowErrorOnce(bool& open, const std::string& text) {
    if (open) return;  // the box of this kind that is open already tells it
    FlagScope scope(open);
    ShowBox(nullptr, text, MB_OK | MB_ICONERROR, kCaptionW);
}
