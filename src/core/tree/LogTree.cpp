#include "core/tree/LogTree.h"

#include <array>
#include <cstddef>
#include <deque>
#include <exception>
#include <limits>
#include <memory>
#include <new>
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

class TreeBuilder {
  public:
    explicit TreeBuilder(LogTree& tree) : tree_(tree) {}

    void AddPiece(DateTime pieceStart, DateTime pieceEnd) {
        const Period piece(PeriodKind::Session, pieceStart, pieceEnd);
        if (!tree_.HasTotal) {
            tree_.Total = Period(PeriodKind::Total, pieceStart, pieceStart);
            tree_.HasTotal = true;
        }
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
        tree_.Total.AddDuration(duration);
        // The total reads "to" the latest end, not the start plus the time logged.
        if (!haveLatestEnd_ || pieceEnd > latestEnd_) latestEnd_ = pieceEnd;
        haveLatestEnd_ = true;
        tree_.Total.EndTime = latestEnd_;
        Info(year_).AddDuration(duration);
        Info(month_).AddDuration(duration);
        Info(day_).AddDuration(duration);
    }

  private:
    using FirstNode = FirstNodeIndex::FirstNode;

    DateTime latestEnd_ = 0;
    bool haveLatestEnd_ = false;

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

void Relabel(LogTree& tree, DateTime today) {
    const CivilDate date = DecodeDate(today);
    for (LogTreeNode& node : tree.Nodes) {
        const Period& info = node.Info;
        node.Expanded = (info.Kind == PeriodKind::Year && info.Year == date.Year) ||
                        (info.Kind == PeriodKind::Month && info.Month == date.Month) ||
                        (info.Kind == PeriodKind::Day && info.Day == date.Day);
    }
    tree.Labelled = true;
}

// Empties the tree and keeps its memory.
void Reset(LogTree& tree) {
    tree.Nodes.clear();
    tree.FirstTop = tree.LastTop = -1;
    tree.Labelled = false;
    tree.HasTotal = false;
    tree.Total = Period();
    tree.Failed = LogTree::Failure::None;
    tree.FailureReason.clear();
}

// The first start: no log file yet, but the folder it will be created in exists.
bool IsNotYetCreated(FileSystem& files, const std::string& path) {
    if (files.Exists(path)) return false;
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return true;  // the current folder
    const std::string folder = path.substr(0, slash);
    // "C:\" keeps its backslash: "C:" alone would mean the drive's current folder.
    if (folder.size() == 2 && folder[1] == ':') return files.Exists(folder + path[slash]);
    return folder.empty() || files.Exists(folder);
}

}  // namespace

std::string LogTree::NodeText(std::int32_t node, const LocaleFormats& formats) const {
    if (!Labelled || node < 0 || static_cast<std::size_t>(node) >= Nodes.size())
        return std::string();
    return Nodes[static_cast<std::size_t>(node)].Info.PeriodText(formats);
}

bool LogTree::StatusText(const LocaleFormats& formats, std::string& text) const {
    if (Failed == Failure::ReadError) return false;
    if (HasTotal) {
        text = Total.PeriodText(formats);
    } else {
        text = Failed == Failure::None ? "No sessions recorded yet" : "";
    }
    return true;
}

const LogTree& LogTreeBuilder::Build(FileSystem& files, const std::string& path,
                                     const std::string& encodedPassword, DateTime today) {
    LogTree& tree = tree_;
    Reset(tree);
    try {
        TreeBuilder builder(tree);
        tree.Failed = reader_.Read(
            files, path, encodedPassword,
            // A few sessions a day make about 1.3 nodes a session; more grows the vector once.
            [&](std::size_t pairs) { tree.Nodes.reserve(pairs + pairs / 2 + 16); },
            [&](DateTime start, DateTime end) {
                SplitAtMidnights(start, end, [&](DateTime pieceStart, DateTime pieceEnd) {
                    builder.AddPiece(pieceStart, pieceEnd);
                });
            });
    } catch (const std::bad_alloc&) {
        throw;  // no fault of the file
    } catch (const std::exception& error) {
        // Nothing of a log that could not be read all through is shown.
        Reset(tree);
        const auto* io = dynamic_cast<const IoError*>(&error);
        if (io != nullptr && io->NotFound() && IsNotYetCreated(files, path)) {
            Relabel(tree, today);
            return tree;
        }
        tree.Failed = LogTree::Failure::ReadError;
        tree.FailureReason = FailureReason(error);
        return tree;
    }
    // The nodes before a read error stay, unlabelled.
    if (tree.Failed != LogTree::Failure::ReadError) Relabel(tree, today);
    return tree;
}

LogTree LogTreeBuilder::Release() {
    LogTree tree = std::move(tree_);
    tree_ = LogTree();
    return tree;
}

LogTree BuildLogTree(FileSystem& files, const std::string& path, const std::string& encodedPassword,
                     DateTime today) {
    LogTreeBuilder builder;
    builder.Build(files, path, encodedPassword, today);
    return builder.Release();
}
