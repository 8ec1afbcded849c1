#pragma once

// The addresses behind the About box's two links.

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr char kHomePageLinkText[] = "www.quillmere.example/worktally";
inline constexpr char kMailLinkText[] = "worktally@quillmere.example";

namespace link_rules_detail {
inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) noexcept {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}
}  // namespace link_rules_detail

// A caption that already names the web scheme is opened as it stands; otherwise it is a bare
// host and path, which the shell only opens in a browser with a scheme in front.
inline std::string HomePageAddress(std::string_view caption) {
    using link_rules_detail::StartsWithNoCase;
    if (StartsWithNoCase(caption, "http://") || StartsWithNoCase(caption, "https://")) {
        return std::string(caption);
    }
    return "http://" + std::string(caption);
}

inline std::string MailAddress(std::string_view caption) {
    return "mailto:" + std::string(caption);
}
