#include "win32/main_window/LogTreeView.h"

#include <windowsx.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "win32/platform/Dpi.h"
#include "win32/platform/WideText.h"

namespace {

constexpr int kFontHeight = 12;
constexpr int kIndent = 19;

class TreeControlTarget : public TreeViewTarget {
  public:
    explicit TreeControlTarget(HWND tree) : tree_(tree) {}

    Item Insert(Item parent, const std::string& text, std::int32_t node,
                bool hasChildren) override {
        std::wstring buffer = Widen(text);
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent == nullptr ? TVI_ROOT : static_cast<HTREEITEM>(parent);
        insert.hInsertAfter = TVI_LAST;
        // Real texts, not callbacks: other programs can read them with TVM_GETITEM.
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
        insert.item.pszText = buffer.data();
        insert.item.lParam = node;
        insert.item.cChildren = hasChildren ? 1 : 0;
        return reinterpret_cast<Item>(
            ::SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    }
    void Expand(Item item) override {
        ::SendMessageW(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    }

  private:
    HWND tree_;
};

HTREEITEM Next(HWND tree, HTREEITEM item, UINT relation) {
    return reinterpret_cast<HTREEITEM>(
        ::SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

}  // namespace

void LogTreeView::Create(HWND parent, HINSTANCE instance, int id, int dpi) {
    // Read-only (no label editing), and the selection hidden while the tree has no focus. Not
    // subclassed: under Wine each message to a subclassed control costs two server calls.
    tree_ = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT, 0, 0,
        0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SetDpi(dpi);
}

void LogTreeView::SetDpi(int dpi) {
    LOGFONTW font{};
    font.lfHeight = -ScaleToDpi(kFontHeight, dpi);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynW(font.lfFaceName, L"Courier New", LF_FACESIZE);
    // The tree gets the new font before the old one is freed.
    ReplaceInUse(font_, UniqueFont(::CreateFontIndirectW(&font)), [&](HFONT fresh) {
        ::SendMessageW(tree_, WM_SETFONT, reinterpret_cast<WPARAM>(fresh), TRUE);
    });
    ::SendMessageW(tree_, TVM_SETINDENT, static_cast<WPARAM>(ScaleToDpi(kIndent, dpi)), 0);
}

void LogTreeView::Render(const LogTree* tree, const LocaleFormats& formats,
                         const ViewPlace* place) {
    if (tree_ == nullptr) return;
    ::SendMessageW(tree_, WM_SETREDRAW, FALSE, 0);  // no flicker while rebuilding
    ::SendMessageW(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    if (tree != nullptr) {
        TreeControlTarget target(tree_);
        // Not owned: the caller keeps the tree until it renders again.
        const LazyTreeRenderer::KeptPlace kept = renderer_.Render(
            std::shared_ptr<const LogTree>(std::shared_ptr<void>(), tree), formats, target, place);
        if (kept.Selected != nullptr)
            ::SendMessageW(tree_, TVM_SELECTITEM, TVGN_CARET,
                           reinterpret_cast<LPARAM>(kept.Selected));
        if (kept.Top != nullptr)
            ::SendMessageW(tree_, TVM_SELECTITEM, TVGN_FIRSTVISIBLE,
                           reinterpret_cast<LPARAM>(kept.Top));
    } else {
        renderer_.Reset();
    }
    ::SendMessageW(tree_, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(tree_, nullptr, TRUE);
}

void LogTreeView::Clear() {
    if (!renderer_.Rendered()) return;  // empty already: nothing to touch while hidden
    if (tree_ != nullptr)
        ::SendMessageW(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    renderer_.Reset();
}

void LogTreeView::OnItemExpanding(const NMTREEVIEWW& info) {
    if ((info.action & TVE_EXPAND) == 0) return;
    TreeControlTarget target(tree_);
    renderer_.Expanding(info.itemNew.hItem, static_cast<std::int32_t>(info.itemNew.lParam), target);
}

const Period* LogTreeView::PeriodOf(HTREEITEM item) const {
    if (tree_ == nullptr || item == nullptr) return nullptr;
    TVITEMW entry{};
    entry.mask = TVIF_PARAM | TVIF_HANDLE;
    entry.hItem = item;
    if (!::SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&entry))) return nullptr;
    return renderer_.Info(static_cast<std::int32_t>(entry.lParam));
}

const Period* LogTreeView::SelectedPeriod() const {
    if (tree_ == nullptr) return nullptr;
    return PeriodOf(Next(tree_, nullptr, TVGN_CARET));
}

ViewPlace LogTreeView::CapturePlace() const {
    ViewPlace place;
    const auto key = [&](HTREEITEM item) -> std::optional<PeriodKey> {
        const Period* period = PeriodOf(item);
        if (period == nullptr) return std::nullopt;
        return KeyOf(*period);
    };
    // Only open branches can hold open branches the user sees.
    std::vector<HTREEITEM> firstChildren{Next(tree_, nullptr, TVGN_ROOT)};
    while (!firstChildren.empty()) {
        HTREEITEM item = firstChildren.back();
        firstChildren.pop_back();
        for (; item != nullptr; item = Next(tree_, item, TVGN_NEXT)) {
            const auto state = ::SendMessageW(tree_, TVM_GETITEMSTATE,
                                              reinterpret_cast<WPARAM>(item), TVIS_EXPANDED);
            if ((state & TVIS_EXPANDED) == 0) continue;
            if (const auto open = key(item)) place.Open.push_back(*open);
            firstChildren.push_back(Next(tree_, item, TVGN_CHILD));
        }
    }
    const HTREEITEM selected = Next(tree_, nullptr, TVGN_CARET);
    if (const auto own = key(selected)) {
        place.Selection.push_back(*own);
        if (const auto sibling = key(Next(tree_, selected, TVGN_NEXT)))
            place.Selection.push_back(*sibling);
        for (HTREEITEM parent = Next(tree_, selected, TVGN_PARENT); parent != nullptr;
             parent = Next(tree_, parent, TVGN_PARENT))
            if (const auto up = key(parent)) place.Selection.push_back(*up);
    }
    place.Top = key(Next(tree_, nullptr, TVGN_FIRSTVISIBLE));
    return place;
}

void LogTreeView::ShowContextMenu(LPARAM position, HMENU menu, HWND owner) {
    POINT point{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (point.x == -1 && point.y == -1) {
        // Opened from the keyboard: the menu is for the selection, so it opens below it.
        point = POINT{0, 0};
        RECT item{};
        const HTREEITEM selected = Next(tree_, nullptr, TVGN_CARET);
        std::memcpy(&item, &selected, sizeof selected);  // the item goes in, its rectangle out
        if (selected != nullptr &&
            ::SendMessageW(tree_, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&item)))
            point = POINT{item.left, item.bottom};
        ::ClientToScreen(tree_, &point);
    } else {
        // As in Explorer, the menu is for the node under the cursor: select it first.
        TVHITTESTINFO hit{};
        hit.pt = point;
        ::ScreenToClient(tree_, &hit.pt);
        const auto item = reinterpret_cast<HTREEITEM>(
            ::SendMessageW(tree_, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item != nullptr && (hit.flags & TVHT_ONITEM) != 0)
            ::SendMessageW(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    }
    ::TrackPopupMenu(menu, TPM_RIGHTBUTTON, point.x, point.y, 0, owner, nullptr);
}
