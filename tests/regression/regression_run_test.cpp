#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "common/io_error.h"
#include "engine/regression_job.h"
#include "regression/job_names.h"
#include "regression/regression_run.h"
#include "tables/table_grid.h"
#include "tests/tables/support.h"
#include "tests/regression/piezometer_session.h"

namespace tarnovel {
namespace {

using Items = std::vector<std::string>;

class RegressionRun : public PiezometerSession {
  protected:
    // Eight piezometers in strata A and B, two dates.
    void LoadEight(const std::string& date1 = "14-04-2003",
                   const std::string& date2 = "01-02-2003") {
        LoadStandard({{"A", "40", "3", "60", "4", "110", "5", "55", "70"},
                      {"A", "62", "3", "80", "4", "140", "5", "70", "85"},
                      {"A", "85", "6", "101", "4", "170", "5", "101", "118"},
                      {"A", "120", "3", "135", "2", "200", "5", "118", "140"},
                      {"B", "33", "3", "50", "4", "95", "5", "52", "61"},
                      {"B", "57", "3", "77", "4", "131", "5", "75", "92"},
                      {"B", "76", "8", "91", "4", "158", "5", "90", "99"},
                      {"B", "99", "3", "118", "4", "181", "5", "120", "129"}},
                     {date1, date2});
    }

