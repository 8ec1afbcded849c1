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

// [from, to) less the covered spans, which JoinSpans has ordered.
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

}  // namespace

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
    const DateTime from = span.Start;
    const DateTime to = span.End;
    const std::optional<std::size_t> running = RunningIndex(pairs, recording);

    SpanEditResult result;
    std::vector<Span> removed;
    std::vector<bool> dropped(pairs.size(), false);
    std::vector<LogPair> pieces;  // parts split off, placed once the pass is done
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        LogPair& pair = pairs[i];
        if (!pair.Accepted()) continue;
        const DateTime start = pair.Start();
        const DateTime end = pair.End();
        const bool affected = start == end ? from <= start && start < to : start < to && end > from;
        if (!affected) continue;
        ++result.TouchedSessions;
        removed.push_back({std::max(start, from), std::min(end, to)});
        if (start >= from && end <= to) {
            dropped[i] = true;
        } else if (start < from && end > to) {
            // Split in two; the running session goes on in the later part.
            if (running && i == *running) {
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
    }
    EraseMarked(pairs, dropped);
    for (const LogPair& piece : pieces) Insert(pairs, piece, recording);
    result.Changed = result.TouchedSessions > 0;
    result.Spans = JoinSpans(std::move(removed));
    return result;
}
