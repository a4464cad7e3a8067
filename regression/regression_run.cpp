#include "regression/regression_run.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/file_system.h"
#include "common/io_error.h"
#include "common/parallel.h"
#include "common/text.h"
#include "common/text_file.h"
#include "engine/regression_job.h"
#include "regression/job_names.h"
#include "tables/handoff.h"
#include "tables/table_checks.h"
#include "tables/table_grid.h"

namespace tarnovel {

namespace {

constexpr const char* kNoStrata = "no strata";
constexpr const char* kAllStrata = "all strata separately";

// A title that would put the job file outside the current directory, or
// that a file name cannot hold, ends the run as a file error.
void CheckJobFileName(const PlannedJob& job) {
    const std::string forbidden("/\\\0", 3);
    if (job.jobFile.find_first_of(forbidden) == std::string::npos) return;
    std::string culprit = job.stratum;
    for (const std::string* t : {&job.date1, &job.date2})
        if (t->find_first_of(forbidden) != std::string::npos) culprit = *t;
    throw IoError("Cannot create file", job.jobFile,
                  "the title or stratum \"" + culprit +
                      "\" holds a character that a file name in this folder cannot hold");
}

// The sd column that weights a job of the MxW column mxw; -1 unweighted.
int SdColumnOf(const RegressionSettings& settings, int mxw, const std::string& tag) {
    if (tag != kWeightedTag) return -1;
    if (settings.colMHW == mxw) return settings.colSdMHW;
    if (settings.colMSW == mxw) return settings.colSdMSW;
    if (settings.colMLW == mxw) return settings.colSdMLW;
    return -1;
}

// The columns but `except` of which the selection marks a cell in some
// record row, in order: a job reads only a few of a table's columns, and
// its rows are visited column by column.
std::vector<int> MarkedColumns(const BoolMatrix& selection, int colCount, int rowCount,
                               int except) {
    std::vector<int> columns;
    if (rowCount < 2) return columns;
    // Looked at eight marks at a time: most columns have none.
    const auto anyMark = [rowCount](const std::vector<unsigned char>& marks) {
        const unsigned char* mark = marks.data() + 1;
        const unsigned char* last = marks.data() + rowCount;
        for (; last - mark >= 8; mark += 8) {
            std::uint64_t eight = 0;
            std::memcpy(&eight, mark, 8);
            if (eight != 0) return true;
        }
        return std::any_of(mark, last, [](unsigned char m) { return m != 0; });
    };
    for (int c = 0; c < colCount; ++c)
        if (c != except && anyMark(selection[static_cast<std::size_t>(c)])) columns.push_back(c);
    return columns;
}

// The first cell of the job's records, in the order of its job file, that
// the job reader cannot read as a number: the row and column, or -1, -1.
std::pair<int, int> FirstUnreadableCell(const TableText& table, const PlannedJob& job,
                                        const RegressionSettings& settings,
                                        const BoolMatrix& selection) {
    const int C = table.colCount;
    const int mxw = FindColumn(table, job.kind);
    const int sd = SdColumnOf(settings, mxw, job.tag);
    const std::vector<int> columns = MarkedColumns(selection, C, table.rowCount, mxw);
    for (int r = 1; r < table.rowCount; ++r) {
        if (!selection[C][r]) continue;
        for (const int c : columns)
            if (selection[c][r] && !table.Readable(c, r)) return {r, c};
        for (int c : {mxw, sd})
            if (c != -1 && !table.Readable(c, r)) return {r, c};
    }
    return {-1, -1};
}

// Names the user's table, line and column of a cell the job cannot read,
// logs it and ends the run.
void RefuseUnreadableCell(const StringGrid& table, const RegressionSettings& settings, int row,
                          int column, Feedback& feedback) {
    const std::string title = static_cast<std::size_t>(column) < settings.sourceTitles.size()
                                  ? settings.sourceTitles[static_cast<std::size_t>(column)]
                                  : Title(table, column);
    const IoError error("Invalid numeric input in",
                        CellPlace(settings.sourceName, settings.rowsAreLines, row, title),
                        NotANumberReason(table.Cell(column, row)));
    feedback.Log(std::string("Error: ") + error.what());
    throw error;
}

// Everything of one job that touches no file, worked out ahead of the
// writing: its job file's bytes and, where it can be fitted, its result
// file's bytes. An error is kept for the moment the job's turn comes, so
// that the run ends where it would end with one job after another.
struct PreparedJob {
    std::string jobText;
    std::vector<double> numbers;  // of the job text's records, when known
    int records = 0;
    std::pair<int, int> badCell{-1, -1};
    JobStatus status = JobStatus::kTooFewRecords;
    std::string resultText;
    std::exception_ptr beforeWriting;  // from the checks and the selection
    std::exception_ptr fitting;        // from the fit
};

void Prepare(const TableText& table, const PlannedJob& job, const RegressionSettings& settings,
             PreparedJob& prepared) {
    try {
        CheckJobFileName(job);
        BoolMatrix selected;
        SelectJobRecords(table, job, settings.colStrata, selected);
        prepared.jobText =
            JobFileText(table, job, settings, selected, prepared.records, &prepared.numbers);
        // Numbers of every field: every cell is readable.
        if (prepared.numbers.empty())
            prepared.badCell = FirstUnreadableCell(table, job, settings, selected);
    } catch (...) {
        prepared.beforeWriting = std::current_exception();
        return;
    }
    const int c = settings.constant ? 1 : 0;
    const bool enough =
        job.date1 == job.date2 ? c + 1 < prepared.records : c + 2 < prepared.records;
    if (!enough || prepared.badCell.first != -1) return;
    JobSettings fit;
    fit.jobFileName = job.jobFile;
    fit.jobText = &prepared.jobText;
    fit.jobNumbers = &prepared.numbers;
    fit.constant = settings.constant;
    fit.showMessages = false;
    fit.weightingMode = job.tag == kWeightedTag ? 1 : 0;
    try {
        prepared.status = FitRegressionJob(fit, prepared.resultText) == JobOutcome::Written
                              ? JobStatus::kFitted
                              : JobStatus::kNotConverged;
    } catch (...) {
        prepared.fitting = std::current_exception();
    }
    // Only the fit reads them; the block keeps its texts until written.
    std::vector<double>().swap(prepared.numbers);
}

// Prepares jobs [first, last) of the plan on the team's threads, handed out
// one at a time; each job's preparation writes only to its own entry. The
// calling thread first does `alongside`.
void PrepareBlock(const TableText& table, const std::vector<PlannedJob>& plan,
                  const RegressionSettings& settings, std::size_t first, std::size_t last,
                  ThreadTeam& team, std::vector<PreparedJob>& block,
                  const std::function<void()>& alongside) {
    block.assign(last - first, PreparedJob{});
    team.ForEach(
        last - first,
        [&](std::size_t i, unsigned) { Prepare(table, plan[first + i], settings, block[i]); },
        alongside);
}

// A job's result file is the proof that it was fitted: none may stand for a
// job that was not.
void RemoveResultOf(const PlannedJob& job) {
    const std::string result = ResultFileName(job.jobFile);
    if (FileExists(result)) DeleteFile(result);
}

// Writes one prepared job's files and log line, in run order.
JobStatus Finish(const StringGrid& table, const RegressionSettings& settings, const PlannedJob& job,
                 PreparedJob& prepared, Feedback& feedback, RegressionOutcome& outcome) {
    if (prepared.beforeWriting) std::rethrow_exception(prepared.beforeWriting);
    TextFileWriter out(job.jobFile);
    out.Write(prepared.jobText);
    out.Commit();
    ++outcome.prepared;
    outcome.filesWritten.push_back(job.jobFile);
    if (prepared.badCell.first != -1)
        RefuseUnreadableCell(table, settings, prepared.badCell.first, prepared.badCell.second,
                             feedback);
    if (prepared.fitting) {
        RemoveResultOf(job);
        std::rethrow_exception(prepared.fitting);
    }
    switch (prepared.status) {
        case JobStatus::kTooFewRecords:
            feedback.Log("No regression on " + job.jobFile + " (too few data points).");
            break;
        case JobStatus::kNotConverged:
            RemoveResultOf(job);
            feedback.Log("No regression on " + job.jobFile + " (the fit did not converge).");
            break;
        case JobStatus::kFitted: {
            TextFileWriter result(ResultFileName(job.jobFile));
            result.Write(prepared.resultText);
            result.Commit();
            feedback.Log("Regression on <" + job.jobFile +
                         "> done and results written to <*.out>.");
            break;
        }
    }
    return prepared.status;
}

}  // namespace

void RemoveEarlierRun() {
    // A name matched by "*.out" only without regard to case (OLD-RESULT.OUT)
    // has no base name: it stays, and the archive moves it.
    for (const std::string& name : ListFiles("*.out")) {
        if (name.empty() || name[0] == '.' || !Contains(name, "-")) continue;
        const std::size_t end = name.find(".out");
        if (end == std::string::npos) continue;
        const std::string base = name.substr(0, end);
        for (const char* extension : {".out", ".dat", ".wmf"})
            if (FileExists(base + extension)) DeleteFile(base + extension);
    }
}

std::vector<PlannedJob> PlanRegressionJobs(const RegressionSettings& settings) {
    std::vector<PlannedJob> plan;
    const std::size_t n = settings.dates.size();
    for (const std::string& stratum : settings.strata)
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j <= i; ++j)
                for (std::size_t k = 0; k < settings.kinds.size(); ++k) {
                    PlannedJob job{stratum,           settings.dates[i], settings.dates[j],
                                   settings.kinds[k], settings.tags[k],  {}};
                    job.jobFile =
                        JobBaseName(job.stratum, job.date1, job.date2, job.kind, job.tag) + ".dat";
                    plan.push_back(std::move(job));
                }
    return plan;
}

