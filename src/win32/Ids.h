#pragma once

// The main window's messages, timers and tray icon, for the program and for the programs that
// drive it from outside (the end-to-end tests, the tick benchmark, the screenshot helper). The
// menu and control ids are in res/resource.h.

#include <windows.h>

// What other instances and outside programs find the running one by.
inline constexpr char kMainWindowClass[] = "TWorktallyMainForm";
inline constexpr wchar_t kMainWindowClassW[] = L"TWorktallyMainForm";
inline constexpr char kParamsSectionName[] = "Worktally_CommandParamsMapFile";

// A second start's command line waits in the shared section (see platform/SingleInstance.h).
inline constexpr UINT WM_COMMANDPARAMS = WM_USER + 1;
inline constexpr UINT WM_TRAYICON = WM_USER + 2;
// Posted to itself: applies a kept hand-over once the second instance's message has returned.
inline constexpr UINT WM_APPLYHANDOVER = WM_APP + 1;
inline constexpr UINT_PTR kMinuteTimerId = 1;
inline constexpr UINT kMinuteTimerInterval = 60000;
// While away for lack of input, input is looked for this often.
inline constexpr UINT_PTR kInputTimerId = 2;
inline constexpr UINT kInputTimerInterval = 2000;
inline constexpr UINT kTrayIconId = 1;
