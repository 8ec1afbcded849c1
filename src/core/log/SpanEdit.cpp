#include "core/log/SpanEdit.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace {

// The index of the running session, when there is one.
std::optional<std::size_t> RunningIndex(const std::vector<LogPair>& pairs, bool recording) {
    if (!recording || pairs.empty() || !pairs.back().Accepted()) return std::nullopt;
    return pairs.size() - 1;
}

// Before the first session that starts later, else right after the last session (ahead of any
// garbage at the end, which readers stop at); never after the running session.
std::size_t InsertPosition(const std::vector<LogPair>& pairs, DateTime start, bool recording) {
    std::size_t position = 0;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (!pairs[i].Accepted()) continue;
        if (pairs[i].Start() > start) {
            position = i;
            break;
        }
        position = i + 1;
    }
    const std::optional<std::size_t> running = RunningIndex(pairs, recording);
    return running && position > *running ? *running : position;
}

void Insert(std::vector<LogPair>& pairs, LogPair pair, bool recording) {
    const auto at = InsertPosition(pairs, pair.Start(), recording);
    pairs.insert(pairs.begin() + static_cast<std::ptrdiff_t>(at), pair);
}

// Drops the marked pairs, keeping the order of the rest.
void EraseMarked(std::vector<LogPair>& pairs, const std::vector<bool>& marked) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (!marked[i]) pairs[kept++] = pairs[i];
    }
    pairs.resize(kept);
}

enum class Cut { Untouched, Kept, Dropped };

// RemoveSpan's rule for one pair: shortened, split (the part split off goes to `pieces`) or
// dropped; what it loses goes to `removed`.
Cut CutPair(LogPair& pair, bool running, Span span, std::vector<LogPair>& pieces,
            std::vector<Span>& removed) {
    const DateTime from = span.Start;
    const DateTime to = span.End;
    const DateTime start = pair.Start();
    const DateTime end = pair.End();
    const bool affected = start == end ? from <= start && start < to : start < to && end > from;
    if (!affected) return Cut::Untouched;
    removed.push_back({std::max(start, from), std::min(end, to)});
    if (start >= from && end <= to) return Cut::Dropped;
    if (start < from && end > to) {
        // Split in two; the running session goes on in the later part.
        if (running) {
            pieces.push_back(LogPair{pair.StartBits, DateTimeBits(from)});
            pair.StartBits = DateTimeBits(to);
        } else {
            pieces.push_back(LogPair{DateTimeBits(to), pair.EndBits});
            pair.EndBits = DateTimeBits(from);
        }
    } else if (start < from) {
        pair.EndBits = DateTimeBits(from);
    } else {
        pair.StartBits = DateTimeBits(to);
    }
    return Cut::Kept;
}

// Each span ends before the next one starts, and has a length.
bool OrderedApart(const std::vector<Span>& spans) {
    for (std::size_t k = 0; k < spans.size(); ++k) {
        if (!(spans[k].Start < spans[k].End)) return false;
        if (k > 0 && !(spans[k - 1].End < spans[k].Start)) return false;
    }
    return true;
}

// Insert of each piece, earliest first, in one pass: the first pair starting later than a piece
// can only be the same or a later one for the next piece.
void InsertAll(std::vector<LogPair>& pairs, std::vector<LogPair> pieces, bool recording) {
    if (pieces.empty()) return;
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const LogPair& a, const LogPair& b) { return a.Start() < b.Start(); });
    const std::optional<std::size_t> running = RunningIndex(pairs, recording);
    std::size_t afterLast = 0;  // right after the last session
    for (std::size_t i = 0; i < pairs.size(); ++i)
        if (pairs[i].Accepted()) afterLast = i + 1;
    std::vector<LogPair> merged;
    merged.reserve(pairs.size() + pieces.size());
    std::size_t copied = 0;
    std::size_t later = 0;
    for (const LogPair& piece : pieces) {
        while (later < pairs.size() &&
               !(pairs[later].Accepted() && pairs[later].Start() > piece.Start()))
            ++later;
        std::size_t position = later < pairs.size() ? later : afterLast;
        if (running && position > *running) position = *running;
        merged.insert(merged.end(), pairs.begin() + static_cast<std::ptrdiff_t>(copied),
                      pairs.begin() + static_cast<std::ptrdiff_t>(position));
        copied = position;
        merged.push_back(piece);
    }
    merged.insert(merged.end(), pairs.begin() + static_cast<std::ptrdiff_t>(copied), pairs.end());
    pairs = std::move(merged);
}

}  // namespace

