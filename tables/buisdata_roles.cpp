// The role stage of the piezometer window: role boxes, title lists, sd
// conversions and "Ready!".

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

#include "common/number_format.h"
#include "common/utf8.h"
#include "tables/buisdata_form.h"
#include "tables/table_checks.h"

namespace tarnovel {

namespace {

// The lower-case letter of c for the scripts that titles are written in
// (Latin, Greek, Cyrillic); any other code point is its own.
char32_t LowerLetter(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 0x20;
    if (c < 0xC0) return c;
    if (c <= 0xDE) return c == 0xD7 ? c : c + 0x20;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x130) return U'i';
        if (c == 0x178) return 0xFF;
        const bool evenUpper = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (evenUpper && c % 2 == 0) return c + 1;
        if (oddUpper && c % 2 == 1) return c + 1;
        return c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    return c;
}

std::vector<char32_t> LowerCodePoints(std::string_view text) {
    std::vector<char32_t> result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const CodePoint c = DecodeCodePoint(text, i);
        result.push_back(LowerLetter(c.value));
        i += c.length;
    }
    return result;
}

// The order of the measurement-column list: ascending with the letters
// lower-cased; titles that are then equal ("MEAS1", "meas1") by their code
// points, so the order never depends on which came first. std::string
// compares its chars as unsigned, and UTF-8 byte order is code point order.
bool MeasurementOrder(const std::string& a, const std::string& b) {
    const std::vector<char32_t> la = LowerCodePoints(a);
    const std::vector<char32_t> lb = LowerCodePoints(b);
    if (la != lb) return la < lb;
    return a < b;
}

// Removes the items for which drop holds; the selection follows the items
// that stay.
template <typename Drop>
void RemoveItems(ListBox& list, Drop drop) {
    std::vector<std::string> kept;
    std::vector<int> selection;
    int selected = -1;
    for (std::size_t i = 0; i < list.items.size(); ++i) {
        if (drop(list.items[i])) continue;
        const int index = static_cast<int>(i);
        const int newIndex = static_cast<int>(kept.size());
        if (list.multiSelect && list.IsSelected(index)) selection.push_back(newIndex);
        if (list.selected == index) selected = newIndex;
        kept.push_back(std::move(list.items[i]));
    }
    list.items = std::move(kept);
    list.selection = std::move(selection);
    list.selected = selected;
}

void ClearSelection(ListBox& list) {
    list.selection.clear();
    list.selected = -1;
}

// Moves the selected items of from, top to bottom, into to: appended, or in
// their place when to is kept sorted.
void MoveSelected(ListBox& from, ListBox& to) {
    std::vector<std::string> moving;
    std::vector<std::string> staying;
    for (std::size_t i = 0; i < from.items.size(); ++i)
        (from.IsSelected(static_cast<int>(i)) ? moving : staying).push_back(from.items[i]);
    if (moving.empty()) return;
    from.items = std::move(staying);
    ClearSelection(from);
    ClearSelection(to);
    for (std::string& item : moving) {
        if (to.sorted)
            to.items.insert(
                std::upper_bound(to.items.begin(), to.items.end(), item, MeasurementOrder),
                std::move(item));
        else
            to.items.push_back(std::move(item));
    }
}

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

enum class CellValue { kNumber, kText, kOutOfRange };

// A cell that reads as a number, with its value. A number beyond the range
// of a double cannot be converted: it is reported, not turned into zero or
// infinity.
CellValue ReadCell(std::string_view cell, double& value) {
    if (!IsNumber(cell)) return CellValue::kText;
    while (!cell.empty() && cell.front() == ' ')
        cell.remove_prefix(1);
    if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
    const std::from_chars_result result =
        std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (result.ec != std::errc() || result.ptr != cell.data() + cell.size())
        return CellValue::kOutOfRange;
    return CellValue::kNumber;
}

