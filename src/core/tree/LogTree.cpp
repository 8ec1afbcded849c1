#include "core/tree/LogTree.h"

#include <array>
#include <cstddef>
#include <deque>
#include <memory>
#include <utility>

#include "core/log/SessionPieces.h"

namespace {

// Valid pairs lie within these years, so the index below can be addressed by year directly.
constexpr int kFirstIndexedYear = 1899;
constexpr int kLastIndexedYear = 9999;

// The first node created for each year, month and day, with the last child hung under it.
// Children always go under the first node of their period, which is the node a pre-order scan
// from the top would meet first: every node of a period hangs under the same (first) parent,
// in creation order.
class FirstNodeIndex {
  public:
    FirstNodeIndex() : slotOfYear_(kLastIndexedYear - kFirstIndexedYear + 1, -1) {}

    struct FirstNode {
        std::int32_t Node = -1;
        std::int32_t LastChild = -1;
    };
    struct YearSlot {
        FirstNode Year;
        std::array<FirstNode, 12> Months;
        std::array<std::array<FirstNode, 31>, 12> Days;
    };

    // The slot of the record's year; nullptr for a date the index does not cover.
    YearSlot* Slot(const Period& info) {
        if (info.Year < kFirstIndexedYear || info.Year > kLastIndexedYear || info.Month < 1 ||
            info.Month > 12 || info.Day < 1 || info.Day > 31)
            return nullptr;
        std::int32_t& slot = slotOfYear_[static_cast<std::size_t>(info.Year - kFirstIndexedYear)];
        if (slot < 0) {
            slot = static_cast<std::int32_t>(slots_.size());
            slots_.emplace_back();
        }
        return &slots_[static_cast<std::size_t>(slot)];
    }

  private:
    std::vector<std::int32_t> slotOfYear_;
    std::deque<YearSlot> slots_;  // a new year moves none of the others
};

// Expands the year, month and day nodes that carry today's numbers.
void ExpandToday(LogTree& tree, DateTime today) {
    const CivilDate date = DecodeDate(today);
    for (LogTreeNode& node : tree.Nodes) {
        const Period& info = node.Info;
        node.Expanded = (info.Kind == PeriodKind::Year && info.Year == date.Year) ||
                        (info.Kind == PeriodKind::Month && info.Month == date.Month) ||
                        (info.Kind == PeriodKind::Day && info.Day == date.Day);
    }
}

// Empties the tree and keeps its memory.
void Reset(LogTree& tree) {
    tree.Nodes.clear();
    tree.FirstTop = tree.LastTop = -1;
    tree.Complete = false;
    tree.Failed = LogTree::Failure::None;
}

}  // namespace

class LogTreeBuilder::Pieces {
  public:
    explicit Pieces(LogTree& tree) : tree_(tree) {}

    void AddPiece(DateTime pieceStart, DateTime pieceEnd) {
        const Period piece(PeriodKind::Session, pieceStart, pieceEnd);
        FirstNodeIndex::YearSlot* slot = nullptr;
        if (year_ < 0 || Info(year_).Year != piece.Year) {
            slot = index_.Slot(piece);
            year_ = AddNode(Period(PeriodKind::Year, pieceStart, pieceStart), nullptr);
            if (slot) Remember(slot->Year, year_);
        }
        if (month_ < 0 || Info(month_).Year != piece.Year || Info(month_).Month != piece.Month) {
            if (!slot) slot = index_.Slot(piece);
            month_ = AddNode(Period(PeriodKind::Month, pieceStart, pieceStart),
                             slot ? &slot->Year : nullptr);
            if (slot) Remember(MonthOf(*slot, piece), month_);
        }
        if (day_ < 0 || Info(day_).Year != piece.Year || Info(day_).Month != piece.Month ||
            Info(day_).Day != piece.Day) {
            if (!slot) slot = index_.Slot(piece);
            day_ = AddNode(Period(PeriodKind::Day, pieceStart, pieceStart),
                           slot ? &MonthOf(*slot, piece) : nullptr);
            if (slot) Remember(DayOf(*slot, piece), day_);
            dayParent_ = slot ? &DayOf(*slot, piece) : nullptr;
        }
        AddNode(piece, dayParent_);
        const double duration = piece.Duration;
        Info(year_).AddDuration(duration);
        Info(month_).AddDuration(duration);
        Info(day_).AddDuration(duration);
    }

