// The regression run called directly on a table: no form involved.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/file_system.h"
#include "common/io_error.h"
#include "common/text_file.h"
#include "engine/regression_job.h"
#include "regression/regression_run.h"
#include "tables/table_grid.h"
#include "tests/common/recording_feedback.h"
#include "tests/common/scratch_dir.h"
#include "tests/tables/support.h"

namespace tarnovel {
namespace {

// Loc, Area, MHW, sdMHW, d1, d2: six sand records, two clay records (too
// few for any clay job), one record whose d2 is missing.
TableGrid Piezometers() {
    const std::vector<std::vector<std::string>> rows = {
        {"Loc", "Area", "MHW", "sdMHW", "d1", "d2"}, {"P1", "sand", "40", "4", "55", "70"},
        {"P2", "sand", "62", "5", "70", "85"},       {"P3", "sand", "85", "3", "101", "118"},
        {"P4", "sand", "120", "6", "118", "140"},    {"P5", "sand", "70", "4", "80", "100"},
        {"P6", "sand", "99", "5", "120", "129"},     {"P7", "clay", "33", "2", "52", "61"},
        {"P8", "clay", "57", "3", "75", "missing"},
    };
    return test::GridOfRows(rows);
}

RegressionSettings Settings() {
    RegressionSettings s;
    s.strata = {"nostrata", "sand", "clay"};
    s.dates = {"d1", "d2"};
    s.kinds = {"MHW"};
    s.tags = {"gew"};
    s.colStrata = 1;
    s.colMHW = 2;
    s.colSdMHW = 3;
    return s;
}

using RegressionOperation = ScratchDirTest;

TEST_F(RegressionOperation, PlansWritesAndFitsEveryJobInRunOrder) {
    const RegressionSettings settings = Settings();
    const std::vector<PlannedJob> plan = PlanRegressionJobs(settings);
    ASSERT_EQ(plan.size(), 9u);
    EXPECT_EQ(plan[0].jobFile, "nostrata-d1-d1-MHW-gew.dat");
    EXPECT_EQ(plan[1].jobFile, "nostrata-d2-d1-MHW-gew.dat");
    EXPECT_EQ(plan[8].jobFile, "clay-d2-d2-MHW-gew.dat");

    RecordingFeedback feedback;
    const long long fitsBefore = RegressionFitCount();
    const RegressionOutcome outcome = RunRegressions(settings, Piezometers(), feedback);
    EXPECT_EQ(outcome.prepared, 9);
    EXPECT_EQ(outcome.fitted, 6);
    EXPECT_EQ(outcome.skipped, 3);
    EXPECT_EQ(RegressionFitCount() - fitsBefore, 6);
    ASSERT_EQ(outcome.jobs.size(), 9u);
    // Pooled d2 jobs lose P8 (d2 missing); the clay jobs hold 2 and 1
    // records, too few for a line with a constant.
    EXPECT_EQ(outcome.jobs[0].records, 8);
    EXPECT_EQ(outcome.jobs[1].records, 7);
    EXPECT_EQ(outcome.jobs[6].records, 2);
    EXPECT_EQ(outcome.jobs[6].status, JobStatus::kTooFewRecords);
    EXPECT_EQ(outcome.jobs[8].records, 1);
    EXPECT_EQ(outcome.filesWritten.size(), 9u + 6u);

    ASSERT_EQ(feedback.log.size(), 9u);
    EXPECT_EQ(feedback.log[0],
              "Regression on <nostrata-d1-d1-MHW-gew.dat> done and results written to <*.out>.");
    EXPECT_EQ(feedback.log[6], "No regression on clay-d1-d1-MHW-gew.dat (too few data points).");
    EXPECT_EQ(feedback.progress, (std::vector<int>{11, 22, 33, 44, 55, 66, 77, 88, 100}));

    // The weighted job file: dates in table order, then the MxW and its sd.
    const std::vector<std::string> job = ReadTextLines("sand-d2-d1-MHW-gew.dat");
    ASSERT_EQ(job.size(), 12u);
    EXPECT_EQ(job[0], "from: d2 + d1 to: MHW (stratum:sand, weighted)");
    EXPECT_EQ(job[1], "3 variables");
    EXPECT_EQ(job[2], "d1");
    EXPECT_EQ(job[3], "d2");
    EXPECT_EQ(job[5], "6 observations");
    EXPECT_EQ(job[6], "55 70 40 4 ");
    EXPECT_TRUE(FileExists("sand-d2-d1-MHW-gew.out"));
    EXPECT_FALSE(FileExists("clay-d1-d1-MHW-gew.out"));
}

TEST_F(RegressionOperation, RecordsNeededForAFitFollowTheConstant) {
    // A single-date line with a constant needs 3 records, without one 2; a
    // two-date plane needs 4 and 3 (n > p + constant).
    struct Case {
        bool constant;
        int records;
        bool oneDateFitted, twoDatesFitted;
    };
    for (const Case c :
         {Case{true, 2, false, false}, Case{true, 3, true, false}, Case{true, 4, true, true},
          Case{false, 2, true, false}, Case{false, 3, true, true}}) {
        SCOPED_TRACE(std::to_string(c.records) + (c.constant ? " with constant" : ""));
        TableGrid table = Piezometers();
        table.Resize(table.colCount, c.records + 1);
        RegressionSettings settings = Settings();
        settings.strata = {"nostrata"};
        settings.constant = c.constant;
        RecordingFeedback feedback;
        const RegressionOutcome outcome = RunRegressions(settings, table, feedback);
        ASSERT_EQ(outcome.jobs.size(), 3u);
        EXPECT_EQ(outcome.jobs[0].status == JobStatus::kFitted, c.oneDateFitted);
        EXPECT_EQ(outcome.jobs[1].status == JobStatus::kFitted, c.twoDatesFitted);
    }
}

TEST_F(RegressionOperation, ATitleThatLeavesTheFolderEndsTheRunBeforeItsJob) {
    TableGrid table = Piezometers();
    table.SetCell(5, 0, "../d2");
    RegressionSettings settings = Settings();
    settings.dates = {"d1", "../d2"};
    RecordingFeedback feedback;
    EXPECT_THROW(RunRegressions(settings, table, feedback), IoError);
    ASSERT_EQ(feedback.log.size(), 1u);  // the d1 job before it was done
    EXPECT_FALSE(FileExists("../d2-d1-MHW-gew.dat"));
}

// A cell the job reader cannot read ends the run at the job that reads it,
// named by the user's table: its line while the rows are the file's lines,
// else its row; the column by the title the file gives it.
TEST_F(RegressionOperation, AnUnreadableCellIsNamedByTheUsersTable) {
    const struct {
        const char* cell;
        bool rowsAreLines;
        const char* job;  // written, not fitted
        std::string message;
    } cases[] = {
        {"85,5", true, "nostrata-d1-d1-MHW-gew.dat",
         "Invalid numeric input in in.csv, line 4, column \"GHG\": \"85,5\" is not a number "
         "(decimal comma? use 'Convert comma's (,) to decimal dot (.)')"},
        {"85,5", false, "nostrata-d1-d1-MHW-gew.dat",
         "Invalid numeric input in the piezometer table, row 3, column \"GHG\": \"85,5\" is not a "
         "number (decimal comma? use 'Convert comma's (,) to decimal dot (.)')"},
        {"", true, "nostrata-d1-d1-MHW-gew.dat",
         "Invalid numeric input in in.csv, line 4, column \"GHG\": \"\" is not a number (an empty "
         "cell)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TableGrid table = Piezometers();
        table.SetCell(2, 3, c.cell);  // P3's MHW
        RegressionSettings settings = Settings();
        settings.sourceName = "/survey/in.csv";
        settings.rowsAreLines = c.rowsAreLines;
        settings.sourceTitles = {"Loc", "Area", "GHG", "sdGHG", "d1", "d2"};
        RecordingFeedback feedback;
        try {
            RunRegressions(settings, table, feedback);
            ADD_FAILURE() << "no error";
        } catch (const IoError& e) {
            EXPECT_EQ(e.what(), c.message);
        }
        ASSERT_FALSE(feedback.log.empty());
        EXPECT_EQ(feedback.log.back(), "Error: " + c.message);
        EXPECT_TRUE(FileExists(c.job));
        EXPECT_FALSE(FileExists("nostrata-d1-d1-MHW-gew.out"));
    }
    // A weighted job reads its sd column too; an unweighted one does not.
    TableGrid table = Piezometers();
    table.SetCell(3, 5, "missing");  // P5's sd
    RegressionSettings settings = Settings();
    RecordingFeedback feedback;
    EXPECT_THROW(RunRegressions(settings, table, feedback), IoError);
    EXPECT_EQ(feedback.log.back(),
              "Error: Invalid numeric input in the piezometer table, row 5, column \"sdMHW\": "
              "\"missing\" is not a number");
    settings.tags = {"ong"};
    EXPECT_EQ(RunRegressions(settings, table, feedback).fitted, 6);
}

}  // namespace
}  // namespace tarnovel
