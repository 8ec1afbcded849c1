#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/time/DateTime.h"
#include "core/log/LogFile.h"
#include "unit/support/MemoryFileSystem.h"
#include "core/tree/LogTree.h"
#include "core/tree/TreeRenderer.h"

namespace {

const char kPath[] = "C:\\log.dat";
constexpr double kHour = 1.0 / 24;

// Records what a tree view would hold. Like the real control, opening an item first asks
// the renderer for its children.
class FakeTreeView : public TreeViewTarget {
  public:
    struct Entry {
        std::size_t Parent;  // 0: root, otherwise 1-based index of the parent entry
        std::string Text;
        std::int32_t Node;
        bool HasChildren;
        bool Expanded = false;
    };

    explicit FakeTreeView(LazyTreeRenderer& renderer) : renderer_(renderer) {}

    Item Insert(Item parent, const std::string& text, std::int32_t node,
                bool hasChildren) override {
        Entries.push_back(Entry{ToIndex(parent), text, node, hasChildren});
        return ToItem(Entries.size());
    }
    void Expand(Item item) override {
        // Expanding inserts entries, so the entry is looked up again afterwards.
        const std::size_t index = ToIndex(item) - 1;
        if (Entries.at(index).Expanded) return;
        renderer_.Expanding(item, Entries[index].Node, *this);
        Entries.at(index).Expanded = true;
    }
    // The user opens the item that shows `text`.
    void Open(const std::string& text) {
        for (std::size_t i = 0; i < Entries.size(); ++i) {
            if (Entries[i].Text == text) return Expand(ToItem(i + 1));
        }
        ADD_FAILURE() << "no item " << text;
    }

    // "text" per item, indented by depth, "+" when expanded, "*" when it shows a button.
    std::vector<std::string> Outline() const {
        std::vector<std::string> lines;
        AppendChildren(0, 0, lines);
        return lines;
    }

    std::vector<Entry> Entries;

  private:
    static std::size_t ToIndex(Item item) { return reinterpret_cast<std::uintptr_t>(item); }
    static Item ToItem(std::size_t index) { return reinterpret_cast<Item>(index); }
    void AppendChildren(std::size_t parent, int depth, std::vector<std::string>& lines) const {
        for (std::size_t i = 0; i < Entries.size(); ++i) {
            if (Entries[i].Parent != parent) continue;
            const Entry& e = Entries[i];
            lines.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + e.Text +
                            (e.HasChildren ? "*" : "") + (e.Expanded ? "+" : ""));
            AppendChildren(i + 1, depth + 1, lines);
        }
    }

    LazyTreeRenderer& renderer_;
};

LocaleFormats Iso() {
    LocaleFormats formats;
    formats.ShortDate = "yyyy-MM-dd";
    formats.LongTime = "HH:mm:ss";
    return formats;
}

// A log of plain (unscrambled) pairs, built by the real tree builder.
std::shared_ptr<const LogTree> Build(const std::vector<std::pair<DateTime, DateTime>>& pairs,
                                     DateTime today) {
    MemoryFileSystem files;
    MemoryFileSystem::Bytes bytes;
    std::int32_t record = 0;
    for (const auto& [start, end] : pairs) {
        for (DateTime value : {start, end}) {
            unsigned char stored[8];
            StoreRecordBytes(ScrambleRecord("", record++, value), stored);
            bytes.insert(bytes.end(), stored, stored + 8);
        }
    }
    files.SetFile(kPath, bytes);
    return std::make_shared<const LogTree>(BuildLogTree(files, {kPath, ""}, today));
}

DateTime At(int year, int month, int day, int hour) {
    return EncodeDateTime(year, month, day, hour, 0);
}

const std::vector<std::pair<DateTime, DateTime>> kTwoYears = {
    {At(2000, 3, 15, 9), At(2000, 3, 15, 11)},
    {At(2001, 2, 15, 8), At(2001, 2, 15, 9)},
    {At(2001, 3, 15, 9), At(2001, 3, 15, 10)},
    {At(2001, 3, 16, 9), At(2001, 3, 16, 12)},
};

