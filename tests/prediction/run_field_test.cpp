// tarnovel-cli run with a field table: the prediction played after the
// regression run, and the choices it refuses before writing anything.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "common/text_file.h"
#include "engine/regression_job.h"
#include "tests/common/scratch_dir.h"

namespace tarnovel {
namespace {

using Items = std::vector<std::string>;

const char* const kPiezometers =
    "Loc;Area;MHW;MSW;MLW;14-04-2003;01-02-2003\r\n"
    "P1;sand;40;60;110;55;70\r\n"
    "P2;sand;62;80;140;70;85\r\n"
    "P3;sand;85;101;170;101;118\r\n"
    "P4;sand;120;135;200;118;140\r\n"
    "P5;sand;70;88;150;80;100\r\n"
    "P6;clay;33;50;95;52;61\r\n"
    "P7;clay;57;77;131;75;92\r\n"
    "P8;clay;76;91;158;90;99\r\n"
    "P9;clay;99;118;181;120;129\r\n"
    "P10;clay;45;66;120;60;75\r\n";

// Decimal commas, a "?" code and dry holes written two ways.
const char* const kField =
    "Loc;Date1;Meas1;Date2;Meas2;Area\r\n"
    "L1;14-04-2003;60,5;01-02-2003;80;sand\r\n"
    "L2;14-04-2003;>120;01-02-2003;95;clay\r\n"
    "L3;14-04-2003;75;01-02-2003;?;sand\r\n"
    "L4;14-04-2003;88;01-02-2003;> 150;clay\r\n"
    "L5;14-04-2003;101;01-02-2003;110;sand\r\n"
    "L6;14-04-2003;>120;01-02-2003;>150;sand\r\n"
    "L7;14-04-2003;50;01-02-2003;66;clay\r\n";

class RunWithField : public ScratchDirTest {
  protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        Put("piezometers.csv", kPiezometers);
        Put("field.csv", kField);
    }

    int Run(std::vector<std::string> extra) {
        std::vector<std::string> args = {"--piezometers", "piezometers.csv", "--dates",
                                         "14-04-2003,01-02-2003"};
        args.insert(args.end(), extra.begin(), extra.end());
        out.str("");
        err.str("");
        return cli::RunWorkflowCommand(args, out, err);
    }

    // The log archived in session2 from the prediction's first heading on.
    Items PredictionLog() {
        Items log;
        for (const std::string& name : Entries("session2"))
            if (name.size() > 4 && name.substr(name.size() - 4) == ".log")
                log = ReadTextLines("session2/" + name);
        Items part;
        bool in = false;
        for (const std::string& line : log) {
            in = in || line.find("READ DATA FIELD MEASUREMENTS") != std::string::npos;
            if (in) part.push_back(line);
        }
        return part;
    }

    static bool Has(const Items& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    std::ostringstream out, err;
};

TEST_F(RunWithField, RefusedChoicesWriteNothing) {
    struct Case {
        const char* name;
        Items args;
        const char* message;
    };
    const Case cases[] = {
        {"strata box disabled after a run without strata",
         {"--field", "field.csv", "--field-strata", "Area"},
         "--field-strata: the field window has disabled this box"},
        {"role title the table lacks", {"--field", "field.csv", "--meas2", "Nope"}, "Nope"},
        {"code not found", {"--field", "field.csv", "--code", "x=missing"}, "\"x\""},
        {"kind not offered",
         {"--field", "field.csv", "--kinds", "MHW", "--predict", "MHW+MSW+MLW"},
         "--predict"},
        {"separator not offered", {"--field", "field.csv", "--field-sep", "|"}, "separator"},
        {"delimiter", {"--field", "field.csv", "--delimiter", "|"}, "--delimiter"},
        {"field option without a field table", {"--date1", "Date1"}, "needs --field"},
        {"field table missing", {"--field", "absent.csv"}, "absent.csv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run(c.args), cli::kExitUsage);
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_EQ(Entries(), (Items{"field.csv", "piezometers.csv"}));
    }
}

TEST_F(RunWithField, StrataSeparatelyWithCensoredValuesReplaced) {
    ASSERT_EQ(Run({"--strata", "Area", "--strata-separately", "--field", "field.csv",
                   "--field-comma-to-point", "--code", "?=missing", "--code", ">120=>120", "--code",
                   "> 150=>150"}),
              cli::kExitDone)
        << err.str();
    EXPECT_NE(out.str().find("Results stored in Session  2 Predict.csv\n"), std::string::npos);

    const Items lines = ReadTextLines("session2/Session  2 Predict.csv");
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0].substr(0, 60),
              "Loc;Date1;Meas1;Date2;Meas2;Stratum;varMeas1;varMeas2;MHW;sd");
    EXPECT_EQ(lines[1].substr(0, 38), "L1;14-04-2003;60.5;01-02-2003;80;sand;");
    for (const std::string& line : lines)
        EXPECT_EQ(std::count(line.begin(), line.end(), ';'), 20) << line;
    // L3: "?" became missing; L2 and L6 hold the estimate of >120.
    EXPECT_NE(lines[3].find(";01-02-2003;missing;sand;0;missing;"), std::string::npos);
    std::vector<std::string> l2;
    std::istringstream fields(lines[2]);
    for (std::string field; std::getline(fields, field, ';');)
        l2.push_back(field);
    ASSERT_EQ(l2.size(), 20u);
    EXPECT_GT(std::stod(l2[2]), 120);
    EXPECT_NE(l2[6], "0");
    EXPECT_EQ(l2[7], "0");

