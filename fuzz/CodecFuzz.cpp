// The password codec: any password survives encoding and decoding, and decoding any text
// either succeeds or stops at the first piece that is not hexadecimal.

#include <string>

#include "FuzzSupport.h"
#include "core/settings/PasswordCodec.h"

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

char UpperHex(char c) {
    return (c >= 'a' && c <= 'f') ? static_cast<char>(c - 32) : c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string hex = EncodePassword(bytes);
    FUZZ_CHECK(hex.size() == 2 * bytes.size());
    for (char c : hex) FUZZ_CHECK(IsHexDigit(c) && UpperHex(c) == c);
    std::string decoded = "stale";
    DecodePassword(hex, decoded);
    FUZZ_CHECK(decoded == bytes);

    // The same bytes as a hex text: the valid pieces before the first bad one, written back in
    // upper case with a single last digit padded, are what encoding the result gives.
    std::string validPieces;
    bool bad = false;
    for (std::size_t i = 0; i < bytes.size() && !bad; i += 2) {
        const std::string piece = bytes.substr(i, 2);
        for (char c : piece) bad = bad || !IsHexDigit(c);
        if (bad) break;
        if (piece.size() == 1) validPieces += '0';
        for (char c : piece) validPieces += UpperHex(c);
    }
    std::string result = "stale";
    bool threw = false;
    try {
        DecodePassword(bytes, result);
    } catch (const ConvertError&) {
        threw = true;
    }
    FUZZ_CHECK(threw == bad);
    FUZZ_CHECK(result.size() == validPieces.size() / 2);
    FUZZ_CHECK(EncodePassword(result) == validPieces);
    return 0;
}
