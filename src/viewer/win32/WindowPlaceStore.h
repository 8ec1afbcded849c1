#pragma once

// A top-level window's place kept in a settings section ("Top", "Left", "Width", "Height"),
// shared by the main window and the report window.

#include <windows.h>

#include "app/UtilsUnit.h"

// Moves the window to its stored place, keeping what is missing as the window is. A size
// below `minimum` is not taken, and a place on no monitor comes onto the nearest one.
void RestoreWindowPlace(HWND window, SettingsStore& settings, const char* section, SIZE minimum);

// Stores the window's normal bounds, also while it is minimized or maximized. Silent on
// failure: the next start takes what was stored before.
void SaveWindowPlace(HWND window, SettingsStore& settings, const char* section);
