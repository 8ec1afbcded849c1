#include "core/help/GuideText.h"

std::string WithWindowsLineEnds(std::string_view text) {
    std::string result;
    result.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) result.push_back('\r');
        result.push_back(text[i]);
    }
    return result;
}
