#pragma once

// Texts for message boxes. A box breaks its lines at spaces only, so it grows as wide as its
// longest unbroken run: a long path would push it past the edge of the screen.

#include <cstddef>
#include <string>
#include <string_view>

// The width in characters no unbroken run in an error box exceeds.
inline constexpr std::size_t kBoxLineWidth = 72;

// `text` with every run without a space or line end that is longer than `width` characters
// (UTF-8 code points) broken into lines: after its last `\` or `/` that keeps the piece within
// `width`, else at `width` itself. Everything else stays as it is.
std::string WrapLongRuns(std::string_view text, std::size_t width = kBoxLineWidth);
