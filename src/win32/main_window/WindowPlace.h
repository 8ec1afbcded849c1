#pragma once

// A window's place kept in the settings between runs, as "Top", "Left", "Width" and "Height" in
// a section of its own: the screen coordinates of the normal (not minimized or maximized)
// window.

#include <windows.h>

#include <string>

class SettingsStore;

// Moves the window to the stored place, keeping at least `minimum`; a place on no monitor, or
// larger than the work area, comes into the work area. What cannot be read stays as the window
// is. With a `dpi` other than 96, sizes are stored at 96 DPI and scaled to it.
void RestoreWindowPlace(HWND window, SettingsStore& settings, const std::string& section,
                        SIZE minimum, int dpi = 96);
// Silent on failure: the next start takes what was stored before.
void SaveWindowPlace(HWND window, SettingsStore& settings, const std::string& section,
                     int dpi = 96);
