#pragma once

// The hand-over text in the shared section: bounded on both sides, since the section is
// written by another process and may hold anything.

#include <cstddef>
#include <cstring>
#include <optional>
#include <span>
#include <string>

inline constexpr std::size_t kParamsSectionSize = 1024;

// Copies text and its NUL into the section when both fit; otherwise writes nothing.
inline bool WriteHandOverText(std::span<char> section, const std::string& text) {
    if (text.size() >= section.size()) return false;
    std::memcpy(section.data(), text.data(), text.size());
    section[text.size()] = '\0';
    return true;
}

// The text up to its NUL; nullopt when there is no NUL within the section.
inline std::optional<std::string> ReadHandOverText(std::span<const char> section) {
    const void* nul = std::memchr(section.data(), '\0', section.size());
    if (nul == nullptr) return std::nullopt;
    return std::string(section.data(), static_cast<const char*>(nul));
}
