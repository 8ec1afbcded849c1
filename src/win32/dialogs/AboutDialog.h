#pragma once

#include <windows.h>

// The About box, shown modally.
void ShowAboutDialog(HWND owner);
