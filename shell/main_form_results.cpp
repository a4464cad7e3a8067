// The results tab: pick one regression job of the last run by stratum, MxW
// kind and date(s), show its statistics and coefficients, draw and save its
// scatterplot.

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/file_system.h"
#include "common/io_error.h"
#include "common/number_format.h"
#include "common/text.h"
#include "common/utf8.h"
#include "regression/job_names.h"
#include "regression/result_file.h"
#include "regression/scatterplot.h"
#include "shell/main_form.h"

namespace tarnovel {

namespace {

constexpr const char* kNoStrata = "no strata";
constexpr const char* kAllStrata = "all strata separately";

// Deletes `count` bytes of name from byte `from`; nothing when `from` lies
// outside the name.
void Delete(std::string& name, std::size_t from, std::size_t count) {
    if (from < name.size()) name.erase(from, count);
}

// Byte position of the character before byte `pos`, npos when there is none.
std::size_t CharacterBefore(const std::string& text, std::size_t pos) {
    if (pos == 0 || pos == std::string::npos) return std::string::npos;
    std::size_t before = pos - 1;
    while (before > 0 && (static_cast<unsigned char>(text[before]) & 0xC0) == 0x80)
        --before;
    return before;
}

// A job's date key is date1 + "-" + date2. Dates may themselves hold "-"
// (13-03-2002), so a single-date key is recognised as one text twice around
// the middle "-" rather than by splitting at its first "-".
bool IsSingleDateKey(const std::string& key) {
    if (key.size() % 2 == 0) return false;
    const std::size_t middle = key.size() / 2;
    return key[middle] == '-' && key.compare(0, middle, key, middle + 1, middle) == 0;
}

std::string DisplayDateOf(const std::string& key) {
    return IsSingleDateKey(key) ? key.substr(0, key.size() / 2) : key;
}

// The parts of a result file name that the tab's selectors fix: stratum,
// MxW kind and weighting tag.
struct ResultNameParts {
    std::string stratum;
    std::string kind;
    std::string tag;
};

ResultNameParts PartsOf(const ComboBox& stratum, const ComboBox& kind, const std::string& tag) {
    ResultNameParts parts;
    parts.stratum = stratum.text == kNoStrata ? std::string(kPooledStratum) : stratum.text;
    parts.kind = kind.text;
    parts.tag = tag;
    return parts;
}

}  // namespace

void TfrmZelvimoMAIN::TabOneSelection() {
    cmbbxSTRATA2.items.clear();
    if (cmbbxSTRATA.text == kNoStrata) {
        cmbbxSTRATA2.items.push_back(kNoStrata);
    } else {
        for (const std::string& item : cmbbxSTRATA.items)
            if (item != kAllStrata && item != kNoStrata) cmbbxSTRATA2.items.push_back(item);
    }
    cmbbxSTRATA2.text = cmbbxSTRATA2.items.empty() ? std::string() : cmbbxSTRATA2.items.front();

    cmbbxGxG.items.clear();
    const std::string& kinds = cmbbxPREDICT.text;
    for (std::size_t start = 0;;) {
        const std::size_t plus = kinds.find('+', start);
        cmbbxGxG.items.push_back(kinds.substr(start, plus - start));
        if (plus == std::string::npos) break;
        start = plus + 1;
    }
    cmbbxGxG.text = cmbbxGxG.items.front();

    Actualiseer_datumlijst();
    blankimgFIT();
    blankstrgrdFIT();
}

void TfrmZelvimoMAIN::Actualiseer_datumlijst() {
    const ResultNameParts parts = PartsOf(cmbbxSTRATA2, cmbbxGxG, WeightingTagOf(cmbbxGxG.text));
    const std::string& S = parts.stratum;
    const std::string& G = parts.kind;
    const std::string& W = parts.tag;

    lstbxTMP.items.clear();
    cmbbxDATUM1.items.clear();
    for (const std::string& file : ListFiles("*.out")) {
        if (!Contains(file, S) || !Contains(file, G) || !Contains(file, W)) continue;
        std::string key = file;
        Delete(key, key.find(S), S.size() + 1);
        Delete(key, CharacterBefore(key, key.find(G)), G.size() + 1);
        Delete(key, CharacterBefore(key, key.find(W)), W.size() + 1);
        Delete(key, key.find('.'), 4);
        lstbxTMP.items.push_back(key);
        cmbbxDATUM1.items.push_back(DisplayDateOf(key));
    }
    cmbbxDATUM1.text = cmbbxDATUM1.items.empty() ? std::string() : cmbbxDATUM1.items.front();
}

void TfrmZelvimoMAIN::blankstrgrdFIT() {
    strgrdFIT.Resize(4, 8);
    strgrdFIT.colWidths = {88, 60, 55, 56};
    static const char* const kLabels[8] = {"n",
                                           "SQRT(MSres)",
                                           "r2",
                                           "r2-adj",
                                           "Mallow's Cp",
                                           "Intercept",
                                           "Slope (*date1)",
                                           "Slope (*date2)"};
    for (int row = 0; row < 8; ++row) {
        strgrdFIT.SetCell(0, row, kLabels[row]);
        strgrdFIT.SetCell(1, row, kMissing);
        const bool coefficient = row >= 5;
        strgrdFIT.SetCell(2, row, coefficient ? kMissing : "");
        strgrdFIT.SetCell(3, row, coefficient ? kMissing : "");
    }
    strgrdFIT.SetCell(1, 4, "nb");
    strgrdFIT.SetCell(2, 4, "Std=");
    strgrdFIT.SetCell(3, 4, "t-Student=");
}

void TfrmZelvimoMAIN::blankimgFIT() {
    imgFIT.width = kPlotSize;
    imgFIT.height = kPlotSize;
    imgFIT.pixels.assign(static_cast<std::size_t>(kPlotSize) * kPlotSize, kWhite);
}

void TfrmZelvimoMAIN::btbttnSHOWClick() {
    if (presentationHeader_) {
        ADDLOG();
        ADDLOG("****** " + SessionLabel() + " PRESENTED REGRESSION RESULTS ******");
        presentationHeader_ = false;
    }
    blankstrgrdFIT();

    const ResultNameParts parts = PartsOf(cmbbxSTRATA2, cmbbxGxG, WeightingTagOf(cmbbxGxG.text));
    std::string K;
    if (!cmbbxDATUM1.items.empty()) {
        std::size_t index = 0;
        for (std::size_t i = 0; i < cmbbxDATUM1.items.size(); ++i)
            if (cmbbxDATUM1.items[i] == cmbbxDATUM1.text) index = i;
        if (index < lstbxTMP.items.size()) K = lstbxTMP.items[index];
    }
    const std::string F = parts.stratum + "-" + K + "-" + parts.kind + "-" + parts.tag + ".out";

    if (!FileExists(F)) {
        ADDLOG("Regression outfile <" + F + "> not found!" +
               "Possibly the regression was not performed because " +
               "there were too few data points.");
    } else {
        ResultLines file = OpenResultLines(F);
        // Whether a third coefficient exists follows from the job actually
        // shown, not from the selector's text, which may hold a typed value
        // or a date that contains "-" itself.
        const bool twoDates = !IsSingleDateKey(K);

        const ResultTabCells cells = ReadResultTabCells(file, twoDates);
        for (int k = 0; k < 3; ++k)
            for (int c = 0; c < 3; ++c)
                if (cells.parameters[k][c])
                    strgrdFIT.SetCell(1 + c, 5 + k, *cells.parameters[k][c]);
        const char* const absent[4] = {kMissing, kMissing, "Not calculated", "Not calculated"};
        for (int row = 0; row < 4; ++row)
            strgrdFIT.SetCell(1, row, cells.statistics[row].value_or(absent[row]));
        platform_.Repaint("strgrdFIT");

        // The count only says how many lines to read: it never sizes
        // anything before those lines are there.
        const std::string& count = strgrdFIT.Cell(1, 0);
        double parsed = 0;
        const double rounded = ParseNumber(count, parsed) ? std::nearbyint(parsed) : 0.0;
        const long long n =
            rounded > 0 && std::isfinite(rounded) ? static_cast<long long>(rounded) : 0;
        bool residualsFound = false;
        const std::vector<Observation> table = ReadResiduals(file, n, residualsFound);
        notFound = !residualsFound;

        std::unique_ptr<Canvas> canvas = platform_.NewCanvas(kPlotSize, kPlotSize);
        if (!canvas) throw IoError("Cannot draw", ScatterplotFileName(F), "no canvas to draw on");
        DrawScatterplot(*canvas, table, F);
        Raster picture = canvas->Snapshot();
        imgFIT.width = picture.width;
        imgFIT.height = picture.height;
        imgFIT.pixels = std::move(picture.pixels);
        imgFIT.visible = true;
        platform_.Repaint("imgFIT");

        canvas->SaveAsBitmap(ScatterplotFileName(F));
        ADDLOG("Regression outputfile <" + F + "> presented. Scatterplot <*.wmf> saved to file");
    }

    if (milestone_ != mijlpaal::na_voorspellen)
        SetMilestone(mijlpaal::na_rapporteren);
    else
        status(milestone_);
    FlushLog();
}

void TfrmZelvimoMAIN::cmbbxSTRATA2Change() {
    Actualiseer_datumlijst();
    blankstrgrdFIT();
    blankimgFIT();
}

void TfrmZelvimoMAIN::cmbbxGxGChange() {
    Actualiseer_datumlijst();
    blankstrgrdFIT();
    blankimgFIT();
}

void TfrmZelvimoMAIN::cmbbxDATUM1Change() {
    blankstrgrdFIT();
    blankimgFIT();
}

void TfrmZelvimoMAIN::cmbbxSTRATA2Enter() {
    ShowHint(cmbbxSTRATA2.hint);
}
void TfrmZelvimoMAIN::cmbbxSTRATA2Click() {
    ShowHint(cmbbxSTRATA2.hint);
}
void TfrmZelvimoMAIN::cmbbxGxGClick() {
    ShowHint(cmbbxGxG.hint);
}
void TfrmZelvimoMAIN::cmbbxGxGEnter() {
    ShowHint(cmbbxGxG.hint);
}
void TfrmZelvimoMAIN::cmbbxDATUM1Click() {
    ShowHint(cmbbxDATUM1.hint);
}
void TfrmZelvimoMAIN::cmbbxDATUM1Enter() {
    ShowHint(cmbbxDATUM1.hint);
}
void TfrmZelvimoMAIN::btbttnSHOWMouseMove() {
    ShowHint(btbttnSHOW.hint);
}
void TfrmZelvimoMAIN::btbttnOVERVIEWMouseMove() {
    ShowHint(btbttnOVERVIEW.hint);
}
void TfrmZelvimoMAIN::strgrdFITMouseMove() {
    ShowHint(strgrdFIT.hint);
}
void TfrmZelvimoMAIN::imgFITMouseMove() {
    ShowHint(imgFIT.hint);
}

}  // namespace tarnovel