std::vector<Span> Uncovered(DateTime from, DateTime to, const std::vector<Span>& covered) {
    std::vector<Span> gaps;
    DateTime cursor = from;
    for (const Span& span : covered) {
        if (span.Start > cursor) gaps.push_back({cursor, std::min(span.Start, to)});
        cursor = std::max(cursor, span.End);
        if (cursor >= to) return gaps;
    }
    if (cursor < to) gaps.push_back({cursor, to});
    return gaps;
}

SpanEditResult AddSpan(std::vector<LogPair>& pairs, Span span, bool recording) {
    const DateTime from = span.Start;
    const DateTime to = span.End;
    const std::optional<std::size_t> running = RunningIndex(pairs, recording);
    // The recorder counts from the running start up to now, which is past `to`.
    const bool intoRunning = running && to >= pairs[*running].Start();

    SpanEditResult result;
    std::vector<bool> joined(pairs.size(), false);
    std::vector<Span> covered;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const LogPair& pair = pairs[i];
        if (!pair.Accepted()) continue;
        const DateTime start = pair.Start();
        const DateTime end = pair.End();
        if (running && i == *running) {
            if (!intoRunning) continue;
            covered.push_back({std::max(start, from), to});
        } else if (start <= to && end >= from) {
            covered.push_back({std::max(start, from), std::min(end, to)});
        } else {
            continue;
        }
        joined[i] = true;
        ++result.TouchedSessions;
    }

    if (result.TouchedSessions == 0) {
        Insert(pairs, LogPair::Of(from, to), recording);
        result.Changed = true;
        if (from < to) result.Spans.push_back(span);
        return result;
    }
    result.Spans = Uncovered(from, to, JoinSpans(std::move(covered)));
    if (result.Spans.empty()) {
        result.TouchedSessions = 0;  // all of it is counted already: the log stays as it is
        return result;
    }

    result.Changed = true;
    // One pair from the earliest start to the latest end; each bound keeps the bits it came with.
    LogPair merged = LogPair::Of(from, to);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (!joined[i]) continue;
        if (pairs[i].Start() < merged.Start()) merged.StartBits = pairs[i].StartBits;
        if (!(running && i == *running) && pairs[i].End() > merged.End())
            merged.EndBits = pairs[i].EndBits;
    }
    // The joined pair stays where the first of its sessions was (the running one: last).
    std::size_t keep = 0;
    if (intoRunning) {
        keep = *running;
        pairs[keep].StartBits = merged.StartBits;
    } else {
        while (!joined[keep]) ++keep;
        pairs[keep] = merged;
    }
    joined[keep] = false;
    EraseMarked(pairs, joined);
    return result;
}

SpanEditResult RestorePair(std::vector<LogPair>& pairs, Span pair, bool recording) {
    const std::optional<std::size_t> running = RunningIndex(pairs, recording);
    for (std::size_t i = 0; pair.Start < pair.End && i < pairs.size(); ++i) {
        if (!pairs[i].Accepted()) continue;
        const bool runningOn = running && i == *running;
        const bool overlaps =
            pairs[i].Start() < pair.End && (runningOn || pairs[i].End() > pair.Start);
        if (overlaps) return AddSpan(pairs, pair, recording);
    }
    Insert(pairs, LogPair::Of(pair.Start, pair.End), recording);
    SpanEditResult result;
    result.Changed = true;
    if (pair.Start < pair.End) result.Spans.push_back(pair);
    return result;
}