    std::vector<std::string> RunLines() {
        std::vector<std::string> jobs;
        for (const std::string& l : LogLines())
            if (l.rfind("Regression on <", 0) == 0 || l.rfind("No regression on ", 0) == 0)
                jobs.push_back(l);
        return jobs;
    }
};

TEST_F(RegressionRun, JobOrderKindsInsideDatePairsInsidePasses) {
    LoadEight("D1", "D2");
    main.btbttnOKTABINDEX0Click();
    const Items expected = {
        "Regression on <nostrata-D1-D1-MHW-ong.dat> done and results written to <*.out>.",
        "Regression on <nostrata-D1-D1-MSW-ong.dat> done and results written to <*.out>.",
        "Regression on <nostrata-D1-D1-MLW-ong.dat> done and results written to <*.out>.",
        "Regression on <nostrata-D2-D1-MHW-ong.dat> done and results written to <*.out>.",
        "Regression on <nostrata-D2-D1-MSW-ong.dat> done and results written to <*.out>.",
        "Regression on <nostrata-D2-D1-MLW-ong.dat> done and results written to <*.out>.",
        "Regression on <nostrata-D2-D2-MHW-ong.dat> done and results written to <*.out>.",
        "Regression on <nostrata-D2-D2-MSW-ong.dat> done and results written to <*.out>.",
        "Regression on <nostrata-D2-D2-MLW-ong.dat> done and results written to <*.out>."};
    EXPECT_EQ(RunLines(), expected);
    for (const char* base : {"nostrata-D2-D1-MLW-ong", "nostrata-D1-D1-MHW-ong"}) {
        EXPECT_TRUE(Exists(std::string(base) + ".dat"));
        EXPECT_TRUE(Exists(std::string(base) + ".out"));
    }
    auto log = LogLines();
    EXPECT_EQ(log[log.size() - 2], "9 regressions were prepared (inputfiles).");
    EXPECT_EQ(log.back(), "Of these,  0 regressions were not performed.");
    EXPECT_EQ(main.CurrentMilestone(), mijlpaal::na_uitvoeren);
    EXPECT_EQ(main.tbcntrlZelvimoMAIN.tabIndex, 1);
    EXPECT_TRUE(main.grpbxTABINDEX1.enabled && main.grpbxTABINDEX2.enabled);
    EXPECT_EQ(main.ggPROGRESS.position, 100);
    EXPECT_TRUE(main.dateColumns.empty());
}

TEST_F(RegressionRun, StrataSeparatelyPoolsFirstThenEachStratum) {
    LoadEight("D1", "D2");
    main.cmbbxSTRATAyesno.text = "all strata separately";
    main.cmbbxSTRATAyesnoChange();
    main.cmbbxPREDICT.text = "MHW";
    main.cmbbxPREDICTChange();
    main.btbttnOKTABINDEX0Click();
    const auto lines = RunLines();
    ASSERT_EQ(lines.size(), 9u);  // 3 date pairs x 3 passes x 1 kind
    EXPECT_NE(lines[0].find("<nostrata-D1-D1-MHW-ong.dat>"), std::string::npos);
    EXPECT_NE(lines[3].find("<A              -D1-D1-MHW-ong.dat>"), std::string::npos);
    EXPECT_NE(lines[8].find("<B              -D2-D2-MHW-ong.dat>"), std::string::npos);
    EXPECT_EQ(main.cmbbxSTRATA.items, (Items{"no strata", "A              ", "B              "}));
    // Stratum B's job file holds B's records only.
    const std::string job = Get("B              -D2-D2-MHW-ong.dat");
    EXPECT_NE(job.find("4 observations\r\n"), std::string::npos);
    EXPECT_NE(job.find("stratum:B              , unweighted)"), std::string::npos);
}

TEST_F(RegressionRun, JobFilesUnweightedAndWeightedToTheByte) {
    LoadEight("D1", "D2");
    main.cmbbxPREDICT.text = "MLW";
    main.cmbbxPREDICTChange();
    main.cmbbxWEIGHTGLG.text = "weighted regression";
    main.cmbbxWEIGHTGLGChange();
    main.btbttnOKTABINDEX0Click();
    auto pad = [](const std::string& v) { return v + std::string(15 - v.size(), ' ') + " "; };
    std::string expected =
        "from: D2 + D1 to: MLW (stratum:nostrata, weighted)\r\n3 variables\r\nD1\r\nD2\r\nMLW\r\n"
        "8 observations\r\n";
    const Items d1 = {"55", "70", "101", "118", "52", "75", "90", "120"};
    const Items d2 = {"70", "85", "118", "140", "61", "92", "99", "129"};
    const Items mlw = {"110", "140", "170", "200", "95", "131", "158", "181"};
    for (std::size_t i = 0; i < 8; ++i)
        expected += pad(d1[i]) + pad(d2[i]) + pad(mlw[i]) + pad("5") + "\r\n";
    EXPECT_EQ(Get("nostrata-D2-D1-MLW-gew.dat"), expected);
    EXPECT_TRUE(Exists("nostrata-D2-D1-MLW-gew.out"));
    const std::string single = Get("nostrata-D1-D1-MLW-gew.dat");
    EXPECT_EQ(single.substr(0, single.find("8 obs")),
              "from: D1 + D1 to: MLW (stratum:nostrata, weighted)\r\n2 variables\r\nD1\r\nMLW\r\n");
}

TEST_F(RegressionRun, MissingCellsAndTheMinimumData) {
    // Four records; one misses date D1, so D1 jobs hold 3 and pairs 3.
    LoadStandard({{"A", "40", "3", "60", "4", "110", "5", "missing", "70"},
                  {"A", "62", "3", "80", "4", "140", "5", "70", "85"},
                  {"A", "85", "6", "101", "4", "170", "5", "101", "118"},
                  {"A", "120", "3", "135", "2", "200", "5", "118", "140"}},
                 {"D1", "D2"});
    main.cmbbxPREDICT.text = "MHW";
    main.btbttnOKTABINDEX0Click();
    const Items expected = {
        "Regression on <nostrata-D1-D1-MHW-ong.dat> done and results written to <*.out>.",
        "No regression on nostrata-D2-D1-MHW-ong.dat (too few data points).",
        "Regression on <nostrata-D2-D2-MHW-ong.dat> done and results written to <*.out>."};
    EXPECT_EQ(RunLines(), expected);
    EXPECT_NE(Get("nostrata-D1-D1-MHW-ong.dat").find("3 observations"), std::string::npos);
    EXPECT_NE(Get("nostrata-D2-D2-MHW-ong.dat").find("4 observations"), std::string::npos);
    EXPECT_TRUE(Exists("nostrata-D2-D1-MHW-ong.dat"));
    EXPECT_FALSE(Exists("nostrata-D2-D1-MHW-ong.out"));
    EXPECT_EQ(LogLines().back(), "Of these,  1 regressions were not performed.");
}

TEST_F(RegressionRun, ReportsInTheLog) {
    LoadEight("D1", "D2");
    main.btbttnOKTABINDEX0Click();
    const auto log = LogLines();
    const std::string pad(20, ' ');
    const Items expected = {"",
                            "***************************",
                            "******* NEW SESSION *******",
                            "******** Session  2 ********",
                            "*** 05-01-2013 09:03:07 ***",
                            "***************************",
                            "",
                            "****** Session  2 READ DATA FOR PIEZOMETERREGRESSONS ******",
                            "Used file  : ",
                            "****** Session  2 SETTINGS PIEZOMETERREGRESSIONS ******"};
    auto at = std::find(log.begin(), log.end(), "***************************");
    ASSERT_NE(at, log.end());
    EXPECT_EQ(*(at - 1), "");
    EXPECT_EQ(*(at + 2), expected[3]);
    auto settings = std::find(log.begin(), log.end(), expected[9]);
    ASSERT_NE(settings, log.end());
    EXPECT_EQ(*(settings + 1), "To predict        : MHW+MSW+MLW");
    EXPECT_EQ(*(settings + 2), pad + "Regression with regression constant");
    EXPECT_EQ(*(settings + 3), pad + "no strata");
    EXPECT_EQ(*(settings + 4), pad + "Type regression MHW: unweighted regression");
    EXPECT_EQ(*(settings + 7), "");
    EXPECT_EQ(*(settings + 8), "****** Session  2 RESULTS PIEZOMETER REGRESSIONS ******");
    EXPECT_TRUE(std::filesystem::is_directory("session1"));
}

TEST_F(RegressionRun, EarlierRunIsCleanedUp) {
    for (const char* f : {"old-x.out", "old-x.dat", "old-x.wmf", "lonely-y.dat", "nodash.out",
                          "OLD-RESULT.OUT", "keep.csv"})
        Put(f, "x");
    LoadEight();
    main.cmbbxPREDICT.text = "MHW";
    main.btbttnOKTABINDEX0Click();
    for (const char* gone : {"old-x.out", "old-x.dat", "old-x.wmf"}) {
        EXPECT_FALSE(Exists(gone)) << gone;
        EXPECT_FALSE(Exists(std::string("session1/") + gone)) << gone;
    }
    // Not the run's to delete: the archive moves them.
    for (const char* moved : {"lonely-y.dat", "nodash.out", "OLD-RESULT.OUT"})
        EXPECT_TRUE(Exists(std::string("session1/") + moved)) << moved;
    EXPECT_TRUE(Exists("keep.csv"));
}

TEST_F(RegressionRun, FaultsEndTheRunAtTheirJob) {
    // A weighted job whose sd cell reads "missing": the engine cannot read it.
    LoadStandard({{"A", "40", "missing", "60", "4", "110", "5", "55", "70"},
                  {"A", "62", "3", "80", "4", "140", "5", "70", "85"},
                  {"A", "85", "6", "101", "4", "170", "5", "101", "118"},
                  {"A", "120", "3", "135", "2", "200", "5", "118", "140"}},
                 {"D1", "D2"});
    main.cmbbxWEIGHTGHG.text = "weighted regression";
    main.cmbbxWEIGHTGHGChange();
    EXPECT_THROW(main.btbttnOKTABINDEX0Click(), IoError);
    EXPECT_EQ(RunLines(), Items{});
    EXPECT_EQ(main.CurrentMilestone(), mijlpaal::na_instellen);
    EXPECT_FALSE(main.grpbxTABINDEX1.enabled);

    // A date title that would leave the current directory.
    LoadEight("../D1", "D2");
    EXPECT_THROW(main.btbttnOKTABINDEX0Click(), IoError);
    EXPECT_FALSE(Exists("../D1-../D1-MHW-ong.dat"));
}

TEST_F(RegressionRun, DateWithPointCutsTheResultFileName) {
    LoadEight("14.04.2003", "D2");
    main.cmbbxPREDICT.text = "MHW";
    main.btbttnOKTABINDEX0Click();
    EXPECT_TRUE(Exists("nostrata-14.04.2003-14.04.2003-MHW-ong.dat"));
    EXPECT_TRUE(Exists("nostrata-14.out"));
    EXPECT_FALSE(Exists("nostrata-14.04.2003-14.04.2003-MHW-ong.out"));
}

TEST_F(RegressionRun, AnAbsentKindsEmptyWeightingIsNotCopied) {
    // MSW and MLW without sd columns and no MHW: MHW's selector offers
    // nothing, and copying its empty text would make the MSW jobs weighted.
    Load(Csv({{"GVG", "GLG", "D1"},
              {"60", "110", "55"},
              {"80", "140", "70"},
              {"101", "170", "101"},
              {"135", "200", "118"}}),
         Lines({"-1 x", "-1 x", "0 GVG", "-1 x", "1 GLG", "-1 x", "-1 x", "1 measurement dates",
                "2 D1"}),
         {"D1"});
    main.cmbbxPREDICT.text = "MSW";
    main.cmbbxPREDICTChange();
    EXPECT_EQ(main.CMBBXWEIGHTGVG.text, "unweighted regression");
    main.btbttnOKTABINDEX0Click();
    EXPECT_TRUE(Exists("nostrata-D1-D1-MSW-ong.out"));
}

TEST_F(RegressionRun, SettingsHandlersKeepTheWeightingsTogether) {
    LoadEight();
    main.cmbbxPREDICT.text = "MSW";
    main.cmbbxPREDICTChange();
    EXPECT_FALSE(main.cmbbxWEIGHTGHG.visible || main.Label7.visible);
    EXPECT_TRUE(main.CMBBXWEIGHTGVG.visible && main.Label8.visible);
    main.CMBBXWEIGHTGVG.text = "weighted regression";
    main.CMBBXWEIGHTGVGChange();  // single kind: nothing copied
    EXPECT_EQ(main.cmbbxWEIGHTGHG.text, "unweighted regression");
    main.cmbbxPREDICT.text = "MHW+MSW+MLW";
    main.cmbbxPREDICTChange();  // copies MHW's weighting to the others
    EXPECT_EQ(main.CMBBXWEIGHTGVG.text, "unweighted regression");
    main.cmbbxWEIGHTGLG.text = "weighted regression";
    main.cmbbxWEIGHTGLGChange();
    EXPECT_EQ(main.cmbbxWEIGHTGHG.text, "weighted regression");
    EXPECT_EQ(main.CMBBXWEIGHTGVG.text, "weighted regression");
}

}  // namespace
}  // namespace tarnovel

