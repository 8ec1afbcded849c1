#pragma once

// Puts a built log tree into a tree view lazily: a node's children are inserted when the node
// first opens, so a large log costs only the nodes that can be seen. Nodes the model marks as
// expanded are opened as soon as they are inserted. No Win32 here, so tests can drive it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/tree/LogTree.h"

class TreeViewTarget {
  public:
    using Item = void*;  // null stands for the root
    virtual ~TreeViewTarget() = default;
    // Adds a last child of `parent`; a node with children not yet inserted shows a button.
    virtual Item Insert(Item parent, const std::string& text, std::int32_t node,
                        bool hasChildren) = 0;
    virtual void Expand(Item item) = 0;
};

// A period as the user sees it, the same in every build of a growing log: a year, a month, a day,
// or a session piece by its start.
struct PeriodKey {
    PeriodKind Kind = PeriodKind::Total;
    int Year = 0;
    int Month = 0;
    int Day = 0;
    DateTime Start = 0;
    bool operator==(const PeriodKey&) const = default;
};

inline PeriodKey KeyOf(const Period& info) {
    PeriodKey key{info.Kind, info.Year, 0, 0, 0};
    if (info.Kind != PeriodKind::Year) key.Month = info.Month;
    if (info.Kind == PeriodKind::Day || info.Kind == PeriodKind::Session) key.Day = info.Day;
    if (info.Kind == PeriodKind::Session) key.Start = info.StartTime;
    return key;
}

// Where the user is in the view: the periods open, the selection followed by its stand-ins in
// order (the next period in its parent, then the parent and its parents), and the period at
// the top.
struct ViewPlace {
    std::vector<PeriodKey> Open;
    std::vector<PeriodKey> Selection;
    std::optional<PeriodKey> Top;
};

class LazyTreeRenderer {
  public:
    // Items of a new rendering that stand for the place kept; null where none was found.
    struct KeptPlace {
        TreeViewTarget::Item Selected = nullptr;
        TreeViewTarget::Item Top = nullptr;
    };

    // Inserts the top-level nodes of `tree` into an empty view. Without a place, the nodes the
    // model marks as expanded open; with one, the periods that were open open again.
    KeptPlace Render(std::shared_ptr<const LogTree> tree, LocaleFormats formats,
                     TreeViewTarget& view, const ViewPlace* place = nullptr) {
        tree_ = std::move(tree);
        formats_ = std::move(formats);
        inserted_.assign(tree_ ? tree_->Nodes.size() : 0, false);
        place_ = place;
        kept_ = KeptPlace{};
        selectionRank_ = place ? place->Selection.size() : 0;
        if (tree_) InsertChildren(nullptr, tree_->FirstTop, view);
        place_ = nullptr;
        return kept_;
    }

    // The view is about to open `item`, which shows `node`: its children go in now, once.
    void Expanding(TreeViewTarget::Item item, std::int32_t node, TreeViewTarget& view) {
        if (!Valid(node) || inserted_[Index(node)]) return;
        inserted_[Index(node)] = true;
        InsertChildren(item, tree_->Nodes[Index(node)].FirstChild, view);
    }

    // The period of a node that the view shows; null for anything else.
    const Period* Info(std::int32_t node) const {
        return Valid(node) ? &tree_->Nodes[Index(node)].Info : nullptr;
    }

    // Whether the view holds nodes of a tree (Render was called since the last Reset).
    bool Rendered() const { return tree_ != nullptr; }

    void Reset() {
        tree_.reset();
        inserted_.clear();
    }

  private:
    static std::size_t Index(std::int32_t node) { return static_cast<std::size_t>(node); }
    bool Valid(std::int32_t node) const {
        return tree_ && node >= 0 && Index(node) < tree_->Nodes.size();
    }

    void InsertChildren(TreeViewTarget::Item parent, std::int32_t first, TreeViewTarget& view) {
        for (std::int32_t node = first; Valid(node); node = tree_->Nodes[Index(node)].NextSibling) {
            const LogTreeNode& entry = tree_->Nodes[Index(node)];
            const bool hasChildren = entry.FirstChild >= 0;
            const TreeViewTarget::Item item =
                view.Insert(parent, tree_->NodeText(node, formats_), node, hasChildren);
            if (item == nullptr) continue;
            bool open = entry.Expanded;
            if (place_ != nullptr) open = Remember(entry.Info, item);
            if (!open || !hasChildren) continue;
            // Marked first: opening the item makes the view ask for its children again.
            inserted_[Index(node)] = true;
            InsertChildren(item, entry.FirstChild, view);
            view.Expand(item);
        }
    }

    // Notes the item when it stands for the kept selection or top; true when it was open.
    bool Remember(const Period& info, TreeViewTarget::Item item) {
        const PeriodKey key = KeyOf(info);
        const auto& selection = place_->Selection;
        // The first node of a period wins, like the tree's own first-node rule.
        for (std::size_t rank = 0; rank < selectionRank_; ++rank) {
            if (selection[rank] == key) {
                kept_.Selected = item;
                selectionRank_ = rank;
                break;
            }
        }
        if (kept_.Top == nullptr && place_->Top && *place_->Top == key) kept_.Top = item;
        for (const PeriodKey& open : place_->Open)
            if (open == key) return true;
        return false;
    }

    std::shared_ptr<const LogTree> tree_;
    LocaleFormats formats_;
    std::vector<bool> inserted_;
    const ViewPlace* place_ = nullptr;
    KeptPlace kept_;
    std::size_t selectionRank_ = 0;
};
