#include "tables/grid_edit.h"

#include <algorithm>
#include <utility>

#include "common/text_file.h"
#include "tables/handoff.h"

namespace tarnovel {

void insertrow(TableGrid& grid, int irow) {
    irow = std::clamp(irow, 0, grid.rowCount);
    // The grid grows by an empty last row first, so that every column is as
    // long as the grid; that row then moves to its place.
    grid.Resize(grid.colCount, grid.rowCount + 1);
    for (auto& column : grid.cells) {
        column.erase(column.size() - 1);
        column.insert(static_cast<std::size_t>(irow), kMissing);
    }
    if (grid.colCount > 0) grid.SetCell(0, irow, "extrapiezo");
    if (grid.rowCount > 1) grid.fixedRows = 1;
    ClampCursor(grid);
}

void insertcol(TableGrid& grid, int icol, int& addedColumnCounter) {
    icol = std::clamp(icol, 0, grid.colCount);
    grid.cells.insert(grid.cells.begin() + icol,
                      TextColumn(static_cast<std::size_t>(grid.rowCount), kMissing));
    grid.colWidths.insert(
        grid.colWidths.begin() +
            std::min<std::ptrdiff_t>(icol, static_cast<std::ptrdiff_t>(grid.colWidths.size())),
        64);
    grid.Resize(grid.colCount + 1, grid.rowCount);
    ++addedColumnCounter;
    if (grid.rowCount > 0) grid.SetCell(icol, 0, "data" + std::to_string(addedColumnCounter));
    ClampCursor(grid);
}

bool RemoveRecord(TableGrid& grid, int y) {
    if (y < 1 || y >= grid.rowCount) return false;
    for (auto& column : grid.cells)
        column.erase(static_cast<std::size_t>(y));
    grid.Resize(grid.colCount, grid.rowCount - 1);
    if (grid.fixedRows >= grid.rowCount) grid.fixedRows = grid.rowCount - 1;
    ClampCursor(grid);
    return true;
}

bool RemoveColumn(TableGrid& grid, int x) {
    if (x < 0 || x >= grid.colCount || grid.colCount <= 1) return false;
    grid.cells.erase(grid.cells.begin() + x);
    if (static_cast<std::size_t>(x) < grid.colWidths.size())
        grid.colWidths.erase(grid.colWidths.begin() + x);
    grid.Resize(grid.colCount - 1, grid.rowCount);
    ClampCursor(grid);
    return true;
}

void ConvertCommas(TableGrid& grid) {
    std::string cell;
    for (auto& column : grid.cells)
        for (std::size_t r = 0; r < column.size(); ++r) {
            cell = column[r];
            if (cell.find(',') == std::string::npos) continue;
            std::replace(cell.begin(), cell.end(), ',', '.');
            column.Set(r, cell);
        }
}

std::vector<int> MarkMissing(TableGrid& grid, std::string_view code) {
    std::vector<int> marked;
    marked.reserve(grid.cells.size());
    for (auto& column : grid.cells) {
        int count = 0;
        for (std::size_t r = 1; r < column.size(); ++r)
            if (column[r] == code) {
                column.Set(r, kMissing);
                ++count;
            }
        marked.push_back(count);
    }
    return marked;
}

void SaveGrid(const TableGrid& grid, std::string_view separator, const std::string& fileName) {
    WriteTextFile(fileName, GridLines(grid, separator));
}

}  // namespace tarnovel
