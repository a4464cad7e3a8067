#include "prediction/censored.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "common/io_error.h"
#include "tests/common/scratch_dir.h"

namespace tarnovel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// ----------------------------------------------------------------- table

struct TellingRow {
    double h;
    double lambda[7];
};

TEST(LambdaTable, ReproducesEveryTellingCell) {
    const double alphas[7] = {0.00, 0.10, 0.50, 0.85, 1.0, 1.5, 10.0};
    const int columns[7] = {1, 11, 51, 86, 89, 90, 100};
    const TellingRow rows[] = {
        {0.01, {0.01010, 0.01095, 0.01328, 0.01478, 0.01534, 0.01699, 0.03206}},
        {0.10, {0.11020, 0.11804, 0.14090, 0.15599, 0.16170, 0.17858, 0.33373}},
        {0.50, {0.83684, 0.87033, 0.98262, 1.06358, 1.09506, 1.19009, 2.11047}},
        {0.90, {3.28261, 3.34516, 3.57456, 3.75434, 3.82674, 4.05201, 6.46220}},
    };
    const int rowIndex[4] = {1, 10, 18, 22};
    const LambdaTable& table = GetLambdaTable();
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(table.rowValues[rowIndex[r]], rows[r].h);
        for (int k = 0; k < 7; ++k) {
            SCOPED_TRACE(testing::Message() << "h " << rows[r].h << ", alpha " << alphas[k]);
            EXPECT_EQ(table.columnValues[columns[k]], alphas[k]);
            EXPECT_EQ(table.cell[rowIndex[r]][columns[k]], rows[r].lambda[k]);
            // A value on a row and a column value reads the stored cell.
            EXPECT_EQ(LambdaLookup(rows[r].h, alphas[k]), rows[r].lambda[k]);
        }
    }
}

TEST(LambdaLookup, UsesTheNearestEdgeOutsideTheTable) {
    struct Case {
        double h, alpha, expected;
    };
    const Case cases[] = {
        {0.005, 0.50, 0.01328},  // h below 0.01: row 0.01
        {0.0, 1.5, 0.01699},     //
        {0.95, 0.10, 3.34516},   // h above 0.9: row 0.9
        {1.0, 0.85, 3.75434},    //
        {0.50, 25.0, 2.11047},   // alpha above 10: column 10
        {0.10, 1e9, 0.33373},    //
        {0.001, 50.0, 0.03206},  // both beyond: the corner
        {0.99, 11.0, 6.46220},   //
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "h " << c.h << ", alpha " << c.alpha);
        EXPECT_EQ(LambdaLookup(c.h, c.alpha), c.expected);
    }
}

TEST(LambdaLookup, InterpolatesBetweenNeighbours) {
    // Columns 1.0 and 1.5 are neighbours: halfway between their cells.
    EXPECT_NEAR(LambdaLookup(0.50, 1.25), (1.09506 + 1.19009) / 2, 1e-14);
    EXPECT_NEAR(LambdaLookup(0.90, 1.1), 3.82674 + 0.2 * (4.05201 - 3.82674), 1e-14);
    // Inside the table the interpolation stays close to the definition; a
    // bracket off by one row or column would not.
    for (double h : {0.015, 0.095, 0.123, 0.47, 0.55, 0.85}) {
        for (double alpha : {0.005, 0.333, 0.875, 1.2, 4.5, 9.0}) {
            SCOPED_TRACE(testing::Message() << "h " << h << ", alpha " << alpha);
            const double exact = LambdaFromDefinition(h, alpha);
            EXPECT_NEAR(LambdaLookup(h, alpha), exact, 0.05 * exact);
        }
    }
}

// ------------------------------------------------------------ estimation

class EstimateCensoredTest : public ScratchDirTest {
  protected:
    CensoredEstimate Run(const std::string& input) {
        Put("invoer_censored.txt", input);
        messages.clear();
        return EstimateCensored("invoer_censored.txt", "uitvoer_censored.txt",
                                [this](const std::string& m) { messages.push_back(m); });
    }

    static std::string Lines(const std::vector<std::string>& lines, const char* end = "\r\n") {
        std::string text;
        for (const std::string& line : lines)
            text += line + end;
        return text;
    }

    std::vector<std::string> messages;
};

// Expected values from an independent transcription of the same steps
// (censored_reference.py), to the last bit.
struct Golden {
    const char* name;
    std::string input;
    double estimate;
    double variance;
    int passes;
    std::string report;
};

