#include "viewer/win32/MainUnit.h"

#include <commctrl.h>
#include <wtsapi32.h>
#include <shellapi.h>
#include <windowsx.h>

#include <cstddef>
#include <cstring>
#include <stdexcept>

#include "dialogs/AMAutoRun.h"
#include "dialogs/win32/AboutUnit.h"
#include "dialogs/win32/OptionsUnit.h"
#include "log/Rewrite.h"
#include "reports/TrayTipText.h"
#include "reports/WeekTable.h"
#include "res/resource.h"
#include "viewer/DateTimeFormat.h"
#include "viewer/win32/ExportDialog.h"
#include "viewer/win32/PasswordRules.h"
#include "viewer/win32/UserLocale.h"
#include "viewer/win32/UserWeek.h"
#include "viewer/win32/WindowPlaceStore.h"

namespace {

constexpr char kCaption[] = "Worktally";
constexpr char kStartedTip[] = "Worktally - Started ";

// Design size and place of the window at 96 dots per inch.
constexpr int kDesignLeft = 243;
constexpr int kDesignTop = 198;
constexpr int kDesignWidth = 696;
constexpr int kDesignHeight = 480;
constexpr int kTreeFontHeight = 12;
constexpr int kTreeIndent = 19;

// The tip of the second layout of the record: 127 characters and the NUL, on either build.
constexpr std::size_t kTrayTipLength = sizeof(NOTIFYICONDATAA{}.szTip) - 1;
static_assert(offsetof(NOTIFYICONDATAA, szTip) + kTrayTipLength < NOTIFYICONDATAA_V2_SIZE);

// Menu positions within the loaded menus.
constexpr int kHelpMenuPosition = 3;
// Below this the tree and the status bar stop being usable.
constexpr int kMinimumWidth = 320;
constexpr int kMinimumHeight = 200;

int SystemDpi() {
    const HDC screen = ::GetDC(nullptr);
    const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

NOTIFYICONDATAA TrayData(HWND hwnd) {
    NOTIFYICONDATAA data{};
    // The second layout of the record, for its tip of two lines: every shell since Windows
    // 2000 accepts it, and without NIM_SETVERSION the callback still carries the plain mouse
    // message.
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = hwnd;
    data.uID = kTrayIconId;
    return data;
}

void CopyTip(NOTIFYICONDATAA& data, const std::string& text) {
    const std::size_t length = std::min(text.size(), kTrayTipLength);
    text.copy(data.szTip, length);
    data.szTip[length] = '\0';
}

// Sets a flag for a scope and gives it back its old value on every way out.
class FlagScope {
  public:
    explicit FlagScope(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
    ~FlagScope() { flag_ = previous_; }

  private:
    bool& flag_;
    bool previous_;
};

class TimeTreeTarget : public TreeViewTarget {
  public:
    explicit TimeTreeTarget(HWND tree) : tree_(tree) {}

    Item Insert(Item parent, const std::string& text, std::int32_t node,
                bool hasChildren) override {
        std::string buffer = text;
        TVINSERTSTRUCTA insert{};
        insert.hParent = parent == nullptr ? TVI_ROOT : static_cast<HTREEITEM>(parent);
        insert.hInsertAfter = TVI_LAST;
        // Real texts, not callbacks: other programs can read them with TVM_GETITEM.
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
        insert.item.pszText = buffer.data();
        insert.item.lParam = node;
        insert.item.cChildren = hasChildren ? 1 : 0;
        return reinterpret_cast<Item>(
            ::SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    void Expand(Item item) override {
        ::SendMessageA(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }

  private:
    HWND tree_;
};

}  // namespace

TWorktallyMainForm::TWorktallyMainForm(HINSTANCE instance, ProgramState& state,
                                       SettingsStore& settings, ParamsChannel& channel,
                                       ParseEnvironment environment)
    : instance_(instance),
      state_(state),
      settings_(settings),
      channel_(channel),
      environment_(std::move(environment)),
      recorder_(NativeFileSystem(), SystemClock(), &input_),
      passwordForm_(instance),
      changePasswordForm_(instance) {}

TWorktallyMainForm::~TWorktallyMainForm() {
    Destroy();
}

int TWorktallyMainForm::Scale(int pixels) const {
    return ::MulDiv(pixels, dpi_, 96);
}

void TWorktallyMainForm::Create() {
    icon_ = ::LoadIconA(instance_, MAKEINTRESOURCEA(IDI_WORKTALLY));
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = icon_;
    windowClass.hIconSm = static_cast<HICON>(
        ::LoadImageA(instance_, MAKEINTRESOURCEA(IDI_WORKTALLY), IMAGE_ICON,
                     ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kMainWindowClass;
    if (::RegisterClassExA(&windowClass) == 0) {
        throw std::runtime_error("cannot register the main window class");
    }

    autoRun_ = CreateMainWindowAutoRun();
    iconPopupMenu_.Attach(::LoadMenuA(instance_, MAKEINTRESOURCEA(IDR_ICON_POPUP_MENU)));
    treePopupMenu_.Attach(::LoadMenuA(instance_, MAKEINTRESOURCEA(IDR_TREE_POPUP_MENU)));
    accelerators_ = ::LoadAcceleratorsA(instance_, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    mainMenu_ = ::LoadMenuA(instance_, MAKEINTRESOURCEA(IDR_MAIN_MENU));
    taskbarCreated_ = ::RegisterWindowMessageA("TaskbarCreated");
    dpi_ = SystemDpi();

    const HWND hwnd =
        ::CreateWindowExA(0, kMainWindowClass, kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                          Scale(kDesignLeft), Scale(kDesignTop), Scale(kDesignWidth),
                          Scale(kDesignHeight), nullptr, mainMenu_, instance_, this);
    if (hwnd == nullptr) {
        if (mainMenu_ != nullptr) ::DestroyMenu(mainMenu_);
        mainMenu_ = nullptr;
        throw std::runtime_error("cannot create the main window");
    }
    FormCreate();
}

void TWorktallyMainForm::Destroy() {
    if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

void TWorktallyMainForm::SaveSettingsOnce() {
    if (settingsSaved_) return;
    settingsSaved_ = true;
    SaveSettings(state_, settings_);
}

bool TWorktallyMainForm::PreTranslateMessage(MSG& message) {
    if (hwnd_ == nullptr) return false;
    // The help window's keys are its own: Del there deletes no branch of the tree.
    if (helpWindow_.Contains(message.hwnd) || reportWindow_.Contains(message.hwnd)) return false;
    if (message.message == WM_KEYDOWN && message.wParam == VK_DELETE) {
        // Bit 30: the key was down already, an auto-repeat of the same press.
        if (!deleteKey_.KeyDown((message.lParam & (1L << 30)) != 0)) return true;
    }
    return accelerators_ != nullptr && ::TranslateAcceleratorA(hwnd_, accelerators_, &message) != 0;
}

// --- Window procedure --------------------------------------------------------------------

LRESULT CALLBACK TWorktallyMainForm::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                                LPARAM lParam) noexcept {
    TWorktallyMainForm* self = nullptr;
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        self = static_cast<TWorktallyMainForm*>(create->lpCreateParams);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<TWorktallyMainForm*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) return ::DefWindowProcA(hwnd, message, wParam, lParam);
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        ::MessageBoxA(nullptr, error.what(), kCaption, MB_OK | MB_ICONERROR);
    } catch (...) {
        ::MessageBoxA(nullptr, "Unexpected error", kCaption, MB_OK | MB_ICONERROR);
    }
    return 0;
}

LRESULT TWorktallyMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        AddTrayIcon();  // the shell restarted and forgot the icon
        return 0;
    }
    switch (message) {
        case WM_CREATE:
            CreateControls();
            return 0;
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED) {
                if (state_.Logging) ::ShowWindow(hwnd_, SW_HIDE);  // AppMinimize
            } else {
                LayoutControls();
            }
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_MINIMIZE && state_.Logging) {
                ::ShowWindow(hwnd_, SW_HIDE);  // AppMinimize
                return 0;
            }
            break;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize.x = Scale(kMinimumWidth);
            limits->ptMinTrackSize.y = Scale(kMinimumHeight);
            return 0;
        }
        case WM_DPICHANGED:
            OnDpiChanged(wParam, lParam);
            return 0;
        case WM_SHOWWINDOW:
            if (wParam == FALSE) {
                FormHide();
            } else if (renderPending_) {
                RenderTree();
            }
            break;
        case WM_SETFOCUS:
            if (timeTree_ != nullptr) ::SetFocus(timeTree_);
            return 0;
        case WM_CLOSE:
            FormCloseQuery();
            return 0;
        case WM_QUERYENDSESSION:
            FAllowClose = true;
            return TRUE;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                // The process may be ended as soon as this returns.
                FormDestroy();
                SaveSettingsOnce();
            }
            return 0;
        case WM_DESTROY:
            FormDestroy();
            ::PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            timeTree_ = nullptr;
            statusBar_ = nullptr;
            mainMenu_ = nullptr;
            break;
        case WM_TIMER:
            if (wParam == kMinuteTimerId) TimerTimer(false);
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
            if (reinterpret_cast<HWND>(wParam) == timeTree_) {
                ShowTreeMenu(lParam);
                return 0;
            }
            break;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom != timeTree_) break;
            switch (header->code) {
                case TVN_ITEMEXPANDINGA:
                case TVN_ITEMEXPANDINGW:
                    // Both layouts agree on the fields used here.
                    OnItemExpanding(*reinterpret_cast<const NMTREEVIEWA*>(lParam));
                    return FALSE;
                case TVN_SELCHANGEDA:
                case TVN_SELCHANGEDW:
                    TimeTreeChange();
                    return 0;
            }
            break;
        }
        case WM_COMMANDPARAMS:
            WMCommandParams();
            return 0;
        case WM_TRAYICON:
            ::DefWindowProcA(hwnd_, message, wParam, lParam);
            WMTrayIcon(lParam);
            return 0;
    }
    return ::DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK TWorktallyMainForm::TreeSubclassProc(HWND hwnd, UINT message, WPARAM wParam,
                                                      LPARAM lParam, UINT_PTR,
                                                      DWORD_PTR refData) noexcept {
    auto* self = reinterpret_cast<TWorktallyMainForm*>(refData);
    if (message == WM_KEYUP && wParam == VK_DELETE && self != nullptr) {
        try {
            self->TimeTreeKeyUp();
        } catch (const std::exception& error) {
            ::MessageBoxA(nullptr, error.what(), kCaption, MB_OK | MB_ICONERROR);
        } catch (...) {
            ::MessageBoxA(nullptr, "Unexpected error", kCaption, MB_OK | MB_ICONERROR);
        }
        return 0;
    }
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, TreeSubclassProc, 1);
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

