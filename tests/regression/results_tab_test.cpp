#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/io_error.h"
#include "common/text_file.h"
#include "engine/regression_job.h"
#include "regression/result_file.h"
#include "shell/main_form.h"
#include "tests/shell/scripted_platform.h"
#include "tests/shell/temp_directory.h"

namespace tarnovel {
namespace {

// The results tab of the main window, with the one thing a regression run
// does to it that these tests need without a run.
class Form : public TfrmZelvimoMAIN {
  public:
    using TfrmZelvimoMAIN::TfrmZelvimoMAIN;
    void StartRun() { presentationHeader_ = true; }
    void SetCurrentMilestone(mijlpaal m) { milestone_ = m; }
};

const std::string kJobs = std::string(TARNOVEL_TEST_DATA) + "/jobs/";
const std::string kResults = std::string(TARNOVEL_TEST_DATA) + "/results/";

const std::string kSingle = "nostrata-14-04-2003-14-04-2003-MHW-ong";
const std::string kPair = "Sand           -14-04-2003-01-02-2003-MLW-gew";

class ResultsTabTest : public InTempDirectory {
  protected:
    void SetUp() override {
        InTempDirectory::SetUp();
        form.FormActivate();
        logStart = Log().size();
    }

    // A result file made by the engine from one of the stored job files.
    static void RunJob(const std::string& stored, const std::string& job, int weighting) {
        Put(job + ".dat", Get(kJobs + stored));
        JobSettings settings;
        settings.jobFileName = job + ".dat";
        settings.weightingMode = weighting;
        ASSERT_EQ(RunRegressionJob(settings), JobOutcome::Written);
    }

    std::vector<std::string> Log() {
        form.FlushLog();
        return ReadTextLines(form.LogFileName());
    }
    // The lines written since start-up.
    std::vector<std::string> NewLogLines() {
        const std::vector<std::string> all = Log();
        return {all.begin() + static_cast<std::ptrdiff_t>(logStart), all.end()};
    }

    void Choose(const std::string& stratum, const std::string& kind, const std::string& date) {
        form.cmbbxSTRATA2.text = stratum;
        form.cmbbxGxG.text = kind;
        form.Actualiseer_datumlijst();
        form.cmbbxDATUM1.text = date;
    }

    std::vector<std::string> Column(int c) const {
        return form.strgrdFIT.cells[static_cast<std::size_t>(c)].Strings();
    }

