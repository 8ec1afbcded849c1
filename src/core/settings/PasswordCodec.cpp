#include "core/settings/PasswordCodec.h"

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

constexpr std::size_t kKeyLength = sizeof(PasswordKey) - 1;

}  // namespace

std::string EncodePassword(const std::string& password) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(password.size() * 2);
    for (std::size_t i = 0; i < password.size(); ++i) {
        const auto code = static_cast<unsigned char>(password[i]) ^
                          static_cast<unsigned char>(PasswordKey[i % kKeyLength]);
        hex += kDigits[code >> 4];
        hex += kDigits[code & 0x0F];
    }
    return hex;
}

void DecodePassword(const std::string& hexText, std::string& result) {
    result.clear();
    std::size_t k = 0;
    for (std::size_t i = 0; i < hexText.size(); i += 2, ++k) {
        const std::string piece = hexText.substr(i, 2);
        int value = 0;
        for (char c : piece) {
            const int digit = HexDigitValue(c);
            if (digit < 0) throw ConvertError("'" + piece + "' is not a valid hexadecimal number");
            value = value * 16 + digit;
        }
        const auto code = static_cast<unsigned char>(value) ^
                          static_cast<unsigned char>(PasswordKey[k % kKeyLength]);
        result += static_cast<char>(code);
    }
}

std::optional<std::string> MatchPassword(const std::string& password, const TypedPassword& typed) {
    if (typed.Utf8 == password) return typed.Utf8;
    if (typed.Ansi == password) return typed.Ansi;
    return std::nullopt;
}
