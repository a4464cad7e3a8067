#include "tables/delimited_reader.h"

#include <gtest/gtest.h>

#include "support.h"

namespace tarnovel {
namespace {

using test::RowsOf;
using test::WriteBytes;
using Rows = std::vector<std::vector<std::string>>;

class DelimitedReader : public test::InTempDir {};

struct SeparatorCase {
    const char* firstLine;  // file bytes
    std::vector<std::string> captions;
    std::vector<int> counts;
    int proposal;
    const char* separator;
};

TEST_F(DelimitedReader, BepaalsepProposesTheMostFrequentCandidate) {
    const SeparatorCase cases[] = {
        {"Loc;Stratum;MHW;sdMHW\r\n1;2;3;4", {";"}, {3}, 0, ";"},
        {"Loc,Stratum;MHW,sdMHW", {",", ";"}, {2, 1}, 0, ","},
        {"a b;c d;e", {"space", ";"}, {2, 2}, 0, " "},  // equal counts: the earlier
        {"Loc\tMHW\tMSW", {"tab-sign"}, {2}, 0, "\t"},
        {"Loc;13-03-2002;14-04-2002", {";", "-"}, {2, 4}, 1, "-"},
        {"\"Loc\";'x'.5;y", {";"}, {2}, 0, ";"},  // quotes, points, digits never
        {"Höhe;Maß;x", {"ö", ";", "ß"}, {1, 2, 1}, 1, ";"},
        {"Loc│MHW│MSW", {"│"}, {2}, 0, "│"},
        {"\xEF\xBB\xBFLoc;MHW", {";"}, {1}, 0, ";"},  // the byte-order mark is no candidate
        {"Loc\xA7MHW\xA7MSW", {"§"}, {2}, 0, "§"},    // Windows-1252
        {"LocMHW", {}, {}, -1, ""},
        {"", {}, {}, -1, ""},
    };
    for (const SeparatorCase& c : cases) {
        WriteBytes("in.csv", c.firstLine);
        RadioGroup group;
        group.items = {"left over"};
        ReaderState state;
        DetectSeparator("in.csv", group, state);
        EXPECT_EQ(group.items, c.captions) << c.firstLine;
        EXPECT_EQ(group.itemIndex, c.proposal) << c.firstLine;
        EXPECT_EQ(state.separator, c.separator) << c.firstLine;
        ASSERT_EQ(state.candidateCount, static_cast<int>(c.counts.size()));
        for (std::size_t i = 0; i < c.counts.size(); ++i)
            EXPECT_EQ(state.candidates[i].count, c.counts[i]) << c.firstLine;
        EXPECT_EQ(state.separatorGroupHeight, 20 * state.candidateCount + 16);
    }
}

TEST_F(DelimitedReader, BepaalsepForgetsTheCandidatesOfTheFileBefore) {
    ReaderState state;
    RadioGroup group;
    WriteBytes("a.csv", "a;b,c:d");
    DetectSeparator("a.csv", group, state);
    WriteBytes("b.csv", "a|b");
    DetectSeparator("b.csv", group, state);
    EXPECT_EQ(group.items, std::vector<std::string>{"|"});
    EXPECT_EQ(state.candidateCount, 1);
    EXPECT_EQ(state.candidates[1].character, "x");
    EXPECT_EQ(state.candidates[1].count, 0);
}

TEST_F(DelimitedReader, KeepsTheFirstTwentyCandidates) {
    // Twenty distinct characters once each, then a twenty-first many times.
    const std::string twenty = "!#$%&()*+,-/:;<=>?@[";
    WriteBytes("in.csv", "a" + twenty + "~~~~~~");
    RadioGroup group;
    ReaderState state;
    DetectSeparator("in.csv", group, state);
    ASSERT_EQ(state.candidateCount, 20);
    EXPECT_EQ(group.items.front(), "!");
    EXPECT_EQ(group.items.back(), "[");
    EXPECT_EQ(group.itemIndex, 0);
    EXPECT_EQ(state.separator, "!");
}

struct ReadCase {
    const char* name;
    const char* content;
    int choice;  // radio item chosen by the user, -1 for the proposal
    bool multiple;
    Rows rows;
};

TEST_F(DelimitedReader, VulgridReadsTheWholeFileUnderTheFirstLine) {
    const ReadCase cases[] = {
        {"short and long lines",
         "Loc;MHW;MSW\r\n1;2;3\r\n4;5\r\n6;7;8;9\r\n",
         -1,
         false,
         {{"Loc", "MHW", "MSW"}, {"1", "2", "3"}, {"4", "5", ""}, {"6", "7", "8"}}},
        {"empty title ends the columns",
         "a;b;;c\r\n1;2;3;4\r\n",
         -1,
         false,
         {{"a", "b"}, {"1", "2"}}},
        {"trailing empty line",
         "Loc;MHW\r\n1;2\r\n\r\n",
         -1,
         false,
         {{"Loc", "MHW"}, {"1", "2"}, {"", ""}}},
        {"final line end only", "Loc;MHW\r\n1;2\r\n", -1, false, {{"Loc", "MHW"}, {"1", "2"}}},
        {"title line only", "Loc;MHW\r\n", -1, false, {{"Loc", "MHW"}, {"", ""}}},
        {"title line without line end", "Loc;MHW", -1, false, {{"Loc", "MHW"}, {"", ""}}},
        {"blank fields", "x;y;z\r\n ;  ;a\r\n", -1, false, {{"x", "y", "z"}, {"", "  ", "a"}}},
        {"runs kept", "a;b\r\n1;;2\r\n", -1, false, {{"a", "b"}, {"1", ""}}},
        {"runs collapsed", "a;;b\r\n;;1;;2\r\n", -1, true, {{"a", "b"}, {"", "1"}}},
        {"blank runs collapsed",
         "Loc  MHW   MSW\r\n1 2  3\r\n",
         -1,
         true,
         {{"Loc", "MHW", "MSW"}, {"1", "2", "3"}}},
        {"tab", "Loc\tMHW\r\nP\t1,5\r\n", -1, false, {{"Loc", "MHW"}, {"P", "1,5"}}},
        {"user's choice over the proposal",
         "Loc,Stratum;MHW,sdMHW\r\na,b;c,d\r\n",
         1,
         false,
         {{"Loc,Stratum", "MHW,sdMHW"}, {"a,b", "c,d"}}},
        {"no candidate: one column", "LocMHW\r\nabc;d\r\n", -1, false, {{"LocMHW"}, {"abc;d"}}},
        {"empty first title keeps one column", ";Loc;MHW\r\n1;2;3\r\n", -1, false, {{""}, {"1"}}},
        {"CR line ends", "a;b\r1;2\r", -1, false, {{"a", "b"}, {"1", "2"}}},
        {"LF line ends", "a;b\n1;2\n", -1, false, {{"a", "b"}, {"1", "2"}}},
        {"byte-order mark",
         "\xEF\xBB\xBFLoc;MHW\r\n1;2\r\n",
         -1,
         false,
         {{"Loc", "MHW"}, {"1", "2"}}},
        {"UTF-8", "Plaats;Höhe\r\nBréda;1\r\n", -1, false, {{"Plaats", "Höhe"}, {"Bréda", "1"}}},
        {"Windows-1252",
         "Plaats;Hoogte\r\nBr\xE9"
         "da;\x80"
         "5\r\n",
         -1,
         false,
         {{"Plaats", "Hoogte"}, {"Bréda", "€5"}}},
    };
    for (const ReadCase& c : cases) {
        WriteBytes("in.csv", c.content);
        RadioGroup group;
        CheckBox multiple;
        multiple.checked = c.multiple;
        ReaderState state;
        TableGrid grid;
        DetectSeparator("in.csv", group, state);
        if (c.choice >= 0) group.itemIndex = c.choice;
        FillGrid("in.csv", group, multiple, state, grid);
        EXPECT_EQ(RowsOf(grid), c.rows) << c.name;
        EXPECT_EQ(grid.fixedRows, 1) << c.name;
        EXPECT_TRUE(grid.visible && grid.enabled) << c.name;
    }
}

TEST_F(DelimitedReader, AFileThatCannotBeReadLeavesTheGrid) {
    TableGrid grid = test::GridOfRows({{"kept"}, {"1"}});
    RadioGroup group;
    ReaderState state;
    EXPECT_THROW(FillGrid("absent.csv", group, CheckBox{}, state, grid), std::exception);
    EXPECT_EQ(RowsOf(grid), (Rows{{"kept"}, {"1"}}));
}

}  // namespace
}  // namespace tarnovel