// --- Layout ------------------------------------------------------------------------------

void TWorktallyMainForm::CreateControls() {
    statusBar_ =
        ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0,
                          0, hwnd_, reinterpret_cast<HMENU>(IDC_STATUS_BAR), instance_, nullptr);
    int parts[] = {-1};  // the only panel reaches the right edge
    ::SendMessageA(statusBar_, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));

    // Read-only (no label editing), and the selection hidden while the tree has no focus.
    timeTree_ = ::CreateWindowExA(
        WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT, 0, 0,
        0, 0, hwnd_, reinterpret_cast<HMENU>(IDC_TIME_TREE), instance_, nullptr);
    ::SetWindowSubclass(timeTree_, TreeSubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
    CreateFonts();

    helpImage_.Attach(static_cast<HBITMAP>(::LoadImageA(instance_, MAKEINTRESOURCEA(IDB_HELP_IMAGE),
                                                        IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    if (helpImage_ && mainMenu_ != nullptr) {
        MENUITEMINFOA item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = helpImage_.Get();
        ::SetMenuItemInfoA(::GetSubMenu(mainMenu_, kHelpMenuPosition), IDM_HELP_CONTENTS, FALSE,
                           &item);
    }
    ::SetMenuDefaultItem(::GetSubMenu(iconPopupMenu_.Get(), 0), IDM_SHOW, FALSE);
    LayoutControls();
}

void TWorktallyMainForm::CreateFonts() {
    LOGFONTA font{};
    font.lfHeight = -Scale(kTreeFontHeight);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynA(font.lfFaceName, "Courier New", LF_FACESIZE);
    ReplaceInUse(treeFont_, UniqueFont(::CreateFontIndirectA(&font)), [&](HFONT fresh) {
        ::SendMessageA(timeTree_, WM_SETFONT, reinterpret_cast<WPARAM>(fresh), TRUE);
    });
    ::SendMessageA(timeTree_, TVM_SETINDENT, static_cast<WPARAM>(Scale(kTreeIndent)), 0);
}

void TWorktallyMainForm::LayoutControls() {
    if (statusBar_ == nullptr || timeTree_ == nullptr) return;
    ::SendMessageA(statusBar_, WM_SIZE, 0, 0);
    RECT client{};
    RECT status{};
    ::GetClientRect(hwnd_, &client);
    ::GetWindowRect(statusBar_, &status);
    const int statusHeight = status.bottom - status.top;
    ::MoveWindow(timeTree_, 0, 0, client.right, std::max(0L, client.bottom - statusHeight), TRUE);
}

void TWorktallyMainForm::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    dpi_ = HIWORD(wParam);
    CreateFonts();
    const auto* suggested = reinterpret_cast<const RECT*>(lParam);
    ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Life of the window -------------------------------------------------------------------

void TWorktallyMainForm::FormCreate() {
    RestoreWindowPosition();
    FAllowClose = false;
    AddTrayIcon();
    if (state_.Logging) AppendSession();
    ApplyAwayRules();
    RefreshTotals();
    ::SetTimer(hwnd_, kMinuteTimerId, kMinuteTimerInterval, nullptr);
    EnableShowItem(true);
}

void TWorktallyMainForm::FormDestroy() {
    if (destroyed_ || hwnd_ == nullptr) return;
    destroyed_ = true;
    ::KillTimer(hwnd_, kMinuteTimerId);
    ::KillTimer(hwnd_, kInputTimerId);
    if (sessionNotifications_) ::WTSUnRegisterSessionNotification(hwnd_);
    sessionNotifications_ = false;
    TimerTimer(true);
    DeleteTrayIcon();
    SaveWindowPosition();
}

void TWorktallyMainForm::FormCloseQuery() {
    if (!state_.Logging || FAllowClose) {
        ::DestroyWindow(hwnd_);
    } else {
        ::ShowWindow(hwnd_, SW_HIDE);
    }
}

void TWorktallyMainForm::FormHide() {
    EnableShowItem(true);
    // The report is part of the viewer: hidden behind the password with it.
    reportWindow_.Close();
}

void TWorktallyMainForm::RestoreWindowPosition() {
    RestoreWindowPlace(hwnd_, settings_, kMainWindowSection,
                       SIZE{Scale(kMinimumWidth), Scale(kMinimumHeight)});
}

void TWorktallyMainForm::SaveWindowPosition() {
    SaveWindowPlace(hwnd_, settings_, kMainWindowSection);
}

// --- Session recording --------------------------------------------------------------------

void TWorktallyMainForm::AppendSession() {
    try {
        recorder_.AppendSession(state_.LogFileName, state_.EncodedPassword);
        SetStartedTip();
    } catch (const std::exception&) {
        RecorderError();
    }
}

void TWorktallyMainForm::SetStartedTip() {
    SetTrayTip(kStartedTip + DateTimeText(recorder_.SessionStart(), UserLocaleFormats()));
}

void TWorktallyMainForm::TimerTimer(bool finalTick) {
    if (!state_.Logging) return;
    SessionRecorder::TickResult result{};
    try {
        result = recorder_.Tick(state_.LogFileName, state_.EncodedPassword, finalTick);
    } catch (const std::exception&) {
        RecorderError();
        return;
    }
    if (result == SessionRecorder::TickResult::Appended) SetStartedTip();
    if (result == SessionRecorder::TickResult::WentAway) {
        SetAwayTip();
        ::SetTimer(hwnd_, kInputTimerId, kInputTimerInterval, nullptr);
    }
    BuildLogTree(!finalTick);
}

void TWorktallyMainForm::OnPowerBroadcast(WPARAM event) {
    if (!state_.Logging) return;
    try {
        if (event == PBT_APMSUSPEND) {
            recorder_.Suspend(state_.LogFileName, state_.EncodedPassword);
        } else if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) {
            if (recorder_.Resume(state_.LogFileName, state_.EncodedPassword)) SetStartedTip();
        }
    } catch (const std::exception&) {
        RecorderError();
    }
}

// The tip's second line and the report window follow the log; a log that cannot be read
// changes neither. Both take their figures from the tree just built, without a second read.
void TWorktallyMainForm::RefreshTotals() {
    if (destroyed_ || (!state_.Logging && !reportWindow_.IsOpen())) return;
    const TDateTime now = SystemClock().Now();
    const int firstDay = UserFirstDayOfWeek();
    CurrentTotals current;
    if (haveModel_) {
        const LogTree& tree = builder_.Tree();
        if (tree.Failed == LogTree::Failure::ReadError) return;
        current = CurrentTotalsOfTree(tree, now, firstDay);
        if (reportWindow_.IsOpen()) reportWindow_.Refresh(DaysOfTree(tree));
    } else {
        // No tree yet (the start): the totals are read for themselves, and their memory goes.
        const LogTotals totals =
            ReadLogTotals(NativeFileSystem(), state_.LogFileName, state_.EncodedPassword);
        if (totals.Failed() == LogTotals::Failure::ReadError) return;
        current = CurrentTotalsAt(totals, now, firstDay);
        reportWindow_.Refresh(totals.Days());
    }
    if (state_.Logging && !tipFirstLine_.empty()) {
        tipTotalsLine_ = TotalsLine(current);
        SetTrayTip(tipFirstLine_);
    }
}

void TWorktallyMainForm::SetAwayTip() {
    SetTrayTip("Worktally - Away since " +
               DateTimeText(recorder_.AwaySince(), UserLocaleFormats()));
}

// Follows the options: lock notifications only while they count, and a new session at once when
// a reason for being away is switched off.
void TWorktallyMainForm::ApplyAwayRules() {
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
        RecorderError();
    }
}

void TWorktallyMainForm::OnSessionChange(WPARAM event) {
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
        RecorderError();
    }
}

