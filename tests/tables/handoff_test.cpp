#include "tables/handoff.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/file_system.h"
#include "common/io_error.h"
#include "support.h"

namespace tarnovel {
namespace {

using test::GridOfRows;
using test::ReadBytes;
using test::RowsOf;
using test::WriteBytes;
using Rows = std::vector<std::vector<std::string>>;

struct FieldCase {
    const char* line;
    const char* separator;
    int nr;
    const char* field;
};

TEST(Leesveld, SplitsAsTheHandOffAndTheReaderNeed) {
    const FieldCase cases[] = {
        {"a;b;;c", ";", 1, "a"},
        {"a;b;;c", ";", 2, "b"},
        {"a;b;;c", ";", 3, ""},
        {"a;b;;c", ";", 4, "c"},
        {"a;b;;c", ";", 5, ""},
        {"a; ;c", ";", 2, ""},     // a single blank reads as empty
        {"a;  ;c", ";", 2, "  "},  // two blanks stay
        {" a ;c", ";", 1, " a "},  // no trimming otherwise
        {"a;b;", ";", 3, ""},      // after a trailing separator
        {"", ";", 1, ""},
        {"abc", ";", 1, "abc"},
        {"abc", ";", 2, ""},
        {"\"a;b\";c", ";", 1, "\"a"},  // quotes mean nothing
        {"\"a;b\";c", ";", 2, "b\""},
        {"a;b", "", 1, "a;b"},  // no separator: the whole line
        {"a;b", "", 2, ""},
        {"x│y│z", "│", 3, "z"},  // a separator of several bytes
        {"a;b", ";", 0, ""},
    };
    for (const FieldCase& c : cases)
        EXPECT_EQ(leesveld(c.nr, c.line, c.separator), c.field)
            << "line " << c.line << " field " << c.nr;
}

TEST(Leesveld, LeadingFieldCountStopsAtTheFirstEmptyField) {
    EXPECT_EQ(LeadingFieldCount("a;b;;c;", ";"), 2);
    EXPECT_EQ(LeadingFieldCount("a;b;c;", ";"), 3);
    EXPECT_EQ(LeadingFieldCount("a; ;c;", ";"), 1);
    EXPECT_EQ(LeadingFieldCount(";a", ";"), 0);
    EXPECT_EQ(LeadingFieldCount("", ";"), 0);
}

class HandoffFiles : public test::InTempDir {};

// Titles: two "MHW" columns, a lower-case "mlw", dates of which one occurs
// twice, an empty title and an sd title holding a hyphen.
TableGrid PiezometerGrid() {
    return GridOfRows({
        {"Loc", "MHW", "sdMHW", "MHW", "mlw", "14-04-2003", "01-02-2003", "01-02-2003", "",
         "sd-MLW"},
        {"P1", "1.10", "1e-3", "1.20", "x", "0.5", "0.6", "0.7", "e", "0.1"},
        {"P2", "1.30", "-9999", "1.40", "y", "0.8", "0.9", "1.0", "f", "-0.2"},
    });
}

TEST_F(HandoffFiles, PiezometerVariantFindsRolesAndCleansSdColumns) {
    TableGrid grid = PiezometerGrid();
    const RoleTexts texts = {"MHW", "sdMHW", "", "sdMSW", "MLW", "sd-MLW", ""};
    const RoleColumns columns = WritePiezometerHandoff(grid, texts, {"01-02-2003", "14-04-2003"});

    EXPECT_EQ(columns, (RoleColumns{3, 2, 8, -1, -1, 9, -1}));
    EXPECT_EQ(ReadBytes("temp.txt"),
              "3 MHW\r\n"  // the right-most of two
              "2 sdMHW\r\n"
              "8 \r\n"  // an empty text names the column without a title
              "-1 no SDMSW found\r\n"
              "-1 no MLW found\r\n"  // case-sensitive
              "9 sd-MLW\r\n"         // the title as it was before cleaning
              "-1 no STRATA found\r\n"
              "2 measurement dates\r\n"
              "6 01-02-2003\r\n"
              "7 01-02-2003\r\n"
              "5 14-04-2003\r\n");
    EXPECT_EQ(ReadBytes("temp.csv"),
              "Loc;MHW;sdMHW;MHW;mlw;14-04-2003;01-02-2003;01-02-2003;;missing;\r\n"
              "P1;1.10;missing;1.20;x;0.5;0.6;0.7;e;0.1;\r\n"
              "P2;1.30;missing;1.40;y;0.8;0.9;1.0;f;missing;\r\n");
    // The grid is cleaned too; the date titles outside sd columns are not.
    EXPECT_EQ(grid.Cell(2, 1), "missing");
    EXPECT_EQ(grid.Cell(9, 0), "missing");
    EXPECT_EQ(grid.Cell(5, 0), "14-04-2003");
}

TEST_F(HandoffFiles, PiezometerVariantWithStrataAndNoMeasurementColumns) {
    TableGrid grid = GridOfRows({{"Loc", "Stratum"}, {"P1", "sand"}});
    WritePiezometerHandoff(grid, {"", "", "", "", "", "", "Stratum"}, {});
    EXPECT_EQ(ReadBytes("temp.txt"),
              "-1 no MHW found\r\n-1 no SDMHW found\r\n-1 no MSW found\r\n-1 no SDMSW found\r\n"
              "-1 no MLW found\r\n-1 no SDMLW found\r\n1 Stratum\r\n0 measurement dates\r\n");
}

TEST_F(HandoffFiles, FieldVariantWritesSevenLinesAndTheTableUnchanged) {
    const TableGrid grid = GridOfRows({
        {"Loc", "Date1", "Meas1", "date2", "Höhe", ""},
        {"A", "13-03-2002", ">1.20", "x", "-1", ""},
        {"B", "13-03-2002", " ", "   0.125", "missing", ""},
    });
    const RoleColumns columns =
        WriteFieldHandoff(grid, {"Date1", "Date2", "", "Meas1", "Höhe", "Meas3", ""});

    EXPECT_EQ(columns, (RoleColumns{1, -1, 5, 2, 4, -1, -1}));
    EXPECT_EQ(ReadBytes("temp.csv"),
              "Loc;Date1;Meas1;date2;H\xC3\xB6he;;\r\n"
              "A;13-03-2002;>1.20;x;-1;;\r\n"
              "B;13-03-2002; ;   0.125;missing;;\r\n");
    EXPECT_EQ(ReadBytes("temp.txt"),
              "1 Date1\r\n-1 no Date2 found\r\n5 \r\n2 Meas1\r\n4 H\xC3\xB6he\r\n"
              "-1 no Meas3 found\r\n-1 no STRATA found\r\n");
}

TEST_F(HandoffFiles, CellsCannotSplitTheirRecord) {
    const TableGrid grid = GridOfRows({{"Loc", "Note"}, {"A", "dry; deep"}, {"B", "two\r\nlines"}});
    WriteFieldHandoff(grid, {});
    EXPECT_EQ(ReadBytes("temp.csv"), "Loc;Note;\r\nA;dry, deep;\r\nB;two  lines;\r\n");
    EXPECT_EQ(ReadHandoffTable().rowCount, 3);
}

TEST_F(HandoffFiles, AFailedHandOffLeavesNoFile) {
    TableGrid grid = GridOfRows({{"Loc", "MHW"}, {"P1", "1"}});
    std::filesystem::create_directory("temp.csv");
    EXPECT_THROW(WritePiezometerHandoff(grid, {}, {}), IoError);
    EXPECT_FALSE(FileExists("temp.txt"));

    std::filesystem::remove("temp.csv");
    std::filesystem::create_directory("temp.txt");
    EXPECT_THROW(WriteFieldHandoff(grid, {}), IoError);
    EXPECT_FALSE(FileExists("temp.csv"));
}

struct TableCase {
    const char* content;
    Rows rows;
};

TEST_F(HandoffFiles, TableReadsBackAsCounted) {
    const TableCase cases[] = {
        {"Loc;MHW;\r\n", {{"Loc", "MHW"}, {"", ""}}},  // title line only: two rows
        {"a;;c;\r\n1;2;3;\r\n", {{"a"}, {"1"}}},       // up to the first empty title
        {"a; ;c;\r\n1;2;3;\r\n", {{"a"}, {"1"}}},      // a single blank is empty
        {"a;b;\r\n1;\r\n\r\n", {{"a", "b"}, {"1", ""}, {"", ""}}},
        {"a;b;\n1;2;\n", {{"a", "b"}, {"1", "2"}}},
        {"", {{}, {}}},
    };
    for (const TableCase& c : cases) {
        WriteBytes("temp.csv", c.content);
        EXPECT_EQ(RowsOf(ReadHandoffTable()), c.rows) << c.content;
    }
}

TEST_F(HandoffFiles, WrittenTableReadsBackCellForCell) {
    TableGrid grid = GridOfRows({{"Loc", "Höhe", "MHW"}, {"A", "  ", "1.5"}, {"", "", ""}});
    WriteFieldHandoff(grid, {});
    EXPECT_EQ(RowsOf(ReadHandoffTable()), RowsOf(grid));
}

TEST(HandoffLine, SeparatorsAndLineBreaksInsideACellDoNotSplitIt) {
    const TableGrid grid = GridOfRows({{"a;b", "c\r\nd", "plain", "\n;"}});
    std::string line, scratch = "left over";
    HandoffTableLine(grid, 0, line, scratch);
    EXPECT_EQ(line, "a,b;c  d;plain; ,;");
}

TEST_F(HandoffFiles, RoleFilesReadBackTheirLeadingIntegers) {
    TableGrid grid = PiezometerGrid();
    WritePiezometerHandoff(grid, {"MHW", "sdMHW", "", "", "", "", ""},
                           {"01-02-2003", "14-04-2003"});
    const PiezometerRoleFile roles = ReadPiezometerRoleFile();
    EXPECT_EQ(roles.columns, (RoleColumns{3, 2, 8, 8, 8, 8, -1}));
    EXPECT_EQ(roles.dateCount, 2);
    // One entry matched two columns: its second line is read as the next date.
    EXPECT_EQ(roles.dateColumns, (std::vector<int>{6, 7}));

    WriteBytes("temp.txt", "1 a\r\n-1 no\r\n2\r\n  3 x\r\n4\r\n5\r\n6\r\n");
    EXPECT_EQ(ReadFieldRoleFile(), (RoleColumns{1, -1, 2, 3, 4, 5, 6}));
}

TEST_F(HandoffFiles, RoleFileWithoutItsNumbersIsAnError) {
    WriteBytes("temp.txt", "1 a\r\nno number\r\n2\r\n3\r\n4\r\n5\r\n6\r\n");
    EXPECT_THROW(ReadFieldRoleFile(), IoError);
    WriteBytes("temp.txt", "1\r\n2\r\n3\r\n");
    EXPECT_THROW(ReadFieldRoleFile(), IoError);
    WriteBytes("temp.txt", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n2 dates\r\n8 a\r\n");
    EXPECT_THROW(ReadPiezometerRoleFile(), IoError);
    WriteBytes("temp.txt", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n-1\r\n");
    EXPECT_TRUE(ReadPiezometerRoleFile().dateColumns.empty());
    std::filesystem::remove("temp.txt");
    EXPECT_THROW(ReadFieldRoleFile(), IoError);
}

}  // namespace
}  // namespace tarnovel
