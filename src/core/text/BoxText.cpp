#include "core/text/BoxText.h"

namespace {

bool ContinuesCodePoint(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

std::size_t CodePoints(std::string_view text) {
    std::size_t count = 0;
    for (const char byte : text)
        if (!ContinuesCodePoint(byte)) ++count;
    return count;
}

}  // namespace

std::string WrapLongRuns(std::string_view text, std::size_t width) {
    std::string out;
    if (width == 0) return std::string(text);
    out.reserve(text.size() + text.size() / width + 1);
    std::size_t pieceStart = 0;                      // where the unbroken piece begins in `out`
    std::size_t pieceLength = 0;                     // its code points
    std::size_t afterSeparator = std::string::npos;  // after its last `\` or `/`
    for (const char byte : text) {
        if (byte == ' ' || byte == '\n' || byte == '\r' || byte == '\t') {
            out.push_back(byte);
            pieceStart = out.size();
            pieceLength = 0;
            afterSeparator = std::string::npos;
            continue;
        }
        if (!ContinuesCodePoint(byte)) {
            if (pieceLength == width) {
                // The next character would make the piece too long: break it.
                const std::size_t cut =
                    afterSeparator != std::string::npos ? afterSeparator : out.size();
                out.insert(cut, "\r\n");
                pieceStart = cut + 2;
                pieceLength = CodePoints(std::string_view(out).substr(pieceStart));
                afterSeparator = std::string::npos;
            }
            ++pieceLength;
        }
        out.push_back(byte);
        if ((byte == '\\' || byte == '/') && out.size() - pieceStart > 1)
            afterSeparator = out.size();
    }
    return out;
}
