#pragma once

#include <windows.h>

// The About box, shown modally.
void ShowAboutBox(HWND owner);
