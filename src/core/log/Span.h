#pragma once

// A stretch of time [Start, End), the unit in which corrections and their undo speak.

#include <vector>

#include "core/time/DateTime.h"

struct Span {
    DateTime Start = 0;
    DateTime End = 0;
    friend bool operator==(const Span&, const Span&) = default;
};

// The same time as sorted, separate spans: overlapping or touching ones become one. Spans of no
// length stay when no other span holds them.
std::vector<Span> JoinSpans(std::vector<Span> spans);

// The length of all the spans together, in days; they are separate (as JoinSpans leaves them).
double SpanDays(const std::vector<Span>& spans);
