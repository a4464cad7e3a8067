#pragma once
// The regression run as an operation on plain data: one job per stratum,
// pair of survey dates (a date with itself included) and MxW kind; each job
// is written as a job file and fitted by the regression engine into its
// result file.

#include <string>
#include <vector>

#include "common/feedback.h"
#include "controls/controls.h"
#include "engine/linalg.h"
#include "tables/table_grid.h"

namespace tarnovel {

// The choices of tab 0 and the table's roles, as the run needs them.
struct RegressionSettings {
    // The stratum of each pass, in order: kPooledStratum for the pass over
    // all records, otherwise the text a record's stratum cell must contain.
    std::vector<std::string> strata;
    // The titles of the survey-date columns, in the order the user chose them.
    std::vector<std::string> dates;
    // The kinds to fit ("MHW", "MSW", "MLW") and the weighting tag of each.
    std::vector<std::string> kinds;
    std::vector<std::string> tags;
    bool constant = true;
    // Threads that fit jobs side by side; 0: one per core. The files and the
    // log are the same for any number.
    int threads = 0;
    // Columns of the table (0-based, -1 when absent).
    int colStrata = -1;
    int colMHW = -1, colSdMHW = -1, colMSW = -1, colSdMSW = -1, colMLW = -1, colSdMLW = -1;
    // Where the table came from, for a message about one of its cells: its
    // file (empty for a table typed in), whether row r of the table is still
    // line r + 1 of that file, and the titles as the file has them (loading
    // retitles the MxW columns; empty: the table's own).
    std::string sourceName;
    bool rowsAreLines = false;
    std::vector<std::string> sourceTitles;
};

// One job of the run, in run order.
struct PlannedJob {
    std::string stratum, date1, date2, kind, tag;
    std::string jobFile;  // "stratum-date1-date2-kind-tag.dat"
};

// Every job of the run, in the order the run performs them. Throws IoError
// when a title or stratum would put a job file outside the working folder.
std::vector<PlannedJob> PlanRegressionJobs(const RegressionSettings& settings);

enum class JobStatus { kFitted, kTooFewRecords, kNotConverged };

struct JobReport {
    PlannedJob job;
    int records = 0;  // records the job file holds
    JobStatus status = JobStatus::kFitted;
};

struct RegressionOutcome {
    long long prepared = 0;  // job files written
    long long fitted = 0;    // result files written
    long long skipped = 0;   // jobs not fitted: too few records, or no convergence
    std::vector<JobReport> jobs;
    // Every file the run wrote, in the order written.
    std::vector<std::string> filesWritten;
};

// Removes the files of an earlier run from the working folder: the result
// file, job file and scatterplot of every result file whose name holds "-".
void RemoveEarlierRun();

// Writes and fits every job of the plan on the records of table, logging one
// line per job and moving the progress bar after each. Throws IoError when a
// file cannot be read or written, and when a cell the job reads is no
// number: that error names the table's file, line and column, and is logged
// first as "Error: ..." (the job's file is written, as the job reader would
// have met it). The jobs done before stay done.
RegressionOutcome RunRegressions(const RegressionSettings& settings, const StringGrid& table,
                                 Feedback& feedback);

// ---------------------------------------------------------------- one job

// The records of one job: a row is kept when none of the job's columns
// (its stratum, date and kind columns, found by title) holds "missing" and,
// for a stratum of its own, its stratum cell contains the stratum's text.
// selection[c][r] marks the job's cells; selection[colCount][r] the rows kept.
void SelectJobRecords(const TableText& table, const PlannedJob& job, int colStrata,
                      BoolMatrix& selection);

// The job file of the rows selected, as its bytes; records := their number.
// With numbers given: numbers := every field of the record lines in order,
// as the job reader reads them, when each field is a Readable cell, each
// line holds as many and the lines above them hold no line end of their
// own; empty otherwise.
std::string JobFileText(const TableText& table, const PlannedJob& job,
                        const RegressionSettings& settings, const BoolMatrix& selection,
                        int& records, std::vector<double>* numbers = nullptr);

}  // namespace tarnovel
