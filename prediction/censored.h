#pragma once
// untCENSORED: one replacement value, with its variance, for all censored
// ("deeper than") measurements of a survey date. The date's measurements are
// taken as a normal sample censored above a single cut-off T; mean and
// standard deviation come from the maximum-likelihood estimator for singly
// censored samples, and the replacement is the mean of that normal
// distribution beyond T.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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

// The standard normal beyond x: r = phi(x) / (1 - Phi(x)), the inverse Mills
// ratio, and spread = 1 + x r - r^2, the variance there. Neither underflows
// nor loses its digits to cancellation far out in the tail.
struct NormalTail {
    double r;
    double spread;
};
NormalTail StandardNormalTail(double x);

// One censored measurement as read: its line (">" included) and the depth
// after the ">". A line whose rest is no number keeps its place in the list
// without a depth, so that its message comes in the order of the input.
struct CensoredValue {
    std::string text;
    std::optional<double> depth;
};

// The measurements of one survey date, each list in input order.
struct CensoredSample {
    std::vector<double> uncensored;
    std::vector<CensoredValue> censored;
};

using CensoredMessages = std::function<void(const std::string&)>;

// A line that is neither a number nor holds a ">": its number (1-based) and
// text. Lines of blanks and tabs only are not passed on.
using IgnoredLine = std::function<void(std::size_t lineNumber, const std::string& text)>;

// Splits lines into uncensored values (a line that converts) and censored
// ones (a line holding ">"; blanks and ">" removed, the rest is the depth).
// Values beyond the range of a double read as infinity or zero.
CensoredSample ReadCensoredLines(const std::vector<std::string>& lines,
                                 const IgnoredLine& ignored = {});

// ReadCensoredLines on the lines of a file; throws IoError when it cannot be
// read.
CensoredSample ReadCensoredInput(const std::string& inputFile, const IgnoredLine& ignored = {});

// The cut-off of a sample: the smallest depth (at most 99999), with the text
// of its last line. Every censored line without a depth, and every depth
// above the cut-off so far, is passed to showMessage, naming source.
struct CutOffChoice {
    double value = 99999;
    std::string text;  // empty when no depth is at most 99999
    int censored = 0;  // censored values with a depth
};
CutOffChoice ChooseCutOff(const CensoredSample& sample, const std::string& source,
                          const CensoredMessages& showMessage);

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
    // The fitted normal distribution, where one was fitted.
    double mu = 0;
    double sigma = 0;
    // Exact maximum likelihood instead of the correction-factor table; the
    // report then names the method in a fourth line.
    bool exact = false;
    int iterations = 0;  // Newton steps of the exact fit
};

// The table-driven estimate for the sample's cut-off (ChooseCutOff, whose
// messages go to showMessage with source as the file name).
CensoredEstimate EstimateCensored(const CensoredSample& sample, const std::string& source,
                                  const CensoredMessages& showMessage);

// The report of an estimate made: the cut-off text, the estimate with its
// variance, c/N with alpha and lambda, and for the exact fit its method.
// Throws IoError when the file cannot be written.
void WriteCensoredReport(const std::string& outputFile, const CensoredEstimate& estimate);

// Reads inputFile (one measurement a line: a number, or ">" followed by a
// depth; other lines are ignored), writes the three-line report outputFile
// when an estimate was made, and passes every message for the user to
// showMessage. Throws IoError when a file cannot be read or written.
CensoredEstimate EstimateCensored(const std::string& inputFile, const std::string& outputFile,
                                  const CensoredMessages& showMessage);

}  // namespace tarnovel
