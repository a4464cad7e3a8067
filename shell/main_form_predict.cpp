// "Start Prediction": the settings of tab 2 read into a PredictionSettings,
// the prediction run, and its outcome shown.

#include <algorithm>
#include <string>
#include <vector>

#include "common/text.h"
#include "prediction/prediction_model.h"
#include "prediction/prediction_run.h"
#include "regression/job_names.h"
#include "shell/main_form.h"
#include "tables/handoff.h"
#include "tables/table_checks.h"

namespace tarnovel {

namespace {

const std::string kIndent(20, ' ');

}  // namespace

// Every press starts from the table as "OK" fixed it, so a second press
// neither stacks columns nor estimates from values it replaced itself.
void TfrmZelvimoMAIN::RestoreFieldTable() {
    if (!fieldTableFixed) {
        FixFieldTable();
        return;
    }
    strgrdMEETDATA.Resize(fieldTableAtOk.colCount, strgrdMEETDATA.rowCount);
    for (const auto& [column, cells] : fieldTableAtOk.measurements)
        strgrdMEETDATA.cells[static_cast<std::size_t>(column)] = cells;
}

void TfrmZelvimoMAIN::FixFieldTable() {
    fieldTableAtOk = FieldTableAtOk();
    fieldTableAtOk.colCount = strgrdMEETDATA.colCount;
    for (const int column : {colMeas1, colMeas2})
        if (column >= 0 && column < strgrdMEETDATA.colCount)
            fieldTableAtOk.measurements.emplace_back(
                column, strgrdMEETDATA.cells[static_cast<std::size_t>(column)]);
    fieldTableFixed = true;
}

std::string TfrmZelvimoMAIN::PredictionDelimiter() const {
    static const char* const kDelimiters[3] = {";", ",", "\t"};
    const int item = rdgrpPREDSEP.itemIndex;
    return kDelimiters[item >= 0 && item < 3 ? item : 0];
}

PredictionSettings TfrmZelvimoMAIN::PredictSettings() const {
    PredictionSettings settings;
    settings.kindsText = cmbbxTEVOORSPELLEN.text;
    for (const std::string& kind : KindsToPredict(settings.kindsText)) {
        const ComboBox* box = Contains(kind, "MHW")   ? &cmbbxWEIGHTGHG
                              : Contains(kind, "MSW") ? &CMBBXWEIGHTGVG
                              : Contains(kind, "MLW") ? &cmbbxWEIGHTGLG
                                                      : nullptr;
        settings.tags.push_back(WeightingTag(box != nullptr ? box->text : std::string()));
    }
    settings.separately = chckbxSTRATAAPART.checked && colFieldStrata >= 0;
    settings.constant = chckbxCONST.checked;
    settings.maximumLikelihood = chckbxMAXLIKELI.checked;
    // A tick left on a box that is no longer offered is no choice.
    settings.exactMaximumLikelihood = chckbxEXACTML.enabled && chckbxEXACTML.checked;
    settings.censoredEntries = censoredEntries;
    settings.outputName = edtNAAMRESULT.text;
    settings.delimiter = PredictionDelimiter();
    settings.sessionLabel = SessionLabel();
    settings.threads = workerThreads;
    settings.colDate1 = colDate1;
    settings.colMeas1 = colMeas1;
    settings.colDate2 = colDate2;
    settings.colMeas2 = colMeas2;
    settings.colStrata = colFieldStrata;
    return settings;
}

// The log's account of the field table handed over and of the settings.
void TfrmZelvimoMAIN::LogPredictionInput(const PredictionSettings& settings) {
    const DataWindowReport& report = fieldReport;
    auto roleText = [&report](std::size_t role) {
        return role < report.roleTexts.size() ? report.roleTexts[role] : std::string();
    };
    auto roleFound = [&report](std::size_t role) {
        return role < report.roleColumns.size() && report.roleColumns[role] != -1;
    };
    ADDLOG();
    ADDLOG("****** " + SessionLabel() + " READ DATA FIELD MEASUREMENTS ******");
    ADDLOG("Used file         : " + report.inputFileName);
    LogTableEdits(report);
    const std::pair<std::size_t, const char*> titled[] = {
        {kRoleDate1, "Date1"}, {kRoleMeas1, "Meas1"}, {kRoleDate2, "Date2"},
        {kRoleMeas2, "Meas2"}, {kRoleDate3, "Date3"}, {kRoleMeas3, "Meas3"}};
    for (const auto& [role, name] : titled)
        if (roleFound(role)) ADDLOG(kIndent + "Title column " + name + ": " + roleText(role));
    if (!roleText(kStrataRole).empty())
        ADDLOG(kIndent + "Title column strata: " + roleText(kStrataRole));
    else
        ADDLOG(kIndent + "No column with strata given.");
    ADDLOG(kIndent + (report.codesFound ? "Non-numerical values replaced by \">\" or \"missing\""
                                        : "No non-numerical values found"));
    for (const std::string& finding : fieldFindings)
        ADDLOG(finding);
    ADDLOG("Result file   : " + settings.outputName);
    ADDLOG("MxW to predict: " + settings.kindsText);
    ADDLOG(kIndent + (chckbxSTRATAAPART.checked ? "Use separate regressions for all strata."
                                                : "Use the same regressions for all strata."));
    if (settings.maximumLikelihood) {
        ADDLOG(kIndent + "Maximum-likelihood estimates for \">\" measurements.");
        if (settings.exactMaximumLikelihood) ADDLOG(kIndent + "Method: exact maximum likelihood.");
        for (const std::string& entry : lstbxMLNODIG.items)
            ADDLOG(kIndent + entry);
    } else {
        ADDLOG(kIndent + "No maximum-likelihood estimates for \">\" measurements.");
    }
}

void TfrmZelvimoMAIN::btbttnSTARTPREDICTClick() {
    grpbxFACULTATIEF.enabled = false;
    RestoreFieldTable();
    const PredictionSettings settings = PredictSettings();
    LogPredictionInput(settings);
    CheckPredictionDates();

    ggPROGRESSPREDICT.position = 0;
    GaugeFeedback feedback(*this, ggPROGRESSPREDICT, "ggPROGRESSPREDICT");
    lastPrediction = RunPrediction(settings, strgrdMEETDATA, feedback);

    SetMilestone(mijlpaal::na_voorspellen);
    ShowPredictionOutcome(settings);
    ADDLOG("MxW predictions written to: " + settings.outputName);
    FlushLog();
}

void TfrmZelvimoMAIN::CheckPredictionDates() {
    // The dates of the run's jobs, in the order the run met them.
    std::vector<std::string> runDates;
    for (const JobReport& report : lastRun.jobs)
        for (const std::string* date : {&report.job.date1, &report.job.date2})
            if (std::find(runDates.begin(), runDates.end(), *date) == runDates.end())
                runDates.push_back(*date);
    const std::vector<std::string> findings =
        CheckFieldDates(strgrdMEETDATA, {colDate1, colDate2}, runDates);
    for (const std::string& finding : findings)
        ADDLOG(finding);
    ShowFindings(findings);
}

void TfrmZelvimoMAIN::ShowPredictionOutcome(const PredictionSettings& settings) {
    const std::vector<long long>& predicted = lastPrediction.predicted;
    if (std::any_of(predicted.begin(), predicted.end(), [](long long n) { return n > 0; })) {
        platform_.ShowMessage("Results stored in " + settings.outputName + "\n" + "Logfile: " +
                              LogFileName() + "\n\n" + "Program ready. You can close this window.");
        return;
    }
    const std::string failure = "No MxW was predicted at any location.";
    ADDLOG("Error: " + failure);
    platform_.ShowMessage(failure + "\n" + "Results stored in " + settings.outputName + "\n" +
                              "Logfile: " + LogFileName(),
                          MessageKind::kError);
}

void TfrmZelvimoMAIN::Bewaren() {
    WritePredictionFile(strgrdMEETDATA, edtNAAMRESULT.text, PredictionDelimiter());
}

}  // namespace tarnovel
