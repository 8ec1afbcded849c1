#pragma once

// The tree view of the log: its control, font and indent at the window's DPI, the lazy
// insertion of a built tree's nodes, the user's place across rebuilds, and its context menu.

#include <windows.h>
#include <commctrl.h>

#include <optional>

#include "core/time/DateTimeFormat.h"
#include "core/tree/LogTree.h"
#include "core/tree/TreeRenderer.h"
#include "win32/platform/UniqueHandle.h"

class LogTreeView {
  public:
    LogTreeView() = default;
    LogTreeView(const LogTreeView&) = delete;
    LogTreeView& operator=(const LogTreeView&) = delete;

    // Creates the control as the child `id` of `parent`.
    void Create(HWND parent, HINSTANCE instance, int id, int dpi);
    // The control is gone with its parent.
    void Destroyed() { tree_ = nullptr; }
    HWND Handle() const { return tree_; }
    void SetDpi(int dpi);

    // Shows the top-level nodes of `tree` (null: nothing); with `place`, the user's place of
    // before opens and scrolls again.
    void Render(const LogTree* tree, const LocaleFormats& formats, const ViewPlace* place);
    // Empties the view; cheap when it is empty already.
    void Clear();
    bool Rendered() const { return renderer_.Rendered(); }
    // The open branches, the selection and the first visible node, by period.
    ViewPlace CapturePlace() const;

    // TVN_ITEMEXPANDING: the children of the opening node go in now.
    void OnItemExpanding(const NMTREEVIEWW& info);
    const Period* SelectedPeriod() const;
    // WM_CONTEXTMENU from the tree: the menu opens for the node under the cursor, or below the
    // selection when opened from the keyboard.
    void ShowContextMenu(LPARAM position, HMENU menu, HWND owner);

  private:
    const Period* PeriodOf(HTREEITEM item) const;

    HWND tree_ = nullptr;
    UniqueFont font_;
    LazyTreeRenderer renderer_;  // what the control holds
};
