// tarnovel-cli run --overview and --models: the files asked for, written
// after the work, and refused before it when they cannot be written.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "common/text_file.h"
#include "tests/common/scratch_dir.h"

namespace tarnovel {
namespace {

const char* const kPiezometers =
    "Loc;Stratum;MHW;MLW;14-04-2003;01-02-2003\r\n"
    "P1;sand;40;110;55;70\r\n"
    "P2;sand;62;140;70;85\r\n"
    "P3;sand;85;170;101;118\r\n"
    "P4;sand;120;200;118;140\r\n"
    "P5;sand;70;150;80;100\r\n"
    "P6;clay;33;95;52;61\r\n"
    "P7;clay;57;131;75;92\r\n"
    "P8;clay;missing;158;90;99\r\n";

const char* const kField =
    "Loc;Date1;Meas1;Date2;Meas2;Stratum\r\n"
    "L1;14-04-2003;60;01-02-2003;80;sand\r\n"
    "L2;14-04-2003;75;01-02-2003;95;clay\r\n";

class RunOutputs : public ScratchDirTest {
  protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        Put("piezometers.csv", kPiezometers);
        Put("field.csv", kField);
        std::filesystem::create_directory("work");
        here = std::filesystem::current_path();
    }

    int Run(std::vector<std::string> extra) {
        std::vector<std::string> args = {"--workdir",       "work",    "--piezometers",
                                         "piezometers.csv", "--dates", "14-04-2003,01-02-2003",
                                         "--kinds",         "MHW+MLW", "--strata-separately"};
        args.insert(args.end(), extra.begin(), extra.end());
        err.str("");
        return cli::RunWorkflowCommand(args, out, err);
    }

    // The tool stays in its working folder; the test reads from here.
    std::string At(const char* name) const { return (here / name).string(); }

    std::filesystem::path here;
    std::ostringstream out, err;
};

TEST_F(RunOutputs, OverviewAndModelsAreWrittenWhereTheToolStarted) {
    ASSERT_EQ(Run({"--overview", "overview.csv", "--field", "field.csv", "--models", "models.csv"}),
              0)
        << err.str();
    const std::vector<std::string> overview = ReadTextLines(At("overview.csv"));
    // Pooled, sand and clay passes, three date choices, two kinds.
    ASSERT_EQ(overview.size(), 1u + 3u * 3u * 2u);
    EXPECT_EQ(overview[0], "Stratum;MxW;Date 1;Date 2;Weighting;n;s;r2;r2 adj;LOO RMSE;Status");
    // Clay keeps two MHW records (P8 lacks its MHW), too few for any fit,
    // and three MLW records, too few for a fit on both dates.
    int tooFew = 0;
    for (const std::string& line : overview)
        if (line.size() > 20 && line.substr(line.size() - 20) == ";too few data points") {
            EXPECT_EQ(line.substr(0, 5), "clay;");
            ++tooFew;
        }
    EXPECT_EQ(tooFew, 4);
    // Both locations, each kind predicted in a row of its own.
    const std::vector<std::string> models = ReadTextLines(At("models.csv"));
    ASSERT_GE(models.size(), 1u + 2u * 2u);
    EXPECT_EQ(models[0].substr(0, 8), "Row;Loc;");
    EXPECT_EQ(models[1].substr(0, 5), "1;L1;");
    EXPECT_EQ(models.back().substr(0, 5), "2;L2;");
    EXPECT_FALSE(std::filesystem::exists(here / "work" / "overview.csv"));
}

TEST_F(RunOutputs, FilesThatCannotBeWrittenAreRefusedBeforeTheWork) {
    struct Case {
        std::vector<std::string> options;
        int status;
        const char* says;
    };
    const Case cases[] = {
        {{"--models", "models.csv"}, 2, "--models needs --field FILE"},
        {{"--overview", ""}, 2, "--overview needs a file name"},
        {{"--overview", "no/such/folder/overview.csv"}, 3, "No such file or directory"},
        {{"--overview", "work"}, 3, "it is a folder"},
        {{"--field", "field.csv", "--models", "no/models.csv"}, 3, "cannot write"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options[1]);
        EXPECT_EQ(Run(c.options), c.status);
        EXPECT_NE(err.str().find(c.says), std::string::npos) << err.str();
        EXPECT_TRUE(std::filesystem::is_empty("work"));
    }
}

}  // namespace
}  // namespace tarnovel
