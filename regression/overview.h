#pragma once
// The overview of a regression run: one row per job with its fit, its
// leave-one-out prediction error and its status, and per job the residuals
// by piezometer and the piezometers it left out. Computed again from the
// table and the settings of the run, so it needs neither the result files
// nor the job files, and changes neither.

#include <optional>
#include <string>
#include <vector>

#include "controls/controls.h"
#include "regression/regression_run.h"

namespace tarnovel {

// A leverage this close to 1 is 1: the record alone fixes its fitted value,
// and leaving it out leaves its prediction undetermined.
inline constexpr double kLeverageOneTolerance = 1e-9;
inline bool LeverageIsOne(double h) {
    return h >= 1 - kLeverageOneTolerance;
}

// One record of a fitted job, in the order of the job file.
struct OverviewResidual {
    std::string piezometer;   // the record's cell in the table's first column
    double measured = 0;      // the MxW of the record
    double predicted = 0;     // the fitted MxW
    double residual = 0;      // measured - predicted
    double standardised = 0;  // residual / its standard deviation; 0 when that is 0
    double leverage = 0;      // h_ii = w_i x_i'(X'WX)^-1 x_i
};

// A record of the job's stratum that the job could not use.
struct LeftOutRecord {
    std::string piezometer;
    std::vector<std::string> missingIn;  // titles of the job's columns that hold "missing"
};

enum class OverviewStatus { kFitted, kTooFewRecords, kNotFitted };

struct OverviewRow {
    std::string stratum;  // without the blanks that pad it in file names
    std::string kind;     // "MHW", "MSW" or "MLW"
    std::string date1, date2;
    std::string weighting;  // "unweighted" or "weighted"
    std::string jobFile;
    int n = 0;  // records of the job
    // Missing where the job has no fit, and r2 and r2 adj where they fall
    // outside 0..1, as the result file leaves them out.
    std::optional<double> s, r2, r2adj;
    // sqrt(PRESS / sum of w_i); missing without a fit or where some
    // leverage is 1.
    std::optional<double> looRmse;
    OverviewStatus status = OverviewStatus::kFitted;
    std::string statusText;  // "fitted", "too few data points", "not fitted: <why>"
    std::vector<OverviewResidual> residuals;
    std::vector<LeftOutRecord> leftOut;
};

// Every job of the run, in run order. table and settings must be those the
// run was given.
std::vector<OverviewRow> BuildOverview(const RegressionOutcome& run, const StringGrid& table,
                                       const RegressionSettings& settings);

// The column titles of the overview, in order.
const std::vector<std::string>& OverviewColumns();

// The text of one cell of a row, column as in OverviewColumns(): numbers
// with a decimal point and 8 decimals, "missing" where there is none.
std::string OverviewCell(const OverviewRow& row, int column);

// The overview as a ";"-separated text: the column titles, then one line per
// row; every line ends in CR LF, and a cell holding ";", a quote or a line
// break is quoted.
std::string OverviewCsv(const std::vector<OverviewRow>& rows);

// One field of a ";"-separated line, quoted when it has to be.
std::string CsvField(const std::string& text);

// Writes OverviewCsv(rows) to the file; throws IoError when it cannot.
void WriteOverviewFile(const std::string& name, const std::vector<OverviewRow>& rows);

}  // namespace tarnovel
