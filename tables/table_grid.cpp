#include "tables/table_grid.h"

#include <algorithm>
#include <utility>

#include "common/text.h"
#include "common/utf8.h"
#include "tables/table_checks.h"

namespace tarnovel {

void ClearGrid(TableGrid& grid, int cols, int rows) {
    grid.cells.assign(static_cast<std::size_t>(std::max(cols, 0)),
                      TextColumn(static_cast<std::size_t>(std::max(rows, 0))));
    grid.Resize(std::max(cols, 0), std::max(rows, 0));
    ClampCursor(grid);
}

TableGrid MakeGrid(std::vector<TextColumn> cells, int rows) {
    TableGrid grid;
    const int cols = static_cast<int>(cells.size());
    grid.cells = std::move(cells);
    grid.Resize(cols, rows);
    grid.fixedRows = rows > 1 ? 1 : 0;
    ClampCursor(grid);
    return grid;
}

std::string Title(const TableGrid& grid, int c) {
    if (c < 0 || c >= grid.colCount || grid.rowCount < 1) return {};
    return grid.Cell(c, 0);
}

namespace {

template <typename Table>
int RightMostTitle(const Table& table, std::string_view text) {
    if (table.rowCount < 1) return -1;
    for (int c = table.colCount - 1; c >= 0; --c)
        if (table.Cell(c, 0) == text) return c;
    return -1;
}

}  // namespace

int FindColumn(const TableGrid& grid, std::string_view text) {
    return RightMostTitle(grid, text);
}

std::vector<std::string> GridLines(const TableGrid& grid, std::string_view separator) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(grid.rowCount));
    for (int r = 0; r < grid.rowCount; ++r) {
        std::string line;
        for (int c = 0; c < grid.colCount; ++c) {
            grid.cells[static_cast<std::size_t>(c)].AppendTo(line, static_cast<std::size_t>(r));
            line += separator;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

TableText::TableText(const TableGrid& grid)
    : colCount(grid.colCount),
      rowCount(grid.rowCount),
      rows_(static_cast<std::size_t>(std::max(grid.rowCount, 0))) {
    const std::size_t cells = static_cast<std::size_t>(std::max(grid.colCount, 0)) * rows_;
    starts_.reserve(cells + 1);
    flags_.reserve(cells);
    numbers_.reserve(cells);
    for (int c = 0; c < grid.colCount; ++c)
        for (std::size_t r = 0; r < rows_; ++r) {
            const std::size_t start = text_.size();
            starts_.push_back(start);
            grid.cells[static_cast<std::size_t>(c)].AppendTo(text_, r);
            const std::string_view cell = std::string_view(text_).substr(start);
            // The job reader takes a readable cell's blanks for separators
            // and reads the rest as ReadCellNumber does.
            double number = 0;
            const bool readable = ReadCellNumber(cell, number);
            flags_.push_back(static_cast<unsigned char>(
                (readable ? kReadable : 0) | (Contains(cell, kMissing) ? kHoldsMissing : 0)));
            numbers_.push_back(readable ? number : 0);
        }
    starts_.push_back(text_.size());
}

const std::vector<unsigned char>& TableText::RowsContaining(int c, const std::string& text) const {
    const std::lock_guard<std::mutex> lock(containing_mutex_);
    auto [at, added] = containing_.try_emplace({c, text});
    if (added) {
        at->second.resize(rows_);
        for (std::size_t r = 0; r < rows_; ++r)
            at->second[r] = Contains(Cell(c, static_cast<int>(r)), text) ? 1 : 0;
    }
    return at->second;
}

int FindColumn(const TableText& table, std::string_view text) {
    return RightMostTitle(table, text);
}

void ClampCursor(TableGrid& grid) {
    grid.col = std::clamp(grid.col, 0, std::max(grid.colCount - 1, 0));
    const int firstRow = grid.rowCount > 1 ? 1 : 0;
    grid.row = std::clamp(grid.row, firstRow, std::max(grid.rowCount - 1, 0));
}

void PadRecordCells(TableGrid& grid, std::size_t width) {
    for (auto& column : grid.cells)
        column.PadEnd(1, width);
}

}  // namespace tarnovel
