// The prediction tab up to "Start Prediction": attaching the field
// measurements through the field window, loading the table it hands over,
// fixing the mandatory settings and listing the censored values.

#include <algorithm>
#include <set>
#include <string>
#include <utility>

#include "common/file_system.h"
#include "common/io_error.h"
#include "common/text.h"
#include "prediction/prediction_model.h"
#include "shell/main_form.h"
#include "tables/handoff.h"
#include "tables/meetdata_form.h"
#include "tables/table_checks.h"

namespace tarnovel {

namespace {

constexpr const char* kNoStrata = "no strata";
constexpr const char* kAllStrata = "all strata separately";
constexpr std::size_t kPaddedWidth = 15;

// The names that replace the titles of the role columns, in the order of the
// lines of temp.txt.
constexpr const char* kFieldRoleTitles[kRoleCount] = {"Date1", "Date2", "Date3",  "Meas1",
                                                      "Meas2", "Meas3", "Stratum"};

}  // namespace

void TfrmZelvimoMAIN::TabTwoSelection() {
    // Once "OK" has fixed the mandatory settings (their group disabled), a
    // return to this tab keeps them: "Start Prediction" writes to that name
    // and predicts those kinds.
    const bool fixed = !grpbxVERPLICHT.enabled;
    const std::string fixedKinds = cmbbxTEVOORSPELLEN.text;
    cmbbxTEVOORSPELLEN.items.clear();
    if (Contains(cmbbxPREDICT.text, "+")) {
        cmbbxTEVOORSPELLEN.text = cmbbxPREDICT.text;
        cmbbxTEVOORSPELLEN.items.push_back(cmbbxPREDICT.text);
    }
    for (const std::string& kind : cmbbxGxG.items)
        cmbbxTEVOORSPELLEN.items.push_back(kind);
    cmbbxTEVOORSPELLEN.text =
        cmbbxTEVOORSPELLEN.items.empty() ? std::string() : cmbbxTEVOORSPELLEN.items.front();

    const bool separately = cmbbxSTRATAyesno.text == kAllStrata;
    chckbxSTRATAAPART.enabled = separately;
    chckbxSTRATAAPART.checked = separately;

    if (!fixed) {
        edtNAAMRESULT.text.clear();
    } else if (std::find(cmbbxTEVOORSPELLEN.items.begin(), cmbbxTEVOORSPELLEN.items.end(),
                         fixedKinds) != cmbbxTEVOORSPELLEN.items.end()) {
        cmbbxTEVOORSPELLEN.text = fixedKinds;
    }
}

void TfrmZelvimoMAIN::btbttnKOPPELMETINGENClick() {
    // Enabled again after a run with strata: a box once disabled would
    // otherwise stay so for the rest of the program.
    frmMEETDATA->cmbbxINSTRATA.enabled = cmbbxSTRATAyesno.text != kNoStrata;
    frmMEETDATA->inputMode = false;
    platform_.ShowModal("TfrmMEETDATA");
    const DataWindowReport report = frmMEETDATA->Report();
    if (report.aborted) return;
    if (!AcceptHandoff(report, "field table")) return;

    // A code converted into a "deeper than" value switches on the
    // maximum-likelihood replacement.
    if (report.censoredReplacement) {
        chckbxMAXLIKELI.enabled = true;
        chckbxMAXLIKELI.checked = true;
        lstbxMLNODIG.visible = true;
        Label3.visible = true;
    }
    // Also when the option stays off: a run since the last table may have
    // withdrawn it.
    EnableExactEstimation();
    fieldReport = report;

    leestemp_metingen();

    btbttnSTARTPREDICT.enabled = false;
    btbttnOKVERPLICHT.enabled = true;
    edtNAAMRESULT.text = SessionLabel() + " Predict.csv";
    CheckFieldHandoff(report);
}

void TfrmZelvimoMAIN::CheckFieldHandoff(const DataWindowReport& report) {
    fieldFindings.clear();
    const std::string noData = NoDataMessage(report.content, "field table", report.inputFileName);
    if (!noData.empty()) fieldFindings.push_back("Error: " + noData);
    // The measurement columns under the titles the user knows them by.
    std::vector<NumberColumn> columns;
    for (auto [role, column] : {std::pair{kRoleMeas1, colMeas1}, {kRoleMeas2, colMeas2}})
        columns.push_back({column, report.roleTexts[role].empty() ? Title(strgrdMEETDATA, column)
                                                                  : report.roleTexts[role]});
    for (std::string& finding : CheckFieldTable(strgrdMEETDATA, columns, report))
        fieldFindings.push_back(std::move(finding));
    ShowFindings(fieldFindings);
}

void TfrmZelvimoMAIN::leestemp_metingen() {
    int* const roles[kRoleCount] = {&colDate1, &colDate2, &colDate3,      &colMeas1,
                                    &colMeas2, &colMeas3, &colFieldStrata};
    for (int* role : roles)
        *role = -1;
    if (!FileExists(kHandoffTableFile)) return;

    TableGrid table = ReadHandoffTable(kHandoffTableFile);
    // A title line alone is read back with one empty record; it is no
    // location, and would be a row of the prediction file.
    if (ContentOf(table) != TableContent::kData) table.Resize(table.colCount, 1);
    PadRecordCells(table, kPaddedWidth);
    const RoleColumns columns = ReadFieldRoleFile(kHandoffRoleFile);
    // A role column beyond the columns read back (an empty title ends them)
    // would address cells that do not exist.
    for (int role = 0; role < kRoleCount; ++role) {
        const int column = columns[static_cast<std::size_t>(role)];
        if (column < -1 || column >= table.colCount)
            throw IoError("Cannot use", kHandoffRoleFile,
                          std::string("the ") + kFieldRoleNames[static_cast<std::size_t>(role)] +
                              " column lies in column " + std::to_string(column) +
                              ", outside the " + std::to_string(table.colCount) +
                              " columns read from temp.csv (a column with an empty title ends "
                              "them)");
    }

    table.fixedRows = 1;
    table.fixedCols = 0;
    table.hint = strgrdMEETDATA.hint;
    table.helpContext = strgrdMEETDATA.helpContext;
    table.visible = true;
    table.enabled = true;
    strgrdMEETDATA = std::move(table);
    // A new table: "Start Prediction" works on it once "OK" fixes it.
    fieldTableFixed = false;
    fieldTableAtOk = FieldTableAtOk();

    for (int role = 0; role < kRoleCount; ++role)
        *roles[role] = columns[static_cast<std::size_t>(role)];
    DeleteFile(kHandoffTableFile);
    DeleteFile(kHandoffRoleFile);
    for (int role = 0; role < kRoleCount; ++role)
        if (*roles[role] != -1) strgrdMEETDATA.SetCell(*roles[role], 0, kFieldRoleTitles[role]);
}

void TfrmZelvimoMAIN::btbttnOKVERPLICHTClick() {
    grpbxVERPLICHT.enabled = false;
    grpbxFACULTATIEF.visible = true;
    btbttnSTARTPREDICT.enabled = true;
    strgrdMEETDATA.visible = true;

    const StringGrid& table = strgrdMEETDATA;
    std::vector<CensoredEntry> list;
    std::set<std::pair<std::string, std::string>> seen;
    const std::pair<int, int> pairs[] = {{colDate1, colMeas1}, {colDate2, colMeas2}};
    for (int r = 1; r < table.rowCount; ++r) {
        for (const auto& [dateColumn, measColumn] : pairs) {
            if (measColumn < 0) continue;
            const std::string& measurement = table.Cell(measColumn, r);
            if (!Contains(measurement, ">")) continue;
            // A location without a date column has an empty date.
            CensoredEntry entry{dateColumn < 0 ? std::string() : table.Cell(dateColumn, r),
                                measurement};
            if (seen.emplace(entry.date, entry.measurement).second)
                list.push_back(std::move(entry));
        }
    }
    OrderCensoredList(list);

    censoredEntries.clear();
    lstbxMLNODIG.items.clear();
    for (CensoredEntry& entry : list) {
        lstbxMLNODIG.items.push_back(entry.Text());
        censoredEntries.emplace_back(std::move(entry.date), std::move(entry.measurement));
    }

    FixFieldTable();
}

void TfrmZelvimoMAIN::chckbxMAXLIKELIClick() {
    lstbxMLNODIG.enabled = chckbxMAXLIKELI.checked;
    Label3.enabled = chckbxMAXLIKELI.checked;
    EnableExactEstimation();
}

void TfrmZelvimoMAIN::EnableExactEstimation() {
    chckbxEXACTML.enabled = chckbxMAXLIKELI.enabled && chckbxMAXLIKELI.checked;
}

void TfrmZelvimoMAIN::btbttnKOPPELMETINGENMouseMove() {
    ShowHint(btbttnKOPPELMETINGEN.hint);
}
void TfrmZelvimoMAIN::edtNAAMRESULTEnter() {
    ShowHint(edtNAAMRESULT.hint);
}
void TfrmZelvimoMAIN::cmbbxTEVOORSPELLENEnter() {
    ShowHint(cmbbxTEVOORSPELLEN.hint);
}
void TfrmZelvimoMAIN::btbttnOKVERPLICHTMouseMove() {
    ShowHint(btbttnOKVERPLICHT.hint);
}
void TfrmZelvimoMAIN::btbttnSTARTPREDICTMouseMove() {
    ShowHint(btbttnSTARTPREDICT.hint);
}

}  // namespace tarnovel
