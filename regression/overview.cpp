#include "regression/overview.h"

#include <cmath>
#include <exception>
#include <string>
#include <vector>

#include "common/io_error.h"
#include "common/number_format.h"
#include "common/text.h"
#include "common/text_file.h"
#include "engine/linalg.h"
#include "engine/multiple_fit.h"
#include "engine/regression_job.h"
#include "regression/job_names.h"
#include "tables/handoff.h"

namespace tarnovel {

namespace {

constexpr const char* kNoStrata = "no strata";
constexpr const char* kAllStrata = "all strata separately";

// The table pads every cell and the run pads every stratum to 15 characters;
// the overview shows them as they were typed.
std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The columns a job reads, found by title as the record selection finds
// them.
std::vector<int> JobColumns(const StringGrid& table, const PlannedJob& job) {
    std::vector<int> columns;
    for (int c = 0; c < table.colCount; ++c) {
        const std::string& title = table.Cell(c, 0);
        if (title == job.stratum || title == job.date1 || title == job.date2 || title == job.kind ||
            title == job.tag)
            columns.push_back(c);
    }
    return columns;
}

// Whether a record belongs to the job's stratum at all: a record of another
// stratum is not left out, it is simply not the job's.
bool InStratum(const StringGrid& table, const PlannedJob& job, int colStrata, int row) {
    const bool filter = colStrata != -1 && job.stratum != kAllStrata &&
                        job.stratum != kPooledStratum && job.stratum != kNoStrata;
    return !filter || Contains(table.Cell(colStrata, row), job.stratum);
}

// The records of the job's stratum that the selection dropped, with the
// columns whose "missing" dropped them.
std::vector<LeftOutRecord> LeftOut(const StringGrid& table, const PlannedJob& job, int colStrata,
                                   const BoolMatrix& selection) {
    const std::vector<int> columns = JobColumns(table, job);
    std::vector<LeftOutRecord> leftOut;
    for (int r = 1; r < table.rowCount; ++r) {
        if (selection[table.colCount][r] || !InStratum(table, job, colStrata, r)) continue;
        LeftOutRecord record{Trimmed(table.Cell(0, r)), {}};
        for (int c : columns)
            if (Contains(table.Cell(c, r), kMissing)) record.missingIn.push_back(table.Cell(c, 0));
        leftOut.push_back(std::move(record));
    }
    return leftOut;
}

// The weights of the job's records as the engine fits with them: 1 / (1 +
// s), scaled to add up to n; empty when unweighted.
Vector EngineWeights(const JobRecord& job, bool weighted) {
    if (!weighted) return {};
    Vector w(static_cast<std::size_t>(job.n) + 1, 0.0);
    double sum = 0;
    for (int i = 1; i <= job.n; ++i) {
        w[i] = 1 / (1 + job.s[i]);
        sum += w[i];
    }
    for (int i = 1; i <= job.n; ++i)
        w[i] = (job.n * w[i]) / sum;
    return w;
}

// The fit of one job, recomputed from its records with the engine's own
// routines, and the leverage of every record.
struct JobFit {
    Vector yhat, sd, w, leverage;
    FitStatistics stats;
};

bool Fit(const JobRecord& job, bool constant, bool weighted, JobFit& fit) {
    const int n = job.n;
    const int k = job.k;
    const int p0 = constant ? 0 : 1;
    Vector b;
    Matrix V;
    AllocVector(b, k);
    AllocMatrix(V, k, k);
    AllocVector(fit.yhat, n);
    AllocVector(fit.sd, n);
    if (FitMultipleLinear(job.X, job.Y, job.s, n, k, constant ? 1 : 0, weighted ? 1 : 0, b, V,
                          fit.yhat, fit.sd, fit.stats) == -2)
        return false;

    // (X'WX)^-1 unscaled: the fitted covariance is it times the residual
    // variance, which is 0 for an exact fit, so it is taken from the
    // decomposition itself.
    fit.w = EngineWeights(job, weighted);
    Matrix inverse;
    AllocMatrix(inverse, k, k);
    if (SvdRegression(job.X, job.Y, fit.w, n, k, constant, b, inverse) == -2) return false;
    fit.leverage.assign(static_cast<std::size_t>(n) + 1, 0.0);
    Vector x(static_cast<std::size_t>(k) + 1, 1.0);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= k; ++j)
            x[j] = job.X[j][i];
        double h = 0;
        for (int a = p0; a <= k; ++a)
            for (int c = p0; c <= k; ++c)
                h += x[a] * inverse[a][c] * x[c];
        fit.leverage[i] = weighted ? fit.w[i] * h : h;
    }
    return true;
}

// sqrt(PRESS / sum of w_i) with PRESS the sum of w_i (e_i / (1 - h_ii))^2;
// none where a leverage is 1.
std::optional<double> LeaveOneOutRmse(const JobRecord& job, const JobFit& fit) {
    double press = 0;
    double weights = 0;
    for (int i = 1; i <= job.n; ++i) {
        if (LeverageIsOne(fit.leverage[i])) return std::nullopt;
        const double w = fit.w.empty() ? 1.0 : fit.w[i];
        const double e = (job.Y[i] - fit.yhat[i]) / (1 - fit.leverage[i]);
        press += w * e * e;
        weights += w;
    }
    if (!(weights > 0)) return std::nullopt;
    return std::sqrt(press / weights);
}

