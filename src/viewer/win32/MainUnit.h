#pragma once

// The main window: the log tree, the status bar, the menus, the tray icon and the minute timer
// that records the session.

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/UtilsUnit.h"
#include "app/win32/SingleInstance.h"
#include "app/win32/SystemInput.h"
#include "app/win32/UniqueHandle.h"
#include "dialogs/win32/ChangePasswordUnit.h"
#include "dialogs/win32/OptionsUnit.h"
#include "dialogs/win32/PasswordUnit.h"
#include "log/Recorder.h"
#include "reports/LogTotals.h"
#include "viewer/LogTree.h"
#include "viewer/win32/DeleteKeyGate.h"
#include "viewer/win32/HelpWindow.h"
#include "viewer/win32/ReportWindow.h"
#include "viewer/win32/TreeRenderer.h"

class TAMAutoRun;

inline constexpr UINT WM_TRAYICON = WM_USER + 2;
inline constexpr UINT_PTR kMinuteTimerId = 1;
inline constexpr UINT kMinuteTimerInterval = 60000;
// While away for lack of input, input is looked for this often.
inline constexpr UINT_PTR kInputTimerId = 2;
inline constexpr UINT kInputTimerInterval = 2000;
inline constexpr UINT kTrayIconId = 1;

class TWorktallyMainForm {
  public:
    TWorktallyMainForm(HINSTANCE instance, ProgramState& state, SettingsStore& settings,
                       ParamsChannel& channel, ParseEnvironment environment);
    ~TWorktallyMainForm();
    TWorktallyMainForm(const TWorktallyMainForm&) = delete;
    TWorktallyMainForm& operator=(const TWorktallyMainForm&) = delete;

    // Creates the hidden window and runs FormCreate; throws std::runtime_error on failure.
    void Create();
    HWND Handle() const { return hwnd_; }
    bool Visible() const { return hwnd_ != nullptr && ::IsWindowVisible(hwnd_); }

    // Asks for the password when one is set, rebuilds the tree and shows the window.
    void ShowViewer();
    // Destroys the window (FormDestroy runs) unless it is gone already.
    void Destroy();
    // The end step that stores the settings; runs at most once per process.
    void SaveSettingsOnce();
    // Accelerators and the Del key; true when the message was consumed.
    bool PreTranslateMessage(MSG& message);

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;
    static LRESULT CALLBACK TreeSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR id, DWORD_PTR refData) noexcept;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Layout.
    void CreateControls();
    void CreateFonts();
    void LayoutControls();
    void OnDpiChanged(WPARAM wParam, LPARAM lParam);
    int Scale(int pixels) const;

    // Life of the window.
    void FormCreate();
    void FormDestroy();
    void FormCloseQuery();
    void FormHide();
    void RestoreWindowPosition();
    void SaveWindowPosition();

    // Session recording.
    void AppendSession();
    void TimerTimer(bool finalTick);
    void SetStartedTip();
    void OnPowerBroadcast(WPARAM event);
    void OnSessionChange(WPARAM event);
    void OnInputTimer();
    void ApplyAwayRules();
    void SetAwayTip();
    void RefreshTotals();
    void RecorderError();

    // Tree.
    void BuildLogTree(bool render = true);
    void ClearTree();
    void RenderTree();
    void DropView();
    void OnItemExpanding(const NMTREEVIEWA& info);
    const TLogInfo* SelectedInfo() const;
    void TimeTreeChange();
    ViewPlace CapturePlace() const;
    void TimeTreeKeyUp();
    void ShowTreeMenu(LPARAM position);

    // Tray.
    void AddTrayIcon();
    void SetTrayTip(const std::string& text);
    void DeleteTrayIcon();
    void WMTrayIcon(LPARAM mouseMessage);
    void ShowIconMenu();

    // Commands.
    void OnCommand(WORD id, bool fromAccelerator);
    void WMCommandParams();
    void EndIfUnreachable();
    void ShowPopupItemClick();
    void ExitItemClick();
    void DeleteBranchItemClick();
    void ChangePasswordItemClick();
    void ReportPasswordChange(PasswordChange result);
    void OptionsItemClick();
    void AboutItemClick();
    void EnableShowItem(bool enabled);
    void EnableDeleteItems(bool enabled);

    // Boxes.
    void ApplicationError(const std::string& text);
    void GuardedError(bool& open, const std::string& text);

    HINSTANCE instance_;
    ProgramState& state_;
    SettingsStore& settings_;
    ParamsChannel& channel_;
    ParseEnvironment environment_;
    SystemInput input_;
    SessionRecorder recorder_;
    bool sessionNotifications_ = false;
    MainWindowAutoRun autoRun_;
    TPasswordForm passwordForm_;
    TChangePasswordForm changePasswordForm_;
    HelpWindow helpWindow_{instance_};
    ReportWindow reportWindow_{instance_, settings_};
    // The tray tip: its first line, its totals from the tree of each tick, what the shell has.
    std::string tipFirstLine_;
    std::string tipTotalsLine_;  // kept when a read fails
    std::string tipShown_;       // what the shell holds

    HWND hwnd_ = nullptr;
    HWND timeTree_ = nullptr;
    HWND statusBar_ = nullptr;
    HMENU mainMenu_ = nullptr;  // destroyed with the window
    UniqueMenu iconPopupMenu_;
    UniqueMenu treePopupMenu_;
    HACCEL accelerators_ = nullptr;
    UniqueFont treeFont_;
    UniqueBitmap helpImage_;
    HICON icon_ = nullptr;  // shared resource icon, never destroyed
    UINT taskbarCreated_ = 0;
    int dpi_ = 96;

    bool FAllowClose = false;
    bool destroyed_ = false;
    bool settingsSaved_ = false;
    bool trayMenuOpen_ = false;
    bool rendering_ = false;
    bool renderPending_ = false;
    DeleteKeyGate deleteKey_;
    bool recorderBoxOpen_ = false;
    bool incorrectRecordBoxOpen_ = false;
    bool readErrorBoxOpen_ = false;

    // The last build, shown or not; each build reuses the memory of the one before.
    LogTreeBuilder builder_;
    bool haveModel_ = false;
    LocaleFormats modelFormats_;  // the formats of the model's texts
    LazyTreeRenderer renderer_;   // what the tree view holds
    std::optional<std::string> pendingStatus_;
    std::optional<ViewPlace> pendingPlace_;  // the user's place, kept for the next rendering
};