  private:
    using FirstNode = FirstNodeIndex::FirstNode;

    Period& Info(std::int32_t node) { return tree_.Nodes[static_cast<std::size_t>(node)].Info; }

    static FirstNode& MonthOf(FirstNodeIndex::YearSlot& slot, const Period& info) {
        return slot.Months[static_cast<std::size_t>(info.Month - 1)];
    }
    static FirstNode& DayOf(FirstNodeIndex::YearSlot& slot, const Period& info) {
        return slot
            .Days[static_cast<std::size_t>(info.Month - 1)][static_cast<std::size_t>(info.Day - 1)];
    }
    static void Remember(FirstNode& first, std::int32_t node) {
        if (first.Node < 0) first.Node = node;
    }

    // Appends a node under the first node of its parent period (remembered before any child
    // comes); null: top level.
    std::int32_t AddNode(const Period& info, FirstNode* parent) {
        auto& nodes = tree_.Nodes;
        const auto index = static_cast<std::int32_t>(nodes.size());
        LogTreeNode& node = nodes.emplace_back();
        node.Parent = parent ? parent->Node : -1;
        node.Info = info;
        std::int32_t& last = parent ? parent->LastChild : tree_.LastTop;
        if (last < 0) {
            (parent ? nodes[static_cast<std::size_t>(parent->Node)].FirstChild : tree_.FirstTop) =
                index;
        } else {
            nodes[static_cast<std::size_t>(last)].NextSibling = index;
        }
        last = index;
        return index;
    }

    LogTree& tree_;
    FirstNodeIndex index_;
    std::int32_t year_ = -1;
    std::int32_t month_ = -1;
    std::int32_t day_ = -1;
    FirstNode* dayParent_ = nullptr;  // kept across pieces: the index's slots never move
};

LogTreeBuilder::LogTreeBuilder() = default;
LogTreeBuilder::~LogTreeBuilder() = default;

std::string LogTree::NodeText(std::int32_t node, const LocaleFormats& formats) const {
    if (!Complete || node < 0 || static_cast<std::size_t>(node) >= Nodes.size())
        return std::string();
    return Nodes[static_cast<std::size_t>(node)].Info.PeriodText(formats);
}

void LogTreeBuilder::Begin(std::size_t pairs) {
    Reset(tree_);
    // A few sessions a day make about 1.3 nodes a session; more grows the vector once.
    if (pairs > 0) tree_.Nodes.reserve(pairs + pairs / 2 + 16);
    pieces_ = std::make_unique<Pieces>(tree_);
}

void LogTreeBuilder::Add(DateTime start, DateTime end) {
    if (!pieces_) Begin(0);
    SplitAtMidnights(start, end, [&](DateTime pieceStart, DateTime pieceEnd) {
        pieces_->AddPiece(pieceStart, pieceEnd);
    });
}

const LogTree& LogTreeBuilder::Finish(const LogTotals& totals, DateTime today) {
    pieces_.reset();
    tree_.Failed = totals.NotYetCreated() ? LogTree::Failure::None : totals.Failed();
    // The nodes before a read error stay, without texts.
    if (totals.Failed() != LogTotals::Failure::ReadError || totals.NotYetCreated()) {
        ExpandToday(tree_, today);
        tree_.Complete = true;
    }
    return tree_;
}

LogTree LogTreeBuilder::Release() {
    LogTree tree = std::move(tree_);
    tree_ = LogTree();
    return tree;
}

LogTree BuildLogTree(FileSystem& files, const LogTarget& log, DateTime today) {
    LogTotalsReader reader;
    LogTreeBuilder builder;
    builder.Finish(reader.Read(files, log, &builder), today);
    return builder.Release();
}
