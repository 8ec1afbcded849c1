#pragma once

// Which pairs of the log count as sessions, and how a session splits into pieces of one
// calendar day each. The tree and the reports both read the log by these rules, so that their
// days always agree.

#include <cmath>

#include "core/time/DateTime.h"
#include "core/log/LogFile.h"

// Spans longer than this, and dates outside 1899-12-30 .. 9999-12-31, count as invalid pairs.
inline constexpr double kMaxPairDays = 3660.0;

// Valid pairs only: the end not before the start, both within the dates a log may hold, and no
// longer than kMaxPairDays, so that garbage cannot split into millions of pieces.
inline bool IsAcceptedPair(DateTime start, DateTime end) {
    return IsValidPair(start, end) && start >= kFirstLogDate && end < kLastLogDateEnd &&
           end - start <= kMaxPairDays;
}

// Calls addPiece(pieceStart, pieceEnd) for each piece of an accepted pair cut at every
// midnight, in time order. A pair ending exactly at midnight gives no empty piece after it; a
// pair of zero length gives one piece of zero length.
template <typename AddPiece>
void SplitAtMidnights(DateTime start, DateTime end, AddPiece&& addPiece) {
    DateTime pieceStart = start;
    DateTime pieceEnd = std::trunc(pieceStart) + 1;
    for (;;) {
        if (pieceEnd > end) pieceEnd = end;
        addPiece(pieceStart, pieceEnd);
        if (pieceEnd >= end) return;
        pieceStart = std::trunc(pieceStart) + 1;
        pieceEnd = pieceStart + 1;
    }
}
