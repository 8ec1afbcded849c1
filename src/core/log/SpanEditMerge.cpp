// AddSpans and RestorePairs: AddSpan and RestorePair of each span in turn, in one merge.

#include <algorithm>
#include <cstddef>
#include <optional>

#include "core/log/SpanEdit.h"

namespace {

// Each session ends no later than the next one starts (the running one's end counts for
// nothing). AddSpan and RestorePair keep this, but for a pair of no length put inside a session.
bool SessionsInOrder(const std::vector<LogPair>& pairs) {
    std::optional<DateTime> lastEnd;
    for (const LogPair& pair : pairs) {
        if (!pair.Accepted()) continue;
        if (lastEnd && pair.Start() < *lastEnd) return false;
        lastEnd = pair.End();
    }
    return true;
}

bool SessionsByStart(const std::vector<Span>& spans, std::size_t first) {
    for (std::size_t k = first; k < spans.size(); ++k) {
        if (!IsAcceptedPair(spans[k].Start, spans[k].End)) return false;
        if (k > first && spans[k].Start < spans[k - 1].Start) return false;
    }
    return true;
}

void Include(SpanEditResult& into, const SpanEditResult& edit) {
    into.Changed = into.Changed || edit.Changed;
    into.TouchedSessions += edit.TouchedSessions;
    into.Spans.insert(into.Spans.end(), edit.Spans.begin(), edit.Spans.end());
}

// The log rebuilt from its start as the spans come, earliest first. With the sessions in order
// and no span starting before the last, what a span reaches is the last sessions placed and the
// first still to come; a new pair goes between the two.
class SpanMerge {
  public:
    SpanMerge(const std::vector<LogPair>& pairs, bool recording) : in_(pairs) {
        nextSession_.resize(pairs.size() + 1, pairs.size());
        for (std::size_t i = pairs.size(); i-- > 0;)
            nextSession_[i] = pairs[i].Accepted() ? i : nextSession_[i + 1];
        if (recording && !pairs.empty() && pairs.back().Accepted()) {
            running_ = pairs.size() - 1;
            runningPair_ = pairs.back();
        }
    }

    // AddSpan; false where the sessions would no longer be in order.
    bool Add(Span span) {
        const DateTime from = span.Start;
        const DateTime to = span.End;
        Advance(from);
        const bool intoRunning = running_ && to >= runningPair_.Start();
        std::vector<Span> covered;
        std::size_t firstOut = sessions_.size();  // placed sessions it reaches: they end in order
        while (firstOut > 0 && out_[sessions_[firstOut - 1]].End() >= from) --firstOut;
        for (std::size_t k = firstOut; k < sessions_.size(); ++k)
            covered.push_back(Clipped(out_[sessions_[k]], from, to));
        std::size_t endIn = next_;  // past the last session to come that it reaches
        std::size_t touched = sessions_.size() - firstOut;
        for (std::size_t a = nextSession_[next_]; a < in_.size() && a != running_;
             a = nextSession_[a + 1]) {
            if (!intoRunning && in_[a].Start() > to) break;
            covered.push_back(Clipped(in_[a], from, to));
            endIn = a + 1;
            ++touched;
        }
        if (intoRunning) {
            covered.push_back({std::max(runningPair_.Start(), from), to});
            ++touched;
        }
        if (touched == 0) {
            PlaceNew(span);
            return true;
        }
        const std::vector<Span> gaps = Uncovered(from, to, JoinSpans(std::move(covered)));
        if (gaps.empty()) return true;  // counted already

        // One pair from the earliest start to the latest end, taking bits in log order.
        LogPair merged = LogPair::Of(from, to);
        auto widen = [&merged](const LogPair& pair, bool running) {
            if (pair.Start() < merged.Start()) merged.StartBits = pair.StartBits;
            if (!running && pair.End() > merged.End()) merged.EndBits = pair.EndBits;
        };
        for (std::size_t k = firstOut; k < sessions_.size(); ++k) widen(out_[sessions_[k]], false);
        for (std::size_t i = next_; i < endIn; ++i)
            if (in_[i].Accepted()) widen(in_[i], false);
        if (intoRunning) {
            widen(runningPair_, true);
            if (!IsAcceptedPair(merged.Start(), runningPair_.End())) return false;
            runningPair_.StartBits = merged.StartBits;
        } else if (!merged.Accepted()) {
            return false;
        }

        // The first of the joined sessions holds the pair (the running one: last); garbage stays.
        const bool keptPlaced = !intoRunning && firstOut < sessions_.size();
        if (firstOut < sessions_.size()) {
            const std::size_t first = sessions_[firstOut];
            std::size_t kept = first;
            if (keptPlaced) out_[kept++] = merged;
            for (std::size_t j = kept; j < out_.size(); ++j)
                if (!out_[j].Accepted()) out_[kept++] = out_[j];
            out_.resize(kept);
            sessions_.resize(firstOut);
            if (keptPlaced) sessions_.push_back(first);
        }
        if (!intoRunning && !keptPlaced) {
            PlaceBefore(nextSession_[next_], merged);
            ++next_;
        }
        const std::size_t end = intoRunning ? *running_ : endIn;
        for (; next_ < end; ++next_)
            if (!in_[next_].Accepted()) out_.push_back(in_[next_]);
        result_.Changed = true;
        result_.TouchedSessions += touched;
        spans_.insert(spans_.end(), gaps.begin(), gaps.end());
        return true;
    }

