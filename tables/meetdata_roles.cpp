// The role stage of the field window: role boxes, coded measurements and
// "Ready!".

#include <algorithm>
#include <utility>

#include "common/number_format.h"
#include "tables/meetdata_form.h"
#include "tables/table_checks.h"

namespace tarnovel {

namespace {

// Only the ASCII letters: every role name looked for is ASCII.
std::string LowerAscii(std::string text) {
    for (char& ch : text)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return text;
}

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

// The censored form of a found code (">" and its number, every ">" and blank
// of the code dropped), or "missing" when no number is left.
std::string ProposedReplacement(const std::string& code) {
    std::string s;
    for (char ch : code)
        if (ch != '>' && ch != ' ') s += ch;
    if (!IsNumber(s)) return kMissing;
    return ">" + s;
}

// Adds a censored proposal to the replacement list unless an entry already
// holds it; true when it was added.
bool AddProposal(ComboBox& replacements, const std::string& proposal) {
    for (const std::string& entry : replacements.items)
        if (Contains(entry, proposal)) return false;
    replacements.items.push_back(proposal);
    return true;
}

}  // namespace

void TfrmMEETDATA::vulboxen() {
    ComboBox* const boxes[] = {&cmbbxDatum1,  &cmbbxDatum2,  &cmbbxDatum3,  &cmbbxMeting1,
                               &cmbbxMeting2, &cmbbxMeting3, &cmbbxINSTRATA};
    for (ComboBox* box : boxes) {
        box->items.clear();
        box->text.clear();
    }
    const TableGrid& grid = strgrdMEETDATA;
    for (int c = 0; c < grid.colCount; ++c)
        for (ComboBox* box : boxes)
            box->items.push_back(Title(grid, c));

    // From the right, so that of several matching titles the left-most is
    // proposed last and stays. The box shows the title as it is written.
    for (int c = grid.colCount - 1; c >= 0; --c) {
        const std::string t = Title(grid, c);
        const std::string u = LowerAscii(t);
        if (Contains(u, "date1")) cmbbxDatum1.text = t;
        if (Contains(u, "date2")) cmbbxDatum2.text = t;
        if (Contains(u, "date3")) cmbbxDatum3.text = t;
        if (Contains(u, "meas1")) cmbbxMeting1.text = t;
        if (Contains(u, "meas2")) cmbbxMeting2.text = t;
        if (Contains(u, "meas3")) cmbbxMeting3.text = t;
        if (Contains(u, "area") || Contains(u, "stratum") || Contains(u, "strata"))
            cmbbxINSTRATA.text = t;
    }
}

void TfrmMEETDATA::btbttnOKINDELINGClick() {
    grpbxCENSOR.visible = true;
    grpbxKOLOM.enabled = false;

    const TableGrid& grid = strgrdMEETDATA;
    const int measured[] = {FindColumn(grid, cmbbxMeting1.text),
                            FindColumn(grid, cmbbxMeting2.text)};
    std::vector<std::string>& codes = cmbbxFOUNDCODE.items;
    codes.clear();
    for (int r = 1; r < grid.rowCount; ++r)
        for (int c : measured) {
            if (c < 0) continue;
            const std::string& cell = grid.Cell(c, r);
            if (!IsNumber(cell) && std::find(codes.begin(), codes.end(), cell) == codes.end())
                codes.push_back(cell);
        }
    cmbbxFOUNDCODE.text = codes.empty() ? std::string() : codes.front();
    codesFound = !codes.empty();

    // Clearing the list clears its text too: with no code found, a
    // replacement left from an earlier showing must not be applied.
    cmbbxNEWCODE.items = {kMissing};
    cmbbxNEWCODE.text.clear();
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const std::string proposal = ProposedReplacement(codes[i]);
        if (proposal == kMissing)
            cmbbxNEWCODE.text = kMissing;
        else if (AddProposal(cmbbxNEWCODE, proposal) && i == 0)
            cmbbxNEWCODE.text = proposal;
    }
}

void TfrmMEETDATA::btbttnREPLACEOKClick() {
    TableGrid& grid = strgrdMEETDATA;
    const int measured[] = {FindColumn(grid, cmbbxMeting1.text),
                            FindColumn(grid, cmbbxMeting2.text)};
    const std::string code = cmbbxFOUNDCODE.text;
    const std::string replacement = cmbbxNEWCODE.text;
    // Meas1 and Meas2 may be one column: its cells count once.
    std::vector<int> done;
    for (int c : measured) {
        if (c < 0 || std::find(done.begin(), done.end(), c) != done.end()) continue;
        done.push_back(c);
        int cells = 0;
        for (int r = 1; r < grid.rowCount; ++r)
            if (grid.Cell(c, r) == code) {
                grid.SetCell(c, r, replacement);
                ++cells;
            }
        if (cells > 0) conversions.push_back({code, replacement, Title(grid, c), cells});
    }
    if (Contains(replacement, ">")) censoredReplacement = true;

    std::vector<std::string>& codes = cmbbxFOUNDCODE.items;
    const auto last = std::find(codes.rbegin(), codes.rend(), code);
    if (last != codes.rend()) codes.erase(std::next(last).base());
    if (codes.empty()) {
        cmbbxFOUNDCODE.text.clear();
        btbttnEXITMEETDATA.enabled = true;
        return;
    }
    cmbbxFOUNDCODE.text = codes.front();
    const std::string proposal = ProposedReplacement(codes.front());
    if (proposal != kMissing) AddProposal(cmbbxNEWCODE, proposal);
    cmbbxNEWCODE.text = proposal;
}

void TfrmMEETDATA::btbttnEXITMEETDATAClick() {
    const RoleTexts texts = RoleBoxTexts();
    // Kept before writing: the main window may look at them even when a file
    // could not be written and the window stays open.
    roleColumns = FindRoleColumns(strgrdMEETDATA, texts);
    content = ContentOf(strgrdMEETDATA);
    WriteFieldHandoff(strgrdMEETDATA, texts);
    closed = true;
}

// Closing through the title bar hands nothing over. The abort flag says so:
// left as it was, the main window would go on to load hand-off files that
// were never written and lose the roles of the table it has.
bool TfrmMEETDATA::FormCloseQuery() {
    if (!closed) {
        aborted = true;
        closed = true;
    }
    return true;
}

void TfrmMEETDATA::ControlMouseMove(std::string_view name) {
    // Both buttons end a stage in which the file format is settled.
    if (name == "btbttnOKLEES" || name == "btbttnOKINDELING") {
        stsbrMEETDATA.text = btbttnOKINDELING.hint;
        return;
    }
    if (name.empty()) {
        FormMouseMove();
        return;
    }
    const std::pair<std::string_view, const Control*> hinted[] = {
        {"strgrdMEETDATA", &strgrdMEETDATA},
        {"grpbxKOLOM", &grpbxKOLOM},
        {"cmbbxINSTRATA", &cmbbxINSTRATA},
        {"chckbxMultiple", &chckbxMultiple},
        {"edtMIS", &edtMIS},
        {"btbttnMIS", &btbttnMIS},
        {"grpbxCENSOR", &grpbxCENSOR},
        {"btbttnEXITMEETDATA", &btbttnEXITMEETDATA},
    };
    for (const auto& [control, c] : hinted)
        if (control == name) stsbrMEETDATA.text = c->hint;
}

void TfrmMEETDATA::FormMouseMove() {
    stsbrMEETDATA.text.clear();
}

}  // namespace tarnovel
