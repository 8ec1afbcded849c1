#pragma once

// The core speaks UTF-8; Windows speaks UTF-16. Every text crosses here, at the edge.

#include <string>
#include <string_view>

// UTF-8 to UTF-16; invalid sequences become U+FFFD, so a broken name never vanishes silently.
std::wstring Widen(std::string_view utf8);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view wide);
