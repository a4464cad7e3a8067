#pragma once
// The table grid: text cells addressed (column, row), both 0-based, row 0
// holding the column titles and rows 1 .. n-1 the records. The grid control
// of a window is the table itself, so the data windows, the hand-off files
// and the main window's tables all work on one type.

#include <string>
#include <string_view>
#include <vector>

#include "controls/controls.h"

namespace tarnovel {

using TableGrid = StringGrid;

// A grid of cols x rows empty cells; fixed rows and cursor are kept.
void ClearGrid(TableGrid& grid, int cols, int rows);

// The grid built from cells[col][row]; every column must hold `rows` cells.
// The title row is fixed when there are records.
TableGrid MakeGrid(std::vector<std::vector<std::string>> cells, int rows);

// The text of row 0 of column c, empty when there is no such column.
std::string Title(const TableGrid& grid, int c);

// The right-most column whose title equals text exactly (case-sensitive),
// -1 when none does.
int FindColumn(const TableGrid& grid, std::string_view text);

// The rows of the grid as lines: every cell followed by separator.
std::vector<std::string> GridLines(const TableGrid& grid, std::string_view separator);

// Pads every cell below the title row with blanks to `width` code points;
// longer cells stay as they are.
void PadRecordCells(TableGrid& grid, std::size_t width);

// Keeps the cursor on an existing cell (on the first data row when there is
// one) after the grid changed shape.
void ClampCursor(TableGrid& grid);

}  // namespace tarnovel
