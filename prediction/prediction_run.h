#pragma once
// The prediction at field-work locations as an operation on plain data:
// "deeper than" measurements replaced by their maximum-likelihood estimate,
// then for every location and kind the model chosen among the result files
// of the regression run, its prediction, and the prediction file.

#include <string>
#include <utility>
#include <vector>

#include "common/feedback.h"
#include "controls/controls.h"

namespace tarnovel {

// The choices of tab 2 and the field table's roles, as the prediction needs
// them.
struct PredictionSettings {
    std::string kindsText;           // the kinds selector's text: "MHW+MSW+MLW", "MSW", ...
    std::vector<std::string> tags;   // the weighting tag of each kind of kindsText
    bool separately = false;         // each stratum's own regressions
    bool constant = true;            // the run fitted a constant
    bool maximumLikelihood = false;  // replace censored measurements
    // The censored entries (date cell, measurement cell) in list order.
    std::vector<std::pair<std::string, std::string>> censoredEntries;
    std::string outputName;  // the prediction file
    std::string delimiter;   // of the prediction file: ";", "," or a tab
    std::string sessionLabel;
    // Columns of the field table (0-based, -1 when absent).
    int colDate1 = -1, colMeas1 = -1, colDate2 = -1, colMeas2 = -1, colStrata = -1;
};

struct PredictionOutcome {
    long long locations = 0;           // records of the field table
    std::vector<long long> predicted;  // per kind of kindsText: locations given a value
    int estimatesMade = 0;             // censored entries replaced
    int estimatesRefused = 0;          // censored entries without an estimate
};

// Appends the variance and prediction columns to table, replaces the
// censored measurements when asked, writes the prediction file, then
// predicts every location and kind, logging the model choice of each, and
// writes the prediction file again with the predictions. The table ends as
// the prediction file holds it. Throws IoError when a file cannot be read or
// written.
PredictionOutcome RunPrediction(const PredictionSettings& settings, StringGrid& table,
                                Feedback& feedback);

// Writes table to the prediction file: every cell without its blanks,
// followed by the delimiter.
void WritePredictionFile(const StringGrid& table, const std::string& name,
                         const std::string& delimiter);

}  // namespace tarnovel