std::optional<double> Finite(double v) {
    return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

std::optional<double> Fraction(double v) {
    return v >= 0 && v <= 1 ? std::optional<double>(v) : std::nullopt;
}

// Fills the fit's numbers and residuals of a job the run fitted; the names
// are those of the rows the selection kept, in table order.
void FillFit(OverviewRow& row, const std::string& text, const PlannedJob& job,
             const std::vector<std::string>& names, bool constant) {
    const bool weighted = job.tag == kWeightedTag;
    JobRecord record;
    Vector model;
    AllocVector(model, 1);
    model[1] = constant ? 1 : 0;
    JobFit fit;
    try {
        if (ReadJobText(text, job.jobFile, weighted ? 1 : 0, record, model) == -1 ||
            !Fit(record, constant, weighted, fit)) {
            row.status = OverviewStatus::kNotFitted;
            row.statusText = "not fitted: the fit did not converge";
            return;
        }
    } catch (const std::exception& e) {
        row.status = OverviewStatus::kNotFitted;
        row.statusText = std::string("not fitted: ") + e.what();
        return;
    }
    row.s = Finite(std::sqrt(fit.stats.Vr));
    row.r2 = Fraction(fit.stats.r2);
    row.r2adj = Fraction(fit.stats.r2a);
    row.looRmse = LeaveOneOutRmse(record, fit);
    for (int i = 1; i <= record.n; ++i) {
        OverviewResidual r;
        r.piezometer = static_cast<std::size_t>(i) <= names.size() ? names[i - 1] : std::string();
        r.measured = record.Y[i];
        r.predicted = fit.yhat[i];
        r.residual = r.measured - r.predicted;
        r.standardised = fit.sd[i] != 0 ? r.residual / fit.sd[i] : 0;
        r.leverage = fit.leverage[i];
        row.residuals.push_back(std::move(r));
    }
}

OverviewRow RowOf(const JobReport& report, const StringGrid& table, const TableText& cells,
                  const RegressionSettings& settings) {
    const PlannedJob& job = report.job;
    OverviewRow row;
    row.stratum = Trimmed(job.stratum);
    row.kind = job.kind;
    row.date1 = job.date1;
    row.date2 = job.date2;
    row.weighting = job.tag == kWeightedTag ? "weighted" : "unweighted";
    row.jobFile = job.jobFile;
    row.n = report.records;
    switch (report.status) {
        case JobStatus::kFitted:
            row.statusText = "fitted";
            break;
        case JobStatus::kTooFewRecords:
            row.status = OverviewStatus::kTooFewRecords;
            row.statusText = "too few data points";
            break;
        case JobStatus::kNotConverged:
            row.status = OverviewStatus::kNotFitted;
            row.statusText = "not fitted: the fit did not converge";
            break;
    }
    if (table.colCount == 0 || table.rowCount == 0) return row;

    BoolMatrix selection;
    SelectJobRecords(cells, job, settings.colStrata, selection);
    row.leftOut = LeftOut(table, job, settings.colStrata, selection);
    if (report.status == JobStatus::kFitted) {
        std::vector<std::string> names;
        for (int r = 1; r < table.rowCount; ++r)
            if (selection[table.colCount][r]) names.push_back(Trimmed(table.Cell(0, r)));
        int records = 0;
        const std::string text = JobFileText(cells, job, settings, selection, records);
        FillFit(row, text, job, names, settings.constant);
    }
    FreeBoolMatrix(selection, table.colCount);
    return row;
}

std::string Number(const std::optional<double>& v) {
    if (!v) return kMissing;
    const std::string text = W(*v, 0, 8);
    return text.substr(text.find_first_not_of(' '));
}

}  // namespace

std::vector<OverviewRow> BuildOverview(const RegressionOutcome& run, const StringGrid& table,
                                       const RegressionSettings& settings) {
    std::vector<OverviewRow> rows;
    rows.reserve(run.jobs.size());
    const TableText cells(table);
    for (const JobReport& report : run.jobs)
        rows.push_back(RowOf(report, table, cells, settings));
    return rows;
}

const std::vector<std::string>& OverviewColumns() {
    static const std::vector<std::string> columns = {"Stratum",   "MxW",      "Date 1", "Date 2",
                                                     "Weighting", "n",        "s",      "r2",
                                                     "r2 adj",    "LOO RMSE", "Status"};
    return columns;
}

std::string OverviewCell(const OverviewRow& row, int column) {
    switch (column) {
        case 0:
            return row.stratum;
        case 1:
            return row.kind;
        case 2:
            return row.date1;
        case 3:
            return row.date2;
        case 4:
            return row.weighting;
        case 5:
            return std::to_string(row.n);
        case 6:
            return Number(row.s);
        case 7:
            return Number(row.r2);
        case 8:
            return Number(row.r2adj);
        case 9:
            return Number(row.looRmse);
        case 10:
            return row.statusText;
        default:
            return {};
    }
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(";\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string OverviewCsv(const std::vector<OverviewRow>& rows) {
    std::string text;
    const std::vector<std::string>& titles = OverviewColumns();
    for (std::size_t c = 0; c < titles.size(); ++c)
        text += (c == 0 ? "" : ";") + CsvField(titles[c]);
    text += "\r\n";
    for (const OverviewRow& row : rows) {
        for (std::size_t c = 0; c < titles.size(); ++c)
            text += (c == 0 ? "" : ";") + CsvField(OverviewCell(row, static_cast<int>(c)));
        text += "\r\n";
    }
    return text;
}

void WriteOverviewFile(const std::string& name, const std::vector<OverviewRow>& rows) {
    TextFileWriter out(name);
    out.Write(OverviewCsv(rows));
    out.Commit();
}

}  // namespace tarnovel