    const Items log = PredictionLog();
    EXPECT_TRUE(Has(log, std::string(20, ' ') + "Use separate regressions for all strata."));
    EXPECT_TRUE(Has(log, std::string(20, ' ') + "14-04-2003     &>120           "));
    EXPECT_TRUE(Has(log, "MODEL 1 sand           -14-04-2003-01-02-2003-MHW-ong.out:  "));
    EXPECT_EQ(log.back(), "MxW predictions written to: Session  2 Predict.csv");
}

TEST_F(RunWithField, PooledWithoutEstimatesOneKindTabDelimited) {
    ASSERT_EQ(Run({"--strata", "Area", "--strata-separately", "--field", "field.csv",
                   "--field-comma-to-point", "--code", ">120=>120", "--pooled", "--no-ml",
                   "--predict", "MLW", "--delimiter", "tab", "--output", "session-mlw.csv"}),
              cli::kExitDone)
        << err.str();
    const Items lines = ReadTextLines("session2/session-mlw.csv");
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0],
              "Loc\tDate1\tMeas1\tDate2\tMeas2\tStratum\tvarMeas1\tvarMeas2\tMLW\tsdMLW\t"
              "2p/nMLW\tx0'.(X'WX)^-1.x0MLW\t");
    // Without estimates the dry holes stay as they are.
    EXPECT_EQ(lines[2].substr(0, 34), "L2\t14-04-2003\t>120\t01-02-2003\t95\tc");

    const Items log = PredictionLog();
    EXPECT_TRUE(Has(log, std::string(20, ' ') + "Use the same regressions for all strata."));
    EXPECT_TRUE(
        Has(log, std::string(20, ' ') + "No maximum-likelihood estimates for \">\" measurements."));
    EXPECT_TRUE(Has(log, "MODEL 1 nostrata-14-04-2003-01-02-2003-MLW-ong.out:  "));
}

TEST_F(RunWithField, EachJobIsFittedOnce) {
    const long long before = RegressionFitCount();
    ASSERT_EQ(Run({"--strata", "Area", "--strata-separately", "--field", "field.csv",
                   "--field-comma-to-point", "--code", "?=missing", "--code", ">120=>120", "--code",
                   "> 150=>150"}),
              cli::kExitDone)
        << err.str();
    long long done = 0;
    for (const std::string& name : Entries("session2"))
        if (name.size() > 4 && name.substr(name.size() - 4) == ".log")
            for (const std::string& line : ReadTextLines("session2/" + name))
                done += line.rfind("Regression on <", 0) == 0 ? 1 : 0;
    EXPECT_EQ(done, 3 * 3 * 3);  // pooled, sand, clay x three date pairs x three kinds
    EXPECT_EQ(RegressionFitCount() - before, done);
}

// An error of the work itself, not a refused choice: the real run still
// takes place and ends as the desktop program's does, leaving its log and
// job files archived.
TEST_F(RunWithField, AnErrorOfTheRunLeavesTheSessionAsTheDesktopDoes) {
    Put("piezometers.csv",
        "Loc;MHW;sdMHW;14-04-2003;01-02-2003\r\n"
        "P1;40;4;55;70\r\nP2;62;missing;70;85\r\nP3;85;5;101;118\r\nP4;120;6;118;140\r\n"
        "P5;70;3;80;100\r\n");
    EXPECT_EQ(Run({"--weighted", "--field", "field.csv", "--field-comma-to-point", "--code",
                   "?=missing", "--code", ">120=>120", "--code", "> 150=>150"}),
              cli::kExitError);
    EXPECT_NE(err.str().find("missing"), std::string::npos) << err.str();
    const Items entries = Entries();
    EXPECT_TRUE(std::find(entries.begin(), entries.end(), "session2") != entries.end());
    const Items session = Entries("session2");
    EXPECT_TRUE(std::any_of(session.begin(), session.end(), [](const std::string& n) {
        return n.size() > 4 && n.substr(n.size() - 4) == ".log";
    }));
    EXPECT_TRUE(std::any_of(session.begin(), session.end(), [](const std::string& n) {
        return n.size() > 4 && n.substr(n.size() - 4) == ".dat";
    }));
}

// Fitting side by side never changes a byte: the run and the prediction on
// one thread and on two leave the same files, the log included (its times
// masked).
TEST_F(RunWithField, OneThreadAndTwoLeaveTheSameFiles) {
    auto tree = [this](const std::string& folder) {
        std::map<std::string, std::string> files;
        for (const std::string& name : Entries(folder + "/session2")) {
            const bool log = name.size() > 4 && name.substr(name.size() - 4) == ".log";
            std::string content = Get(folder + "/session2/" + name);
            if (log) {
                // Every time of day the log names, however the runs fall
                // on the clock.
                static const std::regex time(R"(\d\d-\d\d-\d{4} \d\d[:h]\d\d[:m]\d\ds?)");
                content = std::regex_replace(content, time, "TIME");
            }
            files[log ? std::string("log") : name] = content;
        }
        return files;
    };
    std::map<std::string, std::string> trees[2];
    const std::filesystem::path here = std::filesystem::current_path();
    for (int threads = 1; threads <= 2; ++threads) {
        const std::string folder = (here / ("t" + std::to_string(threads))).string();
        std::filesystem::create_directory(folder);
        ASSERT_EQ(
            Run({"--workdir", folder, "--threads", std::to_string(threads), "--strata", "Area",
                 "--strata-separately", "--field", "field.csv", "--field-comma-to-point", "--code",
                 "?=missing", "--code", ">120=>120", "--code", "> 150=>150"}),
            cli::kExitDone)
            << err.str();
        std::filesystem::current_path(here);
        trees[threads - 1] = tree(folder);
    }
    EXPECT_GT(trees[0].size(), 50u);
    EXPECT_EQ(trees[0], trees[1]);
}

}  // namespace
}  // namespace tarnovel
