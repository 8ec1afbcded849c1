#pragma once

// One running instance: the first process owns the shared section; later ones hand their
// command line over to its main window and end.

#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "win32/Ids.h"
#include "win32/platform/UniqueHandle.h"

struct ProgramState;

// Serialises the writing of the text and the message that follows across second instances.
inline constexpr char kHandOverMutexName[] = "Worktally_CommandParamsMutex";

// The first instance creates the section a moment before its main window (at log-on an
// auto-run start and a click may meet in that moment): a second one waits this long for it.
inline constexpr std::chrono::milliseconds kMainWindowWaitLimit{5000};
inline constexpr std::chrono::milliseconds kMainWindowPollInterval{25};

struct ParamsChannel {
    UniqueKernelObject Section;  // ParamsSection
    UniqueView View;             // ParamsView
    // Texts copied out of the section in the hand-over message, oldest first, to be applied
    // after it has returned.
    std::deque<std::string> Kept;
};

// Creates or opens the section and hands `handOverText` to a running instance. Sets
// state.AlreadyRunning; true when this process is to stop.
bool CheckSingleInstance(ProgramState& state, ParamsChannel& channel,
                         const std::string& handOverText);

// Asks `find` until it gives a window, sleeping `interval` between tries; nullptr when
// `limit` has passed without one (a last try is made at the limit).
HWND PollForWindow(const std::function<HWND()>& find, std::chrono::milliseconds limit,
                   std::chrono::milliseconds interval);

// The text a second instance left in the section; nullopt when there is none to trust.
std::optional<std::string> ReceiveHandOverText(const ParamsChannel& channel);

// In the hand-over message: keeps the section's text, so that the message can return at once
// and the second instance end; false when there was none to trust.
bool KeepHandOverText(ParamsChannel& channel);
// The oldest kept text, taken out; nullopt when none waits.
std::optional<std::string> TakeHandOverText(ParamsChannel& channel);
