// The models list of a prediction: per location and kind the model the log
// says was selected, the values the prediction file holds and whether they
// extrapolate.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/number_format.h"
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

std::string NoBlanks(std::string text) {
    std::erase(text, ' ');
    return text;
}

class ModelsList : public SixModelsTest {
  protected:
    static PredictionSettings Settings() { return TestPredictionSettings(); }

    // L1 among the piezometers, L2 without d2, L3 on dates without models,
    // L4 far beyond every piezometer.
    TableGrid field = test::GridOfRows({{"Loc", "Date1", "Meas1", "Date2", "Meas2"},
                                        {"L1", "d1", "60", "d2", "80"},
                                        {"L2", "d1", "75", "d2", "?"},
                                        {"L3", "x1", "75", "x2", "90"},
                                        {"L4", "d1", "300", "d2", "260"}});
};

TEST_F(ModelsList, EveryLocationAndKindHasTheModelTheLogSelected) {
    RecordingFeedback feedback;
    const PredictionOutcome outcome = RunPrediction(Settings(), field, feedback);
    ASSERT_EQ(outcome.kinds, (std::vector<std::string>{"MHW", "MSW", "MLW"}));
    ASSERT_EQ(ModelsRowCount(outcome, field), 12u);
    const std::vector<std::string> titles = ModelsTitles(outcome, field);
    ASSERT_EQ(titles.size(), 1u + 7u + 12u);
    EXPECT_EQ(titles[0], "Row");
    EXPECT_EQ(titles[1], "Loc");
    EXPECT_EQ(titles.back(), "Result file");

    const auto cell = [&](std::size_t row, const std::string& title) {
        for (std::size_t c = 0; c < titles.size(); ++c)
            if (titles[c] == title) return ModelsCell(outcome, field, row, static_cast<int>(c));
        throw std::runtime_error("no column " + title);
    };
    int extrapolated = 0;
    for (std::size_t row = 0; row < 12; ++row) {
        SCOPED_TRACE(row);
        const int r = static_cast<int>(row / 3) + 1;
        const int block = static_cast<int>(row % 3);
        EXPECT_EQ(cell(row, "Row"), std::to_string(r));
        EXPECT_EQ(cell(row, "Loc"), field.Cell(0, r));
        // The log's account of this location and kind names the model.
        const std::string& account = feedback.log[2 + row];
        const std::size_t at = account.rfind("MODEL ");
        const std::string selected =
            account.substr(at + 6, account.find(" selected.", at) - at - 6);
        const std::string file = cell(row, "Result file");
        EXPECT_EQ(file.empty() ? "none" : file, selected);
        EXPECT_EQ(cell(row, "Model") == "none", file.empty());
        // The values are the prediction file's, and extrapolate exactly when
        // the leverage exceeds 2p/n.
        const int column = 7 + 4 * block;
        EXPECT_EQ(cell(row, "Prediction"), NoBlanks(field.Cell(column, r)));
        EXPECT_EQ(cell(row, "Leverage"), NoBlanks(field.Cell(column + 3, r)));
        double leverage = 0, threshold = 0;
        if (ParseNumber(NoBlanks(field.Cell(column + 3, r)), leverage) &&
            ParseNumber(NoBlanks(field.Cell(column + 2, r)), threshold)) {
            EXPECT_EQ(cell(row, "Extrapolation"), leverage > threshold ? "yes" : "no");
            extrapolated += leverage > threshold ? 1 : 0;
        } else {
            EXPECT_EQ(cell(row, "Extrapolation"), "missing");
        }
    }
    EXPECT_EQ(cell(9, "Extrapolation"), "yes");  // L4, MHW
    EXPECT_GE(extrapolated, 2);
    EXPECT_EQ(cell(1, "Model"), "none");  // no MSW was fitted
    // A model on both dates carries both; p counts the constant.
    for (std::size_t row = 0; row < 12; ++row)
        if (cell(row, "Model") == "both dates") {
            EXPECT_EQ(cell(row, "p"), "3");
            EXPECT_EQ(cell(row, "n"), "6");
            EXPECT_FALSE(cell(row, "Date 2").empty());
        } else if (cell(row, "Model") != "none") {
            EXPECT_EQ(cell(row, "p"), "2");
            EXPECT_TRUE(cell(row, "Date 2").empty());
        }

    WriteModelsFile("models.csv", outcome, field);
    const std::string csv = Get("models.csv");
    EXPECT_EQ(csv, ModelsCsv(outcome, field));
    EXPECT_EQ(ReadTextLines("models.csv").size(), 13u);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")).substr(0, 35), "Row;Loc;Date1;Meas1;Date2;Meas2;var");
}

TEST_F(ModelsList, NoListWithoutAskingOrForAnotherTable) {
    PredictionSettings settings = Settings();
    settings.keepModels = false;
    RecordingFeedback feedback;
    TableGrid table = field;
    const PredictionOutcome without = RunPrediction(settings, table, feedback);
    EXPECT_TRUE(without.choices.empty());
    EXPECT_EQ(ModelsRowCount(without, table), 0u);

    const PredictionOutcome with = RunPrediction(Settings(), field, feedback);
    EXPECT_EQ(ModelsRowCount(with, field), 12u);
    TableGrid shorter = field;
    shorter.Resize(shorter.colCount, shorter.rowCount - 1);
    EXPECT_EQ(ModelsRowCount(with, shorter), 0u);
    EXPECT_EQ(SplitLines(ModelsCsv(with, shorter)).size(), 1u);
}

TEST(ModelsListRules, ExtrapolationIsALeverageAboveItsThreshold) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double leverage, threshold;
        Extrapolation expected;
    };
    for (const Case& c :
         {Case{0.5, 0.5, Extrapolation::kNo},
          Case{std::nextafter(0.5, 1.0), 0.5, Extrapolation::kYes},
          Case{0.1, 0.5, Extrapolation::kNo}, Case{inf, 0.5, Extrapolation::kUnknown},
          Case{std::nan(""), 0.5, Extrapolation::kUnknown},
          Case{0.5, std::nan(""), Extrapolation::kUnknown}})
        EXPECT_EQ(ExtrapolationOf(c.leverage, c.threshold), c.expected)
            << c.leverage << " against " << c.threshold;
}

}  // namespace
}  // namespace tarnovel
