#pragma once
// The reading stage and the grid edits, alike in both data windows. Only the
// two windows' sources include this; Form is TfrmBUISDATA or TfrmMEETDATA,
// whose shared controls carry the same names.

#include <string>

#include "controls/platform.h"
#include "tables/data_window.h"
#include "tables/delimited_reader.h"
#include "tables/grid_edit.h"
#include "tables/handoff.h"
#include "tables/table_grid.h"

namespace tarnovel::data_window {

// The controls and texts in which the two windows differ.
struct Parts {
    OpenDialog& dialog;
    TableGrid& grid;
    Label& source;
    Button& ready;
    const char* readingHint;   // of "OK, start reading"
    const char* sourcePrefix;  // before the path in the source label
    const char* saveFile;
};

inline constexpr const char* kStartReading = "OK, start reading";

// Window start up to the window's own settings.
template <class Form>
void ResetState(Form& f, const Parts& p) {
    f.closed = false;
    f.reader.headerRowCount = 1;
    f.addedColumnCounter = 0;
    f.aborted = false;
    p.grid.visible = false;
    p.source.visible = false;
    p.grid.enabled = false;
    p.grid.fixedRows = f.reader.headerRowCount;
    f.rdgrpSEP.itemIndex = -1;
    f.rdgrpSEP.items.clear();
    f.edtMIS.text = "-9999";
    f.recordsAdded = false;
    f.recordsRemoved = false;
    f.columnsAdded = false;
    f.columnsRemoved = false;
    f.conversions.clear();
    f.content = TableContent::kData;
}

template <class Form>
void EnterAbortState(Form& f, const Parts& p) {
    f.aborted = true;
    f.rdgrpSEP.visible = false;
    f.chckbxMultiple.visible = false;
    p.ready.visible = false;
    f.btbttnOKLEES.visible = true;
    f.btbttnOKLEES.caption = "No input; abort";
    f.btbttnOKLEES.hint = "No input file; press button to start again";
}

template <class Form>
void ShowReadingButton(Form& f, const Parts& p) {
    f.btbttnOKLEES.visible = true;
    f.btbttnOKLEES.caption = kStartReading;
    f.btbttnOKLEES.hint = p.readingHint;
}

// A file that cannot be read leaves the window in its abort state, the only
// state from which the user can leave it.
template <class Form>
void ChooseFile(Form& f, const Parts& p, Platform& platform) {
    p.ready.enabled = false;
    p.dialog.fileName = platform.OpenFileDialog(p.dialog.title, p.dialog.filters);
    if (p.dialog.fileName.empty()) {
        EnterAbortState(f, p);
        return;
    }
    f.grpbxKOLOM.visible = false;
    f.rdgrpSEP.visible = true;
    f.chckbxMultiple.visible = true;
    try {
        DetectSeparator(p.dialog.fileName, f.rdgrpSEP, f.reader);
    } catch (...) {
        EnterAbortState(f, p);
        throw;
    }
}

// "OK, start reading" after a file was chosen: the file goes into the grid
// and the window moves on to its roles.
template <class Form>
void ReadChosenFile(Form& f, const Parts& p) {
    try {
        FillGrid(p.dialog.fileName, f.rdgrpSEP, f.chckbxMultiple, f.reader, p.grid);
    } catch (...) {
        EnterAbortState(f, p);
        throw;
    }
    p.source.caption = std::string(p.sourcePrefix) + p.dialog.fileName;
    p.source.visible = true;
    f.rdgrpSEP.visible = false;
    f.chckbxMultiple.visible = false;
    f.btbttnOKLEES.visible = false;
    f.grpbxKOLOM.visible = true;
    f.vulboxen();
}

template <class Form>
void ClearMarks(Form& f) {
    f.Omzettenvanelkekommanaardecimalepunt1.checked = false;
    f.Bewareninbestand1.checked = false;
}

template <class Form>
void AddRecord(Form& f, const Parts& p) {
    insertrow(p.grid, f.reader.headerRowCount);
    ClearMarks(f);
    f.recordsAdded = true;
}

template <class Form>
void RemoveRecordUnderCursor(Form& f, const Parts& p) {
    if (!RemoveRecord(p.grid, p.grid.row)) return;
    ClearMarks(f);
    f.recordsRemoved = true;
}

template <class Form>
void AddColumn(Form& f, const Parts& p) {
    insertcol(p.grid, p.grid.colCount, f.addedColumnCounter);
    ClearMarks(f);
    f.columnsAdded = true;
    f.vulboxen();
}

template <class Form>
void RemoveColumnUnderCursor(Form& f, const Parts& p) {
    if (!RemoveColumn(p.grid, p.grid.col)) return;
    ClearMarks(f);
    f.columnsRemoved = true;
    f.vulboxen();
}

template <class Form>
void ConvertGridCommas(Form& f, const Parts& p) {
    ConvertCommas(p.grid);
    f.Omzettenvanelkekommanaardecimalepunt1.checked = true;
    f.Bewareninbestand1.checked = false;
}

// A table read without any separator has none of its own; its copy still
// needs one between the cells of added columns.
template <class Form>
void Save(Form& f, const Parts& p, Platform& platform) {
    const std::string separator = f.reader.separator.empty() ? ";" : f.reader.separator;
    SaveGrid(p.grid, separator, p.saveFile);
    platform.ShowMessage(std::string("Current data set written to <") + p.saveFile + ">");
    f.Bewareninbestand1.checked = true;
}

// The cells marked are kept per column: the main window tells the user
// which codes became "missing" and how often.
template <class Form>
void MarkMissingCode(Form& f, const Parts& p) {
    const std::vector<int> marked = MarkMissing(p.grid, f.edtMIS.text);
    for (std::size_t c = 0; c < marked.size(); ++c)
        if (marked[c] > 0)
            f.conversions.push_back(
                {f.edtMIS.text, kMissing, Title(p.grid, static_cast<int>(c)), marked[c]});
    f.edtMIS.text.clear();
}

template <class Form>
void GridKeyDown(Form& f) {
    ClearMarks(f);
    f.vulboxen();
}

}  // namespace tarnovel::data_window
