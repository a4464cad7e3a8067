// The overview of a regression run: its rows against the run's own files
// and a leave-one-out done the long way, by refitting without each record.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "common/text_file.h"
#include "engine/multiple_fit.h"
#include "engine/regression_job.h"
#include "regression/overview.h"
#include "regression/regression_run.h"
#include "tables/table_grid.h"
#include "tests/common/recording_feedback.h"
#include "tests/common/scratch_dir.h"
#include "tests/tables/support.h"

namespace tarnovel {
namespace {

// Sand: six records and P7, whose MHW is missing. Clay: P8 and P9 share
// their d1 value, so P10 alone fixes the slope of the clay d1 line (its
// leverage is 1); P9 lacks d2 and P11 both MHW and d2.
TableGrid Piezometers() {
    const std::vector<std::vector<std::string>> rows = {
        {"Loc", "Area", "MHW", "sdMHW", "MLW", "sdMLW", "d1", "d2"},
        {"P1", "sand", "40", "4", "120", "6", "55", "70"},
        {"P2", "sand", "62", "5", "131", "4", "70", "85"},
        {"P3", "sand", "85", "3", "160", "5", "101", "118"},
        {"P4", "sand", "120", "6", "190", "7", "118", "140"},
        {"P5", "sand", "70", "4", "150", "3", "80", "100"},
        {"P6", "sand", "99", "5", "171", "6", "120", "129"},
        {"P7", "sand", "missing", "4", "155", "5", "90", "110"},
        {"P8", "clay", "33", "2", "101", "4", "50", "61"},
        {"P9", "clay", "57", "3", "118", "5", "50", "missing"},
        {"P10", "clay", "45", "2", "109", "3", "80", "66"},
        {"P11", "clay", "missing", "2", "100", "4", "60", "missing"},
    };
    return test::GridOfRows(rows);
}

RegressionSettings Settings() {
    RegressionSettings s;
    s.strata = {"nostrata", "sand", "clay"};
    s.dates = {"d1", "d2"};
    s.kinds = {"MHW", "MLW"};
    s.tags = {"gew", "ong"};
    s.colStrata = 1;
    s.colMHW = 2;
    s.colSdMHW = 3;
    s.colMLW = 4;
    s.colSdMLW = 5;
    return s;
}

// Record i's MxW as the engine predicts it from a fit of the other records.
double PredictedWithout(const JobRecord& job, int i, bool weighted) {
    const int n = job.n - 1;
    const int k = job.k;
    Matrix X;
    Vector y, s, b, yhat, sd;
    Matrix V;
    AllocMatrix(X, k, n);
    AllocVector(y, n);
    AllocVector(s, n);
    for (int r = 1, o = 1; r <= job.n; ++r) {
        if (r == i) continue;
        for (int j = 1; j <= k; ++j)
            X[j][o] = job.X[j][r];
        y[o] = job.Y[r];
        s[o] = job.s[r];
        ++o;
    }
    AllocVector(b, k);
    AllocMatrix(V, k, k);
    AllocVector(yhat, n);
    AllocVector(sd, n);
    FitStatistics stats;
    EXPECT_EQ(FitMultipleLinear(X, y, s, n, k, 1, weighted ? 1 : 0, b, V, yhat, sd, stats), 0);
    double predicted = b[0];
    for (int j = 1; j <= k; ++j)
        predicted += b[j] * job.X[j][i];
    return predicted;
}

// sqrt(sum w_i (y_i - yhat_(i))^2 / sum w_i) over the records of the job
// file, each left out in turn.
double DirectLeaveOneOut(const std::string& jobFile, bool weighted) {
    JobRecord job;
    Vector model;
    AllocVector(model, 1);
    EXPECT_EQ(ReadJobFile(jobFile, weighted ? 1 : 0, job, model), 0);
    double press = 0, weights = 0;
    for (int i = 1; i <= job.n; ++i) {
        const double w = weighted ? 1 / (1 + job.s[i]) : 1.0;
        const double e = job.Y[i] - PredictedWithout(job, i, weighted);
        press += w * e * e;
        weights += w;
    }
    return std::sqrt(press / weights);
}

class Overview : public ScratchDirTest {
  protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        RecordingFeedback feedback;
        run = RunRegressions(Settings(), table, feedback);
        rows = BuildOverview(run, table, Settings());
        ASSERT_EQ(rows.size(), run.jobs.size());
    }

