#pragma once

// One press of Del runs the delete-branch command once, whether the menu shortcut (on the key
// going down) or the tree's key-up handler sees it first, or both.
class DeleteKeyGate {
  public:
    // Del went down. False for auto-repeat, which belongs to the same press.
    bool KeyDown(bool repeat) {
        if (repeat) return false;
        shortcutRan_ = false;
        return true;
    }
    // The shortcut ran the command for this press.
    void ShortcutRan() { shortcutRan_ = true; }
    // Del came up in the tree: true when the command is still to run for this press.
    bool KeyUp() {
        const bool run = !shortcutRan_;
        shortcutRan_ = false;
        return run;
    }

  private:
    bool shortcutRan_ = false;
};
