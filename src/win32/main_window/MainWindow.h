#pragma once

// The main window: it turns the system's notices (the minute timer, sleep, lock and idle) into
// steps of the recording, carries the tray icon, and shows the log as a tree with a status bar
// behind the password. Its parts: Recording (which owns the recorder and the reads of the log),
// TrayIcon, LogTreeView, WindowPlace; its commands are in MainWindowCommands.cpp and its side of
// recording in MainWindowRecording.cpp.

#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "core/dialogs/PasswordRules.h"
#include "core/log/UndoList.h"
#include "core/recording/Recording.h"
#include "core/settings/CommandLine.h"
#include "core/settings/Settings.h"
#include "core/tree/DeleteKeyGate.h"
#include "core/tree/LogTree.h"
#include "win32/dialogs/ChangePasswordDialog.h"
#include "win32/dialogs/OptionsDialog.h"
#include "win32/dialogs/PasswordDialog.h"
#include "win32/main_window/HelpWindow.h"
#include "win32/main_window/LogTreeView.h"
#include "win32/main_window/ReportWindow.h"
#include "win32/main_window/TimesheetWindow.h"
#include "win32/main_window/TrayIcon.h"
#include "win32/platform/LogLocks.h"
#include "win32/platform/SingleInstance.h"
#include "win32/platform/SystemInput.h"
#include "win32/platform/TopWindow.h"
#include "win32/platform/UniqueHandle.h"

class MainWindow : public TopWindow {
  public:
    MainWindow(HINSTANCE instance, ProgramState& state, SettingsStore& settings,
               ParamsChannel& channel, ParseEnvironment environment);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the hidden window and starts recording when logging; throws std::runtime_error
    // on failure.
    void Create();
    bool Visible() const { return hwnd_ != nullptr && ::IsWindowVisible(hwnd_); }

    // Asks for the password when one is set, rebuilds the tree and shows the window.
    void ShowViewer();
    // Destroys the window (the end step runs) unless it is gone already.
    void Destroy();
    // The end step that stores the settings; runs at most once per process.
    void SaveSettingsOnce();
    // Accelerators and the Del key; true when the message was consumed.
    bool PreTranslateMessage(MSG& message);

    // The window procedure's side (WindowThunk).
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ReportError(const char* text);

  private:
    // Life of the window.
    void OnCreate();
    void OnCreated();
    void LayoutControls();
    void ApplyDpi() override;
    void OnCloseRequested();
    void OnEnding();  // the last tick, the tray icon removed, the place saved; once

    // Recording (MainWindowRecording.cpp).
    void StartSession();
    void OnMinuteTimer(bool finalTick);
    void OnPowerBroadcast(WPARAM event);
    void OnSessionChange(WPARAM event);
    void OnInputTimer();
    void ApplyAwayRules();
    // After a step of the recording: its box, if any, and the tip.
    void AfterStep(const std::string& box);
    void UpdateTip();
    // The tip and the report window follow the days just read.
    void RefreshTotals();
    // The recording follows the program state's log, folder and password (MainWindowFolder.cpp).
    void FollowLog();
    // A mark chosen in the timesheet: written beside the log, shown at once.
    void OnMarkDay(DateTime day, DayMark mark);

    // The tree.
    // Reads the log once: the days for the tip and the report, the tree too when `render`
    // (shown at once when the window is visible). Failures are told in a box when asked.
    void BuildLogTree(bool render = true, bool reportFailures = true);
    void ClearTree();
    void RenderTree();
    void OnTreeSelectionChanged();

    // Commands (MainWindowCommands.cpp).
    void OnCommand(WORD id, bool fromAccelerator);
    void OnHandOver();
    void EndIfUnreachable();
    void OnTrayIcon(LPARAM mouseMessage);
    void OnShow();
    void OnExit();
    void OnDeleteBranch();
    // Add Time and Remove Time, from the selected period.
    void OnCorrection(ChangeKind kind);
    void OnUndo();
    // After a change of the log made here: its undo kept, the recorder told, everything shown.
    void AfterChange(const CorrectionResult& result, bool undoable);
    void UpdateUndoItem();
    // This instance extends the log's last pair every minute.
    bool RecordsNow() const { return state_.Logging && !ended_ && recording_.RecordsNow(); }
    void OnChangePassword();
    void ReportPasswordChange(PasswordChange result, const std::string& failure);
    void OnOptions();
    void OnAbout();
    void EnableShowItem(bool enabled);
    void EnableDeleteItems(bool enabled);

    // A shared folder (MainWindowFolder.cpp).
    void SetStatusParts();
    void ShowFolderStatus();
    std::string OwnLogName() const;
    // The other logs of the folder holding time in a period or a span; none without a folder.
    std::vector<std::string> OtherLogsIn(PeriodKind kind, DateTime start) const;
    std::vector<std::string> OtherLogsIn(Span range) const;
    // This computer's sessions in a session piece of the folder's union; nullopt without one.
    std::optional<std::vector<DateTime>> OwnSessionsIn(DateTime start) const;
    // The options changed the shared folder: the log follows unless /F named one.
    void FollowSharedFolder();
    void CopyLogOnce(const std::string& from, const std::string& to);

    // Boxes.
    void ShowError(const std::string& text);
    // One box of a kind at a time, with no owner, so that it is seen while the window is hidden.
    void ShowErrorOnce(bool& open, const std::string& text);

    HINSTANCE instance_;
    ProgramState& state_;
    SettingsStore& settings_;
    ParamsChannel& channel_;
    ParseEnvironment environment_;
    SystemInput input_;
    Recording recording_;
    RecordingMark recordingMark_;  // tells a correction from the command line
    UndoList undo_;
    bool sessionNotifications_ = false;
    AutoRunEntries autoRun_;
    HelpWindow helpWindow_{instance_};
    TrayIcon tray_;
    ReportWindow reportWindow_{instance_, settings_};
    TimesheetWindow timesheetWindow_{instance_, settings_,
                                     [this](DateTime day, DayMark mark) { OnMarkDay(day, mark); }};
    LogTreeView tree_;

    HWND statusBar_ = nullptr;
    HMENU mainMenu_ = nullptr;  // destroyed with the window
    UniqueMenu iconPopupMenu_;
    UniqueMenu treePopupMenu_;
    HACCEL accelerators_ = nullptr;
    UniqueBitmap helpImage_;
    HICON icon_ = nullptr;  // shared resource icon, never destroyed

    bool allowClose_ = false;
    bool promptOpen_ = false;  // the viewer's password prompt: one at a time
    bool ended_ = false;
    bool settingsSaved_ = false;
    DeleteKeyGate deleteKey_;
    bool recorderBoxOpen_ = false;
    bool incorrectRecordBoxOpen_ = false;
    bool readErrorBoxOpen_ = false;

    bool renderPending_ = false;
    LocaleFormats modelFormats_;  // the formats of the model's texts
    std::optional<std::string> pendingStatus_;
    std::optional<ViewPlace> pendingPlace_;  // the user's place, kept for the next rendering
};
