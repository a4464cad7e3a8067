// Loading the piezometer table through the piezometer data window, and the
// settings the table offers.

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/file_system.h"
#include "common/io_error.h"
#include "shell/main_form.h"
#include "tables/buisdata_form.h"
#include "tables/handoff.h"
#include "tables/table_checks.h"

namespace tarnovel {

namespace {

constexpr const char* kNoStrata = "no strata";
constexpr const char* kAllStrata = "all strata separately";
constexpr const char* kUnweighted = "unweighted regression";
constexpr const char* kWeighted = "weighted regression";
constexpr std::size_t kPaddedWidth = 15;

void SetItems(ComboBox& box, std::vector<std::string> items) {
    box.items = std::move(items);
    box.text = box.items.empty() ? std::string() : box.items.front();
}

// A role column that temp.txt names outside the table read back from
// temp.csv (a blank title ends the columns read) cannot be used.
void CheckColumn(int column, int columns, const std::string& what) {
    if (column < -1 || column >= columns)
        throw IoError("Cannot use", kHandoffRoleFile,
                      what + " lies in column " + std::to_string(column) + ", outside the " +
                          std::to_string(columns) +
                          " columns read from temp.csv (a column with an empty title ends them)");
}

// Every role column and measurement date temp.txt names, checked.
void CheckRoleColumns(const PiezometerRoleFile& roles, int columns) {
    for (int role = 0; role < kRoleCount; ++role)
        CheckColumn(
            roles.columns[static_cast<std::size_t>(role)], columns,
            std::string("The ") + kPiezometerRoleNames[static_cast<std::size_t>(role)] + " column");
    for (int i = 0; i < roles.dateCount; ++i)
        CheckColumn(roles.dateColumns[static_cast<std::size_t>(i)], columns,
                    "Measurement date " + std::to_string(i + 1));
}

// The kinds a table offers to fit: each present kind, after all of them
// together when there are several.
std::vector<std::string> KindItems(int colMHW, int colMSW, int colMLW) {
    std::vector<std::string> kinds;
    if (colMHW != -1) kinds.push_back("MHW");
    if (colMSW != -1) kinds.push_back("MSW");
    if (colMLW != -1) kinds.push_back("MLW");
    if (kinds.size() >= 2) {
        std::string combined;
        for (const std::string& k : kinds)
            combined += (combined.empty() ? "" : "+") + k;
        kinds.insert(kinds.begin(), combined);
    }
    return kinds;
}

// Each stratum of the table's strata column once, in the order met.
void AddStrata(std::vector<std::string>& items, const StringGrid& table, int colStrata) {
    for (int r = 1; r < table.rowCount; ++r) {
        const std::string& value = table.Cell(colStrata, r);
        if (std::find(items.begin(), items.end(), value) == items.end()) items.push_back(value);
    }
}

}  // namespace

void TfrmZelvimoMAIN::rdbttnFILEClick() {
    rdbttnFILE.checked = true;
    btbttnFILE.enabled = true;
    btbttnSTRUCTUUR.enabled = false;
    rdbttnKEYBOARD.checked = false;
}

void TfrmZelvimoMAIN::rdbttnKEYBOARDClick() {
    rdbttnKEYBOARD.checked = true;
    btbttnSTRUCTUUR.enabled = true;
    btbttnFILE.enabled = false;
    rdbttnFILE.checked = false;
}

void TfrmZelvimoMAIN::btbttnFILEClick() {
    SetResultTabsEnabled(false);
    btbttnOKTABINDEX0.enabled = false;
    cmbbxSTRATA2.items.clear();
    cmbbxGxG.items.clear();
    cmbbxDATUM1.items.clear();
    cmbbxTEVOORSPELLEN.items.clear();
    SetMilestone(mijlpaal::na_start);
    frmBUISDATA->inputMode = false;
    platform_.ShowModal("TfrmBUISDATA");
    if (frmBUISDATA->aborted) return;
    const DataWindowReport report = frmBUISDATA->Report();
    if (!AcceptHandoff(report, "piezometer table")) return;
    leestemp_buizen();
    strgrdBUISDATA.visible = true;
    strgrdBUISDATA.enabled = true;
    for (Control* c : std::initializer_list<Control*>{
             &btbttnOKTABINDEX0, &cmbbxPREDICT, &cmbbxSTRATAyesno, &chckbxCONST, &cmbbxWEIGHTGHG,
             &CMBBXWEIGHTGVG, &cmbbxWEIGHTGLG})
        c->enabled = true;
    CheckPiezometerHandoff(report);
}

void TfrmZelvimoMAIN::btbttnSTRUCTUURClick() {
    SetResultTabsEnabled(false);
    SetMilestone(mijlpaal::na_start);
    STRUCTUUR();
}

void TfrmZelvimoMAIN::STRUCTUUR() {
    btbttnOKTABINDEX0.enabled = true;
    frmBUISDATA->inputMode = true;
    platform_.ShowModal("TfrmBUISDATA");
    const DataWindowReport report = frmBUISDATA->Report();
    if (!report.aborted && !AcceptHandoff(report, "piezometer table")) return;
    leestemp_buizen();
    strgrdBUISDATA.visible = true;
    strgrdBUISDATA.enabled = true;
    for (Control* c :
         std::initializer_list<Control*>{&cmbbxPREDICT, &cmbbxSTRATAyesno, &chckbxCONST,
                                         &cmbbxWEIGHTGHG, &CMBBXWEIGHTGVG, &cmbbxWEIGHTGLG})
        c->enabled = true;
    if (!report.aborted) CheckPiezometerHandoff(report);
}

bool TfrmZelvimoMAIN::AcceptHandoff(const DataWindowReport& report, const char* table) {
    if (report.content != TableContent::kEmpty) return true;
    // Nothing to take over: the hand-off holds no column, and the roles it
    // names would point outside the table.
    DeleteFile(kHandoffTableFile);
    DeleteFile(kHandoffRoleFile);
    platform_.ShowMessage(NoDataMessage(report.content, table, report.inputFileName),
                          MessageKind::kError);
    return false;
}

void TfrmZelvimoMAIN::ShowFindings(const std::vector<std::string>& findings) {
    const std::string errorMark = "Error: ";
    std::string errors, warnings;
    for (const std::string& line : findings) {
        const bool error = line.rfind(errorMark, 0) == 0;
        std::string& box = error ? errors : warnings;
        box += (box.empty() ? "" : "\n\n") + (error ? line.substr(errorMark.size()) : line);
    }
    if (!errors.empty()) platform_.ShowMessage(errors, MessageKind::kError);
    if (!warnings.empty()) platform_.ShowMessage(warnings, MessageKind::kWarning);
}

void TfrmZelvimoMAIN::CheckPiezometerHandoff(const DataWindowReport& report) {
    piezometerFindings.clear();
    const std::string noData =
        NoDataMessage(report.content, "piezometer table", report.inputFileName);
    if (!noData.empty()) piezometerFindings.push_back("Error: " + noData);
    auto titled = [this](int column) -> NumberColumn {
        const bool known = column >= 0 && column < static_cast<int>(piezometerTitles.size());
        return {column, known ? piezometerTitles[static_cast<std::size_t>(column)]
                              : Title(strgrdBUISDATA, column)};
    };
    std::vector<NumberColumn> columns;
    for (int column : {colMHW, colSdMHW, colMSW, colSdMSW, colMLW, colSdMLW})
        columns.push_back(titled(column));
    for (int i = 1; i <= dateCount && i < static_cast<int>(dateColumns.size()); ++i)
        columns.push_back(
            titled(static_cast<int>(std::lround(dateColumns[static_cast<std::size_t>(i)]))));
    for (std::string& finding : CheckPiezometerTable(strgrdBUISDATA, columns, report))
        piezometerFindings.push_back(std::move(finding));
    ShowFindings(piezometerFindings);
}

void TfrmZelvimoMAIN::leestemp_buizen() {
    colMHW = colSdMHW = colMSW = colSdMSW = colMLW = colSdMLW = colStrata = -1;
    dateCount = -1;
    piezometerTitles.clear();
    cmbbxPREDICT.items.clear();
    cmbbxSTRATA.items = {kNoStrata};
    cmbbxSTRATA.text = kNoStrata;
    cmbbxSTRATAyesno.items = {kNoStrata};
    cmbbxSTRATAyesno.text = kNoStrata;
    cmbbxWEIGHTGHG.items.clear();
    CMBBXWEIGHTGVG.items.clear();
    cmbbxWEIGHTGLG.items.clear();

    if (FileExists(kHandoffTableFile)) {
        TableGrid table = ReadHandoffTable(kHandoffTableFile);
        for (int c = 0; c < table.colCount; ++c)
            piezometerTitles.push_back(Title(table, c));  // before the MxW are retitled
        PadRecordCells(table, kPaddedWidth);
        table.fixedRows = 1;
        table.fixedCols = 0;
        table.visible = strgrdBUISDATA.visible;
        table.enabled = strgrdBUISDATA.enabled;
        table.hint = strgrdBUISDATA.hint;
        table.helpContext = strgrdBUISDATA.helpContext;
        strgrdBUISDATA = std::move(table);
        strgrdBUISDATA.visible = true;
        strgrdBUISDATA.enabled = true;

        const PiezometerRoleFile roles = ReadPiezometerRoleFile(kHandoffRoleFile);
        CheckRoleColumns(roles, strgrdBUISDATA.colCount);
        colMHW = roles.columns[kRoleMHW];
        colSdMHW = roles.columns[kRoleSdMHW];
        colMSW = roles.columns[kRoleMSW];
        colSdMSW = roles.columns[kRoleSdMSW];
        colMLW = roles.columns[kRoleMLW];
        colSdMLW = roles.columns[kRoleSdMLW];
        colStrata = roles.columns[kStrataRole];
        dateCount = roles.dateCount;
        FreeVector(dateColumns);
        if (dateCount >= 0) {
            dateColumns.assign(static_cast<std::size_t>(dateCount) + 1, 0.0);
            for (int i = 1; i <= dateCount; ++i)
                dateColumns[static_cast<std::size_t>(i)] =
                    roles.dateColumns[static_cast<std::size_t>(i - 1)];
        }
        DeleteFile(kHandoffTableFile);
        DeleteFile(kHandoffRoleFile);
        if (colMHW != -1) strgrdBUISDATA.SetCell(colMHW, 0, "MHW");
        if (colMSW != -1) strgrdBUISDATA.SetCell(colMSW, 0, "MSW");
        if (colMLW != -1) strgrdBUISDATA.SetCell(colMLW, 0, "MLW");
    }

    SetItems(cmbbxPREDICT, KindItems(colMHW, colMSW, colMLW));

    if (colStrata != -1) {
        cmbbxSTRATA.items.push_back(kAllStrata);
        cmbbxSTRATAyesno.items.push_back(kAllStrata);
        AddStrata(cmbbxSTRATA.items, strgrdBUISDATA, colStrata);
        strataCount = static_cast<int>(cmbbxSTRATA.items.size());
    }

    const bool weightingOffered = (colMHW == -1 || colSdMHW != -1) &&
                                  (colMSW == -1 || colSdMSW != -1) &&
                                  (colMLW == -1 || colSdMLW != -1);
    struct Kind {
        int column;
        ComboBox& box;
    };
    for (Kind kind : {Kind{colMHW, cmbbxWEIGHTGHG}, Kind{colMSW, CMBBXWEIGHTGVG},
                      Kind{colMLW, cmbbxWEIGHTGLG}}) {
        std::vector<std::string> items;
        if (kind.column != -1) items.push_back(kUnweighted);
        if (weightingOffered) items.push_back(kWeighted);
        SetItems(kind.box, items);
        if (kind.column == -1) kind.box.visible = false;
    }
}

}  // namespace tarnovel
