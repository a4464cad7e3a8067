#pragma once
// A main window in a fresh directory with a scripted field window that hands
// over a table as "Ready!" would, and result files written by hand in the
// layout of the regression engine.

#include <optional>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "tests/regression/piezometer_session.h"

namespace tarnovel {

class FieldSession : public PiezometerSession {
  protected:
    // The field window's report as the scripted user leaves it.
    bool codesFound = false;
    bool censoredReplacement = false;

    // Tab 2, then "Select" with the field window handing over rows (titles
    // first) whose role columns are named by `roles` in the order Date1,
    // Date2, Date3, Meas1, Meas2, Meas3, strata (-1: none).
    void LoadField(const std::vector<std::vector<std::string>>& rows,
                   const std::vector<int>& roles) {
        main.tbcntrlZelvimoMAIN.tabIndex = 2;
        main.tbcntrlZelvimoMAINChange();
        platform.onModal["TfrmMEETDATA"] = [=, this] {
            static const char* const names[7] = {"Date1", "Date2", "Date3", "Meas1",
                                                 "Meas2", "Meas3", "STRATA"};
            meetdata.aborted = false;
            meetdata.dlgOPENMEETDATA.fileName = "/survey/field.csv";
            meetdata.codesFound = codesFound;
            meetdata.censoredReplacement = censoredReplacement;
            ComboBox* const boxes[7] = {&meetdata.cmbbxDatum1,  &meetdata.cmbbxDatum2,
                                        &meetdata.cmbbxDatum3,  &meetdata.cmbbxMeting1,
                                        &meetdata.cmbbxMeting2, &meetdata.cmbbxMeting3,
                                        &meetdata.cmbbxINSTRATA};
            std::vector<std::string> txt;
            for (std::size_t i = 0; i < 7; ++i) {
                const int c = roles[i];
                meetdata.roleColumns[i] = c;
                boxes[i]->text = c < 0 ? std::string() : rows[0][c];
                txt.push_back(c < 0 ? std::string("-1 no ") + names[i] + " found"
                                    : std::to_string(c) + " " + rows[0][c]);
            }
            Put("temp.csv", Csv(rows));
            Put("temp.txt", Lines(txt));
        };
        main.btbttnKOPPELMETINGENClick();
    }

    // Loc, Date1, Meas1, Date2, Meas2 from records of four cells.
    void LoadSurvey(const std::vector<std::vector<std::string>>& records) {
        std::vector<std::vector<std::string>> rows = {{"Loc", "Date1", "Meas1", "Date2", "Meas2"}};
        int i = 0;
        for (const auto& r : records) {
            std::vector<std::string> row = {"L" + std::to_string(++i)};
            row.insert(row.end(), r.begin(), r.end());
            rows.push_back(row);
        }
        LoadField(rows, {1, 3, -1, 2, 4, -1, -1});
    }

    void Predict(const std::string& kinds = "MHW", int delimiter = 0) {
        main.cmbbxTEVOORSPELLEN.text = kinds;
        main.rdgrpPREDSEP.itemIndex = delimiter;
        main.btbttnOKVERPLICHTClick();
        main.btbttnSTARTPREDICTClick();
    }

    // A result file in the engine's layout: a single-date model when x2 is
    // empty. V holds the rows of the variance-covariance matrix.
    static void PutResult(const std::string& name, const std::string& x1, const std::string& x2,
                          const std::vector<double>& b, int n, double s,
                          const std::vector<std::vector<double>>& V) {
        const std::string rule(73, '-');
        std::vector<std::string> lines = {std::string(73, '='), "Data file  : " + name,
                                          "Study name : from: " + x1 + " + " + x2,
                                          "x1         : " + x1};
        if (!x2.empty()) lines.push_back("x2         : " + x2);
        lines.push_back("y          : MHW");
        lines.push_back(rule);
        lines.push_back(
            "Parameter    Est.value         Std.dev.        t Student       Prob(>|t|)");
        lines.push_back(rule);
        for (std::size_t k = 0; k < b.size(); ++k)
            lines.push_back("   b" + std::to_string(k) + W(b[k], 17, 8) + "       1.00000000" +
                            "             1.00           0.5000");
        lines.push_back(rule);
        lines.push_back("Number of observations            : n   = " + I(n, 5));
        lines.push_back("Residual error                    : s   = " + W(s, 10, 8));
        lines.push_back(rule);
        lines.push_back("Variance-Covariance Matrix of estimated parameters");
        std::string heading;
        for (std::size_t k = 0; k < b.size(); ++k)
            heading += S("b" + std::to_string(k), 16);
        lines.push_back(heading);
        lines.push_back(rule);
        for (const auto& row : V) {
            std::string line;
            for (double v : row)
                line += W(v, 16, 7);
            lines.push_back(line);
        }
        lines.push_back(rule);
        lines.push_back(std::string(73, '='));
        Put(name, Lines(lines));
    }

    // Column `title` of the field table, data rows only.
    std::vector<std::string> FieldColumn(const std::string& title) const {
        const StringGrid& t = main.strgrdMEETDATA;
        for (int c = 0; c < t.colCount; ++c) {
            if (t.Cell(c, 0) != title) continue;
            std::vector<std::string> cells = t.cells[c].Strings();
            cells.erase(cells.begin());
            return cells;
        }
        return {};
    }

    // The prediction file's lines, split at CR LF.
    std::vector<std::string> FileLines(const std::string& name) const {
        std::vector<std::string> lines;
        const std::string text = Get(name);
        std::size_t pos = 0, end;
        while ((end = text.find("\r\n", pos)) != std::string::npos) {
            lines.push_back(text.substr(pos, end - pos));
            pos = end + 2;
        }
        return lines;
    }
};

}  // namespace tarnovel
