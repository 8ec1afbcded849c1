#include "core/log/UndoList.h"

#include <utility>

void UndoList::Push(LogChange change) {
    if (!change.Empty()) changes_.push_back(std::move(change));
}

std::string UndoList::MenuText() const {
    if (changes_.empty()) return "&Undo";
    switch (changes_.back().Kind) {
        case ChangeKind::AddTime:
            return "&Undo Add Time";
        case ChangeKind::RemoveTime:
            return "&Undo Remove Time";
        case ChangeKind::DeleteBranch:
            return "&Undo Delete Branch";
    }
    return "&Undo";
}

CorrectionResult UndoList::UndoNewest(FileSystem& files, const LogTarget& target, bool recording) {
    CorrectionResult result;
    if (changes_.empty()) return result;
    result = UndoChange(files, target, changes_.back(), recording);
    if (result.Refusal == CorrectionRefusal::None) changes_.pop_back();
    return result;
}
