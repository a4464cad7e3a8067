#include "prediction/prediction_model.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tarnovel {
namespace {

using Items = std::vector<std::string>;

// Cells reach the prediction file and the log padded with runs of blanks
// in front, behind and between their words.
TEST(Blanks, RemovedOrReducedWhereverTheRunsStand) {
    const std::vector<std::array<std::string, 3>> cases = {
        {"", "", ""},
        {"   ", "", " "},
        {"L12", "L12", "L12"},
        {"L12    ", "L12", "L12 "},
        {"   45.5", "45.5", " 45.5"},
        {" a  b   c ", "abc", " a b c "},
    };
    for (const auto& [text, removed, reduced] : cases) {
        EXPECT_EQ(RemoveBlanks(text), removed) << '"' << text << '"';
        EXPECT_EQ(ReduceBlanks(text), reduced) << '"' << text << '"';
        std::string to = "x ";
        AppendWithoutBlanks(to, text);
        EXPECT_EQ(to, "x " + removed);
        to = "x ";
        AppendReduced(to, text);  // a run that spans both is one blank
        EXPECT_EQ(to, ReduceBlanks("x " + text));
    }
}

TEST(KindsToPredict, SingleKindOrPiecesBetweenPlusSigns) {
    struct Case {
        const char* text;
        Items kinds;
    };
    const Case cases[] = {
        {"MSW", {"MSW"}},
        {"MHW+MSW+MLW", {"MHW", "MSW", "MLW"}},
        {"MHW + MLW", {"MHW", "MLW"}},
        {"MHW+MLW+", {"MHW", "MLW"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KindsToPredict(c.text), c.kinds) << c.text;
}

TEST(AppendedColumns, SixForOneKindFourteenWheneverThereIsAPlus) {
    EXPECT_EQ(AppendedColumnTitles("MSW"),
              (Items{"varMeas1", "varMeas2", "MSW", "sdMSW", "2p/n MSW", "x0'.(X'WX)^-1 .x0 MSW"}));
    const Items all = AppendedColumnTitles("MHW+MLW");
    ASSERT_EQ(all.size(), 14u);
    EXPECT_EQ(all[6], "MSW");  // predicted or not, each kind has its block
    EXPECT_EQ(all[13], "x0'.(X'WX)^-1 .x0 MLW");
    EXPECT_EQ(KindBlock("MHW+MLW", "MLW"), 2);
    EXPECT_EQ(KindBlock("MLW", "MLW"), 0);
    EXPECT_EQ(KindBlock("MHW+MLW", "MxW"), -1);
}

TEST(DateKey, LongerFirstThenFromTheLastCharacterBack) {
    struct Case {
        std::string a, b;
        bool greater;
    };
    const std::string tail(18, 'x');
    const Case cases[] = {
        {"14-04-2003", "01-02-2003", true},  // same year: the month decides
        {"01-02-2003", "14-04-2002", true},  // the last character weighs most
        {"1-1-2003", "14-04-2003", false},   // shorter
        {"a-1-2003", "a-1-2003", false},
        // Keys near 1000^19: a sum in doubles would lose the first character.
        {"b" + tail, "a" + tail, true},
        {"a" + tail, "b" + tail, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DateKeyGreater(c.a, c.b), c.greater) << c.a << " > " << c.b;
}

TEST(CensoredList, DatesByKeyCutOffsIncreasingTiesStay) {
    std::vector<CensoredEntry> list = {
        {"b", ">150"}, {"a", ">200"}, {"b", ">120.9"}, {"c", ">120"}, {"b", ">120"}, {"b", "> 80"},
    };
    OrderCensoredList(list);
    Items texts;
    for (const CensoredEntry& e : list)
        texts.push_back(e.Text());
    EXPECT_EQ(texts, (Items{"c&>120", "b&> 80", "b&>120.9", "b&>120", "b&>150", "a&>200"}));
    EXPECT_EQ(CutOffOf(">150.99"), 150);
    EXPECT_EQ(CutOffOf(">x"), 0);
}

// Complete model n = 20, s = 10; single-date models from the cases.
ModelEvidence Evidence(double n1, double s1, double n2, double s2) {
    ModelEvidence e;
    e.exists[0] = e.exists[1] = e.exists[2] = true;
    e.n[0] = 20;
    e.s[0] = 10;
    e.n[1] = n1;
    e.s[1] = s1;
    e.n[2] = n2;
    e.s[2] = s2;
    e.m1Number = e.m2Number = true;
    return e;
}

TEST(ChooseModel, MallowsCpAgainstTheCompleteModel) {
    // n = 22, s = 11: SS = 20 x 121 = 2420, Cp = 24.2 - 22 + 4 = 6.2 fails 2 + 3 > Cp.
    const ModelChoice failing = ChooseModel(Evidence(22, 11, 22, 11));
    EXPECT_DOUBLE_EQ(failing.statistics[1].SS, 2420);
    EXPECT_NEAR(failing.statistics[1].Cp, 6.2, 1e-12);
    EXPECT_FALSE(failing.flags[1].candidate);
    EXPECT_DOUBLE_EQ(failing.statistics[0].Cp, 3);
    EXPECT_DOUBLE_EQ(failing.statistics[0].MS, 100);
    EXPECT_TRUE(failing.flags[0].selectable);
    EXPECT_EQ(failing.selected, ModelKind::kComplete);

    struct Case {
        const char* name;
        ModelEvidence evidence;
        std::optional<ModelKind> selected;
    };
    ModelEvidence m1Censored = Evidence(20, 9, 20, 9.5);
    m1Censored.m1Number = false;
    ModelEvidence m1CensoredFailing = Evidence(20, 9, 22, 11);
    m1CensoredFailing.m1Number = false;
    ModelEvidence noComplete = Evidence(22, 11, 22, 12);
    noComplete.exists[0] = false;
    ModelEvidence onlyDate1 = noComplete;
    onlyDate1.exists[2] = false;
    ModelEvidence nothing = noComplete;
    nothing.m1Number = nothing.m2Number = false;
    const Case cases[] = {
        {"equal SS: date 2", Evidence(20, 9, 20, 9), ModelKind::kDate2},
        {"smaller SS of date 1", Evidence(20, 9, 20, 9.5), ModelKind::kDate1},
        {"only date 2 passes", Evidence(22, 11, 20, 9), ModelKind::kDate2},
        {"date 1 censored", m1Censored, ModelKind::kDate2},
        {"date 1 censored, date 2 fails", m1CensoredFailing, std::nullopt},
        {"no complete model: date 2 whatever Cp", noComplete, ModelKind::kDate2},
        {"no complete model, no date-2 file", onlyDate1, ModelKind::kDate1},
        {"no measurement", nothing, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChooseModel(c.evidence).selected, c.selected);
    }

    const ModelChoice censored = ChooseModel(m1Censored);
    EXPECT_FALSE(censored.flags[1].present);
    EXPECT_FALSE(censored.flags[0].present);
    EXPECT_TRUE(censored.flags[1].candidate);
}

TEST(ChooseModel, AMissingFileGivesPlaceholders) {
    ModelEvidence e = Evidence(20, 9, 20, 9);
    e.exists[0] = false;
    e.exists[1] = false;
    const ModelChoice choice = ChooseModel(e);
    for (int k : {0, 1}) {
        EXPECT_EQ(choice.statistics[k].n, -9999);
        EXPECT_EQ(choice.statistics[k].SS, -9999);
        EXPECT_EQ(choice.statistics[k].Cp, -9999);
    }
    // The date-2 model's Cp uses the placeholder MS of the complete model.
    EXPECT_DOUBLE_EQ(choice.statistics[2].Cp, 18 * 81 / -9999.0 - 20 + 4);
    EXPECT_EQ(choice.selected, ModelKind::kDate2);
}

}  // namespace
}  // namespace tarnovel
