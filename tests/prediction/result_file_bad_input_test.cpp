// Result files edited by hand before the prediction reads them: cut lines,
// lost lines, words where numbers were. The prediction either refuses the
// file with a message or predicts finite values; never nan.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/io_error.h"
#include "common/text_file.h"
#include "prediction/prediction_model.h"
#include "tests/common/scratch_dir.h"

namespace tarnovel {
namespace {

using Lines = std::vector<std::string>;

const std::string kResultFile =
    std::string(TARNOVEL_TEST_DATA) + "/run/A              -01-02-2003-14-04-2003-MLW-gew.out";

template <typename Edit>
Lines Edited(Lines lines, Edit edit) {
    edit(lines);
    return lines;
}

class HandEditedResultFile : public ScratchDirTest {};

TEST_F(HandEditedResultFile, IsRefusedOrPredictsFiniteValues) {
    const Lines original = ReadTextLines(kResultFile);
    ASSERT_GT(original.size(), 26u);
    struct Case {
        const char* name;
        Lines lines;
        bool refused;  // Predict throws IoError
    };
    const Case cases[] = {
        {"as written", original, false},
        {"empty", {}, true},
        {"every line cut to 20 characters",
         Edited(original,
                [](Lines& l) {
                    for (std::string& line : l)
                        line.resize(std::min<std::size_t>(line.size(), 20));
                }),
         true},
        {"ends after the coefficients", Edited(original, [](Lines& l) { l.resize(14); }), true},
        {"covariance rows lost",
         Edited(original, [](Lines& l) { l.erase(l.begin() + 23, l.begin() + 26); }), true},
        {"b2 line lost", Edited(original, [](Lines& l) { l.erase(l.begin() + 12); }), true},
        {"nan estimate",
         Edited(original, [](Lines& l) { l[10] = "   b0              nan      33.39330235"; }),
         true},
        {"inf residual error",
         Edited(original,
                [](Lines& l) { l[15] = "Residual error                    : s   = inf"; }),
         true},
        {"NUL in the covariance", Edited(original, [](Lines& l) { l[23][6] = '\0'; }), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteTextFile("edited.out", c.lines);
        ResultSummary summary;
        ASSERT_NO_THROW(summary = ReadResultSummary("edited.out"));
        EXPECT_TRUE(summary.exists);
        try {
            const PredictionValues v =
                Predict(summary, true, true, "01-02-2003", "14-04-2003", 100.0, 120.0);
            EXPECT_FALSE(c.refused) << "predicted " << v.y0;
            for (double value : {v.y0, v.sd, v.leverage, v.threshold})
                EXPECT_TRUE(std::isfinite(value)) << value;
        } catch (const IoError& e) {
            EXPECT_TRUE(c.refused) << e.what();
            EXPECT_NE(std::string(e.what()), "");
        }
    }
}

}  // namespace
}  // namespace tarnovel
