#pragma once

// Time arithmetic on the log's pairs. Adding a span joins the sessions it overlaps or touches;
// removing one cuts it out of them. Only accepted pairs take part: garbage stays where it is,
// and every pair an edit does not touch keeps its exact bits. A new pair goes before the first
// session that starts later, and joined sessions stay where the first of them was, so that an
// ordered log stays ordered.
//
// While the program records, the log's last pair is its running session (when that pair is
// accepted): it stays last, and its end stays as the recorder wrote it, since the next tick
// moves it to "now" anyway.

#include <cstddef>
#include <vector>

#include "core/log/LogPairs.h"
#include "core/log/Span.h"

struct SpanEditResult {
    bool Changed = false;             // some pair was added, changed or removed
    std::vector<Span> Spans;          // the time added or removed, joined
    std::size_t TouchedSessions = 0;  // sessions joined, shortened, split or removed
};

// Makes the sessions the union of themselves and [span.Start, span.End). A span of no length
// that touches no session becomes a pair of its own (an undo brings such pairs back). While
// recording, a span reaching the running session's start joins it: what lies past the running
// end is the recorder's to count, and is not added.
SpanEditResult AddSpan(std::vector<LogPair>& pairs, Span span, bool recording);

// Brings back a pair a Delete Branch removed, as it was and on its own, where it overlaps no
// session (the running one counting up to now); otherwise as AddSpan, so no time counts twice.
SpanEditResult RestorePair(std::vector<LogPair>& pairs, Span pair, bool recording);

// Whether taking the span out would cut the running session at its end, which the next tick
// would only undo.
bool ReachesRunningEnd(const std::vector<LogPair>& pairs, Span span, bool recording);

// Takes [span.Start, span.End) out of the sessions: a session partly inside is shortened, one
// around it split in two, one inside removed. The caller has refused a span that
// ReachesRunningEnd.
SpanEditResult RemoveSpan(std::vector<LogPair>& pairs, Span span, bool recording);

// RemoveSpan of each span in turn, with the same result, in one pass over the pairs when the
// spans are ordered and apart (as an undo's spans are): undoing time added across a long log
// would otherwise take a pass per gap it filled.
SpanEditResult RemoveSpans(std::vector<LogPair>& pairs, const std::vector<Span>& spans,
                           bool recording);

// AddSpan and RestorePair of each span in turn, with the same result (Spans joined), in one
// merge of the spans into the log when the spans are sessions sorted by start and the log's
// sessions are in order; otherwise, or where a step would leave them out of order, one at a
// time. Undoing a Remove Time or the Delete Branch of a year would else take a pass per span.
SpanEditResult AddSpans(std::vector<LogPair>& pairs, const std::vector<Span>& spans,
                        bool recording);
SpanEditResult RestorePairs(std::vector<LogPair>& pairs, const std::vector<Span>& spans,
                            bool recording);

// [from, to) less the covered spans, ordered and apart as JoinSpans leaves them.
std::vector<Span> Uncovered(DateTime from, DateTime to, const std::vector<Span>& covered);