namespace tarnovel {
namespace {

// The job files, result files and log of a small run with strata and
// weighting, reviewed by eye once and kept exact. The clock of the scripted
// platform stands still, so the log holds no changing time.
TEST_F(RegressionRun, GoldenFilesOfASmallRun) {
    LoadEight("14-04-2003", "01-02-2003");
    main.cmbbxSTRATAyesno.text = "all strata separately";
    main.cmbbxSTRATAyesnoChange();
    main.cmbbxPREDICT.text = "MLW";
    main.cmbbxPREDICTChange();
    main.cmbbxWEIGHTGLG.text = "weighted regression";
    main.cmbbxWEIGHTGLGChange();
    main.btbttnOKTABINDEX0Click();

    const std::filesystem::path golden = std::filesystem::path(TARNOVEL_TEST_DATA) / "run";
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string log;
    for (const std::string& line : LogLines())
        log += line + "\r\n";
    if (std::getenv("TARNOVEL_REGENERATE_GOLDEN") != nullptr) {
        std::filesystem::create_directories(golden);
        for (const std::string& name : names)
            if (name.find(".log") == std::string::npos)
                std::filesystem::copy_file(name, golden / name,
                                           std::filesystem::copy_options::overwrite_existing);
        std::ofstream(golden / "run.log", std::ios::binary) << log;
    }
    int compared = 0;
    for (const std::string& name : names) {
        if (name.find(".log") != std::string::npos) continue;
        EXPECT_EQ(Get(name), Get((golden / name).string())) << name;
        ++compared;
    }
    EXPECT_EQ(compared, 18);  // 3 passes x 3 date pairs, a job and a result file each
    EXPECT_EQ(log, Get((golden / "run.log").string()));
}

// The numbers a job file is fitted from without reading its records again
// must be the numbers its reader would read, and must be withheld wherever
// the text would read otherwise.
TEST(JobNumbers, AreWhatTheReaderReadsOrNone) {
    RegressionSettings settings;
    settings.colStrata = 0;
    settings.colMHW = 3;
    settings.colSdMHW = 4;
    const PlannedJob job{kPooledStratum, "D1", "D2", "MHW", kWeightedTag, "job.dat"};
    auto numbersOf = [&](const TableGrid& grid, const PlannedJob& planned, std::string& text,
                         int weighting) {
        const TableText table(grid);
        BoolMatrix selection;
        SelectJobRecords(table, planned, settings.colStrata, selection);
        int records = 0;
        std::vector<double> numbers = {99};
        text = JobFileText(table, planned, settings, selection, records, &numbers);
        if (!numbers.empty()) {
            // Read with the numbers and from the text alone: the same record.
            JobRecord given, read;
            Vector model(2);
            EXPECT_EQ(ReadJobText(text, "job.dat", weighting, given, model, &numbers), 0);
            EXPECT_EQ(ReadJobText(text, "job.dat", weighting, read, model), 0);
            EXPECT_EQ(given.X, read.X);
            EXPECT_EQ(given.Y, read.Y);
            EXPECT_EQ(given.s, read.s);
        }
        return numbers;
    };
    const std::vector<std::vector<std::string>> rows = {
        {"Stratum", "D1", "D2", "MHW", "sd"},
        {"A", "  12.5 ", "1e2", "-3", "0.1"},
        {"B", "+4.25", "0.30000000000000004", "17", "  2.5e-1"},
        {"A", "7", "missing", "8", "1"},  // not selected
        {"B", "-0.0", "123456789012345678901234", "3.", "0"}};
    std::string text;
    EXPECT_EQ(numbersOf(test::GridOfRows(rows), job, text, 1),
              (std::vector<double>{12.5, 100, -3, 0.1, 4.25, 0.30000000000000004, 17, 0.25, -0.0,
                                   123456789012345678901234.0, 3, 0}));
    // Unweighted, the same table has no sd field.
    PlannedJob unweighted = job;
    unweighted.tag = kUnweightedTag;
    EXPECT_EQ(numbersOf(test::GridOfRows(rows), unweighted, text, 0).size(), 9u);

    // A field the reader cannot read, or reads as two.
    for (const std::string cell : {"12,5", "1 2", "1e999", "\t3"}) {
        std::vector<std::vector<std::string>> changed = rows;
        changed[2][2] = cell;
        EXPECT_TRUE(numbersOf(test::GridOfRows(changed), job, text, 1).empty()) << cell;
    }
    // Numbers of another count than the records' fields are not taken.
    numbersOf(test::GridOfRows(rows), job, text, 1);
    JobRecord given, read;
    Vector model(2);
    const std::vector<double> fewer = {1, 2, 3};
    ASSERT_EQ(ReadJobText(text, "job.dat", 1, given, model, &fewer), 0);
    ASSERT_EQ(ReadJobText(text, "job.dat", 1, read, model), 0);
    EXPECT_EQ(given.X, read.X);
    EXPECT_EQ(given.Y, read.Y);
    // A header line that would read as two lines.
    PlannedJob broken = job;
    broken.stratum = "no\r\nstrata";
    settings.colStrata = -1;
    EXPECT_TRUE(numbersOf(test::GridOfRows(rows), broken, text, 1).empty());
    EXPECT_THROW(ReadJobText(text, "job.dat", 1, given, model), IoError);

}

}  // namespace
}  // namespace tarnovel
