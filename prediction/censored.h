#pragma once
// untCENSORED: one replacement value, with its variance, for all censored
// ("deeper than") measurements of a survey date. The date's measurements are
// taken as a normal sample censored above a single cut-off T; mean and
// standard deviation come from the maximum-likelihood estimator for singly
// censored samples, and the replacement is the mean of that normal
// distribution beyond T.

#include <functional>
#include <string>

#include "engine/linalg.h"

namespace tarnovel {

inline constexpr int kLambdaRows = 22;
inline constexpr int kLambdaColumns = 100;

// The correction factor table, 1-based: cell(i, j) is lambda for the
// proportion censored rowValues[i] and alpha columnValues[j], rounded to
// 5 decimals.
struct LambdaTable {
    Matrix cell;
    Vector rowValues;     // h: 0.01 .. 0.90
    Vector columnValues;  // alpha: 0.00 .. 10.0
};

// The table of this process, computed on first use.
const LambdaTable& GetLambdaTable();

// Lambda for one proportion censored h and one alpha (for a standardised
// cut-off xi with Y = h / (1 - h) phi(xi) / (1 - Phi(xi)):
// alpha = (1 - Y (Y + xi)) / (Y + xi)^2 and lambda = Y / (Y + xi), xi the
// smallest root with Y + xi > 0), unrounded.
double LambdaFromDefinition(double h, double alpha);

// Bilinear interpolation in the table; values on a row or column value use
// it exactly, values beyond the table the nearest edge (no extrapolation).
double LambdaLookup(double h, double alpha);

struct CensoredEstimate {
    // False when the data allow no estimate (see noEstimateReason); no
    // report file is written then, and estimate and variance are 0.
    bool estimated = false;
    double estimate = 0;  // mean of a censored measurement
    double variance = 0;
    double h = 0;  // proportion censored, c / N
    double alpha = 0;
    double lambda = 0;
    double cutOff = 0;          // T
    std::string cutOffText;     // the censored line as the input file held it
    int integrationPasses = 0;  // 0 when the moments were taken in closed form
    std::string noEstimateReason;
};

// Reads inputFile (one measurement a line: a number, or ">" followed by a
// depth; other lines are ignored), writes the three-line report outputFile
// when an estimate was made, and passes every message for the user to
// showMessage. Throws IoError when a file cannot be read or written.
CensoredEstimate EstimateCensored(const std::string& inputFile, const std::string& outputFile,
                                  const std::function<void(const std::string&)>& showMessage);

}  // namespace tarnovel
