#include <gtest/gtest.h>

#include <array>
#include <string>

#include "core/settings/HandOverText.h"

namespace {

constexpr char kUntouched = '#';

// A section with guard bytes behind it, to see any write past its end.
struct GuardedSection {
    std::array<char, kParamsSectionSize + 16> Bytes;
    GuardedSection() { Bytes.fill(kUntouched); }
    std::span<char> Section() { return std::span<char>(Bytes.data(), kParamsSectionSize); }
    bool GuardIntact() const {
        for (std::size_t i = kParamsSectionSize; i < Bytes.size(); ++i) {
            if (Bytes[i] != kUntouched) return false;
        }
        return true;
    }
};

TEST(HandOverText, WritesOnlyWhatFitsWithItsNul) {
    struct Case {
        std::size_t Length;
        bool Fits;
    };
    for (const Case& c : {Case{0, true}, Case{1, true}, Case{1022, true}, Case{1023, true},
                          Case{1024, false}, Case{5000, false}}) {
        SCOPED_TRACE(c.Length);
        GuardedSection buffer;
        const std::string text(c.Length, 'p');
        EXPECT_EQ(WriteHandOverText(buffer.Section(), text), c.Fits);
        EXPECT_TRUE(buffer.GuardIntact());
        if (c.Fits) {
            EXPECT_EQ(buffer.Bytes[c.Length], '\0');
            EXPECT_EQ(std::string(buffer.Bytes.data(), c.Length), text);
        } else {
            // A refused text leaves the section exactly as it was.
            EXPECT_EQ(buffer.Bytes[0], kUntouched);
            EXPECT_EQ(buffer.Bytes[kParamsSectionSize - 1], kUntouched);
        }
    }
}

TEST(HandOverText, ReadsUpToTheFirstNulAndRejectsAnUnterminatedSection) {
    std::array<char, kParamsSectionSize> section{};
    section.fill('x');
    EXPECT_FALSE(ReadHandOverText(section).has_value());  // no NUL anywhere

    section[kParamsSectionSize - 1] = '\0';  // the longest text there can be
    ASSERT_TRUE(ReadHandOverText(section).has_value());
    EXPECT_EQ(ReadHandOverText(section)->size(), kParamsSectionSize - 1);

    // A shorter text over the remains of a longer one ends at its own NUL.
    ASSERT_TRUE(WriteHandOverText(section, "/L /F \"C:\\My Logs\\w.dat\" "));
    EXPECT_EQ(ReadHandOverText(section), "/L /F \"C:\\My Logs\\w.dat\" ");

    std::array<char, kParamsSectionSize> zeroed{};  // a fresh section reads as empty
    EXPECT_EQ(ReadHandOverText(zeroed), "");
}

}  // namespace
