#pragma once

// A message box whose text never makes it wider than the screen.

#include <windows.h>

#include <string>

// Shows `text` (UTF-8) with long unbroken runs such as paths broken into lines; returns what
// MessageBoxW returns.
int ShowBox(HWND owner, const std::string& text, UINT flags, const wchar_t* caption = L"Worktally");
