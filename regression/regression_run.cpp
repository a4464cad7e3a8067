// The regression run: one job per stratum pass, date (pair) and MxW kind,
// each written as a job file and fitted by the regression engine.

#include <algorithm>
#include <cmath>
#include <string>

#include "common/file_system.h"
#include "common/io_error.h"
#include "common/text.h"
#include "common/text_file.h"
#include "engine/regression_job.h"
#include "shell/main_form.h"
#include "tables/buisdata_form.h"
#include "tables/handoff.h"

namespace tarnovel {

namespace {

constexpr const char* kNoStrata = "no strata";
constexpr const char* kAllStrata = "all strata separately";
constexpr const char* kPooled = "nostrata";
const std::string kIndent(20, ' ');

// Leftovers of an earlier run: for every result file whose name holds a "-",
// its result file, job file and scatterplot. A name matched by "*.out" only
// without regard to case (OLD-RESULT.OUT) has no base name: it stays, and
// the archive moves it.
void RemoveEarlierRun() {
    for (const std::string& name : ListFiles("*.out")) {
        if (name.empty() || name[0] == '.' || !Contains(name, "-")) continue;
        const std::size_t end = name.find(".out");
        if (end == std::string::npos) continue;
        const std::string base = name.substr(0, end);
        for (const char* extension : {".out", ".dat", ".wmf"})
            if (FileExists(base + extension)) DeleteFile(base + extension);
    }
}

// A title that would put the job file outside the current directory, or
// that a file name cannot hold, ends the run as a file error.
void CheckJobFileName(const std::string& jobFile, const std::string& datum1,
                      const std::string& datum2, const std::string& stratum) {
    if (jobFile.find_first_of(std::string("/\\\0", 3)) == std::string::npos) return;
    std::string culprit = stratum;
    for (const std::string* t : {&datum1, &datum2})
        if (t->find_first_of(std::string("/\\\0", 3)) != std::string::npos) culprit = *t;
    throw IoError("Cannot create file", jobFile,
                  "the title or stratum \"" + culprit +
                      "\" holds a character that a file name in this folder cannot hold");
}

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
    return box != nullptr && Contains(box->text, "unweighted") ? "ong" : "gew";
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

void TfrmZelvimoMAIN::subselectie(const std::string& stratumtxt, const std::string& datum1txt,
                                  const std::string& datum2txt, const std::string& gxgtxt,
                                  const std::string& tmptxt, int stratkol, BoolMatrix& selection) {
    const StringGrid& table = strgrdBUISDATA;
    const int C = table.colCount;
    const int R = table.rowCount;
    AllocBoolMatrix(selection, C, R);
    if (selection.empty())
        throw IoError("Cannot select the records of", "the piezometer table",
                      "it has " + std::to_string(C) + " columns and " + std::to_string(R) +
                          " rows; a regression run takes at most " +
                          std::to_string(kMaxMatrixRowBound) + " columns and " +
                          std::to_string(kMaxBoolColumnBound) + " rows");
    for (int c = 0; c < C; ++c) {
        const std::string& title = table.Cell(c, 0);
        if (title == stratumtxt || title == datum1txt || title == datum2txt || title == gxgtxt ||
            title == tmptxt)
            for (int r = 0; r < R; ++r)
                selection[c][r] = 1;
    }
    const bool filterStratum = stratkol != -1 && stratumtxt != kAllStrata &&
                               stratumtxt != kPooled && stratumtxt != kNoStrata;
    for (int r = 0; r < R; ++r) {
        bool dropped = false;
        for (int c = 0; c < C && !dropped; ++c)
            dropped = selection[c][r] && Contains(table.Cell(c, r), kMissing);
        if (filterStratum && !Contains(table.Cell(stratkol, r), stratumtxt)) dropped = true;
        if (dropped) {
            for (int c = 0; c <= C; ++c)
                selection[c][r] = 0;
        } else {
            selection[C][r] = 1;
        }
    }
}

int TfrmZelvimoMAIN::schrijfselectie(const std::string& jobFile, const std::string& stratumtxt,
                                     const std::string& datum1txt, const std::string& datum2txt,
                                     const std::string& gxgtxt, const std::string& tmptxt,
                                     const BoolMatrix& selection) {
    const StringGrid& table = strgrdBUISDATA;
    const int C = table.colCount;
    const int R = table.rowCount;
    const int column1 = FindColumn(table, datum1txt);
    const int column2 = FindColumn(table, datum2txt);

    TextFileWriter out(jobFile);
    out.WriteLine("from: " + datum1txt + " + " + datum2txt + " to: " + gxgtxt + " (stratum:" +
                  stratumtxt + ", " + (tmptxt == "ong" ? "unweighted)" : "weighted)"));
    if (datum1txt == datum2txt) {
        out.WriteLine("2 variables");
        out.WriteLine(datum1txt);
    } else {
        out.WriteLine("3 variables");
        out.WriteLine(column1 <= column2 ? datum1txt : datum2txt);
        out.WriteLine(column1 <= column2 ? datum2txt : datum1txt);
    }
    out.WriteLine(gxgtxt);

    const int mxw = FindColumn(table, gxgtxt);
    if (mxw == -1)
        throw IoError("Cannot create file", jobFile,
                      "the table has no column titled \"" + gxgtxt + "\"");
    int sd = -1;
    if (tmptxt == "gew") {
        if (colMHW == mxw)
            sd = colSdMHW;
        else if (colMSW == mxw)
            sd = colSdMSW;
        else if (colMLW == mxw)
            sd = colSdMLW;
    }

    int N = 0;
    for (int r = 1; r < R; ++r)
        N += selection[C][r] ? 1 : 0;
    out.WriteLine(std::to_string(N) + " observations");
    std::string line;
    for (int r = 1; r < R; ++r) {
        if (!selection[C][r]) continue;
        line.clear();
        for (int c = 0; c < C; ++c)
            if (selection[c][r] && c != mxw) line += table.Cell(c, r) + " ";
        line += table.Cell(mxw, r) + " ";
        if (sd != -1) line += table.Cell(sd, r) + " ";
        out.WriteLine(line);
    }
    out.Commit();
    return N;
}

void TfrmZelvimoMAIN::btbttnOKTABINDEX0Click() {
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

    RemoveEarlierRun();
    lblPROGRESS.caption = "Progress (% regressions done)";

    const std::string selection = cmbbxPREDICT.text;
    int K = 1;
    if (selection.empty()) {
        K = 0;  // no kinds in the table: nothing to fit
    } else if (Contains(selection, "+")) {
        K = (colMHW != -1) + (colMSW != -1) + (colMLW != -1);
        K = std::min(K, static_cast<int>(cmbbxPREDICT.items.size()) - 1);
    }
    const int S = cmbbxSTRATA.text == kNoStrata ? 1 : strataCount - 1;
    if (cmbbxSTRATA.items.size() > 1 && cmbbxSTRATA.items[1] == kAllStrata)
        cmbbxSTRATA.items.erase(cmbbxSTRATA.items.begin() + 1);

    // The date columns live from a load to the end of the next run; a run
    // that no load preceded has no dates.
    const int n = static_cast<int>(dateColumns.size()) > dateCount ? dateCount : 0;
    const long long T = (static_cast<long long>(n) * (n - 1) / 2 + n) * S * K;
    long long prepared = 0;
    long long skipped = 0;
    ggPROGRESS.position = 0;

    ADDLOG();
    StartSession();

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
    ADDLOG();

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

    SetMilestone(mijlpaal::na_instellen);

    auto dateTitle = [&](int i) {
        const int column = static_cast<int>(std::lround(dateColumns[static_cast<std::size_t>(i)]));
        return strgrdBUISDATA.Cell(column, 0);
    };
    const int c = chckbxCONST.checked ? 1 : 0;

    BoolMatrix selected;
    for (int s = 1; s <= S; ++s) {
        const std::string stratumItem = cmbbxSTRATA.items[static_cast<std::size_t>(s - 1)];
        const std::string stratum = stratumItem == kNoStrata ? kPooled : stratumItem;
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= i; ++j) {
                for (int k = 1; k <= K; ++k) {
                    const std::string datum1 = dateTitle(i);
                    const std::string datum2 = dateTitle(j);
                    const std::string kind =
                        K == 1 ? selection : cmbbxPREDICT.items[static_cast<std::size_t>(k)];
                    const std::string tag = WeightingTagOf(kind);
                    const std::string jobFile =
                        stratum + "-" + datum1 + "-" + datum2 + "-" + kind + "-" + tag + ".dat";
                    CheckJobFileName(jobFile, datum1, datum2, stratum);

                    subselectie(stratum, datum1, datum2, kind, tag, colStrata, selected);
                    const int N =
                        schrijfselectie(jobFile, stratum, datum1, datum2, kind, tag, selected);
                    FreeBoolMatrix(selected, strgrdBUISDATA.colCount);
                    ++prepared;

                    JobSettings job;
                    job.jobFileName = jobFile;
                    job.constant = chckbxCONST.checked;
                    job.showMessages = false;
                    job.weightingMode = tag == "gew" ? 1 : 0;
                    const bool enough = datum1 == datum2 ? c + 1 < N : c + 2 < N;
                    if (enough) {
                        RunRegressionJob(job);
                        ADDLOG("Regression on <" + jobFile +
                               "> done and results written to <*.out>.");
                    } else {
                        ++skipped;
                        ADDLOG("No regression on " + jobFile + " (too few data points).");
                    }
                    ggPROGRESS.position = static_cast<int>(prepared * 100 / T);
                    platform_.Repaint("ggPROGRESS");
                }
            }
        }
    }

    FreeVector(dateColumns);
    tbcntrlZelvimoMAIN.tabIndex = 1;
    SetResultTabsEnabled(true);
    tbcntrlZelvimoMAINChange();
    ADDLOG(std::to_string(prepared) + " regressions were prepared (inputfiles).");
    ADDLOG("Of these,  " + std::to_string(skipped) + " regressions were not performed.");
    SetMilestone(mijlpaal::na_uitvoeren);
    FlushLog();
}

}  // namespace tarnovel