RegressionOutcome RunRegressions(const RegressionSettings& settings, const StringGrid& table,
                                 Feedback& feedback) {
    RegressionOutcome outcome;
    const std::vector<PlannedJob> plan = PlanRegressionJobs(settings);
    const unsigned threads = WorkerThreads(settings.threads);
    ThreadTeam team(threads);
    const TableText cells(table);
    // Blocks keep the memory of the prepared files small and the progress
    // bar moving. The jobs of a block are fitted side by side while the
    // calling thread writes the block before it, in run order.
    const std::size_t blockSize = 16 * threads;
    auto finish = [&](std::size_t first, std::vector<PreparedJob>& block) {
        for (std::size_t i = first; i < first + block.size(); ++i) {
            PreparedJob& prepared = block[i - first];
            const JobStatus status = Finish(table, settings, plan[i], prepared, feedback, outcome);
            if (status == JobStatus::kFitted) {
                ++outcome.fitted;
                outcome.filesWritten.push_back(ResultFileName(plan[i].jobFile));
            } else {
                ++outcome.skipped;
            }
            outcome.jobs.push_back({plan[i], prepared.records, status});
            feedback.Progress(
                static_cast<int>(outcome.prepared * 100 / static_cast<long long>(plan.size())));
        }
    };
    WorkInBlocks<std::vector<PreparedJob>>(
        0, plan.size(), blockSize,
        [&](std::size_t first, std::vector<PreparedJob>& block,
            const std::function<void()>& alongside) {
            PrepareBlock(cells, plan, settings, first, std::min(plan.size(), first + blockSize),
                         team, block, alongside);
        },
        finish);
    return outcome;
}

