#pragma once
// Checks of a table the main window takes over from a data window. A table
// that looks fine but holds a missing-data code, a decimal comma or a date
// the regressions do not know gives results that are wrong without a word;
// these checks find such cells before the work uses them. Each finding is
// one line "Warning: ...", for the log and for one message box per step; a
// table without anything suspicious gives none.
//
// The rules, as the user's documentation states them:
// - A cell is read as a number the way the regression's job reader reads
//   it: without the blanks around it, at most 64 characters, a number
//   within the range of a double (IsNumber, ParseNumber).
// - It looks like a missing-data code when its value is a whole number made
//   of nines only: -99, -999, -9999, ... or 999, 9999, ... (99 itself is an
//   ordinary depth).
// - It lies far outside its column when the column holds at least
//   kOutlierMinimumCount numbers and the value lies more than
//   kOutlierFactor spreads from their median. The spread is the largest of
//   their median absolute deviation from the median, kOutlierMedianShare of
//   the median's size and kOutlierSpreadFloor: the deviation alone is small
//   in a column of nearly equal values, and in a few values of two strata
//   far apart.
// - It has a decimal comma when it is no number as it stands but is one
//   with every "," read as ".".

#include <string>
#include <string_view>
#include <vector>

#include "tables/handoff.h"
#include "tables/table_grid.h"

namespace tarnovel {

inline constexpr int kOutlierMinimumCount = 5;
inline constexpr double kOutlierFactor = 10.0;
inline constexpr double kOutlierMedianShare = 0.5;
inline constexpr double kOutlierSpreadFloor = 1.0;

// The captions of the data windows' menu items that convert decimal commas.
inline constexpr const char* kPiezometerCommaItem = "Convert comma's (,) to decimal dot (.)";
inline constexpr const char* kFieldCommaItem = "Convert each comma (,) to a decimal dot (.)";

// A column the work reads as numbers, with the title the user gave it (the
// main window retitles its role columns).
struct NumberColumn {
    int column = -1;
    std::string title;
};

// The cell without the blanks before and after it.
std::string_view TrimBlanks(std::string_view cell);

// True, with its value, when the cell reads as a number (see above).
bool ReadCellNumber(std::string_view cell, double& value);
// Whether ReadCellNumber would read the cell, without reading its value
// where the syntax alone tells.
bool IsReadableNumber(std::string_view cell);
bool LooksLikeMissingCode(double value);
bool HasDecimalComma(std::string_view cell);

// What a data window's table holds: every cell empty, titles without a
// record that holds anything, or data.
TableContent ContentOf(const TableGrid& grid);

// "The piezometer table in.csv holds no data: it is empty." and the like;
// empty for a table with data. `table` names the table ("piezometer table"),
// `fileName` its file (a path; only its name is shown).
std::string NoDataMessage(TableContent content, std::string_view table, std::string_view fileName);

// The name of a file without its folder.
std::string BaseName(std::string_view path);

// Missing-code lookalikes, far outliers and decimal commas in the columns,
// in column order. `commaItem` is the menu item that converts the commas.
std::vector<std::string> CheckNumberColumns(const TableGrid& grid,
                                            const std::vector<NumberColumn>& columns,
                                            std::string_view commaItem);

// The codes turned into "missing" (other than "missing" itself), each with
// the cells it stood in; a code that is a number with a decimal comma is
// reported per column as such.
std::vector<std::string> CheckCodeConversions(const std::vector<CodeConversion>& conversions,
                                              std::string_view commaItem);

// Both of the above for the piezometer table and for the field table.
std::vector<std::string> CheckPiezometerTable(const TableGrid& grid,
                                              const std::vector<NumberColumn>& columns,
                                              const DataWindowReport& report);
std::vector<std::string> CheckFieldTable(const TableGrid& grid,
                                         const std::vector<NumberColumn>& columns,
                                         const DataWindowReport& report);

// Field dates (the cells of dateColumns, without blanks) that are not among
// runDates, the date titles of the regression run: each with the number of
// locations that cannot use a model on it. No finding without run dates.
std::vector<std::string> CheckFieldDates(const TableGrid& grid, const std::vector<int>& dateColumns,
                                         const std::vector<std::string>& runDates);

// Where a cell of the table lies, for a message: "in.csv, line 7, column
// "d1"" while grid row r is still line r + 1 of the file, otherwise "the
// piezometer table, row 6, column "d1"" (row 1 the first record).
std::string CellPlace(std::string_view fileName, bool rowsAreLines, int row,
                      std::string_view title);

// Why a cell is no number: ""72,4" is not a number (decimal comma? ...)".
std::string NotANumberReason(std::string_view cell);

}  // namespace tarnovel