TEST(LazyTreeRenderer, InsertsOnlyOpenBranchesAndOpensTodaysNodes) {
    LazyTreeRenderer renderer;
    FakeTreeView view(renderer);
    renderer.Render(Build(kTwoYears, At(2001, 3, 15, 12)), Iso(), view);

    // 2000 is closed, so its March (though a "today" month) is not inserted yet; 2001's
    // February is closed but shows a button; the open branches hold their children once.
    const std::vector<std::string> expected = {
        "2000 -> 2:00*",           "2001 -> 5:00*+",           "  February 2001 -> 1:00*",
        "  March 2001 -> 4:00*+",  "    2001-03-15 -> 1:00*+", "      09:00 - 10:00",
        "    2001-03-16 -> 3:00*",
    };
    EXPECT_EQ(view.Outline(), expected);
}

TEST(LazyTreeRenderer, OpeningABranchInsertsItsChildrenOnceAndOpensMarkedOnes) {
    LazyTreeRenderer renderer;
    FakeTreeView view(renderer);
    renderer.Render(Build(kTwoYears, At(2001, 3, 15, 12)), Iso(), view);

    view.Open("2000 -> 2:00");
    view.Open("February 2001 -> 1:00");
    // Closing and opening again must not add the children a second time.
    view.Entries[0].Expanded = false;
    view.Open("2000 -> 2:00");

    const std::vector<std::string> expected = {
        "2000 -> 2:00*+",
        "  March 2000 -> 2:00*+",  // today's month number: opened as soon as it appears
        "    2000-03-15 -> 2:00*+", "      09:00 - 11:00",
        "2001 -> 5:00*+",           "  February 2001 -> 1:00*+",
        "    2001-02-15 -> 1:00*+", "      08:00 - 09:00",
        "  March 2001 -> 4:00*+",   "    2001-03-15 -> 1:00*+",
        "      09:00 - 10:00",      "    2001-03-16 -> 3:00*",
    };
    EXPECT_EQ(view.Outline(), expected);
}

TEST(LazyTreeRenderer, MapsItemsBackToTheirPeriodsUntilReset) {
    LazyTreeRenderer renderer;
    FakeTreeView view(renderer);
    renderer.Render(Build(kTwoYears, At(2001, 3, 15, 12)), Iso(), view);

    for (const auto& entry : view.Entries) {
        const Period* info = renderer.Info(entry.Node);
        ASSERT_NE(info, nullptr);
        if (entry.Text == "09:00 - 10:00") {
            EXPECT_EQ(info->Kind, PeriodKind::Session);
            EXPECT_DOUBLE_EQ(info->StartTime, At(2001, 3, 15, 9));
        }
        if (entry.Text == "2001-03-16 -> 3:00") {
            EXPECT_EQ(info->Kind, PeriodKind::Day);
        }
    }
    EXPECT_EQ(renderer.Info(-1), nullptr);
    EXPECT_EQ(renderer.Info(100000), nullptr);

    // Stale items of an older view must find nothing, and opening them adds nothing.
    const std::int32_t node = view.Entries[0].Node;
    renderer.Reset();
    EXPECT_EQ(renderer.Info(node), nullptr);
    const std::size_t before = view.Entries.size();
    renderer.Expanding(reinterpret_cast<TreeViewTarget::Item>(std::uintptr_t{1}), node, view);
    EXPECT_EQ(view.Entries.size(), before);
}

TEST(LazyTreeRenderer, AnAbandonedBuildShowsItsNodesWithoutTexts) {
    // A start without its end: the build stops with a read error after the first pair.
    MemoryFileSystem files;
    MemoryFileSystem::Bytes bytes;
    const DateTime values[] = {At(2001, 3, 15, 9), At(2001, 3, 15, 10), At(2001, 3, 16, 9)};
    for (std::int32_t record = 0; record < 3; ++record) {
        unsigned char stored[8];
        StoreRecordBytes(ScrambleRecord("", record, values[record]), stored);
        bytes.insert(bytes.end(), stored, stored + 8);
    }
    files.SetFile(kPath, bytes);
    auto tree =
        std::make_shared<const LogTree>(BuildLogTree(files, {kPath, ""}, values[0] + kHour));
    ASSERT_EQ(tree->Failed, LogTree::Failure::ReadError);

    LazyTreeRenderer renderer;
    FakeTreeView view(renderer);
    renderer.Render(tree, Iso(), view);
    ASSERT_EQ(view.Entries.size(), 1u);  // nothing is opened, so only the year is inserted
    EXPECT_EQ(view.Entries[0].Text, "");
    EXPECT_FALSE(view.Entries[0].Expanded);
    view.Open("");
    EXPECT_EQ(view.Entries.size(), 2u);
    EXPECT_EQ(view.Entries[1].Text, "");
}

