#pragma once

// The command-line corrections, `/A FROM TO [/F LOG]` adds and `/X FROM TO [/F LOG]` removes,
// FROM and TO as "YYYY-MM-DD HH:MM" local time, apart from the prompt and the boxes.

#include <functional>
#include <optional>
#include <string>

#include "core/log/Corrections.h"
#include "core/log/LogFile.h"
#include "core/settings/PasswordCodec.h"
#include "core/settings/ProgramState.h"

struct CorrectionRequest {
    bool Asked = false;  // /A or /X was given
    ChangeKind Kind = ChangeKind::AddTime;
    Span Range;
    std::string Error;  // what is wrong with the parameters, as the box says it; empty when fine
};

// Finds /A or /X and its FROM and TO among the parameters; /F, /U, /E and /R keep their own
// operands. FROM and TO are quoted, or each a date followed by a time.
CorrectionRequest ParseCorrectionParams(const std::string& text);

// "YYYY-MM-DD HH:MM" exactly, a date that exists; nullopt for anything else.
std::optional<DateTime> ParseCommandDateTime(const std::string& text);

struct CorrectionUi {
    // The typed password, or the empty text on cancel.
    std::function<TypedPassword()> AskPassword;
    std::function<void(const std::string& text)> ShowError;
};

inline constexpr int kCorrectionDone = 0;
inline constexpr int kCorrectionFailed = 1;  // refused or failed: the log is as it was

// Asks for the stored password, then adds or removes the time; returns the exit code. A request
// that changes nothing is done. `recording`: another instance records into this log.
int RunCorrection(const CorrectionRequest& request, const ProgramState& state, FileSystem& files,
                  const CorrectionUi& ui, DateTime now, bool recording);
