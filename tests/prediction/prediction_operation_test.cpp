// The prediction called directly on a field table, after a regression run
// called directly too: no form involved.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/number_format.h"
#include "common/text_file.h"
#include "prediction/censored_exact.h"
#include "prediction/prediction_model.h"
#include "prediction/prediction_run.h"
#include "regression/regression_run.h"
#include "tables/table_grid.h"
#include "tests/common/recording_feedback.h"
#include "tests/common/scratch_dir.h"
#include "tests/prediction/prediction_fixture.h"
#include "tests/tables/support.h"

namespace tarnovel {
namespace {

class PredictionOperation : public SixModelsTest {
  protected:
    PredictionSettings Settings() const { return TestPredictionSettings(); }
};

TEST_F(PredictionOperation, PredictsEveryLocationWithAModelAndCountsPerKind) {
    // L2 has no number on d2, and the d1 model fails the Cp test against the
    // complete model (Cp 7.31 > p + 3): no model for it. L3's dates have no
    // result files at all.
    TableGrid field = test::GridOfRows({{"Loc", "Date1", "Meas1", "Date2", "Meas2"},
                                        {"L1", "d1", "60", "d2", "80"},
                                        {"L2", "d1", "75", "d2", "?"},
                                        {"L3", "x1", "75", "x2", "90"}});
    RecordingFeedback feedback;
    const PredictionOutcome outcome = RunPrediction(Settings(), field, feedback);
    EXPECT_EQ(outcome.locations, 3);
    // MSW was not fitted: no location gets it.
    EXPECT_EQ(outcome.predicted, (std::vector<long long>{1, 0, 1}));
    EXPECT_EQ(outcome.estimatesMade, 0);

    const std::vector<std::string> lines = ReadTextLines("predicted.csv");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(0, 46), "Loc;Date1;Meas1;Date2;Meas2;varMeas1;varMeas2;");
    EXPECT_EQ(field.colCount, 5 + 2 + 12);
    EXPECT_NE(field.Cell(7, 1), "missing");   // MHW of L1
    EXPECT_EQ(field.Cell(11, 1), "missing");  // MSW of L1
    EXPECT_EQ(field.Cell(7, 3), "missing");   // MHW of L3

    ASSERT_EQ(feedback.log.size(), 2u + 3u * 3u);
    EXPECT_EQ(feedback.log[1], "****** Session  1 PREDICTION MxW MEASUREMENTS ******");
    EXPECT_NE(feedback.log[5].find("MODEL none selected."), std::string::npos);
    EXPECT_EQ(feedback.progress, (std::vector<int>{33, 67, 100}));
}

TEST_F(PredictionOperation, ATableWithoutRecordsPredictsNothing) {
    TableGrid field = test::GridOfRows({{"Loc", "Date1", "Meas1", "Date2", "Meas2"}});
    RecordingFeedback feedback;
    const PredictionOutcome outcome = RunPrediction(Settings(), field, feedback);
    EXPECT_EQ(outcome.locations, 0);
    EXPECT_EQ(outcome.predicted, (std::vector<long long>{0, 0, 0}));
    EXPECT_EQ(ReadTextLines("predicted.csv").size(), 1u);
}

// Two cut-offs on one date: every entry is estimated from the date's
// measurements as loaded, each censored one at its own depth, so a value
// replaced for the first entry is no observation for the second.
TEST_F(PredictionOperation, ExactEstimatesEachCutOffFromTheMeasurementsAsLoaded) {
    TableGrid field = test::GridOfRows({{"Loc", "Date1", "Meas1", "Date2", "Meas2"},
                                        {"L1", "d1", "60", "d2", "80"},
                                        {"L2", "d1", "75", "d2", "95"},
                                        {"L3", "d1", "101", "d2", ">150"},
                                        {"L4", "d1", "88", "d2", "110"},
                                        {"L5", "d1", "70", "d2", ">120"},
                                        {"L6", "d1", "50", "d2", "66"}});
    PredictionSettings settings = Settings();
    settings.maximumLikelihood = true;
    settings.exactMaximumLikelihood = true;
    settings.censoredEntries = {{"d2", ">120"}, {"d2", ">150"}};
    RecordingFeedback feedback;
    const PredictionOutcome outcome = RunPrediction(settings, field, feedback);
    EXPECT_EQ(outcome.estimatesMade, 2);
    EXPECT_TRUE(feedback.messages.empty());

    const std::vector<std::string> asLoaded = {"80", "95", ">150", "110", ">120", "66"};
    EXPECT_EQ(ReadTextLines("invoer_censored.txt"), asLoaded);
    const CensoredSample sample = ReadCensoredLines(asLoaded);
    const struct {
        int row;
        double cutOff;
        const char* text;
    } cases[] = {{5, 120, ">120"}, {3, 150, ">150"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const CensoredEstimate e = EstimateCensoredExact(sample, c.cutOff, c.text);
        ASSERT_TRUE(e.estimated);
        EXPECT_GT(e.estimate, c.cutOff);
        EXPECT_EQ(field.Cell(4, c.row), W(e.estimate, 15, 2));
        EXPECT_EQ(field.Cell(6, c.row), W(e.variance, 15, 3));
        EXPECT_EQ(feedback.log[c.row == 5 ? 0 : 1],
                  std::string(20, ' ') + c.text + " at date <d2> replaced by " +
                      RemoveBlanks(W(e.estimate, 15, 2)) + " with variance " +
                      RemoveBlanks(W(e.variance, 15, 3)));
    }
    EXPECT_EQ(field.Cell(6, 1), "0");
    EXPECT_EQ(field.Cell(5, 1), "missing");
    // The report of the last entry names the method.
    const std::vector<std::string> report = ReadTextLines("uitvoer_censored.txt");
    ASSERT_EQ(report.size(), 4u);
    EXPECT_EQ(report[0], ">150");
    EXPECT_EQ(report[3].rfind("method   : exact maximum likelihood; mu : ", 0), 0u);
}

}  // namespace
}  // namespace tarnovel