bool ReachesRunningEnd(const std::vector<LogPair>& pairs, Span span, bool recording) {
    const std::optional<std::size_t> running = RunningIndex(pairs, recording);
    if (!running) return false;
    const LogPair& pair = pairs[*running];
    return span.End >= pair.End() && span.End > pair.Start();
}

SpanEditResult RemoveSpan(std::vector<LogPair>& pairs, Span span, bool recording) {
    const std::optional<std::size_t> running = RunningIndex(pairs, recording);
    SpanEditResult result;
    std::vector<Span> removed;
    std::vector<bool> dropped(pairs.size(), false);
    std::vector<LogPair> pieces;  // parts split off, placed once the pass is done
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (!pairs[i].Accepted()) continue;
        const Cut cut = CutPair(pairs[i], running && i == *running, span, pieces, removed);
        if (cut == Cut::Untouched) continue;
        ++result.TouchedSessions;
        dropped[i] = cut == Cut::Dropped;
    }
    EraseMarked(pairs, dropped);
    for (const LogPair& piece : pieces) Insert(pairs, piece, recording);
    result.Changed = result.TouchedSessions > 0;
    result.Spans = JoinSpans(std::move(removed));
    return result;
}

SpanEditResult RemoveSpans(std::vector<LogPair>& pairs, const std::vector<Span>& spans,
                           bool recording) {
    SpanEditResult result;
    if (spans.empty()) return result;
    std::vector<Span> removed;
    if (!OrderedApart(spans)) {
        for (const Span& span : spans) {
            const SpanEditResult edit = RemoveSpan(pairs, span, recording);
            result.TouchedSessions += edit.TouchedSessions;
            removed.insert(removed.end(), edit.Spans.begin(), edit.Spans.end());
        }
        result.Changed = result.TouchedSessions > 0;
        result.Spans = JoinSpans(std::move(removed));
        return result;
    }
    const std::optional<std::size_t> running = RunningIndex(pairs, recording);
    std::vector<bool> dropped(pairs.size(), false);
    std::vector<LogPair> pieces;
    std::vector<bool> droppedPieces;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (!pairs[i].Accepted()) continue;
        const DateTime start = pairs[i].Start();
        const DateTime end = pairs[i].End();
        // Only spans within the pair can cut it or the pieces split off it; their ends ascend.
        auto span = std::upper_bound(spans.begin(), spans.end(), start,
                                     [](DateTime at, const Span& s) { return at < s.End; });
        const std::size_t firstPiece = pieces.size();
        for (; span != spans.end() && span->Start <= end; ++span) {
            // As a pass of RemoveSpan would: the pair, then the pieces earlier spans split off.
            const std::size_t piecesBefore = pieces.size();
            if (!dropped[i] && pairs[i].Accepted()) {
                const Cut cut = CutPair(pairs[i], running && i == *running, *span, pieces, removed);
                if (cut != Cut::Untouched) ++result.TouchedSessions;
                dropped[i] = cut == Cut::Dropped;
            }
            for (std::size_t p = firstPiece; p < piecesBefore; ++p) {
                if (droppedPieces[p] || !pieces[p].Accepted()) continue;
                LogPair piece = pieces[p];  // the vector may grow below
                const Cut cut = CutPair(piece, false, *span, pieces, removed);
                if (cut != Cut::Untouched) ++result.TouchedSessions;
                pieces[p] = piece;
                droppedPieces[p] = cut == Cut::Dropped;
            }
            droppedPieces.resize(pieces.size(), false);
        }
    }
    EraseMarked(pairs, dropped);
    EraseMarked(pieces, droppedPieces);
    InsertAll(pairs, std::move(pieces), recording);
    result.Changed = result.TouchedSessions > 0;
    result.Spans = JoinSpans(std::move(removed));
    return result;
}
