#pragma once
// The plain-data steps of the prediction at field-work locations: the kinds
// to predict and their columns, the censored-value list and its order, the
// statistics, flags and choice of the candidate models, and the result-file
// reading behind them.

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/text.h"

namespace tarnovel {

// ------------------------------------------------------------------ texts

// text without any blank.
std::string RemoveBlanks(std::string_view text);

// text with every run of blanks reduced to one blank.
std::string ReduceBlanks(std::string_view text);

// text added to `to` with every run of blanks reduced to one blank, runs
// that span both included.
void AppendReduced(std::string& to, std::string_view text);

// ------------------------------------------------------- kinds and columns

// The kinds of a kinds text: the text itself when it holds no "+",
// otherwise its pieces between the "+" signs, blanks removed.
std::vector<std::string> KindsToPredict(const std::string& kinds);

// The titles of the columns appended to the field table: the two variance
// columns, then four per kind. A text with "+" always gets the blocks of
// MHW, MSW and MLW, predicted or not.
std::vector<std::string> AppendedColumnTitles(const std::string& kinds);

// Index (0-based) of a kind's block among the appended blocks, -1 when the
// kinds text has no block for it.
int KindBlock(const std::string& kinds, const std::string& kind);

// ---------------------------------------------------- censored-value list

// One censored measurement of a date, as both cells stand in the field table
// (padding included). Its list text is date + "&" + measurement.
struct CensoredEntry {
    std::string date;
    std::string measurement;
    std::string Text() const { return date + "&" + measurement; }
};

// True when date a's key exceeds date b's: the key is the sum of the
// character codes times 1000 to the power of their position, so a longer
// text has the larger key, and texts of one length compare from their last
// character back. Compared exactly, character by character.
bool DateKeyGreater(std::string_view a, std::string_view b);

// The integer part of the number after the ">" of a censored cell; 0 when
// no number follows.
double CutOffOf(std::string_view measurement);

// Dates by decreasing key; within a date, increasing cut-off; otherwise the
// order stays.
void OrderCensoredList(std::vector<CensoredEntry>& list);

// ----------------------------------------------------------------- models

inline constexpr double kNoModel = -9999;

// The statistics of one candidate model: all kNoModel when its result file
// does not exist.
struct ModelStatistics {
    double n = kNoModel;
    double MS = kNoModel;  // residual mean square s * s
    double p = kNoModel;   // coefficients
    double SS = kNoModel;  // residual sum of squares (n - p) MS
    double Cp = kNoModel;  // Mallows' Cp against the complete model's MS
};

struct ModelFlags {
    bool present = false;     // usable: its file exists and its measurements are numbers
    bool candidate = false;   // passes the Cp test p + 3 > Cp
    bool selectable = false;  // present and candidate
};

enum class ModelKind { kComplete = 0, kDate1 = 1, kDate2 = 2 };

// What is known of the three candidate models of one location and kind.
struct ModelEvidence {
    bool constant = true;         // the run fitted a constant
    bool exists[3] = {};          // result file found (complete: either order)
    double n[3] = {}, s[3] = {};  // read from the files that exist
    bool m1Number = false, m2Number = false;
};

struct ModelChoice {
    ModelStatistics statistics[3];
    ModelFlags flags[3];
    std::optional<ModelKind> selected;
};

// Statistics, flags and the model chosen, by Mallows' Cp when a complete
// model exists, else the date-2 model before the date-1 model.
ModelChoice ChooseModel(const ModelEvidence& evidence);

// ------------------------------------------------------------ result files

// What the prediction reads from one result file, each line as a search
// from the file's first line finds it (the last line of the file when the
// key is absent, as the search leaves it).
struct ResultSummary {
    std::string name;
    bool exists = false;
    std::optional<double> n;  // columns 43-47 of "Number of observations"
    std::optional<double> s;  // columns 43-52 of "Residual error"
    // "   b0", "   b1", "   b2": found, and the estimate of columns 6-22
    // when it reads as a number.
    std::array<bool, 3> coefficientFound{};
    std::array<std::optional<double>, 3> coefficient;
    std::string x1Line;  // the line holding "x1    "
    std::string x2Line;  // the line holding "x2  "
    // The numbers at the start of each of the (up to three) lines after the
    // variance-covariance heading, its name line and its rule.
    std::vector<std::vector<double>> covarianceRows;
};

// Reads one result file; a summary with exists false when there is none.
// Throws IoError when the file exists but cannot be read.
ResultSummary ReadResultSummary(const std::string& name);

// Each result file read once, however many locations use it. Several
// threads may ask at once; a summary, once read, stays where it is and
// unchanged while the cache lives. A file that cannot be read is tried
// again at the next request.
class ResultCache {
  public:
    const ResultSummary& Get(const std::string& name);

  private:
    std::mutex mutex_;
    std::unordered_map<std::string, std::unique_ptr<ResultSummary>> files_;
};

// ------------------------------------------------------------- prediction

struct PredictionValues {
    double y0 = 0;         // predicted MxW
    double sd = 0;         // its standard deviation sqrt(MS + q)
    double leverage = 0;   // q / MS = x0'(X'WX)^-1 x0
    double threshold = 0;  // 2H / n
};

// The prediction of the selected model from its result file. twoDates: the
// model is fitted on both dates (its name holds d1-d2 or d2-d1). Throws
// IoError when a number that is needed cannot be read.
PredictionValues Predict(const ResultSummary& file, bool constant, bool twoDates,
                         const std::string& d1, const std::string& d2, double m1, double m2);

}  // namespace tarnovel