constexpr const char* kSqrtSkipped = "Negative numbers and text are not converted!";
constexpr const char* kSquareSkipped = "Only numbers converted!";

}  // namespace

void TfrmBUISDATA::vulboxen() {
    ComboBox* const boxes[] = {&cmbbxGHG,   &cmbbxGVG,   &cmbbxGLG,     &cmbbxSDGHG,
                               &cmbbxSDGVG, &cmbbxSDGLG, &cmbbxINSTRATA};
    for (ComboBox* box : boxes) {
        box->items.clear();
        box->text.clear();
    }
    lstbxTITELS.items.clear();
    ClearSelection(lstbxTITELS);

    const TableGrid& grid = strgrdSTAMBUIS;
    std::vector<std::string> titles;
    for (int c = 0; c < grid.colCount; ++c)
        titles.push_back(Title(grid, c));
    for (const std::string& title : titles) {
        for (ComboBox* box : boxes)
            box->items.push_back(title);
        lstbxTITELS.items.push_back(title);
    }

    auto isTitle = [&](const std::string& entry) {
        return std::find(titles.begin(), titles.end(), entry) != titles.end();
    };
    RemoveItems(lstbxMEETKOLS, [&](const std::string& entry) { return !isTitle(entry); });
    const std::vector<std::string>& measured = lstbxMEETKOLS.items;
    RemoveItems(lstbxTITELS, [&](const std::string& title) {
        return std::find(measured.begin(), measured.end(), title) != measured.end();
    });

    // From the right, so that of several matching titles the left-most is
    // proposed last and stays.
    for (auto t = titles.rbegin(); t != titles.rend(); ++t) {
        if (Contains(*t, "MHW")) cmbbxGHG.text = *t;
        if (Contains(*t, "MSW")) cmbbxGVG.text = *t;
        if (Contains(*t, "MLW")) cmbbxGLG.text = *t;
        if (Contains(*t, "sdMHW")) cmbbxSDGHG.text = *t;
        if (Contains(*t, "sdMSW")) cmbbxSDGVG.text = *t;
        if (Contains(*t, "sdMLW")) cmbbxSDGLG.text = *t;
        if (Contains(*t, "area") || Contains(*t, "trat")) cmbbxINSTRATA.text = *t;
    }
}

void TfrmBUISDATA::btbttnADDClick() {
    MoveSelected(lstbxTITELS, lstbxMEETKOLS);
}

void TfrmBUISDATA::btbttnSUBClick() {
    MoveSelected(lstbxMEETKOLS, lstbxTITELS);
}

void TfrmBUISDATA::ConvertSdColumn(const ComboBox& box, SdOperation operation, Button& pressed,
                                   Button& sibling) {
    // Decimal commas would make every number of the column text.
    Omzettenvanelkekommanaardecimalepunt1Click();
    TableGrid& grid = strgrdSTAMBUIS;
    const int c = FindColumn(grid, box.text);
    bool skipped = false;
    for (int r = 1; c >= 0 && r < grid.rowCount; ++r) {
        const std::string cell = grid.Cell(c, r);
        double x = 0;
        const CellValue read = ReadCell(cell, x);
        if (read == CellValue::kText) {
            if (operation == SdOperation::kSquare) skipped = true;
            continue;
        }
        if (read == CellValue::kOutOfRange || (operation == SdOperation::kSquareRoot && x < 0)) {
            skipped = true;
            continue;
        }
        const double y = operation == SdOperation::kSquareRoot ? std::sqrt(x) : x * x;
        // A square beyond the range of a double would be written as infinity
        // and read back as text.
        if (!std::isfinite(y)) {
            skipped = true;
            continue;
        }
        grid.SetCell(c, r, W(y, 8, 3));
    }
    if (skipped)
        platform_.ShowMessage(operation == SdOperation::kSquareRoot ? kSqrtSkipped : kSquareSkipped,
                              MessageKind::kWarning);
    pressed.enabled = false;
    sibling.enabled = true;
}

