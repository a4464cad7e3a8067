#pragma once
// The prediction settings the operation tests start from: all three kinds,
// unweighted models, the field table's columns Loc;Date1;Meas1;Date2;Meas2.

#include "prediction/prediction_run.h"

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

}  // namespace tarnovel
