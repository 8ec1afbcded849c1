#pragma once

// The tree builder done the slow, literal way: a tree of linked nodes, every parent found by a
// pre-order scan from the first node, the log read pair by pair, every text set eagerly, the
// status total summed piece by piece. Tests compare the fast model and the list of days against
// it, and the core benchmark times it. Which nodes open is stated by its own test instead.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "core/time/DateTime.h"
#include "core/log/LogFile.h"
#include "core/log/LogTarget.h"
#include "core/tree/Period.h"
#include "core/tree/LogTree.h"

namespace reference {

struct Node {
    std::unique_ptr<Period> Data;
    std::string Text;
    Node* Parent = nullptr;
    Node* FirstChild = nullptr;
    Node* LastChild = nullptr;
    Node* NextSibling = nullptr;
    int Index = 0;  // creation order
};

struct Result {
    std::vector<std::unique_ptr<Node>> Nodes;  // creation order
    Node* First = nullptr;
    Node* LastTop = nullptr;
    // The status bar's text, summed piece by piece; set only after a read that went through.
    bool StatusSet = false;
    std::string Status;
    LogTree::Failure Failed = LogTree::Failure::None;
};

// First child, else next sibling, else the next sibling of the nearest ancestor that has one.
inline Node* NextInPreOrder(Node* node) {
    if (node->FirstChild) return node->FirstChild;
    for (; node; node = node->Parent) {
        if (node->NextSibling) return node->NextSibling;
    }
    return nullptr;
}

inline bool SamePeriod(const Period& candidate, const Period& info, PeriodKind parentKind) {
    if (candidate.Kind != parentKind || candidate.Year != info.Year) return false;
    if (parentKind == PeriodKind::Year) return true;
    if (candidate.Month != info.Month) return false;
    return parentKind == PeriodKind::Month || candidate.Day == info.Day;
}

inline Period* AddPeriodNode(Result& tree, std::unique_ptr<Period> info) {
    PeriodKind parentKind;
    switch (info->Kind) {
        case PeriodKind::Year:
            parentKind = PeriodKind::Total;
            break;
        case PeriodKind::Month:
            parentKind = PeriodKind::Year;
            break;
        case PeriodKind::Day:
            parentKind = PeriodKind::Month;
            break;
        case PeriodKind::Session:
            parentKind = PeriodKind::Day;
            break;
        default:
            return nullptr;
    }
    Node* parent = nullptr;
    if (parentKind != PeriodKind::Total) {
        for (Node* n = tree.First; n; n = NextInPreOrder(n)) {
            if (SamePeriod(*n->Data, *info, parentKind)) {
                parent = n;
                break;
            }
        }
    }
    auto node = std::make_unique<Node>();
    node->Index = static_cast<int>(tree.Nodes.size());
    node->Parent = parent;
    node->Data = std::move(info);
    Node* added = node.get();
    Node*& last = parent ? parent->LastChild : tree.LastTop;
    if (last) {
        last->NextSibling = added;
    } else if (parent) {
        parent->FirstChild = added;
    } else {
        tree.First = added;
    }
    last = added;
    tree.Nodes.push_back(std::move(node));
    return added->Data.get();
}

inline void SetTexts(Result& tree, const LocaleFormats& formats) {
    for (Node* n = tree.First; n; n = NextInPreOrder(n)) n->Text = n->Data->PeriodText(formats);
}

inline Result BuildLogTree(FileSystem& files, const LogTarget& log, const LocaleFormats& formats) {
    Result tree;
    std::unique_ptr<Period> total;
    DateTime earliestStart = 0;
    DateTime latestEnd = -1;
    try {
        std::unique_ptr<LogFile> file = files.OpenExisting(log.Path);
        const std::string& password = log.Password;
        Period* currentYear = nullptr;
        Period* currentMonth = nullptr;
        Period* currentDay = nullptr;
        std::int64_t position = 0;
        while (position != file->Size()) {
            unsigned char bytes[16];
            file->Read(bytes, 8);
            file->Read(bytes + 8, 8);
            position += 16;
            const auto number = static_cast<std::int32_t>(position / 8);
            const DateTime start = UnscrambleRecord(password, number - 2, LoadRecordBytes(bytes));
            const DateTime end = UnscrambleRecord(password, number - 1, LoadRecordBytes(bytes + 8));
            if (!(end >= start) || start < 0 || end >= 2958466.0 || end - start > 3660.0) {
                tree.Failed = LogTree::Failure::IncorrectRecord;
                break;
            }
            earliestStart = total ? std::min(earliestStart, start) : start;
            latestEnd = std::max(latestEnd, end);
            DateTime pieceStart = start;
            DateTime pieceEnd = std::trunc(pieceStart) + 1;
            for (;;) {
                if (pieceEnd > end) pieceEnd = end;
                auto piece = std::make_unique<Period>(PeriodKind::Session, pieceStart, pieceEnd);
                if (!total)
                    total = std::make_unique<Period>(PeriodKind::Total, pieceStart, pieceStart);
                if (!currentYear || currentYear->Year != piece->Year)
                    currentYear = AddPeriodNode(
                        tree, std::make_unique<Period>(PeriodKind::Year, pieceStart, pieceStart));
                if (!currentMonth || currentMonth->Year != piece->Year ||
                    currentMonth->Month != piece->Month)
                    currentMonth = AddPeriodNode(
                        tree, std::make_unique<Period>(PeriodKind::Month, pieceStart, pieceStart));
                if (!currentDay || currentDay->Year != piece->Year ||
                    currentDay->Month != piece->Month || currentDay->Day != piece->Day)
                    currentDay = AddPeriodNode(
                        tree, std::make_unique<Period>(PeriodKind::Day, pieceStart, pieceStart));
                const double duration = piece->Duration;
                AddPeriodNode(tree, std::move(piece));
                total->AddDuration(duration);
                currentYear->AddDuration(duration);
                currentMonth->AddDuration(duration);
                currentDay->AddDuration(duration);
                if (pieceEnd >= end) break;
                pieceStart = std::trunc(pieceStart) + 1;
                pieceEnd = pieceStart + 1;
            }
        }
        file->Close();
    } catch (const std::exception&) {
        tree.Failed = LogTree::Failure::ReadError;
        return tree;
    }
    SetTexts(tree, formats);
    tree.StatusSet = true;
    if (total) {
        total->StartTime = earliestStart;
        total->EndTime = latestEnd;
    }
    tree.Status = total                                   ? total->PeriodText(formats)
                  : tree.Failed == LogTree::Failure::None ? "No sessions recorded yet"
                                                          : std::string();
    return tree;
}

}  // namespace reference
