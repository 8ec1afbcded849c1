#pragma once

#include <string>

// The full path of the running executable; empty when the system cannot give it.
std::string ExecutablePath();
// Its folder, without the last backslash; empty when unknown.
std::string ExecutableDirectory();