void TWorktallyMainForm::OnInputTimer() {
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
        RecorderError();
    }
}

void TWorktallyMainForm::RecorderError() {
    GuardedError(recorderBoxOpen_, "Error writting " + state_.LogFileName);
}

// --- Tree ---------------------------------------------------------------------------------

void TWorktallyMainForm::BuildLogTree(bool render) {
    const bool renderNow = render && Visible();
    // Taken before the build, which rewrites the tree the view's items point into.
    if (renderNow && renderer_.Rendered()) pendingPlace_ = CapturePlace();
    if (!renderNow) DropView();
    modelFormats_ = UserLocaleFormats();
    LogTree::Failure failure = LogTree::Failure::ReadError;
    try {
        const LogTree& tree = builder_.Build(NativeFileSystem(), state_.LogFileName,
                                             state_.EncodedPassword, SystemClock().Now());
        haveModel_ = true;
        failure = tree.Failed;
        std::string status;
        if (tree.StatusText(modelFormats_, status)) pendingStatus_ = std::move(status);
    } catch (const std::exception&) {
        builder_.Release();
        haveModel_ = false;
    }
    renderPending_ = true;
    if (renderNow) RenderTree();
    RefreshTotals();

    // The tree is complete before the box opens; a tick during the box replaces it safely.
    if (failure == LogTree::Failure::IncorrectRecord) {
        GuardedError(incorrectRecordBoxOpen_, "Incorrect record in " + state_.LogFileName);
    } else if (failure == LogTree::Failure::ReadError) {
        const std::string& reason = builder_.Tree().FailureReason;
        GuardedError(readErrorBoxOpen_,
                     "Error reading " + state_.LogFileName + (reason.empty() ? "" : "\n" + reason));
    }
}

