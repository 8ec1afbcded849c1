#pragma once

// The changes of this run of the program, newest last, for Edit > Undo. Only time spans are kept,
// so a new password in between leaves them valid.

#include <cstddef>
#include <string>
#include <vector>

#include "core/log/Corrections.h"

class UndoList {
  public:
    // A change that did nothing has nothing to undo and is not kept.
    void Push(LogChange change);
    bool Empty() const { return changes_.empty(); }
    std::size_t Size() const { return changes_.size(); }
    // The change the next undo takes back; the list must not be empty.
    const LogChange& Top() const { return changes_.back(); }
    // "&Undo Add Time", "&Undo Remove Time", "&Undo Delete Branch"; "&Undo" with nothing to undo.
    std::string MenuText() const;

    // Undoes the newest change and forgets it, unless the undo was refused or throws IoError
    // (the log is then as it was, and the change stays to be tried again).
    CorrectionResult UndoNewest(FileSystem& files, const LogTarget& target, bool recording);

  private:
    std::vector<LogChange> changes_;
};