void SelectJobRecords(const TableText& table, const PlannedJob& job, int colStrata,
                      BoolMatrix& selection) {
    const int C = table.colCount;
    const int R = table.rowCount;
    AllocBoolMatrix(selection, C, R);
    if (selection.empty())
        throw IoError("Cannot select the records of", "the piezometer table",
                      "it has " + std::to_string(C) + " columns and " + std::to_string(R) +
                          " rows; a regression run takes at most " +
                          std::to_string(kMaxMatrixRowBound) + " columns and " +
                          std::to_string(kMaxBoolColumnBound) + " rows");
    // Only the few columns the job reads are looked at row by row: a run
    // selects records for every job from the whole table.
    std::vector<int> chosen;
    for (int c = 0; c < C; ++c) {
        const std::string_view title = table.Cell(c, 0);
        if (title == job.stratum || title == job.date1 || title == job.date2 || title == job.kind ||
            title == job.tag)
            chosen.push_back(c);
    }
    const bool filterStratum = colStrata != -1 && job.stratum != kAllStrata &&
                               job.stratum != kPooledStratum && job.stratum != kNoStrata;
    const std::vector<unsigned char>* inStratum =
        filterStratum ? &table.RowsContaining(colStrata, job.stratum) : nullptr;
    for (int r = 0; r < R; ++r) {
        bool dropped = inStratum != nullptr && (*inStratum)[static_cast<std::size_t>(r)] == 0;
        for (std::size_t k = 0; k < chosen.size() && !dropped; ++k)
            dropped = table.HoldsMissing(chosen[k], r);
        if (dropped) continue;
        for (const int c : chosen)
            selection[c][r] = 1;
        selection[C][r] = 1;
    }
}

