#pragma once

// Puts a built log tree into a tree view lazily: a node's children are inserted when the node
// first opens, so a large log costs only the nodes that can be seen. Nodes the model marks as
// expanded are opened as soon as they are inserted. No Win32 here, so tests can drive it.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "viewer/LogTree.h"

class TreeViewTarget {
  public:
    using Item = void*;  // null stands for the root
    virtual ~TreeViewTarget() = default;
    // Adds a last child of `parent`; a node with children not yet inserted shows a button.
    virtual Item Insert(Item parent, const std::string& text, std::int32_t node,
                        bool hasChildren) = 0;
    virtual void Expand(Item item) = 0;
};

class LazyTreeRenderer {
  public:
    // Inserts the top-level nodes of `tree` into an empty view, opening the expanded ones.
    void Render(std::shared_ptr<const LogTree> tree, LocaleFormats formats, TreeViewTarget& view) {
        tree_ = std::move(tree);
        formats_ = std::move(formats);
        inserted_.assign(tree_ ? tree_->Nodes.size() : 0, false);
        if (tree_) InsertChildren(nullptr, tree_->FirstTop, view);
    }

    // The view is about to open `item`, which shows `node`: its children go in now, once.
    void Expanding(TreeViewTarget::Item item, std::int32_t node, TreeViewTarget& view) {
        if (!Valid(node) || inserted_[Index(node)]) return;
        inserted_[Index(node)] = true;
        InsertChildren(item, tree_->Nodes[Index(node)].FirstChild, view);
    }

    // The period of a node that the view shows; null for anything else.
    const TLogInfo* Info(std::int32_t node) const {
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
            if (item == nullptr || !entry.Expanded || !hasChildren) continue;
            // Marked first: opening the item makes the view ask for its children again.
            inserted_[Index(node)] = true;
            InsertChildren(item, entry.FirstChild, view);
            view.Expand(item);
        }
    }

    std::shared_ptr<const LogTree> tree_;
    LocaleFormats formats_;
    std::vector<bool> inserted_;
};