void TWorktallyMainForm::ClearTree() {
    DropView();
    pendingPlace_.reset();
    haveModel_ = false;
    renderPending_ = false;
}

void TWorktallyMainForm::DropView() {
    if (!renderer_.Rendered()) return;  // empty already: nothing to touch while hidden
    FlagScope clearing(rendering_);
    if (timeTree_ != nullptr)
        ::SendMessageA(timeTree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    renderer_.Reset();
}

void TWorktallyMainForm::RenderTree() {
    renderPending_ = false;
    if (timeTree_ == nullptr) return;
    FlagScope rebuilding(rendering_);
    ::SendMessageA(timeTree_, WM_SETREDRAW, FALSE, 0);  // no flicker while rebuilding
    ::SendMessageA(timeTree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    TimeTreeTarget target(timeTree_);
    if (haveModel_) {
        // Not owned: the builder keeps the tree until the next build, which renders again.
        const LazyTreeRenderer::KeptPlace kept = renderer_.Render(
            std::shared_ptr<const LogTree>(std::shared_ptr<void>(), &builder_.Tree()),
            modelFormats_, target, pendingPlace_ ? &*pendingPlace_ : nullptr);
        if (kept.Selected != nullptr)
            ::SendMessageA(timeTree_, TVM_SELECTITEM, TVGN_CARET,
                           reinterpret_cast<LPARAM>(kept.Selected));
        if (kept.Top != nullptr)
            ::SendMessageA(timeTree_, TVM_SELECTITEM, TVGN_FIRSTVISIBLE,
                           reinterpret_cast<LPARAM>(kept.Top));
    } else {
        renderer_.Reset();
    }
    pendingPlace_.reset();
    EnableDeleteItems(SelectedInfo() != nullptr);
    ::SendMessageA(timeTree_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(timeTree_, nullptr, TRUE);
    if (pendingStatus_ && statusBar_ != nullptr) {
        ::SendMessageA(statusBar_, SB_SETTEXTA, 0,
                       reinterpret_cast<LPARAM>(pendingStatus_->c_str()));
        pendingStatus_.reset();
    }
}

void TWorktallyMainForm::OnItemExpanding(const NMTREEVIEWA& info) {
    if ((info.action & TVE_EXPAND) == 0) return;
    FlagScope inserting(rendering_);
    TimeTreeTarget target(timeTree_);
    renderer_.Expanding(info.itemNew.hItem, static_cast<std::int32_t>(info.itemNew.lParam), target);
}

const TLogInfo* TWorktallyMainForm::SelectedInfo() const {
    if (timeTree_ == nullptr) return nullptr;
    const auto selected =
        reinterpret_cast<HTREEITEM>(::SendMessageA(timeTree_, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (selected == nullptr) return nullptr;
    TVITEMA item{};
    item.mask = TVIF_PARAM | TVIF_HANDLE;
    item.hItem = selected;
    if (!::SendMessageA(timeTree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) {
        return nullptr;
    }
    return renderer_.Info(static_cast<std::int32_t>(item.lParam));
}

void TWorktallyMainForm::TimeTreeChange() {
    // Whatever selected the node (the user, the tree getting the focus, a rebuild keeping the
    // place), the user sees it highlighted and may delete it.
    EnableDeleteItems(SelectedInfo() != nullptr);
}

ViewPlace TWorktallyMainForm::CapturePlace() const {
    ViewPlace place;
    const auto next = [&](HTREEITEM item, UINT relation) {
        return reinterpret_cast<HTREEITEM>(
            ::SendMessageA(timeTree_, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    };
    const auto key = [&](HTREEITEM item) -> std::optional<PeriodKey> {
        TVITEMA entry{};
        entry.mask = TVIF_PARAM | TVIF_HANDLE;
        entry.hItem = item;
        if (item == nullptr ||
            !::SendMessageA(timeTree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&entry)))
            return std::nullopt;
        const TLogInfo* info = renderer_.Info(static_cast<std::int32_t>(entry.lParam));
        if (info == nullptr) return std::nullopt;
        return KeyOf(*info);
    };
    // Only open branches can hold open branches the user sees.
    std::vector<HTREEITEM> firstChildren{next(nullptr, TVGN_ROOT)};
    while (!firstChildren.empty()) {
        HTREEITEM item = firstChildren.back();
        firstChildren.pop_back();
        for (; item != nullptr; item = next(item, TVGN_NEXT)) {
            const auto state = ::SendMessageA(timeTree_, TVM_GETITEMSTATE,
                                              reinterpret_cast<WPARAM>(item), TVIS_EXPANDED);
            if ((state & TVIS_EXPANDED) == 0) continue;
            if (const auto open = key(item)) place.Open.push_back(*open);
            firstChildren.push_back(next(item, TVGN_CHILD));
        }
    }
    const HTREEITEM selected = next(nullptr, TVGN_CARET);
    if (const auto own = key(selected)) {
        place.Selection.push_back(*own);
        if (const auto sibling = key(next(selected, TVGN_NEXT)))
            place.Selection.push_back(*sibling);
        for (HTREEITEM parent = next(selected, TVGN_PARENT); parent != nullptr;
             parent = next(parent, TVGN_PARENT))
            if (const auto up = key(parent)) place.Selection.push_back(*up);
    }
    place.Top = key(next(nullptr, TVGN_FIRSTVISIBLE));
    return place;
}

void TWorktallyMainForm::TimeTreeKeyUp() {
    if (deleteKey_.KeyUp()) DeleteBranchItemClick();
}

void TWorktallyMainForm::ShowTreeMenu(LPARAM position) {
    POINT point{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (point.x == -1 && point.y == -1) {
        // Opened from the keyboard: the menu is for the selection, so it opens below it.
        point = POINT{0, 0};
        RECT item{};
        const auto selected =
            reinterpret_cast<HTREEITEM>(::SendMessageA(timeTree_, TVM_GETNEXTITEM, TVGN_CARET, 0));
        std::memcpy(&item, &selected, sizeof selected);  // the item goes in, its rectangle out
        if (selected != nullptr &&
            ::SendMessageA(timeTree_, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&item)))
            point = POINT{item.left, item.bottom};
        ::ClientToScreen(timeTree_, &point);
    } else {
        // As in Explorer, the menu is for the node under the cursor: select it first.
        TVHITTESTINFO hit{};
        hit.pt = point;
        ::ScreenToClient(timeTree_, &hit.pt);
        const auto item = reinterpret_cast<HTREEITEM>(
            ::SendMessageA(timeTree_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item != nullptr && (hit.flags & TVHT_ONITEM) != 0) {
            ::SendMessageA(timeTree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        }
    }
    ::TrackPopupMenu(::GetSubMenu(treePopupMenu_.Get(), 0), TPM_RIGHTBUTTON, point.x, point.y, 0,
                     hwnd_, nullptr);
}

// --- Tray ---------------------------------------------------------------------------------

void TWorktallyMainForm::AddTrayIcon() {
    if (!state_.Logging) return;
    NOTIFYICONDATAA data = TrayData(hwnd_);
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYICON;
    data.hIcon = icon_;
    CopyTip(data, kCaption);
    ::Shell_NotifyIconA(NIM_ADD, &data);
    tipShown_ = kCaption;
}

void TWorktallyMainForm::SetTrayTip(const std::string& text) {
    if (!state_.Logging) return;
    tipFirstLine_ = text;
    std::string tip = TrayTipText(text, tipTotalsLine_, kTrayTipLength);
    // Every tick asks; the shell, another process, hears only of a change.
    if (tip == tipShown_) return;
    NOTIFYICONDATAA data = TrayData(hwnd_);
    data.uFlags = NIF_TIP;
    CopyTip(data, tip);
    if (::Shell_NotifyIconA(NIM_MODIFY, &data)) tipShown_ = std::move(tip);
}

void TWorktallyMainForm::DeleteTrayIcon() {
    if (!state_.Logging) return;
    NOTIFYICONDATAA data = TrayData(hwnd_);
    ::Shell_NotifyIconA(NIM_DELETE, &data);
}

void TWorktallyMainForm::WMTrayIcon(LPARAM mouseMessage) {
    switch (LOWORD(mouseMessage)) {
        case WM_LBUTTONDBLCLK:
            // The prompt that is already open answers for this double-click too.
            if (passwordForm_.Showing()) return;
            ShowPopupItemClick();
            break;
        case WM_RBUTTONUP:
            ShowIconMenu();
            break;
    }
}

void TWorktallyMainForm::ShowIconMenu() {
    if (trayMenuOpen_) return;
    FlagScope open(trayMenuOpen_);
    POINT point{};
    ::GetCursorPos(&point);
    // Without the foreground the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(hwnd_);
    ::TrackPopupMenu(::GetSubMenu(iconPopupMenu_.Get(), 0), TPM_RIGHTBUTTON, point.x, point.y, 0,
                     hwnd_, nullptr);
    // Lets a second click on the icon open the menu again at once.
    ::PostMessageA(hwnd_, WM_NULL, 0, 0);
}

// --- Commands -----------------------------------------------------------------------------

void TWorktallyMainForm::OnCommand(WORD id, bool fromAccelerator) {
    switch (id) {
        case IDM_CHANGE_PASSWORD:
            ChangePasswordItemClick();
            break;
        case IDM_OPTIONS:
            OptionsItemClick();
            break;
        case IDM_EXIT:
            ExitItemClick();
            break;
        case IDM_DELETE_BRANCH:
            if (fromAccelerator) deleteKey_.ShortcutRan();
            DeleteBranchItemClick();
            break;
        case IDM_HELP_CONTENTS:
            helpWindow_.Show(hwnd_);
            break;
        case IDM_ABOUT:
            AboutItemClick();
            break;
        case IDM_SHOW:
            ShowPopupItemClick();
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
        case IDM_EXPORT:
            if (Visible()) ExportFromViewer(hwnd_, state_);
            break;
    }
}

void TWorktallyMainForm::WMCommandParams() {
    const std::optional<std::string> text = ReceiveHandOverText(channel_);
    if (!text) return;
    const bool wasLogging = state_.Logging;
    ProgramState next = state_;
    const HandOverOutcome outcome = ApplyHandOver(next, *text, environment_);
    if (outcome.StartSession || !wasLogging) {
        DeleteTrayIcon();
        state_ = std::move(next);
        AddTrayIcon();
    }
    if (outcome.StartSession) {
        AppendSession();
        ApplyAwayRules();
        return;
    }
    if (!outcome.OtherLog.empty()) {
        const std::string note = "Worktally is recording into " + state_.LogFileName +
                                 "\n\nExit Worktally first to view " + outcome.OtherLog;
        // No owner: the window may be hidden.
        ::MessageBoxA(nullptr, note.c_str(), kCaption,
                      MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
        if (hwnd_ == nullptr) return;
    }
    ShowViewer();
    EndIfUnreachable();
}

void TWorktallyMainForm::EndIfUnreachable() {
    // Without logging there is no tray icon to reach a hidden window by: the program ends.
    if (hwnd_ != nullptr && !state_.Logging && !Visible() && !passwordForm_.Showing()) {
        ::PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    }
}

void TWorktallyMainForm::ShowViewer() {
    if (hwnd_ == nullptr || passwordForm_.Showing()) return;
    // Shown already (a hand-over): the rebuilt tree keeps the user's place.
    std::optional<ViewPlace> place;
    if (Visible() && renderer_.Rendered()) place = CapturePlace();
    ClearTree();
    pendingPlace_ = std::move(place);
    EnableShowItem(false);
    if (!state_.EncodedPassword.empty()) {
        std::string answer;
        passwordForm_.Execute(hwnd_, answer);
        if (answer.empty() || hwnd_ == nullptr) return;
        const ViewerPasswordCheck check = CheckViewerPassword(state_.EncodedPassword, answer);
        if (check.DecodeFailed) ApplicationError("Error during decoding the password");
        if (!check.Granted) {
            ApplicationError("Password Incorrect");
            return;
        }
    }
    EnableDeleteItems(false);
    BuildLogTree();
    if (hwnd_ == nullptr) return;
    ::ShowWindow(hwnd_, ::IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    if (renderPending_) RenderTree();
}

void TWorktallyMainForm::ShowPopupItemClick() {
    ShowViewer();
    if (hwnd_ == nullptr) return;
    if (::IsIconic(hwnd_)) ::ShowWindow(hwnd_, SW_RESTORE);
    ::SetForegroundWindow(hwnd_);
    EndIfUnreachable();  // logging may have been switched off during the prompt
}

void TWorktallyMainForm::ExitItemClick() {
    FAllowClose = true;
    ::SendMessageA(hwnd_, WM_CLOSE, 0, 0);
}

void TWorktallyMainForm::DeleteBranchItemClick() {
    // Taken before the question: a tick while it is open replaces the tree's nodes.
    const TLogInfo* selected = SelectedInfo();
    if (selected == nullptr) return;
    const TPeriodKind kind = selected->Kind;
    const TDateTime start = selected->StartTime;
    std::string question = "Delete selected branch?\n\n" + selected->PeriodText(modelFormats_);
    std::string password;
    try {
        DecodePassword(state_.EncodedPassword, password);
        question += "\n" + SessionCountText(CountLogBranch(NativeFileSystem(), state_.LogFileName,
                                                           password, kind, start));
    } catch (const std::exception&) {
        // Without a count the question still names the branch.
    }

    // A destructive action is not one Enter away: No is the default.
    if (::MessageBoxA(hwnd_, question.c_str(), kCaption,
                      MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) != IDYES) {
        return;
    }
    try {
        DecodePassword(state_.EncodedPassword, password);
        const std::optional<TDateTime> appended =
            DeleteLogBranch(NativeFileSystem(), state_.LogFileName, password, kind, start,
                            recorder_.SessionStart(), state_.Logging, SystemClock());
        if (appended) {
            recorder_.SessionReplaced(*appended);
            SetStartedTip();
        }
    } catch (const std::exception&) {
        // Silent: the log is unchanged, and the rebuild below shows what it holds.
    }
    BuildLogTree();
}

void TWorktallyMainForm::ChangePasswordItemClick() {
    std::string oldPassword;
    std::string newPassword;
    std::string retypedPassword;
    PasswordRetry retry;
    PasswordChange result{};
    do {
        const bool hasOldPassword = !state_.EncodedPassword.empty();
        if (!changePasswordForm_.Execute(hwnd_, hasOldPassword, retry, oldPassword, newPassword,
                                         retypedPassword) ||
            hwnd_ == nullptr)
            return;
        result = ChangePassword(state_, oldPassword, newPassword, retypedPassword,
                                [this](const std::string& from, const std::string& to) {
                                    RekeyLog(NativeFileSystem(), state_.LogFileName, from, to);
                                });
        ReportPasswordChange(result);
        retry = RetryAfter(result);
    } while (retry.Again && hwnd_ != nullptr);
}

void TWorktallyMainForm::ReportPasswordChange(PasswordChange result) {
    switch (result) {
        case PasswordChange::Changed:
            SaveSettings(state_, settings_);  // at once: the log already uses the new one
            RefreshTotals();
            break;
        case PasswordChange::DecodeFailed:
            ApplicationError(
                "The stored password cannot be decoded; the password was not changed.");
            break;
        case PasswordChange::IncorrectOld:
            ApplicationError("Incorrect old password");
            break;
        case PasswordChange::NotEqual:
            ApplicationError("You've entered not equal new passwords");
            break;
        case PasswordChange::Unchanged:
            break;
        case PasswordChange::RewriteFailed:
            ApplicationError("The password was not changed: cannot rewrite " + state_.LogFileName);
            break;
    }
}

void TWorktallyMainForm::OptionsItemClick() {
    ExecuteOptionsForm(hwnd_, state_, autoRun_, settings_, environment_.UserName);
    if (hwnd_ != nullptr) ApplyAwayRules();
}

void TWorktallyMainForm::AboutItemClick() {
    ShowAboutBox(hwnd_);
}

void TWorktallyMainForm::EnableShowItem(bool enabled) {
    ::EnableMenuItem(iconPopupMenu_.Get(), IDM_SHOW,
                     MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void TWorktallyMainForm::EnableDeleteItems(bool enabled) {
    const UINT flags = MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED);
    if (mainMenu_ != nullptr) ::EnableMenuItem(mainMenu_, IDM_DELETE_BRANCH, flags);
    ::EnableMenuItem(treePopupMenu_.Get(), IDM_DELETE_BRANCH, flags);
}

// --- Boxes --------------------------------------------------------------------------------

void TWorktallyMainForm::ApplicationError(const std::string& text) {
    ::MessageBoxA(hwnd_, text.c_str(), kCaption, MB_OK | MB_ICONERROR);
}

void TWorktallyMainForm::GuardedError(bool& open, const std::string& text) {
    if (open) return;  // the box of this kind that is open already tells it
    FlagScope scope(open);
    // No owner: the box must be seen while the window is hidden.
    ::MessageBoxA(nullptr, text.c_str(), kCaption, MB_OK | MB_ICONERROR);
}
