#pragma once

// The stored form of the password: hexadecimal text of the password XORed with a fixed key.

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

// Raised by DecodePassword on a text that is not hexadecimal.
class ConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr char PasswordKey[] = "Tq8!mZr4#Kw0pLx7&Vn2Hs9*Jd5yCg3Fb6Ne1Ra";

std::string EncodePassword(const std::string& password);
// Fills `result` with the password; throws ConvertError on a non-hex piece, leaving in
// `result` the characters decoded before it.
void DecodePassword(const std::string& hexText, std::string& result);

// A typed password in the two byte forms a password may have been stored and a log scrambled
// with: UTF-8 (what is written now) and the system's ANSI code page (what earlier versions
// wrote). An ASCII password is the same in both, hence the one-text constructor.
struct TypedPassword {
    std::string Utf8;
    std::string Ansi;

    TypedPassword() = default;
    TypedPassword(std::string text) : Utf8(text), Ansi(std::move(text)) {}  // NOLINT: implicit
    TypedPassword(const char* text) : TypedPassword(std::string(text)) {}   // NOLINT: implicit
    TypedPassword(std::string utf8, std::string ansi)
        : Utf8(std::move(utf8)), Ansi(std::move(ansi)) {}
    bool empty() const { return Utf8.empty(); }
};

// The bytes of `typed` that equal the stored `password`, UTF-8 first; nothing when neither does.
std::optional<std::string> MatchPassword(const std::string& password, const TypedPassword& typed);
