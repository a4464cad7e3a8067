// tarnovel-cli run --exact-ml: the exact estimation changes the replaced
// values and what follows from them, and nothing else; and it is refused
// where the program does not offer it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "common/text_file.h"
#include "tests/common/scratch_dir.h"

namespace tarnovel {
namespace {

using Items = std::vector<std::string>;

const char* const kPiezometers =
    "Loc;MHW;MSW;MLW;14-04-2003;01-02-2003\r\n"
    "P1;40;60;110;55;70\r\nP2;62;80;140;70;85\r\nP3;85;101;170;101;118\r\n"
    "P4;120;135;200;118;140\r\nP5;70;88;150;80;100\r\nP6;33;50;95;52;61\r\n"
    "P7;57;77;131;75;92\r\nP8;76;91;158;90;99\r\n";

// 01-02-2003 has two cut-offs: there the methods part most.
const char* const kField =
    "Loc;Date1;Meas1;Date2;Meas2\r\n"
    "L1;14-04-2003;60;01-02-2003;80\r\nL2;14-04-2003;>120;01-02-2003;95\r\n"
    "L3;14-04-2003;75;01-02-2003;70\r\nL4;14-04-2003;88;01-02-2003;>150\r\n"
    "L5;14-04-2003;101;01-02-2003;110\r\nL6;14-04-2003;99;01-02-2003;>120\r\n"
    "L7;14-04-2003;50;01-02-2003;66\r\nL8;14-04-2003;95;01-02-2003;119\r\n";

Items Cells(const std::string& line) {
    Items cells;
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, ';');)
        cells.push_back(cell);
    return cells;
}

class ExactMlRun : public ScratchDirTest {
  protected:
    void SetUp() override {
        ScratchDirTest::SetUp();
        Put("piezometers.csv", kPiezometers);
        Put("field.csv", kField);
    }

    int Run(const Items& extra) {
        Items args = {"--piezometers", "piezometers.csv", "--dates", "14-04-2003,01-02-2003"};
        args.insert(args.end(), extra.begin(), extra.end());
        out.str("");
        err.str("");
        return cli::RunWorkflowCommand(args, out, err);
    }

    // The prediction file and the log of a run in its own folder.
    struct Files {
        std::vector<Items> rows;
        Items log;
    };
    Files RunIn(const std::string& folder, const Items& extra) {
        const std::filesystem::path here = std::filesystem::current_path();
        std::filesystem::create_directory(folder);
        Items args = {"--workdir", folder,      "--field", "field.csv",
                      "--code",    ">120=>120", "--code",  ">150=>150"};
        args.insert(args.end(), extra.begin(), extra.end());
        EXPECT_EQ(Run(args), cli::kExitDone) << err.str();
        std::filesystem::current_path(here);
        Files files;
        for (const std::string& line : ReadTextLines(folder + "/session2/Session  2 Predict.csv"))
            files.rows.push_back(Cells(line));
        for (const std::string& name : Entries(folder + "/session2"))
            if (name.size() > 4 && name.substr(name.size() - 4) == ".log")
                files.log = ReadTextLines(folder + "/session2/" + name);
        return files;
    }

    std::ostringstream out, err;
};

TEST_F(ExactMlRun, OnlyReplacedValuesAndWhatFollowsFromThemDiffer) {
    const Files table = RunIn("table", {});
    const Files exact = RunIn("exact", {"--exact-ml"});
    ASSERT_EQ(table.rows.size(), 9u);
    ASSERT_EQ(exact.rows.size(), table.rows.size());
    EXPECT_EQ(exact.rows[0], table.rows[0]);
    const Items input = ReadTextLines("field.csv");
    int differing = 0;
    for (std::size_t r = 1; r < table.rows.size(); ++r) {
        SCOPED_TRACE(input[r]);
        const Items& t = table.rows[r];
        const Items& e = exact.rows[r];
        ASSERT_EQ(e.size(), t.size());
        const Items given = Cells(input[r]);
        const bool censored1 = given[2][0] == '>';
        const bool censored2 = given[4][0] == '>';
        for (std::size_t c = 0; c < t.size(); ++c) {
            // Meas1, Meas2 and their variances, then the predictions.
            const bool replaced =
                (censored1 && (c == 2 || c == 5)) || (censored2 && (c == 4 || c == 6));
            const bool predicted = c >= 7 && (censored1 || censored2);
            if (!replaced && !predicted) {
                EXPECT_EQ(e[c], t[c]) << "column " << c;
            }
            if (replaced && e[c] != t[c]) ++differing;
        }
    }
    EXPECT_GE(differing, 4);

    const std::string indent(20, ' ');
    const std::string ml = indent + "Maximum-likelihood estimates for \">\" measurements.";
    const std::string method = indent + "Method: exact maximum likelihood.";
    const auto at = std::find(exact.log.begin(), exact.log.end(), ml);
    ASSERT_NE(at, exact.log.end());
    ASSERT_NE(at + 1, exact.log.end());
    EXPECT_EQ(*(at + 1), method);
    EXPECT_NE(std::find(table.log.begin(), table.log.end(), ml), table.log.end());
    EXPECT_EQ(std::find(table.log.begin(), table.log.end(), method), table.log.end());
}

TEST_F(ExactMlRun, RefusedWhereTheOptionIsNotOffered) {
    struct Case {
        const char* name;
        Items args;
        const char* message;
    };
    const Case cases[] = {
        {"without a field table", {"--exact-ml"}, "--exact-ml needs --field"},
        {"estimation switched off",
         {"--field", "field.csv", "--code", ">120=>120", "--code", ">150=>150", "--no-ml",
          "--exact-ml"},
         "--exact-ml: --no-ml"},
        {"no \"deeper than\" value",
         {"--field", "field.csv", "--code", ">120=missing", "--code", ">150=missing", "--exact-ml"},
         "--exact-ml: the maximum-likelihood estimation is not offered"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Run(c.args), cli::kExitUsage);
        EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        EXPECT_EQ(Entries(), (Items{"field.csv", "piezometers.csv"}));
    }
}

}  // namespace
}  // namespace tarnovel
