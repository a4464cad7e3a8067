#pragma once
// The state of a window's controls as plain data. Form models own these and
// their handlers change them; a view shows them and forwards user actions.
// Nothing here knows any toolkit.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_column.h"

namespace tarnovel {

struct Control {
    bool enabled = true;
    bool visible = true;
    std::string hint;
    int helpContext = 0;  // 0: none, F1 goes to the enclosing control
};

struct Button : Control {
    std::string caption;
};

struct Label : Control {
    std::string caption;
};

struct CheckBox : Control {
    std::string caption;
    bool checked = false;
};

struct RadioButton : Control {
    std::string caption;
    bool checked = false;
};

struct RadioGroup : Control {
    std::string caption;
    std::vector<std::string> items;
    int itemIndex = -1;
};

struct ComboBox : Control {
    std::vector<std::string> items;
    std::string text;
    bool editable = false;
    // Index of text among the items, -1 when it is none of them.
    int ItemIndex() const {
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i] == text) return static_cast<int>(i);
        return -1;
    }
};

struct ListBox : Control {
    std::vector<std::string> items;
    int selected = -1;    // the focused item; the selected one unless multiSelect
    bool sorted = false;  // kept in ascending order ignoring case
    bool multiSelect = false;
    std::vector<int> selection;  // with multiSelect: the selected items

    bool IsSelected(int i) const {
        if (!multiSelect) return i >= 0 && i == selected;
        for (int s : selection)
            if (s == i) return true;
        return false;
    }
};

struct Edit : Control {
    std::string text;
};

struct Memo : Control {
    std::vector<std::string> lines;
};

struct GroupBox : Control {
    std::string caption;
    bool greyText = false;
};

struct Gauge : Control {
    int position = 0;  // 0..100
};

struct StatusBar : Control {
    std::string text;
};

struct TabControl : Control {
    std::vector<std::string> tabs;
    int tabIndex = 0;
};

// A grid of text cells addressed (column, row), both 0-based.
struct StringGrid : Control {
    int colCount = 0;
    int rowCount = 0;
    int fixedRows = 0;
    int fixedCols = 0;
    int col = 0;  // current cell
    int row = 0;
    std::vector<int> colWidths;
    std::vector<TextColumn> cells;  // cells[col][row]

    // Keeps what fits; new cells are empty.
    void Resize(int cols, int rows) {
        colCount = cols;
        rowCount = rows;
        cells.resize(static_cast<std::size_t>(cols));
        for (auto& column : cells)
            column.resize(static_cast<std::size_t>(rows));
        colWidths.resize(static_cast<std::size_t>(cols), 64);
    }
    // A copy of the cell's text; const, so that assigning to it is an error
    // rather than a change that is lost. SetCell changes a cell.
    const std::string Cell(int c, int r) const { return cells[c][r]; }
    // The cell's text without a copy where it can: a view into the grid
    // (valid until the column next changes) or into scratch.
    std::string_view CellView(int c, int r, std::string& scratch) const {
        return cells[c].View(r, scratch);
    }
    void SetCell(int c, int r, std::string_view text) { cells[c].Set(r, text); }
};

// A raster picture: width x height pixels of 0xRRGGBB.
struct Image : Control {
    int width = 0;
    int height = 0;
    std::vector<unsigned> pixels;
};

// Lets one generic binder reach every control of a form model by its name.
struct ControlVisitor {
    virtual ~ControlVisitor() = default;
    virtual void Visit(std::string_view name, Control& c) = 0;
};

}  // namespace tarnovel
