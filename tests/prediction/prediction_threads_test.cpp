// The prediction worked out on several threads, in blocks smaller than the
// survey: the prediction file, the log, the models list and the table come
// out as with one thread, also when a result file ends the prediction.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/parallel.h"
#include "common/text_file.h"
#include "prediction/prediction_run.h"
#include "regression/regression_run.h"
#include "tables/table_grid.h"
#include "tests/common/recording_feedback.h"
#include "tests/common/scratch_dir.h"
#include "tests/prediction/prediction_fixture.h"
#include "tests/tables/support.h"

namespace tarnovel {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Everything a prediction leaves behind.
struct Left {
    std::string file, models, error;
    std::vector<std::string> log, messages;
    std::vector<int> progress;
    std::vector<long long> predicted;
    int estimatesMade = 0;
    std::vector<TextColumn> cells;
    bool operator==(const Left&) const = default;
};

class PredictionThreads : public ScratchDirTest {
  protected:
    // Strata A and B fitted on d1 and d2, MHW and MLW.
    void SetUp() override {
        ScratchDirTest::SetUp();
        Rows rows = {{"Area", "MHW", "MLW", "d1", "d2"}};
        for (int i = 0; i < 16; ++i) {
            const int d1 = 50 + 7 * i + (i * 13) % 11;
            const int d2 = d1 + 15 + (i * 7) % 9;
            rows.push_back({i % 2 == 0 ? "A" : "B", std::to_string((6 * d1 + 3 * d2) / 10 + i % 7),
                            std::to_string(d1 + d2 / 2 + 40 + (i * 3) % 5), std::to_string(d1),
                            std::to_string(d2)});
        }
        RegressionSettings run;
        run.strata = {"A", "B"};
        run.dates = {"d1", "d2"};
        run.kinds = {"MHW", "MLW"};
        run.tags = {"ong", "ong"};
        run.colStrata = 0;
        run.colMHW = 1;
        run.colMLW = 2;
        RecordingFeedback ignored;
        ASSERT_EQ(RunRegressions(run, test::GridOfRows(rows), ignored).fitted, 12);
    }

    // 60 locations: strata A, B and C (no models), a few on a date without
    // models, censored and unreadable measurements on d2; the last strata
    // cell names `lastStratum`.
    static TableGrid Field(const std::string& lastStratum) {
        Rows rows = {{"Loc", "Date1", "Meas1", "Date2", "Meas2", "Area"}};
        const char* const strata[3] = {"A", "B", "C"};
        for (int r = 1; r <= 60; ++r) {
            const std::string m2 = r % 5 == 0    ? ">150"
                                   : r % 11 == 0 ? "?"
                                                 : std::to_string(60 + (r * 31) % 80);
            rows.push_back({"L" + std::to_string(r), r % 7 == 0 ? "x1" : "d1",
                            std::to_string(40 + (r * 17) % 90), "d2", m2,
                            r == 60 ? lastStratum : strata[r % 3]});
        }
        return test::GridOfRows(rows);
    }

