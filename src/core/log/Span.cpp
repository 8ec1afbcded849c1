#include "core/log/Span.h"

#include <algorithm>

std::vector<Span> JoinSpans(std::vector<Span> spans) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.Start < b.Start; });
    std::vector<Span> joined;
    for (const Span& span : spans) {
        if (!joined.empty() && span.Start <= joined.back().End) {
            joined.back().End = std::max(joined.back().End, span.End);
        } else {
            joined.push_back(span);
        }
    }
    return joined;
}

double SpanDays(const std::vector<Span>& spans) {
    double days = 0;
    for (const Span& span : spans) days += span.End - span.Start;
    return days;
}