    // RestorePair; false where the sessions would no longer be in order.
    bool Restore(Span pair) {
        const DateTime from = pair.Start;
        const DateTime to = pair.End;
        Advance(from);
        // The sessions being in order, the last placed ends latest and the next starts first.
        const bool endsLater = !sessions_.empty() && out_[sessions_.back()].End() > from;
        const std::size_t next = nextSession_[next_];
        const bool nextRunning = next == running_;
        const bool startsEarlier =
            next < in_.size() && (nextRunning ? runningPair_ : in_[next]).Start() < to;
        if (from < to) {
            if (endsLater || startsEarlier) return Add(pair);
        } else if (endsLater || (nextRunning && runningPair_.Start() < from)) {
            return false;  // inside a session, or after the running start, yet on its own
        }
        PlaceNew(pair);
        return true;
    }

    void Finish(std::vector<LogPair>& pairs, SpanEditResult& result) {
        out_.insert(out_.end(), in_.begin() + static_cast<std::ptrdiff_t>(next_), in_.end());
        if (running_) out_.back() = runningPair_;
        pairs = std::move(out_);
        result_.Spans = std::move(spans_);
        Include(result, result_);
    }

  private:
    static Span Clipped(const LogPair& pair, DateTime from, DateTime to) {
        return {std::max(pair.Start(), from), std::min(pair.End(), to)};
    }

    // Places the sessions starting no later than `from` (not the running one) and what lies
    // before them.
    void Advance(DateTime from) {
        for (std::size_t a = nextSession_[next_];
             a < in_.size() && a != running_ && in_[a].Start() <= from; a = nextSession_[next_]) {
            out_.insert(out_.end(), in_.begin() + static_cast<std::ptrdiff_t>(next_),
                        in_.begin() + static_cast<std::ptrdiff_t>(a + 1));
            sessions_.push_back(out_.size() - 1);
            next_ = a + 1;
        }
    }

    // As Insert: before the next session, after the garbage ahead of it; else right after the
    // last session.
    void PlaceNew(Span span) {
        const LogPair fresh = LogPair::Of(span.Start, span.End);
        const std::size_t next = nextSession_[next_];
        if (next < in_.size()) {
            PlaceBefore(next, fresh);
        } else {
            const std::size_t at = sessions_.empty() ? 0 : sessions_.back() + 1;
            out_.insert(out_.begin() + static_cast<std::ptrdiff_t>(at), fresh);
            sessions_.push_back(at);
        }
        result_.Changed = true;
        if (span.Start < span.End) spans_.push_back(span);
    }

    // Places the pairs up to `session` of those to come, then `pair`.
    void PlaceBefore(std::size_t session, LogPair pair) {
        out_.insert(out_.end(), in_.begin() + static_cast<std::ptrdiff_t>(next_),
                    in_.begin() + static_cast<std::ptrdiff_t>(session));
        next_ = session;
        out_.push_back(pair);
        sessions_.push_back(out_.size() - 1);
    }

    const std::vector<LogPair>& in_;
    std::vector<std::size_t> nextSession_;  // the first session at or after each index
    std::optional<std::size_t> running_;
    LogPair runningPair_;                // as the edits leave it; placed at the end
    std::size_t next_ = 0;               // the first pair to come
    std::vector<LogPair> out_;           // the pairs placed
    std::vector<std::size_t> sessions_;  // where the placed sessions are, in order
    std::vector<Span> spans_;
    SpanEditResult result_;
};

template <typename Step, typename Single>
SpanEditResult Merged(std::vector<LogPair>& pairs, const std::vector<Span>& spans, bool recording,
                      Step step, Single single) {
    SpanEditResult result;
    std::size_t first = 0;
    // The first pair of an empty log becomes the running session.
    if (recording && pairs.empty() && !spans.empty())
        Include(result, single(pairs, spans[first++], recording));
    bool merged = false;
    if (SessionsByStart(spans, first) && SessionsInOrder(pairs)) {
        SpanMerge merge(pairs, recording);
        merged = true;
        for (std::size_t k = first; merged && k < spans.size(); ++k)
            merged = (merge.*step)(spans[k]);
        if (merged) merge.Finish(pairs, result);
    }
    for (std::size_t k = first; !merged && k < spans.size(); ++k)
        Include(result, single(pairs, spans[k], recording));
    result.Spans = JoinSpans(std::move(result.Spans));
    return result;
}

}  // namespace

SpanEditResult AddSpans(std::vector<LogPair>& pairs, const std::vector<Span>& spans,
                        bool recording) {
    return Merged(pairs, spans, recording, &SpanMerge::Add, AddSpan);
}

SpanEditResult RestorePairs(std::vector<LogPair>& pairs, const std::vector<Span>& spans,
                            bool recording) {
    return Merged(pairs, spans, recording, &SpanMerge::Restore, RestorePair);
}
