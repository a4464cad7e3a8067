#pragma once
// The table grid: text cells addressed (column, row), both 0-based, row 0
// holding the column titles and rows 1 .. n-1 the records. The grid control
// of a window is the table itself, so the data windows, the hand-off files
// and the main window's tables all work on one type.

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controls/controls.h"

namespace tarnovel {

using TableGrid = StringGrid;

// A grid of cols x rows empty cells; fixed rows and cursor are kept.
void ClearGrid(TableGrid& grid, int cols, int rows);

// The grid built from cells[col][row]; every column must hold `rows` cells.
// The title row is fixed when there are records.
TableGrid MakeGrid(std::vector<TextColumn> cells, int rows);

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

// A grid's cells decoded once into one text, with what a regression job
// asks of each, for work that reads the same cells again and again: a
// regression run reads the table once per job.
class TableText {
  public:
    explicit TableText(const TableGrid& grid);
    std::string_view Cell(int c, int r) const {
        const std::size_t i = Index(c, r);
        return std::string_view(text_).substr(starts_[i], starts_[i + 1] - starts_[i]);
    }
    // The job reader reads the cell as a number (IsReadableNumber).
    bool Readable(int c, int r) const { return (flags_[Index(c, r)] & kReadable) != 0; }
    // The cell holds "missing" somewhere.
    bool HoldsMissing(int c, int r) const { return (flags_[Index(c, r)] & kHoldsMissing) != 0; }
    // The number the job reader reads from a Readable cell (0 for others).
    double Number(int c, int r) const { return numbers_[Index(c, r)]; }
    // Per row, whether the cell of column c contains text (1) or not (0).
    // Worked out once for each column and text, on any thread: a run asks
    // it again for every job of a stratum.
    const std::vector<unsigned char>& RowsContaining(int c, const std::string& text) const;
    int colCount = 0;
    int rowCount = 0;

  private:
    static constexpr unsigned char kReadable = 1;
    static constexpr unsigned char kHoldsMissing = 2;
    std::size_t Index(int c, int r) const {
        return static_cast<std::size_t>(c) * rows_ + static_cast<std::size_t>(r);
    }
    std::size_t rows_ = 0;
    std::string text_;
    std::vector<std::size_t> starts_;  // of cell c * rows + r, and the end
    std::vector<unsigned char> flags_;
    std::vector<double> numbers_;
    mutable std::mutex containing_mutex_;
    mutable std::map<std::pair<int, std::string>, std::vector<unsigned char>> containing_;
};

// The right-most column whose title equals text exactly, -1 when none does.
int FindColumn(const TableText& table, std::string_view text);

// Keeps the cursor on an existing cell (on the first data row when there is
// one) after the grid changed shape.
void ClampCursor(TableGrid& grid);

}  // namespace tarnovel