std::string JobFileText(const TableText& table, const PlannedJob& job,
                        const RegressionSettings& settings, const BoolMatrix& selection,
                        int& records, std::vector<double>* numbers) {
    const int C = table.colCount;
    const int R = table.rowCount;
    const int column1 = FindColumn(table, job.date1);
    const int column2 = FindColumn(table, job.date2);

    std::string text;
    auto line = [&text](std::string_view part) {
        text += part;
        text += "\r\n";
    };
    line("from: " + job.date1 + " + " + job.date2 + " to: " + job.kind + " (stratum:" +
         job.stratum + ", " + (job.tag == kUnweightedTag ? "unweighted)" : "weighted)"));
    if (job.date1 == job.date2) {
        line("2 variables");
        line(job.date1);
    } else {
        line("3 variables");
        line(column1 <= column2 ? job.date1 : job.date2);
        line(column1 <= column2 ? job.date2 : job.date1);
    }
    line(job.kind);

    const int mxw = FindColumn(table, job.kind);
    if (mxw == -1)
        throw IoError("Cannot create file", job.jobFile,
                      "the table has no column titled \"" + job.kind + "\"");
    const int sd = SdColumnOf(settings, mxw, job.tag);

    records = 0;
    for (int r = 1; r < R; ++r)
        records += selection[C][r] ? 1 : 0;
    line(std::to_string(records) + " observations");
    // The numbers stand for the text only where the reader finds every
    // header line where it was written and one field in each cell.
    const auto oneLine = [](const std::string& part) {
        return part.find_first_of("\r\n") == std::string::npos;
    };
    bool readable = numbers != nullptr && oneLine(job.stratum) && oneLine(job.date1) &&
                    oneLine(job.date2) && oneLine(job.kind);
    if (numbers != nullptr) numbers->clear();
    auto cell = [&](int c, int r) {
        text += table.Cell(c, r);
        text += ' ';
        if (!readable) return;
        readable = table.Readable(c, r);
        numbers->push_back(table.Number(c, r));
    };
    std::size_t fields = 0;  // on each record line
    const std::vector<int> columns = MarkedColumns(selection, C, R, mxw);
    int firstRecord = 1;
    while (firstRecord < R && !selection[C][firstRecord])
        ++firstRecord;
    for (int r = 1; r < R; ++r) {
        if (!selection[C][r]) continue;
        const std::size_t recordStart = text.size();
        const std::size_t before = readable ? numbers->size() : 0;
        for (const int c : columns)
            if (selection[c][r]) cell(c, r);
        cell(mxw, r);
        if (sd != -1) cell(sd, r);
        text += "\r\n";
        // Records are mostly alike in length: room for them all at once.
        if (r == firstRecord) text.reserve(text.size() + (text.size() - recordStart) * records);
        if (!readable) continue;
        if (fields == 0) fields = numbers->size() - before;
        readable = numbers->size() - before == fields;
    }
    if (!readable && numbers != nullptr) numbers->clear();
    return text;
}

}  // namespace tarnovel