TEST(LazyTreeRenderer, EmptyLogGivesAnEmptyView) {
    LazyTreeRenderer renderer;
    FakeTreeView view(renderer);
    renderer.Render(Build({}, At(2001, 3, 15, 12)), Iso(), view);
    EXPECT_TRUE(view.Entries.empty());
    renderer.Render(nullptr, Iso(), view);
    EXPECT_TRUE(view.Entries.empty());
}

// What the window takes from its view before a rebuild: the open items, and the item with the
// given text as selection, with its next sibling and its parents as stand-ins.
ViewPlace PlaceOf(const FakeTreeView& view, const LazyTreeRenderer& renderer,
                  const std::string& selected, const std::string& top) {
    ViewPlace place;
    const auto key = [&](std::size_t index) {
        return KeyOf(*renderer.Info(view.Entries[index].Node));
    };
    for (std::size_t i = 0; i < view.Entries.size(); ++i) {
        const auto& entry = view.Entries[i];
        if (entry.Expanded) place.Open.push_back(key(i));
        if (entry.Text == top) place.Top = key(i);
        if (entry.Text != selected) continue;
        place.Selection.push_back(key(i));
        for (std::size_t j = i + 1; j < view.Entries.size(); ++j) {
            if (view.Entries[j].Parent == entry.Parent) {
                place.Selection.push_back(key(j));
                break;
            }
        }
        for (std::size_t parent = entry.Parent; parent != 0;
             parent = view.Entries[parent - 1].Parent)
            place.Selection.push_back(key(parent - 1));
    }
    return place;
}

std::string TextOf(const FakeTreeView& view, TreeViewTarget::Item item) {
    const auto index = reinterpret_cast<std::uintptr_t>(item);
    return index == 0 ? std::string("(none)") : view.Entries.at(index - 1).Text;
}

TEST(LazyTreeRenderer, ARebuildKeepsTheOpenBranchesTheSelectionAndTheTop) {
    const DateTime today = At(2001, 3, 16, 12);
    auto log = kTwoYears;
    struct Case {
        const char* name;
        std::vector<std::pair<DateTime, DateTime>> rebuilt;
        std::string selected;
        std::string expectedSelection;
    };
    auto grown = log;
    grown.push_back({At(2001, 3, 16, 13), At(2001, 3, 16, 14)});
    auto withoutFeb15 = log;
    withoutFeb15.erase(withoutFeb15.begin() + 1);
    auto withoutMarch15 = log;
    withoutMarch15.erase(withoutMarch15.begin() + 2);
    auto backwards = grown;  // the clock set back: a second node for 15 March 2001
    backwards.push_back({At(2001, 3, 15, 20), At(2001, 3, 15, 21)});
    const Case cases[] = {
        {"the log grew", grown, "09:00 - 10:00", "09:00 - 10:00"},
        {"the selected day deleted: its next sibling", withoutMarch15, "2001-03-15 -> 1:00",
         "2001-03-16 -> 3:00"},
        {"the last day of a month deleted: the parent", withoutFeb15, "2001-02-15 -> 1:00",
         "2001 -> 4:00"},
        {"times going backwards: the first node of the period", backwards, "2001-03-15 -> 1:00",
         "2001-03-15 -> 1:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LazyTreeRenderer renderer;
        FakeTreeView view(renderer);
        renderer.Render(Build(log, today), Iso(), view);
        view.Open("2000 -> 2:00");
        view.Open("February 2001 -> 1:00");
        view.Open("2001-03-15 -> 1:00");
        for (auto& entry : view.Entries)  // the user closed today
            if (entry.Text == "2001-03-16 -> 3:00") entry.Expanded = false;
        const ViewPlace place = PlaceOf(view, renderer, c.selected, "2000 -> 2:00");
        ASSERT_FALSE(place.Selection.empty());

        FakeTreeView again(renderer);
        const auto kept = renderer.Render(Build(c.rebuilt, today), Iso(), again, &place);
        EXPECT_EQ(TextOf(again, kept.Selected), c.expectedSelection);
        EXPECT_EQ(TextOf(again, kept.Top), "2000 -> 2:00");
        for (const auto& entry : again.Entries) {
            const Period& info = *renderer.Info(entry.Node);
            const bool wasOpen =
                std::find(place.Open.begin(), place.Open.end(), KeyOf(info)) != place.Open.end();
            EXPECT_EQ(entry.Expanded, wasOpen && entry.HasChildren) << entry.Text;
        }
    }
}

}  // namespace
