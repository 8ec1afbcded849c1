#pragma once

// The log an operation works on: its path and the password its records are scrambled with,
// decoded once from the stored form. Every reader, writer and rewrite takes this one value.

#include <string>

struct LogTarget {
    std::string Path;
    // The scrambling key's bytes: the password as it was stored (empty: no scrambling).
    std::string Password;
};
