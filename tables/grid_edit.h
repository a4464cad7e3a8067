#pragma once
// The repairs a user makes to a data window's table before handing it over:
// records and columns added and removed, decimal commas, a missing-data code,
// and a copy of the table saved for the user.

#include <string>
#include <string_view>
#include <vector>

#include "tables/table_grid.h"

namespace tarnovel {

// A record inserted at row irow (1 .. row count): "extrapiezo" in column 0,
// "missing" in the others; the rows from irow on move down.
void insertrow(TableGrid& grid, int irow);

// A column inserted at icol (0 .. column count), titled "data" followed by
// the window's raised added-column counter, "missing" in every record.
void insertcol(TableGrid& grid, int icol, int& addedColumnCounter);

// Removes record y; false, changing nothing, when y is not a record (the
// title row is never removed).
bool RemoveRecord(TableGrid& grid, int y);

// Removes column x; false, changing nothing, when there is no column x or it
// is the only one.
bool RemoveColumn(TableGrid& grid, int x);

// Every "," of every cell, titles included, becomes ".".
void ConvertCommas(TableGrid& grid);

// Every record cell equal to code (exactly, whole cell) becomes "missing";
// the titles are left. Returns the number of cells marked in each column.
std::vector<int> MarkMissing(TableGrid& grid, std::string_view code);

// Writes the grid to a file: one line per row, every cell followed by the
// separator. Throws IoError.
void SaveGrid(const TableGrid& grid, std::string_view separator, const std::string& fileName);

}  // namespace tarnovel
