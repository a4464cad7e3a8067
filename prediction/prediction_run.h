#pragma once
// The prediction at field-work locations as an operation on plain data:
// "deeper than" measurements replaced by their maximum-likelihood estimate,
// then for every location and kind the model chosen among the result files
// of the regression run, its prediction, and the prediction file.

#include <cstdint>
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
    // Each censored measurement of a date at its own depth, fitted by exact
    // maximum likelihood, instead of the table method's single cut-off.
    bool exactMaximumLikelihood = false;
    // The censored entries (date cell, measurement cell) in list order.
    std::vector<std::pair<std::string, std::string>> censoredEntries;
    std::string outputName;  // the prediction file
    std::string delimiter;   // of the prediction file: ";", "," or a tab
    std::string sessionLabel;
    // Keep the model of every location and kind in the outcome. The list
    // costs a few bytes a location, which a very large survey may not
    // want to spend.
    bool keepModels = true;
    // Threads that work out the locations side by side; 0: one per core.
    // The files, the log and the models list are the same for any number.
    int threads = 1;
    // Locations worked out at a time, ahead of their turn to be logged and
    // filled in; two blocks are held at once, some 3 KB a location.
    int blockLocations = 512;
    // Columns of the field table (0-based, -1 when absent).
    int colDate1 = -1, colMeas1 = -1, colDate2 = -1, colMeas2 = -1, colStrata = -1;
};

// A result file that gave a prediction.
struct PredictionModel {
    std::string resultFile;
    std::string date1, date2;  // its dates; date2 empty for a model on one date
    int p = 0;                 // coefficients
    double n = 0;              // piezometers
};

enum class Extrapolation : std::uint8_t { kUnknown, kNo, kYes };

// kYes when the leverage exceeds the threshold, kNo when it does not,
// kUnknown when either is no finite number.
Extrapolation ExtrapolationOf(double leverage, double threshold);

// Which of a location's candidate models gave its prediction.
enum class ModelUse : std::uint8_t { kNone, kBothDates, kDate1, kDate2 };

// The model of one location and kind: an index into the outcome's models,
// -1 when none gave a prediction, how the location used it, and whether its
// leverage exceeds the model's threshold 2p/n.
struct LocationModel {
    std::int32_t model = -1;
    ModelUse use = ModelUse::kNone;
    Extrapolation extrapolation = Extrapolation::kUnknown;
};

struct PredictionOutcome {
    long long locations = 0;           // records of the field table
    std::vector<long long> predicted;  // per kind of kindsText: locations given a value
    int estimatesMade = 0;             // censored entries replaced
    int estimatesRefused = 0;          // censored entries without an estimate

    // With keepModels: the kinds predicted, the first column of each kind's
    // four columns (-1 when the table has none), the columns of the field
    // table before them, the models used, and the model of each location
    // and kind at choices[(row - 1) * kinds.size() + kind].
    std::vector<std::string> kinds;
    std::vector<int> kindColumns;
    int locationColumns = 0;
    int tableColumns = 0;
    std::vector<PredictionModel> models;
    std::vector<LocationModel> choices;
};

// Appends the variance and prediction columns to table, replaces the
// censored measurements when asked, writes the prediction file, then
// predicts every location and kind, logging the model choice of each, and
// writes the prediction file again with the predictions. The table ends as
// the prediction file holds it. Throws IoError when a file cannot be read or
// written.
PredictionOutcome RunPrediction(const PredictionSettings& settings, StringGrid& table,
                                Feedback& feedback);

class ThreadTeam;

// Writes table to the prediction file: every cell without its blanks,
// followed by the delimiter. With a team, the lines are made on its threads
// a block at a time while the calling thread writes the block before.
void WritePredictionFile(const StringGrid& table, const std::string& name,
                         const std::string& delimiter, ThreadTeam* team = nullptr);

// The models list of a prediction: one row per location and kind, row i
// for location i / kinds + 1 and kind i % kinds. Its columns: "Row" (the
// location's line below the title line of the prediction file), the
// location's cells as the prediction file holds them, the kind, the model
// used ("both dates", "date 1", "date 2" or "none") and its dates, p and
// n, the kind's four values of the prediction file, whether they
// extrapolate (leverage above 2p/n) and the model's result file. No rows
// when the outcome kept no models or table is not the table it predicted.
std::vector<std::string> ModelsTitles(const PredictionOutcome& outcome, const StringGrid& table);
std::size_t ModelsRowCount(const PredictionOutcome& outcome, const StringGrid& table);
std::string ModelsCell(const PredictionOutcome& outcome, const StringGrid& table, std::size_t row,
                       int column);

// The models list as a ";"-separated text under a title line, each line
// ending in CR LF.
std::string ModelsCsv(const PredictionOutcome& outcome, const StringGrid& table);

// Writes ModelsCsv to the file; throws IoError when it cannot.
void WriteModelsFile(const std::string& name, const PredictionOutcome& outcome,
                     const StringGrid& table);

}  // namespace tarnovel
