#include "tables/table_checks.h"

#include <gtest/gtest.h>

#include "support.h"

namespace tarnovel {
namespace {

using test::GridOfRows;
using Texts = std::vector<std::string>;

// A one-column table titled "MHW" holding the cells, checked.
Texts CheckedColumn(const Texts& cells) {
    std::vector<std::vector<std::string>> rows = {{"MHW"}};
    for (const std::string& cell : cells)
        rows.push_back({cell});
    return CheckNumberColumns(GridOfRows(rows), {{0, "MHW"}}, kPiezometerCommaItem);
}

TEST(TableChecks, CellsReadAsTheJobReaderReadsThem) {
    const std::string longest = "1." + std::string(62, '0');
    const std::string widest = std::string(64, '9');
    const struct {
        std::string cell;
        bool number;
    } cases[] = {
        {"  12.5   ", true}, {"-0", true},       {"5.", true},     {"1e-400", true},
        {longest, true},     {"", false},        {"   ", false},   {longest + "0", false},
        {"72,4", false},     {"1e400", false},   {"nan", false},   {".5", false},
        {"1 2", false},      {"missing", false}, {widest, true},   {"-" + widest, false},
        {"+7", true},        {"1E308", true},    {"1E309", false}, {"-1e-5000", true},
    };
    for (const auto& c : cases) {
        double value = 0;
        EXPECT_EQ(ReadCellNumber(c.cell, value), c.number) << '"' << c.cell << '"';
        EXPECT_EQ(IsReadableNumber(c.cell), c.number) << '"' << c.cell << '"';
    }
}

TEST(TableChecks, MissingCodesAreWholeNumbersOfNinesOnly) {
    const struct {
        double value;
        bool code;
    } cases[] = {{-99, true},  {99, false},   {-999, true},     {999, true},
                 {9999, true}, {-9999, true}, {-9999.5, false}, {9998, false},
                 {-9, false},  {-98, false},  {99999, true},    {0, false}};
    for (const auto& c : cases)
        EXPECT_EQ(LooksLikeMissingCode(c.value), c.code) << c.value;

    EXPECT_EQ(CheckedColumn({"40", "-9999.0", "55", "-9999.0", "-9999"}),
              (Texts{"Warning: column \"MHW\" holds -9999.0 in 2 cells, which looks like a "
                     "missing-data code; if it means \"missing\", type it in the box code "
                     "\"missing data\"= of the data window and press \"apply\".",
                     "Warning: column \"MHW\" holds -9999 in 1 cell, which looks like a "
                     "missing-data code; if it means \"missing\", type it in the box code "
                     "\"missing data\"= of the data window and press \"apply\"."}));
}

// The spread is the largest of the deviation, half the median and 1; a value
// exactly ten spreads away is not yet far outside.
TEST(TableChecks, FarOutsideIsMoreThanTenSpreadsFromTheMedian) {
    const struct {
        const char* what;
        Texts cells;
        bool flagged;
    } cases[] = {
        {"deviation 2, at 20", {"-4", "-2", "0", "0", "2", "4", "20"}, false},
        {"deviation 2, beyond 20", {"-4", "-2", "0", "0", "2", "4", "20.5"}, true},
        {"deviation 2, beyond -20", {"-4", "-2", "0", "0", "2", "4", "-20.5"}, true},
        {"half the median 50, at 600", {"96", "98", "100", "100", "102", "104", "600"}, false},
        {"half the median 50, beyond", {"96", "98", "100", "100", "102", "104", "600.5"}, true},
        {"floor 1, at 10", {"0", "0", "0", "0", "0", "0", "10"}, false},
        {"floor 1, beyond 10", {"0", "0", "0", "0", "0", "0", "10.5"}, true},
        // Even count, unsorted: median (0 + 2) / 2 = 1, deviation (3 + 5) / 2 = 4.
        {"even count, at 41", {"41", "4", "-6", "0", "6", "-2", "2", "-4"}, false},
        {"even count, beyond 41", {"41.5", "4", "-6", "0", "6", "-2", "2", "-4"}, true},
        {"four numbers tell nothing", {"0", "0", "0", "500"}, false},
        {"five numbers do", {"0", "0", "0", "0", "500"}, true},
        {"text and missing are left out", {"0", "0", "0", "missing", ">150", "500"}, false},
    };
    for (const auto& c : cases) {
        const Texts found = CheckedColumn(c.cells);
        EXPECT_EQ(found.size(), c.flagged ? 1u : 0u) << c.what;
        if (c.flagged && !found.empty()) {
            EXPECT_NE(found[0].find("far outside the other values of the column"),
                      std::string::npos)
                << c.what;
        }
    }
}

TEST(TableChecks, DecimalCommasAreCountedPerColumn) {
    EXPECT_TRUE(HasDecimalComma(" 72,4 "));
    EXPECT_FALSE(HasDecimalComma("72.4"));
    EXPECT_FALSE(HasDecimalComma("1,2,3"));
    EXPECT_FALSE(HasDecimalComma(",5"));
    EXPECT_FALSE(HasDecimalComma("a,b"));
    EXPECT_EQ(CheckedColumn({"72,4", "66.5", "-0,5", "dry"}),
              Texts{"Warning: column \"MHW\" holds numbers written with a decimal comma (2 "
                    "cells, such as \"72,4\"), which cannot be read as numbers; convert them with "
                    "\"Convert comma's (,) to decimal dot (.)\" in the menu of the data window's "
                    "table (right mouse button)."});
    // Ordinary water tables give no warning at all.
    EXPECT_TRUE(CheckedColumn({"40", "55.5", "-12", "130", "99", "0", "missing"}).empty());
}

TEST(TableChecks, CodesTurnedIntoMissingAreCountedPerCode) {
    const std::vector<CodeConversion> conversions = {
        {"-9999", kMissing, "MHW", 2},  {"?", kMissing, "Meas1", 1},
        {"-9999", kMissing, "MLW", 3},  {">150", ">150", "Meas2", 4},
        {"66,5", kMissing, "Meas1", 1}, {"?", kMissing, "Meas2", 1},
        {"1,5", kMissing, "Meas1", 2},  {kMissing, kMissing, "Meas2", 3}};
    EXPECT_EQ(CheckCodeConversions(conversions, kFieldCommaItem),
              (Texts{"Warning: the code \"-9999\" was turned into \"missing\" in 5 cells.",
                     "Warning: the code \"?\" was turned into \"missing\" in 2 cells.",
                     "Warning: column \"Meas1\" held numbers written with a decimal comma (3 "
                     "cells, such as \"66,5\"), which were turned into \"missing\"; convert them "
                     "with \"Convert each comma (,) to a decimal dot (.)\" in the menu of the data "
                     "window's table (right mouse button)."}));
}

TEST(TableChecks, FieldDatesWithoutARegressionCountTheirLocations) {
    const TableGrid grid = GridOfRows({{"Date1", "Meas1", "Date2"},
                                       {"15/02/2022", "60", "20-09-2022"},
                                       {"15/02/2022", "70", "15/02/2022"},
                                       {" 15-02-2022 ", "80", ""},
                                       {"15-02 -2022", "80", "x"}});
    const Texts runDates = {"15-02-2022", "20-09-2022"};
    EXPECT_EQ(CheckFieldDates(grid, {0, 2}, runDates),
              (Texts{"Warning: the field date \"15/02/2022\" is not a date title of the "
                     "regression run (15-02-2022, 20-09-2022); 2 locations cannot use a model on "
                     "that date.",
                     "Warning: the field date \"x\" is not a date title of the regression run "
                     "(15-02-2022, 20-09-2022); 1 location cannot use a model on that date."}));
    EXPECT_TRUE(CheckFieldDates(grid, {0, 2}, {}).empty());
    EXPECT_TRUE(CheckFieldDates(grid, {-1, -1}, runDates).empty());
}

TEST(TableChecks, TablesWithoutDataAreNamed) {
    EXPECT_EQ(ContentOf(GridOfRows({{""}, {""}})), TableContent::kEmpty);
    EXPECT_EQ(ContentOf(GridOfRows({{"Loc", "MHW"}, {"", " "}})), TableContent::kTitlesOnly);
    EXPECT_EQ(ContentOf(GridOfRows({{"Loc", "MHW"}, {"", ""}, {"", "40"}})), TableContent::kData);
    EXPECT_EQ(NoDataMessage(TableContent::kEmpty, "field table", "/survey/field.csv"),
              "The field table field.csv holds no data: it is empty.");
    EXPECT_EQ(NoDataMessage(TableContent::kTitlesOnly, "piezometer table", "in.csv"),
              "The piezometer table in.csv holds no data: it has a title line only.");
    EXPECT_EQ(NoDataMessage(TableContent::kData, "piezometer table", "in.csv"), "");
}

TEST(TableChecks, UnreadableCellsAreNamedByLineOrRow) {
    EXPECT_EQ(CellPlace("/survey/in.csv", true, 3, "15-02-2022"),
              "in.csv, line 4, column \"15-02-2022\"");
    EXPECT_EQ(CellPlace("/survey/in.csv", false, 3, "MHW"),
              "the piezometer table, row 3, column \"MHW\"");
    EXPECT_EQ(CellPlace("", true, 3, "MHW"), "the piezometer table, row 3, column \"MHW\"");
    EXPECT_EQ(NotANumberReason("72,4           "),
              "\"72,4\" is not a number (decimal comma? use 'Convert comma's (,) to decimal dot "
              "(.)')");
    EXPECT_EQ(NotANumberReason("               "), "\"\" is not a number (an empty cell)");
    EXPECT_EQ(NotANumberReason(std::string(64, '7') + "x"),
              "\"" + std::string(64, '7') + "...\" is not a number");
    EXPECT_EQ(NotANumberReason(std::string(64, '7')),
              "\"" + std::string(64, '7') + "\" is not a number");
}

}  // namespace
}  // namespace tarnovel