void TfrmBUISDATA::btbttnSQRTGHGClick() {
    ConvertSdColumn(cmbbxSDGHG, SdOperation::kSquareRoot, btbttnSQRTGHG, btbttnSQRGHG);
}

void TfrmBUISDATA::btbttnSQRTGVGClick() {
    ConvertSdColumn(cmbbxSDGVG, SdOperation::kSquareRoot, btbttnSQRTGVG, btbttnSQRGVG);
}

void TfrmBUISDATA::btbttnSQRTGLGClick() {
    ConvertSdColumn(cmbbxSDGLG, SdOperation::kSquareRoot, btbttnSQRTGLG, btbttnSQRGLG);
}

void TfrmBUISDATA::btbttnSQRGHGClick() {
    ConvertSdColumn(cmbbxSDGHG, SdOperation::kSquare, btbttnSQRGHG, btbttnSQRTGHG);
}

void TfrmBUISDATA::btbttnSQRGVGClick() {
    ConvertSdColumn(cmbbxSDGVG, SdOperation::kSquare, btbttnSQRGVG, btbttnSQRTGVG);
}

void TfrmBUISDATA::btbttnSQRGLGClick() {
    ConvertSdColumn(cmbbxSDGLG, SdOperation::kSquare, btbttnSQRGLG, btbttnSQRTGLG);
}

void TfrmBUISDATA::btbttnEXITSTAMBUISClick() {
    const RoleTexts texts = RoleBoxTexts();
    // Kept before writing: the main window may look at them even when a file
    // could not be written and the window stays open.
    roleColumns = FindRoleColumns(strgrdSTAMBUIS, texts);
    content = ContentOf(strgrdSTAMBUIS);
    WritePiezometerHandoff(strgrdSTAMBUIS, texts, lstbxMEETKOLS.items);
    closed = true;
}

bool TfrmBUISDATA::FormCloseQuery() {
    if (!closed) {
        aborted = true;
        closed = true;
    }
    return true;
}

void TfrmBUISDATA::ControlMouseMove(std::string_view name) {
    // The label above the conversion buttons stands where the reading button
    // was and explains the same step.
    if (name == "btbttnOKLEES" || name == "lblVARIANCE") {
        stsbrSTAMBUIS.text = btbttnOKLEES.hint;
        return;
    }
    if (name.empty()) {
        FormMouseMove();
        return;
    }
    const std::pair<std::string_view, const Control*> hinted[] = {
        {"strgrdSTAMBUIS", &strgrdSTAMBUIS}, {"grpbxKOLOM", &grpbxKOLOM},
        {"chckbxMultiple", &chckbxMultiple}, {"btbttnSQRTGHG", &btbttnSQRTGHG},
        {"btbttnSQRTGVG", &btbttnSQRTGVG},   {"btbttnSQRTGLG", &btbttnSQRTGLG},
        {"btbttnSQRGHG", &btbttnSQRGHG},     {"btbttnSQRGVG", &btbttnSQRGVG},
        {"btbttnSQRGLG", &btbttnSQRGLG},     {"edtMIS", &edtMIS},
        {"btbttnMIS", &btbttnMIS},           {"btbttnADD", &btbttnADD},
        {"btbttnSUB", &btbttnSUB},           {"lstbxTITELS", &lstbxTITELS},
        {"lstbxMEETKOLS", &lstbxMEETKOLS},   {"btbttnEXITSTAMBUIS", &btbttnEXITSTAMBUIS},
        {"cmbbxINSTRATA", &cmbbxINSTRATA},
    };
    for (const auto& [control, c] : hinted)
        if (control == name) stsbrSTAMBUIS.text = c->hint;
}

void TfrmBUISDATA::FormMouseMove() {
    stsbrSTAMBUIS.text.clear();
}

}  // namespace tarnovel
