#pragma once

// The decisions behind opening the viewer and changing the password, apart from the dialogs
// and boxes that ask and tell.

#include <functional>
#include <string>

#include "core/settings/PasswordCodec.h"
#include "core/settings/ProgramState.h"

struct ViewerPasswordCheck {
    bool Granted = false;
    // The stored text was not hexadecimal; the answer was compared with what was decoded.
    bool DecodeFailed = false;
};

inline ViewerPasswordCheck CheckViewerPassword(const std::string& encodedPassword,
                                               const TypedPassword& answer) {
    ViewerPasswordCheck check;
    std::string password;
    try {
        DecodePassword(encodedPassword, password);
    } catch (const ConvertError&) {
        check.DecodeFailed = true;
    }
    check.Granted = MatchPassword(password, answer).has_value();
    return check;
}

enum class PasswordChange {
    Changed,
    DecodeFailed,
    IncorrectOld,
    NotEqual,
    Unchanged,
    RewriteFailed
};

// Re-scrambles the log from the old password to the new one; throws when the log is unchanged.
using RekeyFunction =
    std::function<void(const std::string& oldPassword, const std::string& newPassword)>;

// The log is rewritten first, and the stored password changes only when that worked, so the
// two never disagree.
inline PasswordChange ChangePassword(ProgramState& state, const TypedPassword& oldPassword,
                                     const std::string& newPassword,
                                     const std::string& retypedPassword,
                                     const RekeyFunction& rekey) {
    std::string current;
    try {
        DecodePassword(state.EncodedPassword, current);
    } catch (const ConvertError&) {
        return PasswordChange::DecodeFailed;
    }
    const std::optional<std::string> old = MatchPassword(current, oldPassword);
    if (!old) return PasswordChange::IncorrectOld;
    // An empty new password needs no retyping.
    if (!newPassword.empty() && newPassword != retypedPassword) return PasswordChange::NotEqual;
    if (newPassword == current) return PasswordChange::Unchanged;
    try {
        rekey(*old, newPassword);
    } catch (const std::exception&) {
        return PasswordChange::RewriteFailed;
    }
    state.EncodedPassword = EncodePassword(newPassword);
    return PasswordChange::Changed;
}

// How the Change Password dialog opens (again): the first time empty; after a mistake with what
// was typed kept where it was right, the new passwords cleared, and the focus in the first box
// that needs fixing.
struct PasswordRetry {
    bool Again = false;
    bool KeepOld = false;
    bool FocusOld = true;
};

inline PasswordRetry RetryAfter(PasswordChange result) {
    switch (result) {
        case PasswordChange::IncorrectOld:
            return {true, true, true};
        case PasswordChange::NotEqual:
            return {true, true, false};
        default:
            return {};
    }
}
