#include "engine/regression_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/io_error.h"

namespace tarnovel {
namespace {

namespace fs = std::filesystem;

class JobTest : public ::testing::Test {
  protected:
    void SetUp() override {
        old_ = fs::current_path();
        dir_ = fs::temp_directory_path() /
               ("tarnovel-job-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(old_);
        fs::remove_all(dir_);
    }

    static void Write(const std::string& name, const std::string& text) {
        std::ofstream(name, std::ios::binary) << text;
    }
    static std::string Read(const std::string& name) {
        std::ifstream f(name, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    // The result file's lines without their CR LF.
    static std::vector<std::string> Lines(const std::string& name) {
        std::vector<std::string> lines;
        std::string text = Read(name);
        std::size_t pos = 0, end;
        while ((end = text.find("\r\n", pos)) != std::string::npos) {
            lines.push_back(text.substr(pos, end - pos));
            pos = end + 2;
        }
        EXPECT_EQ(pos, text.size()) << "every line ends with CR LF";
        return lines;
    }
    static bool Has(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    static std::string LineStarting(const std::vector<std::string>& lines,
                                    const std::string& start) {
        for (const auto& l : lines)
            if (l.rfind(start, 0) == 0) return l;
        return "<none>";
    }

    static JobOutcome Run(const std::string& name, int weighting = 0, bool constant = true) {
        JobSettings s;
        s.jobFileName = name;
        s.weightingMode = weighting;
        s.constant = constant;
        return RunRegressionJob(s);
    }

    // A job file as the regression run writes it.
    static std::string Job(const std::vector<std::string>& xNames,
                           const std::vector<std::vector<double>>& records) {
        std::ostringstream o;
        o << "study\r\n" << xNames.size() + 1 << " variables\r\n";
        for (const auto& n : xNames)
            o << n << "\r\n";
        o << "MHW\r\n" << records.size() << " observations\r\n";
        for (const auto& r : records) {
            for (double v : r)
                o << v << " ";
            o << "\r\n";
        }
        return o.str();
    }

    fs::path old_, dir_;
};

TEST_F(JobTest, StraightLineIsRecovered) {
    Write("line.dat", Job({"x"}, {{1, 5}, {2, 8}, {3, 11}, {4, 14}, {5, 17}, {6, 20}}));
    ASSERT_EQ(Run("line.dat"), JobOutcome::Written);
    auto lines = Lines("line.out");
    EXPECT_EQ(LineStarting(lines, "   b0").substr(0, 22), "   b0       2.00000000");
    EXPECT_EQ(LineStarting(lines, "   b1").substr(0, 22), "   b1       3.00000000");
    EXPECT_TRUE(Has(lines, "Coefficient of determination      : r2  = 1.00000000"));
    EXPECT_TRUE(Has(lines, "Function   : y = b0 + b1.x1"));
    EXPECT_TRUE(Has(lines, "Number of observations            : n   =     6"));
}

TEST_F(JobTest, LayoutColumnsAndOrder) {
    Write("single.dat", Job({"14-04-2003"}, {{40, 55}, {62, 70}, {85, 101}, {120, 118}, {33, 52}}));
    ASSERT_EQ(Run("single.dat"), JobOutcome::Written);
    auto lines = Lines("single.out");
    ASSERT_GE(lines.size(), 30u);
    EXPECT_EQ(lines[0], std::string(73, '='));
    EXPECT_EQ(lines[1], "Data file  : single.dat");
    EXPECT_EQ(lines[2], "Study name : study");
    EXPECT_EQ(lines[3], "x1         : 14-04-2003");
    EXPECT_EQ(lines[4], "y          : MHW");
    EXPECT_EQ(lines[6], std::string(73, '-'));
    EXPECT_EQ(lines[7],
              "Parameter    Est.value         Std.dev.        t Student       Prob(>|t|)");
    // b0 and b1 with all four numbers: name 1-5, then 17-character fields.
    for (int i : {9, 10}) {
        ASSERT_EQ(lines[i].size(), 73u) << lines[i];
        for (int end : {22, 39, 56, 73})
            EXPECT_NE(lines[i][end - 1], ' ') << lines[i];
    }
    for (int i = 12; i <= 16; ++i)
        EXPECT_EQ(lines[i].find("= ") + 2, 42u) << lines[i];
    EXPECT_EQ(lines[18], "Variance-Covariance Matrix of estimated parameters");
    EXPECT_EQ(lines[19], "              b0              b1");
    EXPECT_EQ(lines[21].size(), 32u);
    EXPECT_EQ(lines[24],
              "  i        Y obs.       Y calc.      Residual      Std.dev.      Std.res.");
    EXPECT_EQ(lines[26].substr(0, 17), "  1       55.0000");
    EXPECT_EQ(lines[26].size(), 73u);
    EXPECT_EQ(lines.back(), std::string(73, '='));
    EXPECT_EQ(lines.size(), 32u);
    for (const auto& l : lines)
        EXPECT_TRUE(l.empty() || l.back() != ' ') << l;
}

TEST_F(JobTest, EqualWeightsAndScaledWeightsChangeNothing) {
    std::vector<std::vector<double>> plain = {{40, 55}, {62, 70}, {85, 101}, {120, 118}, {33, 52}};
    auto withS = [&](auto sOf) {
        auto r = plain;
        for (std::size_t i = 0; i < r.size(); ++i)
            r[i].push_back(sOf(i));
        return r;
    };
    Write("a.dat", Job({"d"}, plain));
    Write("b.dat", Job({"d"}, withS([](std::size_t) { return 0.3; })));
    Write("c.dat", Job({"d"}, withS([](std::size_t i) { return 0.1 * i; })));
    // (1 + s) doubled: 2 (1 + 0.1 i) - 1.
    Write("e.dat", Job({"d"}, withS([](std::size_t i) { return 1 + 0.2 * i; })));
    ASSERT_EQ(Run("a.dat"), JobOutcome::Written);
    ASSERT_EQ(Run("b.dat", 1), JobOutcome::Written);
    ASSERT_EQ(Run("c.dat", 1), JobOutcome::Written);
    ASSERT_EQ(Run("e.dat", 1), JobOutcome::Written);
    auto body = [&](const std::string& n) {
        auto l = Lines(n);
        l.erase(l.begin() + 1);  // the data file line names the job
        return l;
    };
    EXPECT_EQ(body("a.out"), body("b.out"));
    EXPECT_NE(body("a.out"), body("c.out"));
    EXPECT_EQ(body("c.out"), body("e.out"));
}

TEST_F(JobTest, WithoutConstantThereIsNoB0Anywhere) {
    Write("nc.dat", Job({"d1", "d2"}, {{1, 2, 5}, {2, 1, 4}, {3, 5, 13}, {4, 2, 9}, {5, 5, 16}}));
    ASSERT_EQ(Run("nc.dat", 0, false), JobOutcome::Written);
    auto lines = Lines("nc.out");
    EXPECT_TRUE(Has(lines, "Function   : y = b1.x1 + b2.x2"));
    EXPECT_EQ(LineStarting(lines, "   b0"), "<none>");
    EXPECT_NE(LineStarting(lines, "   b2"), "<none>");
    EXPECT_TRUE(Has(lines, "              b1              b2"));
    std::size_t rows = 0;
    for (const auto& l : lines)
        rows += l.size() == 32 && l.find('.') != std::string::npos;
    EXPECT_EQ(rows, 2u);
}

TEST_F(JobTest, TenVariablesWidenTheNameLine) {
    std::vector<std::string> names;
    for (int i = 1; i <= 10; ++i)
        names.push_back("date" + std::to_string(i));
    std::vector<std::vector<double>> recs;
    for (int i = 0; i < 14; ++i) {
        std::vector<double> r;
        for (int j = 0; j < 10; ++j)
            r.push_back((i * 7 + j * 3) % 11 + 0.5 * j);
        r.push_back(i * 1.5 + (i % 3));
        recs.push_back(r);
    }
    Write("ten.dat", Job(names, recs));
    ASSERT_EQ(Run("ten.dat"), JobOutcome::Written);
    auto lines = Lines("ten.out");
    EXPECT_TRUE(Has(lines, "x9         : date9"));
    EXPECT_TRUE(Has(lines, "x10         : date10"));
    EXPECT_TRUE(Has(lines,
                    "Function   : y = b0 + b1.x1 + b2.x2 + b3.x3 + b4.x4 + b5.x5 + b6.x6 + "
                    "b7.x7 + b8.x8 + b9.x9 + b10.x10"));
    EXPECT_NE(LineStarting(lines, "  b10"), "<none>");
}

TEST_F(JobTest, FitStatisticsLinesAtTheirEdges) {
    // An exact fit: residual variance 0, F the largest real, every
    // standardised residual 0.
    Write("exact.dat", Job({"x"}, {{1, 5}, {1, 5}, {-1, -1}, {-1, -1}}));
    ASSERT_EQ(Run("exact.dat"), JobOutcome::Written);
    auto lines = Lines("exact.out");
    EXPECT_TRUE(
        Has(lines, "Variance ratio (explained/resid.) : F   =  1.8E+0308    Prob(>F) = 0.0000"));
    EXPECT_TRUE(
        Has(lines, "  1        5.0000        5.0000        0.0000        0.0000        0.0000"));

    // A weak fit on few observations: r2a negative, its line left out.
    Write("weak.dat", Job({"x"}, {{1, 3}, {2, 1}, {3, 4}, {4, 2}}));
    ASSERT_EQ(Run("weak.dat"), JobOutcome::Written);
    lines = Lines("weak.out");
    EXPECT_NE(LineStarting(lines, "Coefficient of determination"), "<none>");
    EXPECT_EQ(LineStarting(lines, "Adjusted coeff."), "<none>");

    // All y equal: SST = 0 leaves r2 and r2a out.
    Write("flat.dat", Job({"x"}, {{1, 3}, {2, 3}, {3, 3}, {4, 3}}));
    ASSERT_EQ(Run("flat.dat"), JobOutcome::Written);
    lines = Lines("flat.out");
    EXPECT_EQ(LineStarting(lines, "Coefficient of determination"), "<none>");
    EXPECT_EQ(LineStarting(lines, "Adjusted coeff."), "<none>");

    // One parameter: no explained degrees of freedom.
    Write("one.dat", Job({"x"}, {{1, 2.5}, {2, 3.9}, {3, 6.2}}));
    ASSERT_EQ(Run("one.dat", 0, false), JobOutcome::Written);
    lines = Lines("one.out");
    EXPECT_TRUE(
        Has(lines, "Variance ratio (explained/resid.) : F   =     0.0000    Prob(>F) = 1.0000"));

    // Too few observations: the guard values.
    Write("few.dat", Job({"x"}, {{1, 2}, {2, 7}}));
    ASSERT_EQ(Run("few.dat"), JobOutcome::Written);
    lines = Lines("few.out");
    EXPECT_TRUE(Has(lines, "Residual error                    : s   = 0.00000000"));
    EXPECT_TRUE(Has(lines, "Coefficient of determination      : r2  = 1.00000000"));
    EXPECT_TRUE(Has(lines, "Adjusted coeff. of determination  : r2a = 0.00000000"));
    EXPECT_TRUE(
        Has(lines, "Variance ratio (explained/resid.) : F   =     0.0000    Prob(>F) = 1.0000"));
    // Zero variances: the parameter lines carry the estimate only.
    EXPECT_EQ(LineStarting(lines, "   b1").size(), 22u);
}

TEST_F(JobTest, ReaderTakesRecordsOverLinesAndZerosAtTheEnd) {
    // Record 1 spreads over two lines, the rest of record 2's line is
    // skipped, a lone CR ends record 3's line.
    Write("spread.dat",
          "t\n2 variables and more words\nx\ny\n4 observations\n1\n5\n2 8 99 99\n3\t11\r4 14");
    ASSERT_EQ(Run("spread.dat"), JobOutcome::Written);
    auto lines = Lines("spread.out");
    EXPECT_EQ(LineStarting(lines, "  1 ").substr(0, 17), "  1        5.0000");
    EXPECT_EQ(LineStarting(lines, "  2 ").substr(0, 17), "  2        8.0000");
    EXPECT_EQ(LineStarting(lines, "  3 ").substr(0, 17), "  3       11.0000");
    EXPECT_EQ(LineStarting(lines, "  4 ").substr(0, 17), "  4       14.0000");

    // Five records declared, three and a half given: the rest reads as 0.
    Write("early.dat", "t\r\n2\r\nx\r\ny\r\n5\r\n1 5\r\n2 8\r\n3 11\r\n4");
    ASSERT_EQ(Run("early.dat"), JobOutcome::Written);
    lines = Lines("early.out");
    EXPECT_EQ(LineStarting(lines, "  4 ").substr(0, 17), "  4        0.0000");
    EXPECT_EQ(LineStarting(lines, "  5 ").substr(0, 17), "  5        0.0000");
}

TEST_F(JobTest, AMarkOrWindowsBytesReadAsTheirUtf8Text) {
    const std::string rest = "2 variables\r\nx\r\ny\r\n3 observations\r\n1 5\r\n2 8\r\n3 12\r\n";
    Write("plain.dat", "caf\xC3\xA9\r\n" + rest);
    Write("marked.dat",
          "\xEF\xBB\xBF"
          "caf\xC3\xA9\r\n" +
              rest);
    Write("windows.dat",
          "\xEF\xBB\xBF"
          "caf\xE9\r\n" +
              rest);
    for (const char* name : {"plain.dat", "marked.dat", "windows.dat"})
        ASSERT_EQ(Run(name), JobOutcome::Written) << name;
    // The result files differ only in the name of their job file.
    auto named = [](std::string text, const std::string& name) {
        return text.replace(text.find(name), name.size(), "job.dat");
    };
    const std::string plain = named(Read("plain.out"), "plain.dat");
    EXPECT_NE(plain.find("Study name : caf\xC3\xA9\r\n"), std::string::npos);
    EXPECT_EQ(named(Read("marked.out"), "marked.dat"), plain);
    EXPECT_EQ(named(Read("windows.out"), "windows.dat"), plain);
}

TEST_F(JobTest, FailuresLeaveNoResultFile) {
    struct Case {
        std::string name, text;
        int weighting;
        bool ioError;
    };
    const std::vector<Case> cases = {
        {"comma.dat", "t\r\n2\r\nx\r\ny\r\n2\r\n1,5 2\r\n2 3\r\n", 0, true},
        {"word.dat", "t\r\n2\r\nx\r\ny\r\n2\r\n1 abc\r\n2 3\r\n", 0, true},
        {"nan.dat", "t\r\n2\r\nx\r\ny\r\n3\r\n1 nan\r\n2 3\r\n3 4\r\n", 0, true},
        {"huge.dat", "t\r\n2\r\nx\r\ny\r\n3\r\n1 1e400\r\n2 3\r\n3 4\r\n", 0, true},
        {"realm.dat", "t\r\n2.0 variables\r\nx\r\ny\r\n1\r\n1 2\r\n", 0, true},
        {"long.dat", "t\r\n2\r\nx\r\ny\r\n2\r\n1" + std::string(70, '0') + " 2\r\n2 3\r\n", 0,
         true},
        {"onevar.dat", "t\r\n1 variables\r\ny\r\n2\r\n1\r\n2\r\n", 0, false},
        {"empty.dat", "", 0, false},
        {"none.dat", "t\r\n2\r\nx\r\ny\r\n0\r\n", 0, false},
        {"weight.dat", "t\r\n2\r\nx\r\ny\r\n3\r\n1 2 0\r\n2 3 -1\r\n3 5 0\r\n", 1, false},
        {"overflow.dat", "t\r\n2\r\nx\r\ny\r\n3\r\n1 1e300\r\n2 -1e300\r\n3 1e300\r\n", 0, false},
    };
    for (const Case& c : cases) {
        Write(c.name, c.text);
        const std::string out = ResultFileName(c.name);
        Write(out, "an earlier result");
        if (c.ioError)
            EXPECT_THROW(static_cast<void>(Run(c.name, c.weighting)), IoError) << c.name;
        else
            EXPECT_THROW(static_cast<void>(Run(c.name, c.weighting)), JobError) << c.name;
        EXPECT_FALSE(fs::exists(out)) << c.name;
        EXPECT_TRUE(fs::exists(c.name)) << c.name;
    }
    EXPECT_THROW(static_cast<void>(Run("missing.dat")), IoError);
    try {
        static_cast<void>(Run("onevar.dat"));
        ADD_FAILURE() << "a job of one variable ran";
    } catch (const JobError& e) {
        EXPECT_NE(std::string(e.what()).find("Data file must contain at least 2 variables !"),
                  std::string::npos);
        EXPECT_NE(std::string(e.what()).find("onevar.dat"), std::string::npos);
    }
    // A job file whose result file would be itself is never overwritten.
    Write("self.out", Job({"x"}, {{1, 2}, {2, 3}, {3, 5}}));
    EXPECT_THROW(static_cast<void>(Run("self.out")), JobError);
    EXPECT_EQ(Read("self.out"), Job({"x"}, {{1, 2}, {2, 3}, {3, 5}}));
}

TEST(ResultFileName, FirstDotOfTheFileNamePart) {
    EXPECT_EQ(ResultFileName("nostrata-14-04-2003-14-04-2003-MHW-ong.dat"),
              "nostrata-14-04-2003-14-04-2003-MHW-ong.out");
    EXPECT_EQ(ResultFileName("A-14.04.2003-14.04.2003-MHW-gew.dat"), "A-14.out");
    EXPECT_EQ(ResultFileName("noext"), "noext.out");
    EXPECT_EQ(ResultFileName("../some.dir/job.dat"), "../some.dir/job.out");
    EXPECT_EQ(ResultFileName("./job"), "./job.out");
}

// Result files reviewed by eye against the fixed columns, then kept exact.
TEST_F(JobTest, GoldenResultFiles) {
    const fs::path data = fs::path(TARNOVEL_TEST_DATA) / "jobs";
    struct Golden {
        std::string name;
        int weighting;
        bool constant;
    };
    for (const Golden& g : {Golden{"single-date", 0, true}, Golden{"pair-weighted", 1, true},
                            Golden{"no-constant", 0, false}}) {
        fs::copy_file(data / (g.name + ".dat"), g.name + ".dat");
        ASSERT_EQ(Run(g.name + ".dat", g.weighting, g.constant), JobOutcome::Written);
        EXPECT_EQ(Read(g.name + ".out"), Read((data / (g.name + ".out")).string())) << g.name;
    }
}

}  // namespace
}  // namespace tarnovel