    static Left Predict(TableGrid field, int threads, int block) {
        PredictionSettings s = TestPredictionSettings();
        s.separately = true;
        s.maximumLikelihood = true;
        s.censoredEntries = {{"d2", ">150"}};
        s.colStrata = 5;
        s.threads = threads;
        s.blockLocations = block;
        RecordingFeedback feedback;
        Left left;
        try {
            const PredictionOutcome outcome = RunPrediction(s, field, feedback);
            left.models = ModelsCsv(outcome, field);
            left.predicted = outcome.predicted;
            left.estimatesMade = outcome.estimatesMade;
        } catch (const std::exception& e) {
            left.error = e.what();
        }
        left.file = Get("predicted.csv");
        left.log = feedback.log;
        left.messages = feedback.messages;
        left.progress = feedback.progress;
        left.cells = field.cells;
        return left;
    }
};

const struct { int threads, block; } kSplits[] = {{2, 3}, {2, 60}, {3, 7}, {2, 1}, {0, 16}};

TEST_F(PredictionThreads, LeavesWhatOneThreadLeaves) {
    const Left one = Predict(Field("A"), 1, 1000);
    ASSERT_EQ(one.error, "");
    EXPECT_EQ(one.estimatesMade, 1);
    // MHW at the 40 locations of strata A and B, MSW nowhere.
    EXPECT_EQ(one.predicted[0], 40);
    EXPECT_EQ(one.predicted[1], 0);
    EXPECT_GT(one.predicted[2], 0);
    EXPECT_NE(one.models.find(";none;"), std::string::npos);
    for (const auto& split : kSplits) {
        SCOPED_TRACE(std::to_string(split.threads) + " threads, blocks of " +
                     std::to_string(split.block));
        EXPECT_TRUE(one == Predict(Field("A"), split.threads, split.block));
    }
}

// The prediction file's lines are made a piece of rows at a time on the
// team: a table of many pieces and blocks, and one of none, come out as
// from one thread.
using PredictionFileOnThreads = ScratchDirTest;

TEST_F(PredictionFileOnThreads, WritesTheSameBytesAsOneThread) {
    for (const int rows : {0, 1, 40000}) {
        SCOPED_TRACE(std::to_string(rows) + " rows");
        StringGrid table;
        table.Resize(3, rows);
        for (int r = 0; r < rows; ++r) {
            table.SetCell(0, r, "L " + std::to_string(r));
            table.SetCell(1, r, std::string(static_cast<std::size_t>(r % 17), ' ') + "7.5");
            table.SetCell(2, r, r % 3 == 0 ? "missing" : "");
        }
        WritePredictionFile(table, "one.csv", ";");
        ThreadTeam team(3);
        WritePredictionFile(table, "team.csv", ";", &team);
        const std::string one = ReadFileBytes("one.csv");
        EXPECT_EQ(ReadFileBytes("team.csv"), one);
        if (rows > 0) {
            EXPECT_EQ(one.substr(0, 17), "L0;7.5;missing;\r\n");
        }
    }
}

// A broken result file met by the last location ends the prediction there,
// after every earlier location is logged and filled in: before its own
// account when the file's residual error is unreadable, after it when the
// chosen model's matrix is missing.
TEST_F(PredictionThreads, AnUnreadableResultFileEndsWhereOneThreadEnds) {
    const struct {
        const char* what;
        const char* key;  // the line spoilt
        bool cut;         // the file ends after it; else its number is a word
    } cases[] = {{"residual error", "Residual error", false},
                 {"covariance matrix", "Variance-Covariance ", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* model : {"d1-d1", "d2-d1", "d2-d2"})
            for (const char* kind : {"MHW", "MLW"}) {
                std::vector<std::string> lines =
                    ReadTextLines(std::string("A-") + model + "-" + kind + "-ong.out");
                for (std::size_t i = 0; i < lines.size(); ++i) {
                    if (lines[i].rfind(c.key, 0) != 0) continue;
                    if (c.cut)
                        lines.resize(i + 1);
                    else
                        lines[i] = std::string(c.key) + " : s = x";
                    break;
                }
                WriteTextFile(std::string("D-") + model + "-" + kind + "-ong.out", lines);
            }
        const Left one = Predict(Field("D"), 1, 1000);
        ASSERT_NE(one.error, "");
        ASSERT_FALSE(one.log.empty());
        // The broken location's own account is logged only when its error
        // comes after the choice.
        EXPECT_EQ(one.log.back().find("D-d1-d2-") != std::string::npos, c.cut) << one.log.back();
        for (const auto& split : kSplits) {
            SCOPED_TRACE(std::to_string(split.threads) + " threads, blocks of " +
                         std::to_string(split.block));
            EXPECT_TRUE(one == Predict(Field("D"), split.threads, split.block));
        }
    }
}

}  // namespace
}  // namespace tarnovel