    ScriptedPlatform platform;
    Form form{platform};
    std::size_t logStart = 0;
};

TEST_F(ResultsTabTest, DateListFollowsStratumKindAndWeighting) {
    // Only the names matter to the list.
    for (const char* name :
         {"nostrata-d1-d1-MHW-ong.out", "nostrata-d2-d1-MHW-ong.out", "nostrata-d2-d2-MHW-ong.out",
          "nostrata-d1-d1-MSW-ong.out", "nostrata-d2-d2-MSW-gew.out", "nostrata-d2-d2-MLW-gew.out",
          "A              -d1-d1-MHW-ong.out", "A              -d2-d2-MHW-ong.out",
          "nostrata-13-03-2002-13-03-2002-MHW-ong.out", "nostrata-d1-d1-MHW-ong.dat",
          "nostrata-d3-d3-MHW-ong.wmf"})
        Put(name, "");

    struct Case {
        const char* stratum;
        const char* kind;
        const char* mswWeighting;
        std::vector<std::string> keys;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        // In name order; a pair is shown by its key, a single date alone,
        // also when the date holds "-" itself.
        {"no strata",
         "MHW",
         "unweighted regression",
         {"13-03-2002-13-03-2002", "d1-d1", "d2-d1", "d2-d2"},
         {"13-03-2002", "d1", "d2-d1", "d2"}},
        {"A              ", "MHW", "unweighted regression", {"d1-d1", "d2-d2"}, {"d1", "d2"}},
        {"no strata", "MSW", "unweighted regression", {"d1-d1"}, {"d1"}},
        {"no strata", "MSW", "weighted regression", {"d2-d2"}, {"d2"}},
        // MLW's own weighting is unweighted: its weighted file is not offered.
        {"no strata", "MLW", "weighted regression", {}, {}},
        {"B              ", "MHW", "unweighted regression", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.stratum) + "/" + c.kind + "/" + c.mswWeighting);
        form.CMBBXWEIGHTGVG.text = c.mswWeighting;
        form.cmbbxSTRATA2.text = c.stratum;
        form.cmbbxGxG.text = c.kind;
        form.cmbbxDATUM1.text = "stale";
        form.Actualiseer_datumlijst();
        EXPECT_EQ(form.lstbxTMP.items, c.keys);
        EXPECT_EQ(form.cmbbxDATUM1.items, c.shown);
        EXPECT_EQ(form.cmbbxDATUM1.text, c.shown.empty() ? "" : c.shown.front());
    }
}

TEST_F(ResultsTabTest, TabSelectionRefillsTheSelectors) {
    Put("nostrata-d1-d1-MLW-ong.out", "");
    Put("Klei           -d1-d1-MHW-ong.out", "");
    struct Case {
        const char* strata;
        std::vector<std::string> strataItems;
        const char* predict;
        std::vector<std::string> expectStrata;
        std::vector<std::string> expectKinds;
        std::vector<std::string> expectDates;
    };
    const Case cases[] = {
        {"no strata",
         {"no strata", "Klei           ", "Zand           "},
         "MLW",
         {"no strata"},
         {"MLW"},
         {"d1"}},
        // Strata separately: the strata themselves, never the pooled pass.
        {"all strata separately",
         {"no strata", "all strata separately", "Klei           ", "Zand           "},
         "MHW+MSW+MLW",
         {"Klei           ", "Zand           "},
         {"MHW", "MSW", "MLW"},
         {"d1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.predict);
        form.cmbbxSTRATA.text = c.strata;
        form.cmbbxSTRATA.items = c.strataItems;
        form.cmbbxPREDICT.text = c.predict;
        form.strgrdFIT.SetCell(1, 0, "12");
        form.imgFIT.pixels.assign(350 * 350, 0);
        form.tbcntrlZelvimoMAIN.tabIndex = 1;
        form.tbcntrlZelvimoMAINChange();
        EXPECT_EQ(form.cmbbxSTRATA2.items, c.expectStrata);
        EXPECT_EQ(form.cmbbxSTRATA2.text, c.expectStrata.front());
        EXPECT_EQ(form.cmbbxGxG.items, c.expectKinds);
        EXPECT_EQ(form.cmbbxGxG.text, c.expectKinds.front());
        EXPECT_EQ(form.cmbbxDATUM1.items, c.expectDates);
        EXPECT_EQ(form.strgrdFIT.Cell(1, 0), "missing");
        EXPECT_EQ(form.imgFIT.pixels, std::vector<Rgb>(350 * 350, kWhite));
    }
}

TEST_F(ResultsTabTest, BlankGridLayout) {
    form.blankstrgrdFIT();
    using V = std::vector<std::string>;
    EXPECT_EQ(Column(0), (V{"n", "SQRT(MSres)", "r2", "r2-adj", "Mallow's Cp", "Intercept",
                            "Slope (*date1)", "Slope (*date2)"}));
    EXPECT_EQ(Column(1), (V{"missing", "missing", "missing", "missing", "nb", "missing", "missing",
                            "missing"}));
    EXPECT_EQ(Column(2), (V{"", "", "", "", "Std=", "missing", "missing", "missing"}));
    EXPECT_EQ(Column(3), (V{"", "", "", "", "t-Student=", "missing", "missing", "missing"}));
    EXPECT_EQ(form.strgrdFIT.colWidths, (std::vector<int>{88, 60, 55, 56}));
}

TEST_F(ResultsTabTest, ShowsSingleDateAndPairJobs) {
    RunJob("single-date.dat", kSingle, 0);
    RunJob("pair-weighted.dat", kPair, 1);
    form.cmbbxWEIGHTGLG.text = "weighted regression";
    using V = std::vector<std::string>;
    struct Case {
        const char* stratum;
        const char* kind;
        const char* date;
        std::string file;
        V values, stds, ts;
    };
    const Case cases[] = {
        // The date holds "-", yet the job has one date: no third coefficient.
        {"no strata",
         "MHW",
         "14-04-2003",
         kSingle,
         {"12", "8.119347", "0.917643", "0.909407", "nb", "7.000342", "0.754977", "missing"},
         {"", "", "", "", "Std=", "5.598371", "0.071523", "missing"},
         {"", "", "", "", "t-Student=", "1.25", "10.56", "missing"}},
        {"Sand           ",
         "MLW",
         "14-04-2003-01-02-2003",
         kPair,
         {"15", "9.080977", "0.966395", "0.960794", "nb", "29.44840", "0.687302", "0.531628"},
         {"", "", "", "", "Std=", "6.173194", "0.133763", "0.114553"},
         {"", "", "", "", "t-Student=", "4.77", "5.14", "4.64"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Choose(c.stratum, c.kind, c.date);
        ASSERT_EQ(form.cmbbxDATUM1.items, V{c.date});
        form.btbttnSHOWClick();
        EXPECT_EQ(Column(1), c.values);
        EXPECT_EQ(Column(2), c.stds);
        EXPECT_EQ(Column(3), c.ts);
        EXPECT_TRUE(Exists(c.file + ".wmf"));
        EXPECT_EQ(platform.canvases.back()->saved, V{c.file + ".wmf"});
        EXPECT_EQ(NewLogLines().back(), "Regression outputfile <" + c.file +
                                            ".out> presented. Scatterplot <*.wmf> saved to file");
        EXPECT_TRUE(form.imgFIT.visible);
        EXPECT_EQ(form.CurrentMilestone(), mijlpaal::na_rapporteren);
    }
}

TEST_F(ResultsTabTest, ShortFieldsAndMissingAdjustedR2) {
    Put("nostrata-d1-d1-MHW-ong.out", Get(kResults + "toskim_no_r2a.out"));
    Choose("no strata", "MHW", "d1");
    form.btbttnSHOWClick();
    using V = std::vector<std::string>;
    EXPECT_EQ(Column(1), (V{"3", "1.000000", "0.500000", "Not calculated", "nb", "-123.456",
                            "0.123456", "missing"}));
    EXPECT_EQ(Column(2)[5], "0.123456");
}

TEST_F(ResultsTabTest, PictureOnScreenIsThePictureDrawn) {
    Put("nostrata-d1-d1-MHW-ong.out", Get(kResults + "toskim_no_r2a.out"));
    Choose("no strata", "MHW", "d1");
    form.btbttnSHOWClick();
    ASSERT_EQ(platform.canvases.size(), 1u);
    const std::vector<std::string>& ops = platform.canvases[0]->ops;
    // Observation 3 (observed 100, fitted 50) on the range 0 .. 200.
    EXPECT_NE(std::find(ops.begin(), ops.end(), "fill 174 249 176 251"), ops.end());
    ASSERT_EQ(form.imgFIT.width, 350);
    ASSERT_EQ(form.imgFIT.pixels.size(), 350u * 350u);
    EXPECT_EQ(form.imgFIT.pixels[249 * 350 + 175], kBlack);
    EXPECT_EQ(form.imgFIT.pixels[200 * 350 + 120], kWhite);
    EXPECT_NE(std::find(platform.repaints.begin(), platform.repaints.end(), "imgFIT"),
              platform.repaints.end());
}

TEST_F(ResultsTabTest, MissingResultFileIsLoggedAndKeepsThePicture) {
    RunJob("single-date.dat", kSingle, 0);
    Choose("no strata", "MHW", "14-04-2003");
    form.btbttnSHOWClick();
    const std::vector<Rgb> shown = form.imgFIT.pixels;
    std::filesystem::remove(kSingle + ".out");

    form.btbttnSHOWClick();
    EXPECT_EQ(NewLogLines().back(), "Regression outfile <" + kSingle +
                                        ".out> not found!Possibly the regression was not "
                                        "performed because there were too few data points.");
    EXPECT_EQ(Column(1)[0], "missing");
    EXPECT_EQ(form.imgFIT.pixels, shown);
    EXPECT_EQ(platform.canvases.size(), 1u);
    EXPECT_EQ(form.CurrentMilestone(), mijlpaal::na_rapporteren);

    // Nothing to choose from: the name lacks its dates.
    form.cmbbxDATUM1.items.clear();
    form.lstbxTMP.items.clear();
    form.btbttnSHOWClick();
    EXPECT_EQ(NewLogLines().back(),
              "Regression outfile <nostrata--MHW-ong.out> not found!Possibly the regression was "
              "not performed because there were too few data points.");
}

TEST_F(ResultsTabTest, HeadingOncePerRun) {
    RunJob("single-date.dat", kSingle, 0);
    Choose("no strata", "MHW", "14-04-2003");
    form.btbttnSHOWClick();
    form.btbttnSHOWClick();
    form.StartRun();
    form.btbttnSHOWClick();
    const std::string presented =
        "Regression outputfile <" + kSingle + ".out> presented. Scatterplot <*.wmf> saved to file";
    const std::vector<std::string> expected = {
        "", "****** Session  1 PRESENTED REGRESSION RESULTS ******", presented, presented,
        "", "****** Session  1 PRESENTED REGRESSION RESULTS ******", presented};
    EXPECT_EQ(NewLogLines(), expected);
    EXPECT_FALSE(form.PresentationHeaderPending());
}

TEST_F(ResultsTabTest, PresentationKeepsALaterMilestone) {
    Choose("no strata", "MHW", "");
    for (auto [before, after] : {std::pair{mijlpaal::na_uitvoeren, mijlpaal::na_rapporteren},
                                 {mijlpaal::na_voorspellen, mijlpaal::na_voorspellen}}) {
        form.SetCurrentMilestone(before);
        platform.repaints.clear();
        form.btbttnSHOWClick();
        EXPECT_EQ(form.CurrentMilestone(), after);
        EXPECT_EQ(form.ggVoortgang.position, MilestonePosition(after));
        EXPECT_NE(std::find(platform.repaints.begin(), platform.repaints.end(), "ggVoortgang"),
                  platform.repaints.end());
    }
}

TEST_F(ResultsTabTest, ResidualTableShorterThanItsCountFails) {
    RunJob("single-date.dat", kSingle, 0);
    std::vector<std::string> lines = ReadTextLines(kSingle + ".out");
    lines.resize(lines.size() - 4);  // observations 10 .. 12 and the closing rule
    WriteTextFile(kSingle + ".out", lines);
    Choose("no strata", "MHW", "14-04-2003");
    EXPECT_THROW(form.btbttnSHOWClick(), IoError);
    EXPECT_EQ(Column(1)[0], "12");
    EXPECT_FALSE(Exists(kSingle + ".wmf"));
}

TEST_F(ResultsTabTest, SelectorChangesBlankTheResult) {
    RunJob("single-date.dat", kSingle, 0);
    Put("nostrata-d9-d9-MSW-ong.out", "");
    using Handler = void (Form::*)();
    struct Case {
        Handler handler;
        const char* kind;  // cmbbxGxG's text when the handler runs
        std::vector<std::string> dates;
    };
    const Case cases[] = {
        {&Form::cmbbxGxGChange, "MSW", {"d9"}},
        {&Form::cmbbxSTRATA2Change, "MHW", {"14-04-2003"}},
        // A new date does not rebuild the list.
        {&Form::cmbbxDATUM1Change, "MSW", {"14-04-2003"}},
    };
    for (const Case& c : cases) {
        Choose("no strata", "MHW", "14-04-2003");
        form.btbttnSHOWClick();
        ASSERT_EQ(Column(1)[0], "12");
        form.cmbbxGxG.text = c.kind;
        (form.*c.handler)();
        EXPECT_EQ(Column(1)[0], "missing");
        EXPECT_EQ(form.imgFIT.pixels, std::vector<Rgb>(350 * 350, kWhite));
        EXPECT_EQ(form.cmbbxDATUM1.items, c.dates);
    }
}

TEST_F(ResultsTabTest, HintsOfTheTab) {
    using Handler = void (Form::*)();
    const std::pair<Handler, const char*> cases[] = {
        {&Form::cmbbxSTRATA2Enter, "choose a stratum"},
        {&Form::cmbbxSTRATA2Click, "choose a stratum"},
        {&Form::cmbbxGxGClick, "Choose MxW"},
        {&Form::cmbbxGxGEnter, "Choose MxW"},
        {&Form::cmbbxDATUM1Click,
         "Kies de meetdatum(s) waarvoor regressieresultaat stand>GxG moet worden bekeken"},
        {&Form::cmbbxDATUM1Enter,
         "Kies de meetdatum(s) waarvoor regressieresultaat stand>GxG moet worden bekeken"},
        {&Form::btbttnSHOWMouseMove, "Show regression result measuement(s) > MxW"},
        {&Form::strgrdFITMouseMove, "Results of selected regression"},
        {&Form::imgFITMouseMove,
         "Scatterplot van geselecteerde regressie; wordt weggeschreven naar *.wmf"},
    };
    for (const auto& [handler, hint] : cases) {
        form.sttsbrSTATUS.text.clear();
        platform.repaints.clear();
        (form.*handler)();
        EXPECT_EQ(form.sttsbrSTATUS.text, hint);
        EXPECT_EQ(platform.repaints, std::vector<std::string>{"sttsbrSTATUS"});
    }
}

// The line search of the result files, on a file whose keys repeat.
TEST(ResultFileTest, SearchRewindsAndLeavesThePositionAfterTheLineFound) {
    ResultLines file;
    file.lines = std::make_shared<const std::vector<std::string>>(
        std::vector<std::string>{"alpha", "beta key", "gamma", "delta key", "epsilon"});
    std::string line;
    struct Case {
        const char* key;
        bool notFound;
        const char* line;
        const char* next;
    };
    const Case cases[] = {
        {"key", false, "beta key", "gamma"},
        {"eps", false, "epsilon", ""},
        {"alpha", false, "alpha", "beta key"},  // found again after a later search
        {"Key", true, "epsilon", ""},           // case counts
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(FindLine(file, c.key, line), !c.notFound);
        EXPECT_EQ(line, c.line);
        std::string next;
        EXPECT_EQ(ReadNextLine(file, next), *c.next != '\0');
        EXPECT_EQ(next, c.next);
    }

    ResultLines empty;
    empty.lines = std::make_shared<const std::vector<std::string>>();
    line = "previous";
    EXPECT_FALSE(FindLine(empty, "key", line));
    EXPECT_EQ(line, "");
}

TEST(ResultFileTest, ToskimAndBinnen) {
    const std::pair<const char*, const char*> skims[] = {
        {"    -123.45678901", "-123.456"},
        {"       0.12345678", "0.123456"},
        {"   12", "12"},
        {" 1 2 3 4 5 6 7 8 9", "12345678"},
        {"", ""},
    };
    for (const auto& [in, out] : skims)
        EXPECT_EQ(CompactCell(in), out) << in;

    const std::pair<std::pair<int, int>, bool> points[] = {
        {{24, 24}, true},    {{326, 326}, true}, {{23, 100}, false},
        {{100, 327}, false}, {{327, 24}, false}, {{24, 23}, false},
    };
    for (const auto& [p, inside] : points)
        EXPECT_EQ(InsidePlotFrame(p.first, p.second), inside) << p.first << "," << p.second;

    EXPECT_EQ(Columns("   b0    -123.45678901", 6, 17), "    -123.45678901");
    EXPECT_EQ(Columns("   b0    -123.4", 6, 17), "    -123.4");
    EXPECT_EQ(Columns("   b0", 6, 17), "");
    EXPECT_EQ(Columns("ééé abc", 3, 3), "é a");
}

}  // namespace
}  // namespace tarnovel
