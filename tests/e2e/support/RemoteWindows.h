#pragma once

// Windows of another process in the same desktop: finding them, describing them for a failure
// message, reading and driving dialog controls, and reading a tree view and a status bar
// through memory placed in the other process.

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "e2e/support/Wait.h"

namespace e2e {

std::string ClassOf(HWND window);
std::string TextOf(HWND window);
DWORD ProcessOf(HWND window);
// Top-level windows of a process, visible or not.
std::vector<HWND> TopLevelWindows(DWORD pid);
std::vector<HWND> ChildWindows(HWND parent);
// Every top-level window of the process with its children, one per line.
std::string DumpWindows(DWORD pid);

// A message the window must handle within the limit; throws with a dump of its process.
LRESULT SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
               std::chrono::milliseconds limit = kWaitLimit);

// Dialog controls, across processes.
HWND Control(HWND dialog, int id);
std::string ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::string& text);
bool IsChecked(HWND dialog, int id);
// A real click on a button (BM_CLICK): check boxes toggle and run their handlers.
void Click(HWND dialog, int id);
// Posts a key press and release to the focused control of the window's thread.
void PressKey(HWND window, WORD virtualKey);
// The text of a message box (its static text control) as shown, and as the program made it: a
// box breaks a long path with CR LF, where the program's own line ends are LF.
std::string MessageTextAsShown(HWND box);
std::string MessageText(HWND box);

struct TreeNode {
    int Depth = 0;  // 0 for the top level
    std::string Text;
    bool Expanded = false;  // as the program left it
    bool Shown = false;     // every ancestor was expanded by the program
};

// The nodes in pre-order. With `expandAll` every collapsed node that has children is expanded
// first, so that children inserted only on expansion are read too.
std::vector<TreeNode> ReadTree(HWND tree, bool expandAll);
// Selects the node of that pre-order index, as a click would.
void SelectTreeNode(HWND tree, std::size_t preorderIndex);
// The selected node's text rectangle, in screen coordinates.
RECT SelectedItemRect(HWND tree);
std::string StatusText(HWND statusBar, int part = 0);

// ---- list view (report style) of another process ----

// The texts of every row, `columns` cells each.
std::vector<std::vector<std::string>> ReadListRows(HWND list, int columns);
// The column headings.
std::vector<std::string> ReadListHeaders(HWND list, int columns);
// Selects and focuses that row alone, as a click would.
void SelectListRow(HWND list, int row);
// The selected row, or -1.
int SelectedListRow(HWND list);

// ---- notification area ----

// The tips of every icon in the notification area, as the shell's tooltip windows hold them
// (Wine's explorer keeps one tool per icon).
std::vector<std::string> TrayTips();

}  // namespace e2e
