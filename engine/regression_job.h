#pragma once
// The regression job: one job file (.dat) in, one result file (.out) out.
// The result file's layout is read back by line text and column position,
// so it is fixed to the character.

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/linalg.h"
#include "engine/multiple_fit.h"

namespace tarnovel {

inline constexpr int kMaxJobVariables = 500;
inline constexpr int kMaxJobObservations = kMaxVectorBound;

struct JobSettings {
    std::string jobFileName;  // used unchanged; relative to the current directory
    // The job file's bytes, when the caller has just written them: read from
    // here instead of from the file (the same bytes, so the same numbers).
    const std::string* jobText = nullptr;
    // With jobText: the numbers of its record lines, every field in order,
    // when the caller knows them (each line one record, each field read by
    // ParseNumber). Taken instead of reading them again when they are as
    // many as the records need.
    const std::vector<double>* jobNumbers = nullptr;
    bool constant = true;
    bool showMessages = false;
    int weightingMode = 0;  // 0 unweighted, otherwise weighted (an s value per record)
    // Where messages go when showMessages is set.
    std::function<void(const std::string&)> showMessage;
};

struct JobRecord {
    std::string title;
    int k = 0;
    std::vector<std::string> names;  // slots 1..500, slot 0 unused
    std::string yName;
    int n = 0;
    Matrix X;  // k x n
    Vector Y;  // 1..n
    Vector s;  // 1..n, zeros when unweighted
};

struct JobResults {
    Vector b;
    Matrix V;
    Vector yhat;
    Vector sd;
    FitStatistics stats;
};

// A job that cannot run: its file is not a job file the engine can fit.
class JobError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class [[nodiscard]] JobOutcome{Written, NotConverged};

// Fits performed by this process so far: how tools and tests see that no job
// is fitted twice.
long long RegressionFitCount();

// The result file name: the file-name part of the job file name up to its
// first ".", then ".out", in the job file's folder.
std::string ResultFileName(const std::string& jobFileName);

// Reads the job file into `job` and sets element 0 of `model` to k. Returns 0,
// or -1 when the file names fewer than 2 variables. Throws IoError when the
// file cannot be read or a number field is not a number, JobError when the
// file lies outside the engine's limits.
int ReadJobFile(const std::string& name, int weightingMode, JobRecord& job, Vector& model);
// The same from the job file's bytes; name only names the file in messages.
// numbers, when given and as many as the records' fields, are the fields of
// the record lines in order (see JobSettings::jobNumbers).
int ReadJobText(std::string_view bytes, const std::string& name, int weightingMode, JobRecord& job,
                Vector& model, const std::vector<double>* numbers = nullptr);

// The result file's bytes; WriteResultFile writes them.
std::string ResultFileText(const JobSettings& settings, const JobRecord& job, const Vector& model,
                           const JobResults& results);
void WriteResultFile(const JobSettings& settings, const JobRecord& job, const Vector& model,
                     const JobResults& results);

// The fit of one job, without touching any file but the job file it reads
// (none when settings.jobText holds its bytes): resultText := the result
// file's bytes when Written. Throws as RunRegressionJob does. Safe to call
// from several threads at once for different jobs.
JobOutcome FitRegressionJob(const JobSettings& settings, std::string& resultText);

// Runs one job. Returns Written when the result file was written, or
// NotConverged when the fit failed (no result file then). Throws IoError
// for input/output failures and JobError for a job file it cannot fit
// (fewer than 2 variables among them); in every failure no result file of
// this job's name is left behind.
JobOutcome RunRegressionJob(const JobSettings& settings);

}  // namespace tarnovel
