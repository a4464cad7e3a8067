// Tab 0: the settings handlers and "OK", which reads the settings into a
// RegressionSettings, runs the regressions and shows the outcome.

#include <algorithm>
#include <cmath>
#include <string>

#include "common/text.h"
#include "regression/job_names.h"
#include "regression/regression_run.h"
#include "shell/main_form.h"
#include "tables/buisdata_form.h"
#include "tables/handoff.h"

namespace tarnovel {

namespace {

constexpr const char* kNoStrata = "no strata";
constexpr const char* kAllStrata = "all strata separately";
const std::string kIndent(20, ' ');

// A weighting copied between the kinds' selectors. The run takes a selector's
// text as one of its items: a text the target does not offer (the empty
// text of an absent kind's selector) would make an unweighted table run
// weighted, so it is not copied.
void CopyWeighting(const ComboBox& from, ComboBox& to) {
    if (std::find(to.items.begin(), to.items.end(), from.text) != to.items.end())
        to.text = from.text;
}

}  // namespace

std::string TfrmZelvimoMAIN::WeightingTagOf(std::string_view kind) const {
    const ComboBox* box = kind == "MHW"   ? &cmbbxWEIGHTGHG
                          : kind == "MSW" ? &CMBBXWEIGHTGVG
                          : kind == "MLW" ? &cmbbxWEIGHTGLG
                                          : nullptr;
    return box != nullptr ? WeightingTag(box->text) : kWeightedTag;
}

void TfrmZelvimoMAIN::cmbbxPREDICTChange() {
    struct Kind {
        const char* name;
        ComboBox& box;
        Label& label;
    };
    for (Kind kind : {Kind{"MHW", cmbbxWEIGHTGHG, Label7}, Kind{"MSW", CMBBXWEIGHTGVG, Label8},
                      Kind{"MLW", cmbbxWEIGHTGLG, Label9}}) {
        const bool shown = Contains(cmbbxPREDICT.text, kind.name);
        kind.box.visible = shown;
        kind.label.visible = shown;
    }
    CopyWeighting(cmbbxWEIGHTGHG, CMBBXWEIGHTGVG);
    CopyWeighting(cmbbxWEIGHTGHG, cmbbxWEIGHTGLG);
}

void TfrmZelvimoMAIN::cmbbxWEIGHTGHGChange() {
    if (!Contains(cmbbxPREDICT.text, "+")) return;
    CopyWeighting(cmbbxWEIGHTGHG, CMBBXWEIGHTGVG);
    CopyWeighting(cmbbxWEIGHTGHG, cmbbxWEIGHTGLG);
}

void TfrmZelvimoMAIN::CMBBXWEIGHTGVGChange() {
    if (!Contains(cmbbxPREDICT.text, "+")) return;
    CopyWeighting(CMBBXWEIGHTGVG, cmbbxWEIGHTGHG);
    CopyWeighting(CMBBXWEIGHTGVG, cmbbxWEIGHTGLG);
}

void TfrmZelvimoMAIN::cmbbxWEIGHTGLGChange() {
    if (!Contains(cmbbxPREDICT.text, "+")) return;
    CopyWeighting(cmbbxWEIGHTGLG, CMBBXWEIGHTGVG);
    CopyWeighting(cmbbxWEIGHTGLG, cmbbxWEIGHTGHG);
}

void TfrmZelvimoMAIN::cmbbxSTRATAyesnoChange() {
    cmbbxSTRATA.text = cmbbxSTRATAyesno.text;
}

// Every control that the run changes before it starts.
void TfrmZelvimoMAIN::PrepareRunControls() {
    lblPROGRESS.visible = true;
    ggPROGRESS.visible = true;
    presentationHeader_ = true;

    chckbxMAXLIKELI.enabled = false;
    chckbxMAXLIKELI.checked = false;
    chckbxSTRATAAPART.enabled = false;
    grpbxVERPLICHT.enabled = true;
    grpbxFACULTATIEF.enabled = true;
    grpbxFACULTATIEF.visible = false;
    btbttnOKVERPLICHT.enabled = false;
    btbttnSTARTPREDICT.enabled = false;
    strgrdMEETDATA.visible = false;
    lstbxMLNODIG.visible = false;
    Label3.visible = false;
}

RegressionSettings TfrmZelvimoMAIN::RunSettings() {
    RegressionSettings settings;
    const std::string& selection = cmbbxPREDICT.text;
    int K = 1;
    if (selection.empty()) {
        K = 0;  // no kinds in the table: nothing to fit
    } else if (Contains(selection, "+")) {
        K = (colMHW != -1) + (colMSW != -1) + (colMLW != -1);
        K = std::min(K, static_cast<int>(cmbbxPREDICT.items.size()) - 1);
    }
    for (int k = 1; k <= K; ++k) {
        settings.kinds.push_back(K == 1 ? selection
                                        : cmbbxPREDICT.items[static_cast<std::size_t>(k)]);
        settings.tags.push_back(WeightingTagOf(settings.kinds.back()));
    }

    // The list loses "all strata separately" once the passes are counted:
    // the passes are the strata themselves.
    const int S = cmbbxSTRATA.text == kNoStrata ? 1 : strataCount - 1;
    if (cmbbxSTRATA.items.size() > 1 && cmbbxSTRATA.items[1] == kAllStrata)
        cmbbxSTRATA.items.erase(cmbbxSTRATA.items.begin() + 1);
    for (int s = 0; s < S; ++s) {
        const std::string& item = cmbbxSTRATA.items[static_cast<std::size_t>(s)];
        settings.strata.push_back(item == kNoStrata ? kPooledStratum : item);
    }

    // The date columns live from a load to the end of the next run; a run
    // that no load preceded has no dates.
    const int n = static_cast<int>(dateColumns.size()) > dateCount ? dateCount : 0;
    for (int i = 1; i <= n; ++i) {
        const int column = static_cast<int>(std::lround(dateColumns[static_cast<std::size_t>(i)]));
        settings.dates.push_back(strgrdBUISDATA.Cell(column, 0));
    }

    settings.constant = chckbxCONST.checked;
    settings.threads = workerThreads;
    settings.colStrata = colStrata;
    settings.colMHW = colMHW;
    settings.colSdMHW = colSdMHW;
    settings.colMSW = colMSW;
    settings.colSdMSW = colSdMSW;
    settings.colMLW = colMLW;
    settings.colSdMLW = colSdMLW;

    const DataWindowReport report = frmBUISDATA->Report();
    if (!report.inputMode) settings.sourceName = report.inputFileName;
    settings.rowsAreLines = !report.inputMode && !report.recordsAdded && !report.recordsRemoved;
    settings.sourceTitles = piezometerTitles;
    return settings;
}

void TfrmZelvimoMAIN::ReportEmptyRun(const RegressionSettings& settings) {
    std::string message = "No regression was fitted: ";
    if (settings.kinds.empty())
        message += "the piezometer table has no MHW, MSW or MLW column.";
    else if (settings.dates.empty())
        message += "no column with measurement data was chosen.";
    else
        message +=
            (lastRun.prepared == 1 ? std::string("the one regression")
                                   : "all " + std::to_string(lastRun.prepared) + " regressions") +
            " had too few data points or did not converge.";
    ADDLOG("Error: " + message);
    platform_.ShowMessage(message, MessageKind::kError);
}

// The log's account of the table handed over and of the settings.
void TfrmZelvimoMAIN::LogRunInput() {
    const DataWindowReport report = frmBUISDATA->Report();
    ADDLOG("****** " + SessionLabel() + " READ DATA FOR PIEZOMETERREGRESSONS ******");
    ADDLOG("Used file  : " + report.inputFileName);
    LogTableEdits(report);
    for (auto [role, name] : {std::pair{kRoleMHW, "MHW"}, {kRoleMSW, "MSW"}, {kRoleMLW, "MLW"}})
        if (report.roleColumns[role] != -1)
            ADDLOG(kIndent + "Title column " + name + "   : " + report.roleTexts[role]);
    struct Sd {
        int role;
        const char* name;
        std::size_t conversion;
    };
    for (Sd sd :
         {Sd{kRoleSdMHW, "sdMHW", 0}, Sd{kRoleSdMSW, "sdMSW", 1}, Sd{kRoleSdMLW, "sdMLW", 2}}) {
        if (report.roleColumns[sd.role] == -1) continue;
        ADDLOG(kIndent + "Title column " + sd.name + " : " + report.roleTexts[sd.role]);
        const SdConversionState state = report.sdConversion[sd.conversion];
        if (state.sqrtEnabled != state.sqrEnabled)
            ADDLOG(kIndent + ">> " + sd.name +
                   (state.sqrtEnabled ? " replaced by its squared value."
                                      : " replaced by its square root."));
    }
    if (!report.roleTexts[kStrataRole].empty())
        ADDLOG(kIndent + "Title column strata: " + report.roleTexts[kStrataRole]);
    else
        ADDLOG(kIndent + "No column with strata given.");
    for (std::size_t q = 0; q < report.measurementColumns.size(); ++q)
        ADDLOG(kIndent + "Measurement data " + std::to_string(q + 1) +
               " :column title= " + report.measurementColumns[q]);
    for (const std::string& finding : piezometerFindings)
        ADDLOG(finding);
    ADDLOG();

    const std::string& selection = cmbbxPREDICT.text;
    ADDLOG("****** " + SessionLabel() + " SETTINGS PIEZOMETERREGRESSIONS ******");
    ADDLOG("To predict        : " + selection);
    ADDLOG(kIndent + (chckbxCONST.checked ? "Regression with regression constant"
                                          : "Regression without regression constant"));
    ADDLOG(kIndent + cmbbxSTRATAyesno.text);
    if (Contains(selection, "MHW")) ADDLOG(kIndent + "Type regression MHW: " + cmbbxWEIGHTGHG.text);
    if (Contains(selection, "MSW")) ADDLOG(kIndent + "Type regression MSW: " + CMBBXWEIGHTGVG.text);
    if (Contains(selection, "MLW")) ADDLOG(kIndent + "Type regression MLW: " + cmbbxWEIGHTGLG.text);
    ADDLOG();
    ADDLOG("****** " + SessionLabel() + " RESULTS PIEZOMETER REGRESSIONS ******");
}

void TfrmZelvimoMAIN::btbttnOKTABINDEX0Click() {
    PrepareRunControls();
    if (!rehearsal) RemoveEarlierRun();
    lblPROGRESS.caption = "Progress (% regressions done)";
    const RegressionSettings settings = RunSettings();
    ggPROGRESS.position = 0;

    ADDLOG();
    StartSession();
    LogRunInput();
    SetMilestone(mijlpaal::na_instellen);

    GaugeFeedback feedback(*this, ggPROGRESS, "ggPROGRESS");
    lastRun = RegressionOutcome{};
    lastRunSettings = settings;
    lastRunTable = strgrdBUISDATA;
    if (rehearsal) {
        // The plan is all the settings of the later steps depend on.
        for (PlannedJob& job : PlanRegressionJobs(settings))
            lastRun.jobs.push_back({std::move(job), 0, JobStatus::kTooFewRecords});
    } else {
        lastRun = RunRegressions(settings, strgrdBUISDATA, feedback);
    }

    FreeVector(dateColumns);
    Overview1.visible = !lastRun.jobs.empty();
    btbttnOVERVIEW.enabled = !lastRun.jobs.empty();
    tbcntrlZelvimoMAIN.tabIndex = 1;
    SetResultTabsEnabled(true);
    tbcntrlZelvimoMAINChange();
    ADDLOG(std::to_string(lastRun.prepared) + " regressions were prepared (inputfiles).");
    ADDLOG("Of these,  " + std::to_string(lastRun.skipped) + " regressions were not performed.");
    if (!rehearsal && lastRun.fitted == 0) ReportEmptyRun(settings);
    SetMilestone(mijlpaal::na_uitvoeren);
    FlushLog();
}

}  // namespace tarnovel