TEST_F(EstimateCensoredTest, MatchesTheReferenceToTheLastBit) {
    const Golden cases[] = {
        {"one censored among five", "80\r\n95\r\n110\r\n>150\r\n120\r\nmissing\r\n",
         165.42264222766755, 164.04247117766096, 100,
         ">150\r\n"
         "ML-schatting:  165.423; met variantie:    164.042\r\n"
         "c/N      : 0.200; alpha    : 0.129; lambda   : 0.261\r\n"},
        {"x reaches U after 100 steps", "60\n70\n100\n>150\n", 175.19871531355864,
         428.51713623325844, 100,
         ">150\r\n"
         "ML-schatting:  175.199; met variantie:    428.517\r\n"
         "c/N      : 0.250; alpha    : 0.081; lambda   : 0.333\r\n"},
        {"x falls short of U after 100 steps", "60\n115\n100\n>150\n", 175.96864477089153,
         440.03983559516274, 101,
         ">150\r\n"
         "ML-schatting:  175.969; met variantie:    440.040\r\n"
         "c/N      : 0.250; alpha    : 0.238; lambda   : 0.358\r\n"},
    };
    for (const Golden& g : cases) {
        SCOPED_TRACE(g.name);
        const CensoredEstimate r = Run(g.input);
        ASSERT_TRUE(r.estimated);
        EXPECT_EQ(r.estimate, g.estimate);
        EXPECT_EQ(r.variance, g.variance);
        EXPECT_EQ(r.integrationPasses, g.passes);
        EXPECT_GT(r.estimate, r.cutOff);
        EXPECT_EQ(r.cutOff, 150.0);
        EXPECT_EQ(Get("uitvoer_censored.txt"), g.report);
        EXPECT_THAT(messages, IsEmpty());
    }
}

TEST_F(EstimateCensoredTest, ValuesBeyondTheTableUseItsEdge) {
    std::vector<std::string> few = {"60", "70"};
    for (int i = 0; i < 28; ++i)
        few.push_back(">150");
    std::vector<std::string> many;
    for (int i = 0; i < 199; ++i)
        many.push_back(std::to_string(100 + (i * 13) % 21 - 10));
    many.push_back(">  130");
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        double h, row, alpha, column;
    };
    const Case cases[] = {
        {"h = 28/30 above 0.9", few, 28.0 / 30, 0.90, 0.0, 0.0},
        {"h = 1/200 below 0.01", many, 1.0 / 200, 0.01, 0.0, 0.0},
        // Mean 145 just below the cut-off, variance 42050.
        {"alpha = 1682 above 10", {"0", "290", ">150"}, 1.0 / 3, 1.0 / 3, 1682.0, 10.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CensoredEstimate r = Run(Lines(c.lines));
        ASSERT_TRUE(r.estimated);
        EXPECT_EQ(r.h, c.h);
        if (c.column > 0) {
            EXPECT_EQ(r.alpha, c.alpha);
            EXPECT_EQ(r.lambda, LambdaLookup(c.row, c.column));
        } else {
            EXPECT_EQ(r.lambda, LambdaLookup(c.row, r.alpha));
        }
        EXPECT_GT(r.estimate, r.cutOff);
        EXPECT_GT(r.variance, 0.0);
    }
}

