#pragma once

// The system's own words for an error code, for the second line of a box.

#include <string>

// The message for `error` without its line end; "Error N" when the system has none.
std::string SystemErrorText(unsigned long error);

// The same for the calling thread's last error.
std::string LastErrorText();
