#include "common/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tarnovel {
namespace {

TEST(Utf8, ValidationIsStrict) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"", true},
        {"plain ASCII", true},
        {"\xC3\xA9", true},              // é
        {"\xE2\x82\xAC", true},          // €
        {"\xF0\x9F\x98\x80", true},      // U+1F600
        {"\xF4\x8F\xBF\xBF", true},      // U+10FFFF
        {"\xED\x9F\xBF", true},          // U+D7FF, just below the surrogates
        {"\xEE\x80\x80", true},          // U+E000, just above them
        {"\xE9", false},                 // é in Windows-1252
        {"\xC0\xAF", false},             // overlong "/"
        {"\xC1\xBF", false},             // overlong
        {"\xE0\x9F\xBF", false},         // overlong three-byte form
        {"\xF0\x8F\xBF\xBF", false},     // overlong four-byte form
        {"\xED\xA0\x80", false},         // U+D800, a surrogate
        {"\xED\xBF\xBF", false},         // U+DFFF
        {"\xF4\x90\x80\x80", false},     // U+110000
        {"\xF5\x80\x80\x80", false},     // lead byte beyond the range
        {"\xE2\x82", false},             // cut short at the end
        {"\xE2\x82x", false},            // cut short in the middle
        {"\x80", false},                 // lone continuation byte
        {"a\xC3\xA9\xC3", false},        // valid, then a lone lead byte
        {std::string("a\0b", 3), true},  // NUL is a character like any other
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(IsValidUtf8(bytes), expected) << testing::PrintToString(bytes);
        // The same verdict wherever the sequence stands in a run of ASCII,
        // which is read eight bytes at a time.
        for (std::size_t before = 1; before <= 17; before += 8 - before % 8)
            for (const std::size_t after : {0, 3, 9}) {
                const std::string text = std::string(before, 'x') + bytes + std::string(after, 'y');
                EXPECT_EQ(IsValidUtf8(text), expected)
                    << testing::PrintToString(bytes) << " after " << before;
            }
    }
}

TEST(Utf8, Windows1252Conversion) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"abc", "abc"},
        {"\x80", "\xE2\x82\xAC"},                                              // €
        {"\xE9", "\xC3\xA9"},                                                  // é
        {"\x8A\x9F", "\xC5\xA0\xC5\xB8"},                                      // Š Ÿ
        {"\x93x\x94", "\xE2\x80\x9Cx\xE2\x80\x9D"},                            // curly quotes
        {"\x81\x8D\x8F\x90\x9D", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},  // undefined
        {"\xA0\xFF", "\xC2\xA0\xC3\xBF"},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(Windows1252ToUtf8(bytes), expected) << testing::PrintToString(bytes);
    }
    // Every byte gives valid UTF-8, so a converted file is never converted twice.
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string converted = Windows1252ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(converted));
    EXPECT_EQ(CodePointCount(converted), 255u);
}

TEST(Utf8, DecodeInputText) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"\xEF\xBB\xBF", ""},
        {"\xEF\xBB\xBFStation;\xC3\xA9t\xC3\xA9", "Station;\xC3\xA9t\xC3\xA9"},
        {"Station;\xC3\xA9t\xC3\xA9", "Station;\xC3\xA9t\xC3\xA9"},
        {"Station;\xE9t\xE9;\x80", "Station;\xC3\xA9t\xC3\xA9;\xE2\x82\xAC"},
        // One stray byte makes the whole file Windows-1252.
        {"\xC3\xA9;\xE9", "\xC3\x83\xC2\xA9;\xC3\xA9"},
        // A mark followed by bytes that are not UTF-8: the mark still goes.
        {"\xEF\xBB\xBF\xE9", "\xC3\xA9"},
        // A mark in the middle is text.
        {"a\xEF\xBB\xBF", "a\xEF\xBB\xBF"},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(DecodeInputText(bytes), expected) << testing::PrintToString(bytes);
    }
}

TEST(Utf8, CountsAndCutsByCodePoint) {
    const std::string ete = "\xC3\xA9t\xC3\xA9";  // été
    EXPECT_EQ(CodePointCount(ete), 3u);
    EXPECT_EQ(CodePointCount("\xF0\x9F\x98\x80x"), 2u);
    EXPECT_EQ(CodePointCount("\xE9\xE2\x82"), 3u);  // invalid bytes count one each
    EXPECT_EQ(FirstCodePoints(ete, 1), "\xC3\xA9");
    EXPECT_EQ(FirstCodePoints(ete, 2), "\xC3\xA9t");
    EXPECT_EQ(FirstCodePoints(ete, 8), ete);
    EXPECT_EQ(FirstCodePoints(ete, 0), "");
    EXPECT_EQ(SplitCodePoints("a\xE2\x82\xAC\xE9"),
              (std::vector<std::string>{"a", "\xE2\x82\xAC", "\xE9"}));
    EXPECT_EQ(PadRight(ete, 5), ete + "  ");
    EXPECT_EQ(PadLeft(ete, 5), "  " + ete);
    EXPECT_EQ(PadRight(ete, 2), ete);
    EXPECT_EQ(PadLeft(ete, 3), ete);
    EXPECT_EQ(PadRight("", 15), std::string(15, ' '));
}

}  // namespace
}  // namespace tarnovel
