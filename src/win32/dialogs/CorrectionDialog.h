#pragma once

// The Add Time and Remove Time dialogs: From and To, each a date and a time to the minute, and
// a line that says what OK will do, worked out again at every change of From or To.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "core/log/Corrections.h"
#include "core/log/Span.h"

// The chosen range on OK; nothing on Cancel, Esc or close. `lineFor` says what OK would do
// with a range.
std::optional<Span> ShowCorrectionDialog(HINSTANCE instance, HWND owner, ChangeKind kind,
                                         Span prefill,
                                         const std::function<std::string(Span)>& lineFor);
