#include "common/text_column.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "common/utf8.h"

#include <string>
#include <vector>

namespace tarnovel {
namespace {

std::string Blanks(std::size_t n) {
    return std::string(n, ' ');
}

// Texts on both sides of every limit of the 8-byte form: 7 characters, a
// run of 15 blanks, a run after 7 characters (whose header would collide
// with the long form's), blanks at both ends, bytes above 0x7F, NUL, and a
// text too long for a 16-bit length.
std::vector<std::string> BoundaryTexts() {
    return {"",
            "1234567",
            "12345678",
            Blanks(15) + "1234567",
            Blanks(16) + "1",
            "1234567" + Blanks(15),
            "123456" + Blanks(15),
            "1234567" + Blanks(14),
            "1" + Blanks(16),
            Blanks(2) + "a b" + Blanks(2),
            Blanks(3) + "abcde" + Blanks(3),
            " ",
            Blanks(15),
            Blanks(16),
            Blanks(40),
            "\xc3\xa9t\xc3\xa9",
            "\xff\xfe\xfd\xfc\xfb\xfa\xf9",
            std::string("a\0b", 3),
            std::string(7, '\0'),
            "    64.153",
            "         134.50",
            "15-02-2022",
            std::string(70000, 'x') + "y"};
}

void ExpectHolds(const TextColumn& column, const std::vector<std::string>& texts) {
    ASSERT_EQ(column.size(), texts.size());
    std::string scratch;
    for (std::size_t r = 0; r < texts.size(); ++r) {
        SCOPED_TRACE("row " + std::to_string(r));
        EXPECT_EQ(column[r], texts[r]);
        EXPECT_EQ(column.View(r, scratch), texts[r]);
        std::string appended = "<";
        column.AppendTo(appended, r);
        EXPECT_EQ(appended, "<" + texts[r]);
        std::string bare = "<";
        column.AppendWithoutBlanks(bare, r);
        std::string expected = "<";
        AppendWithoutBlanks(expected, texts[r]);
        EXPECT_EQ(bare, expected);
        EXPECT_EQ(column.IsEmpty(r), texts[r].empty());
    }
}

TEST(TextColumn, EveryTextComesBackExactly) {
    const std::vector<std::string> texts = BoundaryTexts();
    const TextColumn column(texts);
    ExpectHolds(column, texts);
    EXPECT_EQ(column.Strings(), texts);

    // Each text over each other one, in place and not: the neighbours stay.
    TextColumn edited(texts);
    std::vector<std::string> expected = texts;
    for (std::size_t r = 0; r < texts.size(); ++r)
        for (const std::string& text : texts) {
            edited.Set(r, text);
            expected[r] = text;
        }
    ExpectHolds(edited, expected);
}

TEST(TextColumn, RowsInsertedErasedAndResizedKeepTheOthers) {
    std::vector<std::string> texts = BoundaryTexts();
    TextColumn column(texts);
    column.insert(2, "inserted long text");
    texts.insert(texts.begin() + 2, "inserted long text");
    column.erase(0);
    texts.erase(texts.begin());
    column.push_back("  x");
    texts.push_back("  x");
    ExpectHolds(column, texts);

    const TextColumn copy = column;
    column.Set(1, "changed after the copy");
    EXPECT_EQ(copy[1], texts[1]);
    EXPECT_FALSE(copy == column);

    column.resize(3);
    texts.resize(3);
    texts[1] = "changed after the copy";
    column.resize(5);
    texts.resize(5);
    ExpectHolds(column, texts);

    column.assign(4, "a long fill text");
    ExpectHolds(column, std::vector<std::string>(4, "a long fill text"));
    EXPECT_TRUE(TextColumn(2, "missing") == TextColumn({"missing", "missing"}));
}

TEST(TextColumn, PaddingEndsEveryTextAtTheWidthInCodePoints) {
    std::vector<std::string> texts = BoundaryTexts();
    for (const char* more : {"abcdefg", "abcdef", "a", "ab ", "\xc3\xa9t\xc3\xa9", "  lead"})
        texts.emplace_back(more);
    for (const std::size_t width : {0, 1, 7, 15, 16, 21, 22, 23, 40}) {
        // Rows before the first padded one (a title row) stay as they are.
        TextColumn column(texts);
        column.PadEnd(3, width);
        std::vector<std::string> expected = texts;
        for (std::size_t r = 3; r < texts.size(); ++r) {
            const std::size_t points = CodePointCount(expected[r]);
            if (points < width) expected[r].append(width - points, ' ');
        }
        SCOPED_TRACE("width " + std::to_string(width));
        ExpectHolds(column, expected);
        EXPECT_LE(column.BufferSize(), TextColumn(expected).BufferSize());
    }
}

TEST(TextColumn, ATextTakenFromTheColumnItselfIsSetWhole) {
    TextColumn column({"the first long text", "second", "the third long text"});
    std::string scratch;
    // The view points into the column's buffer, which grows while it is set.
    for (int i = 0; i < 200; ++i)
        column.Set(1, column.View(0, scratch));
    column.Set(2, column.View(2, scratch).substr(4));
    ExpectHolds(column, {"the first long text", "the first long text", "third long text"});
}

TEST(TextColumn, TextsNoCellHoldsAnyMoreAreReclaimed) {
    TextColumn column({"kept long text one", "x", "kept long text two"});
    const std::string longer(40, 'z');
    for (int i = 0; i < 100000; ++i) {
        column.Set(1, longer + std::to_string(i % 10));
        column.Set(1, "short");
    }
    ExpectHolds(column, {"kept long text one", "short", "kept long text two"});
    EXPECT_LT(column.BufferSize(), std::size_t{3} << 20);  // 4.1 MB were set in all

    // A text with its length held in the buffer survives the clean-up.
    const std::string huge(70000, 'h');
    column.Set(0, huge);
    for (int i = 0; i < 60; ++i) {
        column.Set(2, huge + "!");
        column.Set(2, "");
    }
    ExpectHolds(column, {huge, "short", ""});
    EXPECT_LT(column.BufferSize(), std::size_t{3} << 20);
}

}  // namespace
}  // namespace tarnovel
