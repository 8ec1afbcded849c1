#pragma once

// The stored form of the password: hexadecimal text of the password XORed with a fixed key.

#include <stdexcept>
#include <string>

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
