#include <gtest/gtest.h>

#include <string>

#include "core/settings/PasswordCodec.h"

// Expected texts are worked out by hand from the key "Tq8!...": 'T' = 54, 'q' = 71, '8' = 38.

TEST(PasswordCodec, EncodesAgainstTheKey) {
    const std::string key(PasswordKey);
    const struct {
        std::string password;
        std::string hex;
    } cases[] = {
        {"", ""},
        {"abc", "35135B"},                  // 61^54, 62^71, 63^38
        {"Tq8", "000000"},                  // each character equal to its key character
        {"\xFF\x80", "ABF1"},               // FF^54, 80^71: bytes above 127 stay positive
        {key + "T", std::string(80, '0')},  // the 40th character uses key character 1 again
        {key + "a", std::string(78, '0') + "35"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodePassword(c.password), c.hex) << c.hex;
        std::string decoded = "left over";
        DecodePassword(c.hex, decoded);
        EXPECT_EQ(decoded, c.password) << c.hex;
    }
}

TEST(PasswordCodec, DecodesEitherCaseAndOddLength) {
    const struct {
        const char* hex;
        const char* password;
    } cases[] = {
        {"35135b", "abc"},    {"35135B", "abc"},
        {"abf1", "\xFF\x80"}, {"35135", "ab="},  // the last single digit 5 ^ '8' (38) gives 3D
        {"0", "T"},           {"F", "\x5B"},     // 0F ^ 54
    };
    for (const auto& c : cases) {
        std::string decoded;
        DecodePassword(c.hex, decoded);
        EXPECT_EQ(decoded, c.password) << c.hex;
    }
}

TEST(PasswordCodec, EveryByteRoundTrips) {
    std::string password;
    for (int i = 0; i < 256; ++i) password += static_cast<char>(i);
    password += password;  // runs the key round several times from different offsets
    const std::string hex = EncodePassword(password);
    ASSERT_EQ(hex.size(), password.size() * 2);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    std::string decoded;
    DecodePassword(hex, decoded);
    EXPECT_EQ(decoded, password);
}

TEST(PasswordCodec, NonHexPieceKeepsWhatCameBefore) {
    const struct {
        const char* hex;
        const char* before;
    } cases[] = {
        {"3513zz", "ab"}, {"35135G", "ab"}, {"3513 5", "ab"}, {"G0", ""}, {"-1", ""},
        {"+1", ""},       {"0x35", ""},     {"35g", "a"},  // odd length: the single last piece is
                                                           // checked too
    };
    for (const auto& c : cases) {
        std::string decoded = "stale";
        EXPECT_THROW(DecodePassword(c.hex, decoded), ConvertError) << c.hex;
        EXPECT_EQ(decoded, c.before) << c.hex;
    }
}
