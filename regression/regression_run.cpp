#include "regression/regression_run.h"

#include <string>

#include "common/file_system.h"
#include "common/io_error.h"
#include "common/text.h"
#include "common/text_file.h"
#include "engine/regression_job.h"
#include "regression/job_names.h"
#include "tables/handoff.h"
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

// Fits the job whose file was just written, logs it and tells the outcome.
JobStatus FitJob(const PlannedJob& job, const std::string& text, int records, bool constant,
                 Feedback& feedback) {
    const int c = constant ? 1 : 0;
    const bool enough = job.date1 == job.date2 ? c + 1 < records : c + 2 < records;
    if (!enough) {
        feedback.Log("No regression on " + job.jobFile + " (too few data points).");
        return JobStatus::kTooFewRecords;
    }
    JobSettings settings;
    settings.jobFileName = job.jobFile;
    settings.jobText = &text;
    settings.constant = constant;
    settings.showMessages = false;
    settings.weightingMode = job.tag == kWeightedTag ? 1 : 0;
    if (RunRegressionJob(settings) == JobOutcome::NotConverged) {
        feedback.Log("No regression on " + job.jobFile + " (the fit did not converge).");
        return JobStatus::kNotConverged;
    }
    feedback.Log("Regression on <" + job.jobFile + "> done and results written to <*.out>.");
    return JobStatus::kFitted;
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
    BoolMatrix selected;
    for (const PlannedJob& job : plan) {
        CheckJobFileName(job);
        SelectJobRecords(table, job, settings.colStrata, selected);
        int records = 0;
        const std::string text = JobFileText(table, job, settings, selected, records);
        FreeBoolMatrix(selected, table.colCount);
        TextFileWriter out(job.jobFile);
        out.Write(text);
        out.Commit();
        ++outcome.prepared;
        outcome.filesWritten.push_back(job.jobFile);

        const JobStatus status = FitJob(job, text, records, settings.constant, feedback);
        if (status == JobStatus::kFitted) {
            ++outcome.fitted;
            outcome.filesWritten.push_back(ResultFileName(job.jobFile));
        } else {
            ++outcome.skipped;
        }
        outcome.jobs.push_back({job, records, status});
        feedback.Progress(
            static_cast<int>(outcome.prepared * 100 / static_cast<long long>(plan.size())));
    }
    return outcome;
}

void SelectJobRecords(const StringGrid& table, const PlannedJob& job, int colStrata,
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
    for (int c = 0; c < C; ++c) {
        const std::string& title = table.Cell(c, 0);
        if (title == job.stratum || title == job.date1 || title == job.date2 || title == job.kind ||
            title == job.tag)
            for (int r = 0; r < R; ++r)
                selection[c][r] = 1;
    }
    const bool filterStratum = colStrata != -1 && job.stratum != kAllStrata &&
                               job.stratum != kPooledStratum && job.stratum != kNoStrata;
    for (int r = 0; r < R; ++r) {
        bool dropped = false;
        for (int c = 0; c < C && !dropped; ++c)
            dropped = selection[c][r] && Contains(table.Cell(c, r), kMissing);
        if (filterStratum && !Contains(table.Cell(colStrata, r), job.stratum)) dropped = true;
        if (dropped) {
            for (int c = 0; c <= C; ++c)
                selection[c][r] = 0;
        } else {
            selection[C][r] = 1;
        }
    }
}

std::string JobFileText(const StringGrid& table, const PlannedJob& job,
                        const RegressionSettings& settings, const BoolMatrix& selection,
                        int& records) {
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
    for (int r = 1; r < R; ++r) {
        if (!selection[C][r]) continue;
        for (int c = 0; c < C; ++c)
            if (selection[c][r] && c != mxw) (text += table.Cell(c, r)) += ' ';
        (text += table.Cell(mxw, r)) += ' ';
        if (sd != -1) (text += table.Cell(sd, r)) += ' ';
        text += "\r\n";
    }
    return text;
}

}  // namespace tarnovel
