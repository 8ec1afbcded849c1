#pragma once

// The guide as the help window shows it.

#include <string>
#include <string_view>

// Every line end as CR LF, which a multiline edit control needs to break a line: a lone LF
// becomes CR LF, CR LF stays, and a lone CR stays as it is.
std::string WithWindowsLineEnds(std::string_view text);
