#include "tables/grid_edit.h"

#include <gtest/gtest.h>

#include "common/io_error.h"
#include "support.h"
#include "tables/table_checks.h"
#include "tables/table_grid.h"

namespace tarnovel {
namespace {

using test::GridOfRows;
using test::RowsOf;
using Rows = std::vector<std::vector<std::string>>;

TableGrid ThreeByThree() {
    return GridOfRows({{"Loc", "MHW", "meas1"}, {"P1", "1.1", "0.5"}, {"P2", "1.2", "0.6"}});
}

TEST(TableText, HoldsEveryCellAsTheGridDoesAndFindsTheRightMostTitle) {
    const TableGrid grid = GridOfRows({{"Loc", "MHW", "MHW", ""},
                                       {"P1", "    64.153", "a text too long to sit in a cell", ""},
                                       {"", "missing", "   ", "15-02-2022     "}});
    const TableText text(grid);
    ASSERT_EQ(text.colCount, 4);
    ASSERT_EQ(text.rowCount, 3);
    for (int c = 0; c < grid.colCount; ++c)
        for (int r = 0; r < grid.rowCount; ++r)
            EXPECT_EQ(text.Cell(c, r), grid.Cell(c, r));
    EXPECT_EQ(FindColumn(text, "MHW"), 2);
    EXPECT_EQ(FindColumn(text, "Loc"), 0);
    EXPECT_EQ(FindColumn(text, "P1"), -1);  // a record, not a title
    EXPECT_EQ(FindColumn(TableText(TableGrid{}), ""), -1);

    // What a job asks of a cell is the answer of the cell's own test.
    const TableGrid cells = GridOfRows(
        {{"  12.5 ", "1e999", "1e300", "missing", "x missing y", "Missing", "12,5", ""}});
    const TableText asked(cells);
    for (int c = 0; c < cells.colCount; ++c) {
        EXPECT_EQ(asked.Readable(c, 0), IsReadableNumber(cells.Cell(c, 0))) << c;
        EXPECT_EQ(asked.HoldsMissing(c, 0), cells.Cell(c, 0).find("missing") != std::string::npos)
            << c;
    }
    EXPECT_TRUE(asked.Readable(0, 0));
    EXPECT_FALSE(asked.Readable(1, 0));
    EXPECT_TRUE(asked.HoldsMissing(4, 0));
    EXPECT_FALSE(asked.HoldsMissing(5, 0));

    // Rows whose cell contains a text, asked twice and for a second text.
    EXPECT_EQ(text.RowsContaining(1, "i"), (std::vector<unsigned char>{0, 0, 1}));
    EXPECT_EQ(text.RowsContaining(2, "i"), (std::vector<unsigned char>{0, 1, 0}));
    EXPECT_EQ(text.RowsContaining(1, "M"), (std::vector<unsigned char>{1, 0, 0}));
    EXPECT_EQ(text.RowsContaining(1, "i"), (std::vector<unsigned char>{0, 0, 1}));
    EXPECT_EQ(text.RowsContaining(1, ""), (std::vector<unsigned char>{1, 1, 1}));
}

TEST(GridEdit, InsertRowPutsANewRecordUnderTheTitles) {
    TableGrid grid = ThreeByThree();
    insertrow(grid, 1);
    EXPECT_EQ(RowsOf(grid), (Rows{{"Loc", "MHW", "meas1"},
                                  {"extrapiezo", "missing", "missing"},
                                  {"P1", "1.1", "0.5"},
                                  {"P2", "1.2", "0.6"}}));

    insertrow(grid, 4);  // after the last record
    EXPECT_EQ(RowsOf(grid).back(), (std::vector<std::string>{"extrapiezo", "missing", "missing"}));
    EXPECT_EQ(grid.rowCount, 5);
}

TEST(GridEdit, InsertRowIntoATitleOnlyGridFixesTheTitlesAgain) {
    TableGrid grid = GridOfRows({{"Loc", "MHW"}});
    grid.fixedRows = 0;
    insertrow(grid, 1);
    EXPECT_EQ(RowsOf(grid), (Rows{{"Loc", "MHW"}, {"extrapiezo", "missing"}}));
    EXPECT_EQ(grid.fixedRows, 1);
}

TEST(GridEdit, InsertColumnNumbersTheAddedTitles) {
    TableGrid grid = ThreeByThree();
    int counter = 0;
    insertcol(grid, grid.colCount, counter);
    insertcol(grid, 0, counter);
    EXPECT_EQ(counter, 2);
    EXPECT_EQ(RowsOf(grid), (Rows{{"data2", "Loc", "MHW", "meas1", "data1"},
                                  {"missing", "P1", "1.1", "0.5", "missing"},
                                  {"missing", "P2", "1.2", "0.6", "missing"}}));
    EXPECT_EQ(grid.colWidths.size(), 5u);
}

TEST(GridEdit, RemoveRecordMovesTheRestUp) {
    TableGrid grid = ThreeByThree();
    ASSERT_TRUE(RemoveRecord(grid, 1));
    EXPECT_EQ(RowsOf(grid), (Rows{{"Loc", "MHW", "meas1"}, {"P2", "1.2", "0.6"}}));

    grid.row = 1;
    ASSERT_TRUE(RemoveRecord(grid, 1));  // the last record: the titles stay
    EXPECT_EQ(RowsOf(grid), (Rows{{"Loc", "MHW", "meas1"}}));
    EXPECT_EQ(grid.row, 0);
    EXPECT_EQ(grid.fixedRows, 0);
}

TEST(GridEdit, RemoveRecordNeverRemovesTheTitlesOrAnAbsentRow) {
    for (int y : {0, -1, 3, 7}) {
        TableGrid grid = ThreeByThree();
        EXPECT_FALSE(RemoveRecord(grid, y)) << y;
        EXPECT_EQ(RowsOf(grid), RowsOf(ThreeByThree())) << y;
    }
}

TEST(GridEdit, RemoveColumnMovesTheRestLeft) {
    TableGrid grid = ThreeByThree();
    grid.col = 2;
    ASSERT_TRUE(RemoveColumn(grid, 2));  // right-most: the grid only gets shorter
    EXPECT_EQ(RowsOf(grid), (Rows{{"Loc", "MHW"}, {"P1", "1.1"}, {"P2", "1.2"}}));
    EXPECT_EQ(grid.col, 1);

    ASSERT_TRUE(RemoveColumn(grid, 0));
    EXPECT_EQ(RowsOf(grid), (Rows{{"MHW"}, {"1.1"}, {"1.2"}}));
    EXPECT_FALSE(RemoveColumn(grid, 0));  // the last column stays
    EXPECT_FALSE(RemoveColumn(grid, 1));
    EXPECT_EQ(grid.colCount, 1);
}

TEST(GridEdit, ConvertCommasEverywhere) {
    TableGrid grid = GridOfRows({{"depth,cm", "Loc"}, {"1,5", "a,b,c"}});
    ConvertCommas(grid);
    EXPECT_EQ(RowsOf(grid), (Rows{{"depth.cm", "Loc"}, {"1.5", "a.b.c"}}));
}

TEST(GridEdit, MarkMissingMatchesWholeRecordCellsOnly) {
    TableGrid grid =
        GridOfRows({{"-9999", "", "x"}, {"-9999", "-9999.0", " -9999"}, {"-9999 ", "", "-9999"}});
    MarkMissing(grid, "-9999");
    EXPECT_EQ(
        RowsOf(grid),
        (Rows{{"-9999", "", "x"}, {"missing", "-9999.0", " -9999"}, {"-9999 ", "", "missing"}}));
    MarkMissing(grid, "");  // an empty code marks the empty record cells
    EXPECT_EQ(RowsOf(grid), (Rows{{"-9999", "", "x"},
                                  {"missing", "-9999.0", " -9999"},
                                  {"-9999 ", "missing", "missing"}}));
}

class GridSave : public test::InTempDir {};

TEST_F(GridSave, EveryCellFollowedByTheSeparator) {
    SaveGrid(GridOfRows({{"Loc", "Höhe"}, {"P1", ""}}), ",", "buisgrid.csv");
    EXPECT_EQ(test::ReadBytes("buisgrid.csv"), "Loc,H\xC3\xB6he,\r\nP1,,\r\n");
    SaveGrid(GridOfRows({{"a"}}), "\t", "buisgrid.csv");
    EXPECT_EQ(test::ReadBytes("buisgrid.csv"), "a\t\r\n");
}

}  // namespace
}  // namespace tarnovel