TEST_F(EstimateCensoredTest, CutOffIsTheSmallestCensoredValue) {
    struct Case {
        const char* name;
        std::string input;
        double cutOff;
        std::string cutOffText;
        std::vector<std::string> messages;
        double h;
    };
    const std::string warning = "meerdere cut-off waarden in invoer_censored.txt";
    const Case cases[] = {
        {"120 then 150", "80\r\n>120\r\n90\r\n>150\r\n100\r\n", 120, ">120", {warning}, 0.4},
        {"150 then 120", "80\r\n>150\r\n90\r\n>120\r\n100\r\n", 120, ">120", {}, 0.4},
        {"equal values: the later text", "80\r\n>150\r\n90\r\n> 150\r\n", 150, "> 150", {}, 0.5},
        {"blanks kept in the text", "80\r\n>  150\r\n90\r\n", 150, ">  150", {}, 1.0 / 3},
        {"signed and exponent", "80\r\n>+1.5e2\r\n90\r\n", 150, ">+1.5e2", {}, 1.0 / 3},
        {"above 99999 from the start", "80\r\n>100000\r\n90\r\n", 99999, "", {warning}, 1.0 / 3},
        {"not a number: not counted",
         "80\r\n>150\r\n> 1 50x\r\n90\r\n",
         150,
         ">150",
         {"niet-numerieke tekens in 150x in invoer_censored.txt"},
         1.0 / 3},
        {"messages in the order of the lines",
         "80\r\n>150\r\n>abc\r\n90\r\n>160\r\n> x\r\n",
         150,
         ">150",
         {"niet-numerieke tekens in abc in invoer_censored.txt", warning,
          "niet-numerieke tekens in x in invoer_censored.txt"},
         0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CensoredEstimate r = Run(c.input);
        EXPECT_EQ(r.cutOff, c.cutOff);
        EXPECT_EQ(r.cutOffText, c.cutOffText);
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(r.h, c.h);
        ASSERT_TRUE(r.estimated);
        EXPECT_EQ(Get("uitvoer_censored.txt").substr(0, c.cutOffText.size() + 2),
                  c.cutOffText + "\r\n");
    }
}

TEST_F(EstimateCensoredTest, ReadsOnlyLinesThatAreWholeNumbers) {
    // Leading blanks are allowed; trailing text, decimal commas and words
    // make a line no measurement; any line ending reads.
    const CensoredEstimate r = Run("  80\r\n95 \n9,5\r110cm\r100\r>150\n\nmissing\r\n120");
    ASSERT_TRUE(r.estimated);
    EXPECT_EQ(r.h, 1.0 / 4);  // 80, 100, 120 and the censored value
    const CensoredEstimate same = Run("80\r\n100\r\n>150\r\n120\r\n");
    EXPECT_EQ(r.estimate, same.estimate);
    EXPECT_EQ(r.variance, same.variance);
}

TEST_F(EstimateCensoredTest, NoEstimateWhereTheStepsWouldDivideByZero) {
    struct Case {
        const char* name;
        std::string input;
    };
    const Case cases[] = {
        {"no uncensored value", ">150\r\n>150\r\n"},
        {"one uncensored value", "80\r\n>150\r\n"},
        {"no censored value", "80\r\n90\r\n100\r\n"},
        {"no censored value that converts", "80\r\n90\r\n>abc\r\n"},
        {"mean on the cut-off", "140\r\n160\r\n>150\r\n"},
        {"empty file", ""},
        {"an infinite value", "80\r\n1e999\r\n>150\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CensoredEstimate r = Run(c.input);
        EXPECT_FALSE(r.estimated);
        EXPECT_FALSE(r.noEstimateReason.empty());
        EXPECT_EQ(r.estimate, 0.0);
        EXPECT_EQ(r.variance, 0.0);
        EXPECT_THAT(Entries(), ElementsAre("invoer_censored.txt"));
    }
}

TEST_F(EstimateCensoredTest, EqualUncensoredValuesHaveNoSpread) {
    // The one-pass sum of squares of 0.1 three times comes out below zero.
    const CensoredEstimate r = Run("0.1\r\n0.1\r\n0.1\r\n>0.5\r\n");
    ASSERT_TRUE(r.estimated);
    EXPECT_EQ(r.alpha, 0.0);
    EXPECT_GT(r.estimate, 0.5);
}

// ---------------------------------------------- distribution below the cut-off

std::string FarBelowTheCutOff() {
    // 99 water tables around 50 and one dry hole of 150: the fitted normal
    // ends (mu + 5 sigma) far short of the cut-off.
    std::string text;
    for (int i = 0; i < 99; ++i)
        text += std::to_string(50 + (i * 7) % 11 - 5) + "\r\n";
    return text + ">150\r\n";
}

TEST_F(EstimateCensoredTest, MomentsInClosedFormWhenTheGridMissesTheTail) {
    const CensoredEstimate r = Run(FarBelowTheCutOff());
    ASSERT_TRUE(r.estimated);
    EXPECT_EQ(r.integrationPasses, 0);
    // The reference takes 1 - Phi from erfc, this program from a continued
    // fraction: equal to rounding.
    EXPECT_NEAR(r.estimate, 151.09922735157195, 1e-12 * 151);
    EXPECT_NEAR(r.variance, 1.1833553658934604, 1e-10);
    EXPECT_EQ(Get("uitvoer_censored.txt"),
              ">150\r\n"
              "ML-schatting:  151.099; met variantie:      1.183\r\n"
              "c/N      : 0.010; alpha    : 0.001; lambda   : 0.010\r\n");
}

TEST_F(EstimateCensoredTest, NoEndlessLoopWhenTheGridIsNarrowerThanTheNumbers) {
    // Move the cut-off until mu + 5 sigma lies within a unit in the last
    // place of it: the integration steps then no longer move x.
    std::string values;
    for (int i = 0; i < 99; ++i)
        values += std::to_string(50 + (i * 7) % 11 - 5) + "\r\n";
    auto runAt = [&](double cutOff) {
        char line[64];
        std::snprintf(line, sizeof line, ">%.17g\r\n", cutOff);
        return Run(values + line);
    };
    double inside = 60;    // the grid covers the tail
    double outside = 150;  // closed form
    ASSERT_GT(runAt(inside).integrationPasses, 0);
    ASSERT_EQ(runAt(outside).integrationPasses, 0);
    while (std::nextafter(inside, outside) != outside) {
        const double middle = inside + (outside - inside) / 2;
        if (middle == inside || middle == outside) break;
        const CensoredEstimate r = runAt(middle);
        ASSERT_TRUE(r.estimated) << middle;
        ASSERT_TRUE(std::isfinite(r.estimate) && std::isfinite(r.variance)) << middle;
        ASSERT_GE(r.estimate, r.cutOff) << middle;
        ASSERT_GE(r.variance, 0.0) << middle;
        (r.integrationPasses > 0 ? inside : outside) = middle;
    }
}

// ------------------------------------------------------------ batch tool

class CensoredCommandTest : public ScratchDirTest {
  protected:
    int Run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return cli::RunCensoredCommand(args, out, err);
    }

    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CensoredCommandTest, PrintsEstimateAndVarianceExactly) {
    Put("in.txt", "80\r\n95\r\n110\r\n>150\r\n120\r\n> abc\r\n>\r\n");
    EXPECT_EQ(Run({"in.txt", "out.txt"}), cli::kExitDone);
    EXPECT_EQ(out.str(), "165.42264222766755 164.04247117766096\n");
    EXPECT_EQ(err.str(),
              "niet-numerieke tekens in abc in in.txt\n"
              "niet-numerieke tekens in  in in.txt\n");
    EXPECT_THAT(Entries(), ElementsAre("in.txt", "out.txt"));
}

TEST_F(CensoredCommandTest, NamesTheLinesItIgnores) {
    // Blank lines pass silently; a ">" line whose depth is no number has
    // its own message.
    Put("in.txt", "80\r\n\r\n \t \r\n95\r\n145,5\r\n>150\r\n> abc\r\nmissing\r\n110\r\n120\n");
    Put("clean.txt", "80\r\n95\r\n>150\r\n110\r\n120\r\n");
    for (const std::string option : {"", "--exact"}) {
        SCOPED_TRACE(option);
        std::vector<std::string> args = {"clean.txt", "clean-out.txt"};
        if (!option.empty()) args.insert(args.begin(), option);
        ASSERT_EQ(Run(args), cli::kExitDone);
        const std::string clean = out.str();
        args[args.size() - 2] = "in.txt";
        ASSERT_EQ(Run(args), cli::kExitDone);
        EXPECT_EQ(out.str(), clean);
        EXPECT_EQ(
            err.str(),
            "tarnovel-cli censored: line 5 ignored, not a number or \">\" depth: \"145,5\"\n"
            "tarnovel-cli censored: line 8 ignored, not a number or \">\" depth: \"missing\"\n"
            "niet-numerieke tekens in abc in in.txt\n");
    }
}

TEST_F(CensoredCommandTest, ExactNamesTheMethodInTheReport) {
    Put("in.txt", "80\r\n95\r\n110\r\n>150\r\n120\r\n");
    ASSERT_EQ(Run({"--exact", "in.txt", "out.txt"}), cli::kExitDone);
    // Those of the EM fit in censored_exact_reference.py, to its precision.
    EXPECT_THAT(out.str(),
                testing::MatchesRegex("163\\.882521764661[0-9]* 144\\.7567099465[0-9]*\n"));
    EXPECT_NE(Get("out.txt").find("\r\nmethod   : exact maximum likelihood; "), std::string::npos);
    Put("one.txt", "80\r\n>150\r\n");
    EXPECT_EQ(Run({"one.txt", "none.txt", "--exact"}), cli::kExitError);
    EXPECT_THAT(Entries(), ElementsAre("in.txt", "one.txt", "out.txt"));
}

TEST_F(CensoredCommandTest, ExitStatusTellsWhatWentWrong) {
    Put("one.txt", "80\r\n>150\r\n");
    Put("in.txt", "80\r\n90\r\n>150\r\n");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {"no estimate possible", {"one.txt", "out.txt"}, cli::kExitError},
        {"input missing", {"absent.txt", "out.txt"}, cli::kExitFile},
        {"output folder missing", {"in.txt", "no/such/folder/out.txt"}, cli::kExitFile},
        {"one file only", {"in.txt"}, cli::kExitUsage},
        {"three files", {"in.txt", "out.txt", "more.txt"}, cli::kExitUsage},
        {"unknown option", {"--fast", "in.txt", "out.txt"}, cli::kExitUsage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run(c.args), c.status);
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str(), "");
        EXPECT_THAT(Entries(), ElementsAre("in.txt", "one.txt"));
    }
}

}  // namespace
}  // namespace tarnovel