    const OverviewRow& Row(const std::string& jobFile) const {
        for (const OverviewRow& row : rows)
            if (row.jobFile == jobFile) return row;
        throw std::runtime_error("no row for " + jobFile);
    }

    TableGrid table = Piezometers();
    RegressionOutcome run;
    std::vector<OverviewRow> rows;
};

TEST_F(Overview, RowsTellEachJobsStatusAndWhatItLeftOut) {
    using Names = std::vector<std::string>;
    struct Case {
        const char* job;
        int n;
        const char* status;
        std::vector<std::pair<std::string, Names>> leftOut;
    };
    const Case cases[] = {
        {"nostrata-d1-d1-MHW-gew.dat", 9, "fitted", {{"P7", {"MHW"}}, {"P11", {"MHW"}}}},
        {"nostrata-d2-d1-MHW-gew.dat",
         8,
         "fitted",
         {{"P7", {"MHW"}}, {"P9", {"d2"}}, {"P11", {"MHW", "d2"}}}},
        {"nostrata-d1-d1-MLW-ong.dat", 11, "fitted", {}},
        // Clay records are another stratum's, not left out of a sand job.
        {"sand-d2-d2-MHW-gew.dat", 6, "fitted", {{"P7", {"MHW"}}}},
        {"sand-d2-d2-MLW-ong.dat", 7, "fitted", {}},
        {"clay-d1-d1-MHW-gew.dat", 3, "fitted", {{"P11", {"MHW"}}}},
        {"clay-d2-d2-MHW-gew.dat",
         2,
         "too few data points",
         {{"P9", {"d2"}}, {"P11", {"MHW", "d2"}}}},
        {"clay-d2-d1-MLW-ong.dat", 2, "too few data points", {{"P9", {"d2"}}, {"P11", {"d2"}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.job);
        const OverviewRow& row = Row(c.job);
        EXPECT_EQ(row.n, c.n);
        EXPECT_EQ(row.statusText, c.status);
        ASSERT_EQ(row.leftOut.size(), c.leftOut.size());
        for (std::size_t i = 0; i < c.leftOut.size(); ++i) {
            EXPECT_EQ(row.leftOut[i].piezometer, c.leftOut[i].first);
            EXPECT_EQ(row.leftOut[i].missingIn, c.leftOut[i].second);
        }
        const bool fitted = row.status == OverviewStatus::kFitted;
        EXPECT_EQ(row.s.has_value(), fitted);
        EXPECT_EQ(row.residuals.size(), fitted ? static_cast<std::size_t>(c.n) : 0u);
    }
    EXPECT_EQ(Row("sand-d2-d2-MHW-gew.dat").stratum, "sand");
    EXPECT_EQ(Row("sand-d2-d2-MHW-gew.dat").weighting, "weighted");
    EXPECT_EQ(Row("sand-d2-d2-MLW-ong.dat").weighting, "unweighted");
    EXPECT_EQ(Row("clay-d2-d1-MLW-ong.dat").looRmse, std::nullopt);
}

TEST_F(Overview, FitMatchesTheResultFileAndNamesItsPiezometers) {
    // The residual table of the result file, line by line, with the
    // piezometers of the job's records in table order.
    const OverviewRow& row = Row("sand-d2-d1-MHW-gew.dat");
    const std::vector<std::string> lines = ReadTextLines("sand-d2-d1-MHW-gew.out");
    std::size_t first = 0;
    while (first < lines.size() && lines[first].rfind("  i        Y obs.", 0) != 0)
        ++first;
    ASSERT_LT(first + 2 + row.residuals.size(), lines.size());
    const std::vector<std::string> names = {"P1", "P2", "P3", "P4", "P5", "P6"};
    ASSERT_EQ(row.residuals.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const OverviewResidual& r = row.residuals[i];
        EXPECT_EQ(r.piezometer, names[i]);
        const std::string& line = lines[first + 2 + i];
        EXPECT_EQ(line.substr(0, 45), I(static_cast<long long>(i + 1), 3) + W(r.measured, 14, 4) +
                                          W(r.predicted, 14, 4) + W(r.residual, 14, 4));
        EXPECT_EQ(line.substr(line.size() - 14), W(r.standardised, 14, 4));
    }
    int found = 0;
    for (const std::string& line : lines)
        if (line.rfind("Residual error", 0) == 0) {
            EXPECT_EQ(line.substr(line.rfind(' ') + 1), W(*row.s, 0, 8));
            ++found;
        }
    EXPECT_EQ(found, 1);
}

TEST_F(Overview, LeaveOneOutErrorEqualsRefittingWithoutEachRecord) {
    int compared = 0;
    for (const OverviewRow& row : rows) {
        if (row.status != OverviewStatus::kFitted || row.jobFile == "clay-d1-d1-MHW-gew.dat")
            continue;
        SCOPED_TRACE(row.jobFile);
        ASSERT_TRUE(row.looRmse.has_value());
        const double direct = DirectLeaveOneOut(row.jobFile, row.weighting == "weighted");
        EXPECT_NEAR(*row.looRmse, direct, 1e-9 * direct);
        // Predicting a record it has not seen, a fit does worse than on the
        // records it was fitted to.
        EXPECT_GT(*row.looRmse, 0.0);
        ++compared;
    }
    EXPECT_EQ(compared, 13);

    // P10 alone fixes the clay d1 line: it fits exactly, and without it the
    // line is undetermined.
    const OverviewRow& exact = Row("clay-d1-d1-MHW-gew.dat");
    ASSERT_EQ(exact.residuals.size(), 3u);
    EXPECT_EQ(exact.residuals[2].piezometer, "P10");
    EXPECT_TRUE(LeverageIsOne(exact.residuals[2].leverage));
    EXPECT_NEAR(exact.residuals[2].residual, 0, 1e-9);
    EXPECT_EQ(exact.looRmse, std::nullopt);
    EXPECT_EQ(OverviewCell(exact, 9), "missing");
}

TEST(OverviewRules, LeverageOneWithinItsTolerance) {
    EXPECT_TRUE(LeverageIsOne(1.0));
    EXPECT_TRUE(LeverageIsOne(1 - kLeverageOneTolerance));
    EXPECT_FALSE(LeverageIsOne(std::nextafter(1 - kLeverageOneTolerance, 0.0)));
    EXPECT_FALSE(LeverageIsOne(0.5));
}

TEST(OverviewRules, StatusOfEveryKindOfJob) {
    RegressionOutcome run;
    const PlannedJob job{
        "clay           ", "d1", "d1", "MLW", "ong", "clay           -d1-d1-MLW-ong.dat"};
    run.jobs = {{job, 4, JobStatus::kFitted},
                {job, 2, JobStatus::kTooFewRecords},
                {job, 4, JobStatus::kNotConverged}};
    // Without a table there is nothing to refit: only the run's own word.
    const std::vector<OverviewRow> rows = BuildOverview(run, StringGrid{}, RegressionSettings{});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].stratum, "clay");
    EXPECT_EQ(rows[1].status, OverviewStatus::kTooFewRecords);
    EXPECT_EQ(rows[1].statusText, "too few data points");
    EXPECT_EQ(rows[2].status, OverviewStatus::kNotFitted);
    EXPECT_EQ(rows[2].statusText, "not fitted: the fit did not converge");
}

TEST_F(Overview, CsvHasATitleLineAndOneLinePerJob) {
    const std::string csv = OverviewCsv(rows);
    const std::vector<std::string> lines = SplitLines(csv);
    ASSERT_EQ(lines.size(), rows.size() + 1);
    EXPECT_EQ(csv.substr(0, csv.find('\n') + 1),
              "Stratum;MxW;Date 1;Date 2;Weighting;n;s;r2;r2 adj;LOO RMSE;Status\r\n");
    const OverviewRow& skipped = Row("clay-d2-d2-MHW-gew.dat");
    std::size_t at = 0;
    while (&rows[at] != &skipped)
        ++at;
    EXPECT_EQ(lines[at + 1],
              "clay;MHW;d2;d2;weighted;2;missing;missing;missing;missing;too few data points");
    const OverviewRow& fitted = rows[0];
    EXPECT_EQ(OverviewCell(fitted, 6), W(*fitted.s, 0, 8));
    EXPECT_NE(OverviewCell(fitted, 6).find('.'), std::string::npos);

    WriteOverviewFile("overview.csv", rows);
    EXPECT_EQ(Get("overview.csv"), csv);
}

TEST(OverviewRules, CsvFieldsAreQuotedOnlyWhenTheyMustBe) {
    const std::pair<std::string, std::string> cases[] = {
        {"sand", "sand"},
        {"", ""},
        {"a;b", "\"a;b\""},
        {"say \"dry\"", "\"say \"\"dry\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
    };
    for (const auto& [text, field] : cases)
        EXPECT_EQ(CsvField(text), field) << text;
}

}  // namespace
}  // namespace tarnovel
