// "Start Prediction": censored measurements replaced by their
// maximum-likelihood estimate, then for every location and kind the model
// chosen from the result files of the regression run, its prediction, and
// the prediction file.

#include <cmath>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/io_error.h"
#include "common/number_format.h"
#include "common/text.h"
#include "common/text_file.h"
#include "prediction/censored.h"
#include "prediction/prediction_model.h"
#include "shell/main_form.h"
#include "tables/handoff.h"

namespace tarnovel {

namespace {

constexpr const char* kCensoredInput = "invoer_censored.txt";
constexpr const char* kCensoredOutput = "uitvoer_censored.txt";
constexpr const char* kMissingCell = "missing";
constexpr const char* kLineBreak = "\r\n";
const std::string kIndent(20, ' ');

const char* TrueFalse(bool value) {
    return value ? "true" : "false";
}

// A value for the prediction file; nothing that is not a finite number is
// ever written there.
void PutValue(std::string& cell, double value) {
    if (std::isfinite(value)) cell = W(value, 10, 3);
}

double RequiredNumber(const ResultSummary& file, const std::optional<double>& value,
                      const char* what) {
    if (!value)
        throw IoError("Cannot read file", file.name, std::string(what) + " is not a number");
    return *value;
}

// One measurement of a location: its row, and the columns of the measurement
// and of its variance.
struct Measurement {
    int row;
    int measColumn;
    int varColumn;
};

}  // namespace

void TfrmZelvimoMAIN::btbttnSTARTPREDICTClick() {
    grpbxFACULTATIEF.enabled = false;

    // Every press starts from the table as "OK" fixed it, so a second press
    // neither stacks columns nor estimates from values it replaced itself.
    if (fieldTableFixed) {
        const bool visible = strgrdMEETDATA.visible;
        const bool enabled = strgrdMEETDATA.enabled;
        strgrdMEETDATA = fieldTableAtOk;
        strgrdMEETDATA.visible = visible;
        strgrdMEETDATA.enabled = enabled;
    } else {
        fieldTableAtOk = strgrdMEETDATA;
        fieldTableFixed = true;
    }
    StringGrid& table = strgrdMEETDATA;
    const std::string kindsText = cmbbxTEVOORSPELLEN.text;
    const std::string outputName = edtNAAMRESULT.text;
    const int R = table.rowCount;
    const int base = table.colCount;
    const std::vector<std::string> titles = AppendedColumnTitles(kindsText);
    table.Resize(base + static_cast<int>(titles.size()), R);
    for (std::size_t k = 0; k < titles.size(); ++k) {
        std::vector<std::string>& column = table.cells[static_cast<std::size_t>(base) + k];
        column.assign(static_cast<std::size_t>(R), kMissingCell);
        if (R > 0) column[0] = titles[k];
    }
    const int colVarMeas1 = base;
    const int colVarMeas2 = base + 1;

    // The report of the inputs.
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
    ADDLOG("Result file   : " + outputName);
    ADDLOG("MxW to predict: " + kindsText);
    ADDLOG(kIndent + (chckbxSTRATAAPART.checked ? "Use separate regressions for all strata."
                                                : "Use the same regressions for all strata."));
    if (chckbxMAXLIKELI.checked) {
        ADDLOG(kIndent + "Maximum-likelihood estimates for \">\" measurements.");
        for (const std::string& entry : lstbxMLNODIG.items)
            ADDLOG(kIndent + entry);
    } else {
        ADDLOG(kIndent + "No maximum-likelihood estimates for \">\" measurements.");
    }

    auto cellOf = [&table](int column, int row) -> const std::string& {
        static const std::string empty;
        return column < 0 ? empty : table.Cell(column, row);
    };

    if (chckbxMAXLIKELI.checked && !censoredEntries.empty()) {
        // The measurements of each date in row order, the first pair of a row
        // before its second; the dates themselves never change here.
        std::unordered_map<std::string, std::vector<Measurement>> byDate;
        const std::pair<int, int> pairs[2] = {{colDate1, colMeas1}, {colDate2, colMeas2}};
        const int varColumns[2] = {colVarMeas1, colVarMeas2};
        for (int r = 1; r < R; ++r)
            for (int k = 0; k < 2; ++k)
                if (pairs[k].second >= 0)
                    byDate[cellOf(pairs[k].first, r)].push_back(
                        {r, pairs[k].second, varColumns[k]});

        for (const auto& [D, M] : censoredEntries) {
            const std::vector<Measurement>& measured = byDate[D];
            std::vector<std::string> lines;
            lines.reserve(measured.size());
            for (const Measurement& m : measured) {
                const std::string& cell = table.Cell(m.measColumn, m.row);
                lines.push_back(RemoveBlanks(Contains(cell, ">") ? M : cell));
            }
            WriteTextFile(kCensoredInput, lines);
            const CensoredEstimate estimate = EstimateCensored(
                kCensoredInput, kCensoredOutput,
                [this](const std::string& message) { platform_.ShowMessage(message); });
            if (!estimate.estimated) {
                // The censored values stay as they are: only models that do
                // not need them can be chosen for their locations.
                const std::string message =
                    ReduceBlanks(M + " at date <" + D +
                                 "> not replaced: no maximum-likelihood estimate possible.");
                platform_.ShowMessage(message);
                ADDLOG(kIndent + message);
                continue;
            }
            const std::string E = W(estimate.estimate, 15, 2);
            const std::string V = W(estimate.variance, 15, 3);
            for (const Measurement& m : measured) {
                std::string& cell = table.Cell(m.measColumn, m.row);
                std::string& variance = table.Cell(m.varColumn, m.row);
                if (Contains(cell, M)) {
                    cell = E;
                    variance = V;
                } else if (variance == kMissingCell && IsNumber(RemoveBlanks(cell))) {
                    // Observed on a date with censored values. A value
                    // replaced for an earlier entry of this date keeps its
                    // variance, and "missing" stays missing.
                    variance = "0";
                }
            }
            ADDLOG(kIndent + ReduceBlanks(M + " at date <" + D + "> replaced by " + E +
                                          " with variance " + V));
        }
    }

    Bewaren();
    ADDLOG();
    ADDLOG("****** " + SessionLabel() + " PREDICTION MxW MEASUREMENTS ******");

    const std::vector<std::string> kinds = KindsToPredict(kindsText);
    const bool separately = chckbxSTRATAAPART.checked && colFieldStrata >= 0;
    const bool constant = chckbxCONST.checked;
    auto weightingOf = [this](const std::string& kind) {
        const ComboBox* box = Contains(kind, "MHW")   ? &cmbbxWEIGHTGHG
                              : Contains(kind, "MSW") ? &CMBBXWEIGHTGVG
                              : Contains(kind, "MLW") ? &cmbbxWEIGHTGLG
                                                      : nullptr;
        return WeightingTag(box != nullptr ? box->text : std::string());
    };
    std::vector<std::string> tags;
    for (const std::string& kind : kinds)
        tags.push_back(weightingOf(kind));

    ResultCache cache;
    auto readNumber = [](const std::string& text, bool& isNumber) {
        double value = std::nan("");
        isNumber = IsNumber(text) && ParseNumber(text, value);
        return isNumber ? value : std::nan("");
    };
    ggPROGRESSPREDICT.position = 0;
    std::string block;
    for (int r = 1; r < R; ++r) {
        const std::string& D1 = cellOf(colDate1, r);
        const std::string& M1 = cellOf(colMeas1, r);
        const std::string& D2 = cellOf(colDate2, r);
        const std::string& M2 = cellOf(colMeas2, r);
        const std::string d1 = RemoveBlanks(D1);
        const std::string m1 = RemoveBlanks(M1);
        const std::string d2 = RemoveBlanks(D2);
        const std::string m2 = RemoveBlanks(M2);
        const std::string S = separately ? table.Cell(colFieldStrata, r) : std::string("nostrata");
        bool m1Number = false;
        bool m2Number = false;
        const double x1 = readNumber(m1, m1Number);
        const double x2 = readNumber(m2, m2Number);
        const std::string datapoint = "datapoint: " + D1 + "/" + M1 + " en " + D2 + "/" + M2;

        for (std::size_t k = 0; k < kinds.size(); ++k) {
            const std::string tail = "-" + kinds[k] + "-" + tags[k] + ".out";
            const std::string name12 = S + "-" + d1 + "-" + d2 + tail;
            const std::string name21 = S + "-" + d2 + "-" + d1 + tail;
            const std::string name11 = S + "-" + d1 + "-" + d1 + tail;
            const std::string name22 = S + "-" + d2 + "-" + d2 + tail;
            const ResultSummary& file12 = cache.Get(name12);
            const ResultSummary& file21 = cache.Get(name21);
            const ResultSummary* files[3] = {&file12, &cache.Get(name11), &cache.Get(name22)};

            std::string note;
            if (file12.exists) {
                if (file21.exists) note = name21 + kLineBreak + "2 complete models found (?)";
            } else if (file21.exists) {
                files[0] = &file21;
            } else {
                note = name21 + " (complete model): not found" + kLineBreak;
            }

            ModelEvidence evidence;
            evidence.constant = constant;
            evidence.m1Number = m1Number;
            evidence.m2Number = m2Number;
            for (int model = 0; model < 3; ++model) {
                const ResultSummary& file = *files[model];
                evidence.exists[model] = file.exists;
                if (!file.exists) continue;
                evidence.n[model] = RequiredNumber(file, file.n, "the number of observations");
                evidence.s[model] = RequiredNumber(file, file.s, "the residual error");
            }
            const ModelChoice choice = ChooseModel(evidence);

            const std::string* selectedName = nullptr;
            if (choice.selected) {
                switch (*choice.selected) {
                    case ModelKind::kComplete:
                        selectedName = &files[0]->name;
                        break;
                    case ModelKind::kDate1:
                        selectedName = &name11;
                        break;
                    case ModelKind::kDate2:
                        selectedName = &name22;
                        break;
                }
            }

            block = ReduceBlanks(datapoint + kLineBreak + note);
            const std::string* labels[3] = {&name12, &name11, &name22};
            for (int model = 0; model < 3; ++model) {
                const ModelStatistics& st = choice.statistics[model];
                const ModelFlags& flags = choice.flags[model];
                block += "MODEL " + std::to_string(model + 1) + " " + *labels[model] + ":  " +
                         kLineBreak + " Cp=" + W(st.Cp, 5, 2) + "; SSres=" + W(st.SS, 10, 2) +
                         kLineBreak + " Measurements present=" + TrueFalse(flags.present) +
                         " Candidate model=" + TrueFalse(flags.candidate) +
                         " Selected model=" + TrueFalse(flags.selectable);
                if (model < 2) block += kLineBreak;
            }
            block += kLineBreak;
            block += "MODEL " + (selectedName != nullptr ? *selectedName : std::string("none")) +
                     " selected.";
            block += kLineBreak;
            block += kLineBreak;
            ADDLOG(block);

            const int kindBlock = KindBlock(kindsText, kinds[k]);
            if (selectedName == nullptr || kindBlock < 0) continue;
            const ResultSummary& selected = cache.Get(*selectedName);
            if (!selected.exists) continue;
            const bool twoDates =
                Contains(*selectedName, d1 + "-" + d2) || Contains(*selectedName, d2 + "-" + d1);
            const PredictionValues values = Predict(selected, constant, twoDates, d1, d2, x1, x2);
            const int column = base + 2 + 4 * kindBlock;
            PutValue(table.Cell(column, r), values.y0);
            PutValue(table.Cell(column + 1, r), values.sd);
            PutValue(table.Cell(column + 2, r), values.threshold);
            PutValue(table.Cell(column + 3, r), values.leverage);
        }

        // Repainted only when the bar moves: a survey has far more locations
        // than the bar has positions.
        const int position = static_cast<int>(std::nearbyint(100.0 * r / (R - 1)));
        if (position != ggPROGRESSPREDICT.position) {
            ggPROGRESSPREDICT.position = position;
            platform_.Repaint("ggPROGRESSPREDICT");
        }
    }

    SetMilestone(mijlpaal::na_voorspellen);
    Bewaren();
    platform_.ShowMessage("Results stored in " + outputName + "\n" + "Logfile: " + LogFileName() +
                          "\n\n" + "Program ready. You can close this window.");
    ADDLOG("MxW predictions written to: " + outputName);
    FlushLog();
}

void TfrmZelvimoMAIN::Bewaren() {
    static const char* const kDelimiters[3] = {";", ",", "\t"};
    const int item = rdgrpPREDSEP.itemIndex;
    const std::string delimiter = kDelimiters[item >= 0 && item < 3 ? item : 0];
    const StringGrid& table = strgrdMEETDATA;
    TextFileWriter out(edtNAAMRESULT.text);
    std::string line;
    for (int r = 0; r < table.rowCount; ++r) {
        line.clear();
        for (int c = 0; c < table.colCount; ++c) {
            for (const char ch : table.Cell(c, r))
                if (ch != ' ') line += ch;
            line += delimiter;
        }
        out.WriteLine(line);
    }
    out.Commit();
}

}  // namespace tarnovel
