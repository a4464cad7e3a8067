#pragma once
// What the prediction's operation tests start from: settings for all three
// kinds on the field table's columns Loc;Date1;Meas1;Date2;Meas2, and a
// scratch folder holding the six unweighted models of a small run.

#include <gtest/gtest.h>

#include "prediction/prediction_run.h"
#include "regression/regression_run.h"
#include "tests/common/recording_feedback.h"
#include "tests/common/scratch_dir.h"
#include "tests/tables/support.h"

namespace tarnovel {

inline PredictionSettings TestPredictionSettings() {
    PredictionSettings s;
    s.kindsText = "MHW+MSW+MLW";
    s.tags = {"ong", "ong", "ong"};
    s.outputName = "predicted.csv";
    s.delimiter = ";";
    s.sessionLabel = "Session  1";
    s.colDate1 = 1;
    s.colMeas1 = 2;
    s.colDate2 = 3;
    s.colMeas2 = 4;
    return s;
}

// MHW and MLW on d1, d2 and both, pooled, from six piezometers.
class SixModelsTest : public ScratchDirTest {
  protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        RegressionSettings run;
        run.strata = {"nostrata"};
        run.dates = {"d1", "d2"};
        run.kinds = {"MHW", "MLW"};
        run.tags = {"ong", "ong"};
        run.colMHW = 1;
        run.colMLW = 2;
        const TableGrid piezometers = test::GridOfRows({{"Loc", "MHW", "MLW", "d1", "d2"},
                                                        {"P1", "40", "110", "55", "70"},
                                                        {"P2", "62", "140", "70", "85"},
                                                        {"P3", "85", "170", "101", "118"},
                                                        {"P4", "120", "200", "118", "140"},
                                                        {"P5", "70", "150", "80", "100"},
                                                        {"P6", "99", "181", "120", "129"}});
        RecordingFeedback ignored;
        ASSERT_EQ(RunRegressions(run, piezometers, ignored).fitted, 6);
    }
};

}  // namespace tarnovel
