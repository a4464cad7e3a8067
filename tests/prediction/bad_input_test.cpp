// Tables exported by hand from spreadsheets, and working directories that
// fight back: the batch tool must end with a message, keep the user's files
// and never write a number it could not read.

#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "tests/common/scratch_dir.h"

namespace tarnovel {
namespace {

using Items = std::vector<std::string>;

const char* const kTitles = "Loc;MHW;MSW;MLW;d1;d2\r\n";
const char* const kRecords =
    "P1;40;60;110;55;70\r\n"
    "P2;62;80;140;70;85\r\n"
    "P3;85;101;170;101;118\r\n"
    "P4;120;135;200;118;140\r\n"
    "P5;70;88;150;80;100\r\n"
    "P6;33;50;95;52;61\r\n";
const char* const kEarlier = "an earlier result\r\n";

std::string Table(const std::string& titles, const std::string& records) {
    return titles + records;
}

// kRecords with the first d1 measurement replaced by `cell`.
std::string WithFirstMeasurement(const std::string& cell) {
    std::string records = kRecords;
    records.replace(records.find("55"), 2, cell);
    return Table(kTitles, records);
}

std::string Binary() {
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes += static_cast<char>((i * 37) & 0xff);
    return bytes;
}

// `columns` columns: MHW and d1 first, then filler.
std::string Wide(int columns) {
    std::string titles = "MHW;d1";
    for (int c = 2; c < columns; ++c)
        titles += ";c" + std::to_string(c);
    std::string text = titles + "\r\n";
    for (int r = 0; r < 5; ++r) {
        text += std::to_string(40 + 7 * r) + ";" + std::to_string(50 + 5 * r);
        for (int c = 2; c < columns; ++c)
            text += ";1";
        text += "\r\n";
    }
    return text;
}

bool IsNonFiniteToken(std::string token) {
    std::transform(token.begin(), token.end(), token.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    if (!token.empty() && (token[0] == '-' || token[0] == '+')) token.erase(0, 1);
    return token == "nan" || token == "inf" || token == "infinity";
}

class BadInputRun : public ScratchDirTest {
  protected:
    int Run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        return cli::RunWorkflowCommand(args, out, err);
    }

    // Every result file of the run, with no nan or inf among its fields.
    Items ResultFiles(const std::string& folder) {
        Items names;
        if (!std::filesystem::is_directory(folder)) return names;
        for (const std::string& name : Entries(folder)) {
            if (name.size() < 4 || name.substr(name.size() - 4) != ".out") continue;
            names.push_back(name);
            std::istringstream fields(Get(folder + "/" + name));
            std::string field;
            while (fields >> field)
                EXPECT_FALSE(IsNonFiniteToken(field)) << name << ": " << field;
        }
        return names;
    }

    bool HasLog(const std::string& folder) {
        if (!std::filesystem::is_directory(folder)) return false;
        const Items names = Entries(folder);
        return std::any_of(names.begin(), names.end(), [](const std::string& name) {
            return name.size() > 4 && name.substr(name.size() - 4) == ".log";
        });
    }

    // The batch tool run in a child process that first calls `restrict`
    // (to lower its rights or its room); its exit status, with its standard
    // error left in `err`. The child never returns into the test.
    int RunRestricted(const std::function<bool()>& restrict, const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        int pipe[2];
        if (::pipe(pipe) != 0) return -1;
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipe[0]);
            int status = 125;
            if (restrict()) {
                std::ostringstream childOut, childErr;
                status = cli::RunWorkflowCommand(args, childOut, childErr);
                const std::string text = childErr.str();
                if (::write(pipe[1], text.data(), text.size()) < 0) status = 124;
            }
            ::_exit(status);
        }
        ::close(pipe[1]);
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(pipe[0], buffer, sizeof buffer)) > 0)
            err.write(buffer, got);
        ::close(pipe[0]);
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }

    std::ostringstream out, err;
};

// An ordinary user's rights: as root a read-only directory is no obstacle.
bool DropRootRights() {
    if (::geteuid() != 0) return true;
    const gid_t nogroup = 65534;
    const uid_t nobody = 65534;
    return ::setgroups(0, nullptr) == 0 && ::setresgid(nogroup, nogroup, nogroup) == 0 &&
           ::setresuid(nobody, nobody, nobody) == 0;
}

// A disk with room for files of at most `bytes`: a longer write fails with
// "File too large" instead of stopping the process, as a full disk fails
// with "No space left on device".
std::function<bool()> DiskRoomOf(rlim_t bytes) {
    return [bytes] {
        const rlimit limit{bytes, bytes};
        return ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    };
}

TEST_F(BadInputRun, PiezometerTablesEndWithAMessageAndKeepTheFiles) {
    struct Case {
        const char* name;
        std::string table;
        const char* dates;
        int exit;
        const char* message;  // on standard error; "" when none is expected
        bool results;         // some regression is written
    };
    const std::string notOffered = "\"d1\" is not a column title left to choose";
    const Case cases[] = {
        {"empty file", "", "d1", cli::kExitUsage,
         "The piezometer table in.csv holds no data: it is empty.", false},
        {"binary file", Binary(), "d1", cli::kExitUsage, notOffered.c_str(), false},
        {"one column", Table("d1\r\n", "55\r\n70\r\n101\r\n"), "d1", cli::kExitError,
         "No regression was fitted: the piezometer table has no MHW, MSW or MLW column.", false},
        {"titles only", kTitles, "d1,d2", cli::kExitUsage,
         "The piezometer table in.csv holds no data: it has a title line only.", false},
        {"line of 1 MB",
         Table(kTitles, "P" + std::string(1 << 20, 'x') + ";1;2;3;4;5\r\n" + kRecords), "d1,d2",
         cli::kExitDone, "", true},
        {"16 382 columns", Wide(16382), "d1", cli::kExitDone, "", true},
        {"NUL bytes", Table(kTitles, std::string("P\0x;1;2;3;4;5\r\n", 15) + kRecords), "d1,d2",
         cli::kExitDone, "", true},
        {"invalid UTF-8", Table(kTitles, std::string("P\xff\xfe;1;2;3;4;5\r\n") + kRecords),
         "d1,d2", cli::kExitDone, "", true},
        {"empty title before the dates", Table("Loc;MHW;MSW;MLW;;d1;d2\r\n", kRecords), "d1,d2",
         cli::kExitUsage, notOffered.c_str(), false},
        {"blank title", Table("Loc;MHW;   ;MLW;d1;d2\r\n", kRecords), "d1,d2", cli::kExitDone, "",
         true},
        {"1e400", WithFirstMeasurement("1e400"), "d1,d2", cli::kExitError,
         "\"1e400\" is not a number", false},
        {"nan", WithFirstMeasurement("nan"), "d1,d2", cli::kExitError, "\"nan\" is not a number",
         false},
        {"inf", WithFirstMeasurement("inf"), "d1,d2", cli::kExitError, "\"inf\" is not a number",
         false},
        {"-0", WithFirstMeasurement("-0"), "d1,d2", cli::kExitDone, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& name : Entries())
            std::filesystem::remove_all(name);
        Put("in.csv", c.table);
        Put("earlier.out", kEarlier);

        int exit = -1;
        EXPECT_NO_THROW(exit = Run({"--piezometers", "in.csv", "--dates", c.dates}));
        EXPECT_EQ(exit, c.exit) << err.str();
        if (*c.message == '\0') {
            EXPECT_EQ(err.str(), "");
        } else {
            EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        }
        EXPECT_EQ(Get("in.csv"), c.table);
        if (c.exit == cli::kExitUsage) {
            EXPECT_EQ(Entries(), (Items{"earlier.out", "in.csv"}));
            continue;
        }
        // The session before the run keeps the earlier result; the run's own
        // folder its log and whatever it managed to write.
        EXPECT_EQ(Entries(), (Items{"in.csv", "session1", "session2"}));
        EXPECT_EQ(Get("session1/earlier.out"), kEarlier);
        EXPECT_TRUE(HasLog("session2"));
        EXPECT_EQ(!ResultFiles("session2").empty(), c.results);
    }
}

// A field table of 100 000 columns, the roles first.
std::string WideField() {
    std::string wide = "Loc;Date1;Meas1;Date2;Meas2";
    for (int c = 5; c < 100000; ++c)
        wide += ";c" + std::to_string(c);
    wide += "\r\n";
    for (const char* record : {"L1;d1;60;d2;80", "L2;d1;75;d2;90"}) {
        wide += record;
        for (int c = 5; c < 100000; ++c)
            wide += ";1";
        wide += "\r\n";
    }
    return wide;
}

TEST_F(BadInputRun, FieldTablesEndWithAMessageAndNoUnreadableNumber) {
    struct Case {
        const char* name;
        std::string table;
        int exit;
        const char* message;
    };
    const std::string titles = "Loc;Date1;Meas1;Date2;Meas2\r\n";
    const std::string records = "L1;d1;60;d2;80\r\nL2;d1;75;d2;90\r\n";
    const char* const noColumns = "outside the 0 columns read from temp.csv";
    const std::string wide = WideField();
    const Case cases[] = {
        {"empty file", "", cli::kExitUsage,
         "The field table field.csv holds no data: it is empty."},
        {"binary file", Binary(), cli::kExitError, noColumns},
        {"one column", "Meas1\r\n60\r\n75\r\n", cli::kExitError,
         "No MxW was predicted at any location."},
        {"titles only", titles, cli::kExitUsage,
         "The field table field.csv holds no data: it has a title line only."},
        {"NUL bytes", titles + std::string("L\0x;d1;60;d2;80\r\n", 17) + records, cli::kExitDone,
         ""},
        {"invalid UTF-8", titles + "L\xff;d1;60;d2;80\r\n" + records, cli::kExitDone, ""},
        {"1e400", titles + "L0;d1;1e400;d2;80\r\n" + records, cli::kExitDone, ""},
        {"nan and inf", titles + "L0;d1;nan;d2;inf\r\n" + records, cli::kExitDone,
         "warning: the code \"nan\" was turned into \"missing\" in 1 cell."},
        {"-0", titles + "L0;d1;-0;d2;80\r\n" + records, cli::kExitDone, ""},
        {"line of 1 MB", titles + "L" + std::string(1 << 20, 'x') + ";d1;60;d2;80\r\n" + records,
         cli::kExitDone, ""},
        {"100 000 columns", wide, cli::kExitDone, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::string& name : Entries())
            std::filesystem::remove_all(name);
        const std::string piezometers = Table(kTitles, kRecords);
        Put("in.csv", piezometers);
        Put("field.csv", c.table);

        int exit = -1;
        EXPECT_NO_THROW(exit = Run({"--piezometers", "in.csv", "--dates", "d1,d2", "--field",
                                    "field.csv", "--output", "predicted.csv"}));
        EXPECT_EQ(exit, c.exit) << err.str();
        if (*c.message == '\0') {
            EXPECT_EQ(err.str(), "");
        } else {
            EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
        }
        EXPECT_EQ(Get("in.csv"), piezometers);
        EXPECT_EQ(Get("field.csv"), c.table);
        if (exit == cli::kExitUsage) {
            EXPECT_EQ(Entries(), (Items{"field.csv", "in.csv"}));
            continue;
        }
        if (exit != cli::kExitDone && !std::filesystem::exists("predicted.csv")) {
            // The run ends where the desktop program's ends: the regression
            // run's files and the log archived, the hand-off files left.
            EXPECT_EQ(Entries(), (Items{"field.csv", "in.csv", "session1", "session2", "temp.csv",
                                        "temp.txt"}));
            EXPECT_TRUE(HasLog("session2"));
            EXPECT_FALSE(ResultFiles("session2").empty());
            continue;
        }
        // Values that are not numbers are predicted as missing, never as nan;
        // the table's own five columns come first, as they were.
        std::istringstream lines(Get("predicted.csv"));
        std::string line;
        int count = 0;
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            std::string field;
            for (int i = 0; std::getline(fields, field, ';'); ++i) {
                if (i >= 5) {
                    EXPECT_FALSE(IsNonFiniteToken(field)) << line;
                }
            }
            ++count;
        }
        EXPECT_GT(count, 0);
        EXPECT_TRUE(HasLog("session2"));
    }
}

// An ordinary mistake of a new user, played through the batch tool.
struct Mistake {
    const char* name;
    std::string piezometers;
    std::string field;  // empty: no prediction
    Items options;
    int exit;
    Items err;          // lines of standard error, each after "tarnovel-cli run: "
    const char* block;  // the log block that holds `logged`
    Items logged;
    const char* jobLeft = "";  // the job that met an unreadable cell
};

const char* const kFieldTitles = "Loc;Date1;Meas1;Date2;Meas2\r\n";
const char* const kFieldRecords = "L1;d1;60;d2;80\r\nL2;d1;75;d2;90\r\nL3;d1;50;d2;70\r\n";
const std::string kMissingAdvice =
    "if it means \"missing\", type it in the box code \"missing data\"= of the data window and "
    "press \"apply\".";
const std::string kCommaAdvice = "in the menu of the data window's table (right mouse button).";

// The piezometer table with one text replaced.
std::string PiezometersWith(const std::string& from, const std::string& to) {
    std::string table = Table(kTitles, kRecords);
    table.replace(table.find(from), from.size(), to);
    return table;
}

Items LinesOf(const std::string& text) {
    Items lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The lines of the log block of session 2 whose header holds `block`, up to
// the next header.
Items LogBlock(const std::string& log, const std::string& block) {
    Items lines;
    bool inside = false;
    for (const std::string& line : LinesOf(log)) {
        if (line.rfind("******", 0) == 0) {
            inside = line.find("Session  2 " + block) != std::string::npos;
            continue;
        }
        if (inside) lines.push_back(line);
    }
    return lines;
}

class MistakeRun : public BadInputRun {
  protected:
    // Each mistake is named on standard error and in the log block of the
    // step that found it, one line each; nothing else is warned about.
    void ExpectNamed(const Mistake& c) {
        SCOPED_TRACE(c.name);
        for (const std::string& name : Entries())
            std::filesystem::remove_all(name);
        Put("in.csv", c.piezometers);
        Items args = {"--piezometers", "in.csv", "--dates", "d1,d2"};
        if (!c.field.empty()) {
            Put("field.csv", c.field);
            args.insert(args.end(), {"--field", "field.csv", "--output", "predicted.csv"});
        }
        args.insert(args.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(Run(args), c.exit) << err.str();

        const Items errLines = LinesOf(err.str());
        int warnings = 0, expectedWarnings = 0, expectedLogged = 0;
        for (const std::string& line : errLines)
            warnings += line.rfind("tarnovel-cli run: warning: ", 0) == 0 ? 1 : 0;
        for (const std::string& line : c.err) {
            EXPECT_NE(std::find(errLines.begin(), errLines.end(), "tarnovel-cli run: " + line),
                      errLines.end())
                << line << "\n"
                << err.str();
            expectedWarnings += line.rfind("warning: ", 0) == 0 ? 1 : 0;
            // The closing message's other lines are not logged.
            expectedLogged += line.rfind("Results stored in ", 0) == 0 ? 0 : 1;
        }
        EXPECT_EQ(warnings, expectedWarnings) << err.str();
        if (c.err.empty()) {
            EXPECT_EQ(err.str(), "");
        }

        std::string log;
        for (const std::string& name : Entries("session2"))
            if (name.size() > 4 && name.substr(name.size() - 4) == ".log")
                log = Get("session2/" + name);
        ASSERT_NE(log, "");
        const Items block = LogBlock(log, c.block);
        for (const std::string& line : c.logged)
            EXPECT_NE(std::find(block.begin(), block.end(), line), block.end()) << line << "\n"
                                                                                << log;
        int logged = 0;
        for (const std::string& line : LinesOf(log))
            logged += line.rfind("Warning: ", 0) == 0 || line.rfind("Error: ", 0) == 0 ? 1 : 0;
        EXPECT_EQ(logged, expectedLogged) << log;
        // The job that met an unreadable cell is written, as before, and has
        // no result: the run ends where it always ended.
        if (*c.jobLeft != '\0') {
            EXPECT_TRUE(std::filesystem::exists("session2/" + std::string(c.jobLeft) + ".dat"));
            EXPECT_FALSE(std::filesystem::exists("session2/" + std::string(c.jobLeft) + ".out"));
        }
    }
};

// Mistakes in the piezometer table give no silent fit: a missing-data code
// or a decimal comma is warned about as the table is taken over, a cell no
// job can read ends the run naming its line and column, and a run that fits
// nothing fails.
TEST_F(MistakeRun, PiezometerMistakesAreNamed) {
    const std::string codeWarning =
        "column \"MHW\" holds -9999 in 1 cell, which looks like a missing-data code; " +
        kMissingAdvice;
    const std::string commaError =
        "Invalid numeric input in in.csv, line 2, column \"MHW\": \"40,5\" is not a number "
        "(decimal comma? use 'Convert comma's (,) to decimal dot (.)')";
    const std::string emptyError =
        "Invalid numeric input in in.csv, line 3, column \"d2\": \"\" is not a number (an empty "
        "cell)";
    const std::string noFit =
        "No regression was fitted: all 3 regressions had too few data points or did not converge.";
    auto farWarning = [](const std::string& value) {
        return "warning: column \"MHW\" holds " + value +
               " in 1 cell, far outside the other values of the column; " + kMissingAdvice;
    };
    const Mistake cases[] = {
        {"nothing suspicious", Table(kTitles, kRecords), "", {}, cli::kExitDone, {}, "", {}},
        {"missing code fitted as a water table", PiezometersWith("P3;85", "P3;-9999"), "", {},
         cli::kExitDone, {"warning: " + codeWarning}, "READ DATA FOR PIEZOMETERREGRESSONS",
         {"Warning: " + codeWarning}},
        {"missing code turned into missing", PiezometersWith("P3;85", "P3;-9999"), "",
         {"--missing", "-9999"}, cli::kExitDone,
         {"warning: the code \"-9999\" was turned into \"missing\" in 1 cell."},
         "READ DATA FOR PIEZOMETERREGRESSONS",
         {"Warning: the code \"-9999\" was turned into \"missing\" in 1 cell."}},
        {"value far outside its column", PiezometersWith("P3;85", "P3;8500"), "", {},
         cli::kExitDone, {farWarning("8500")}, "", {}},
        // MHW 40, 62, X, 120, 70, 33: median 66, spread 33 (half the median).
        {"ten spreads from the median", PiezometersWith("P3;85", "P3;396"), "", {},
         cli::kExitDone, {}, "", {}},
        {"beyond ten spreads", PiezometersWith("P3;85", "P3;396.5"), "", {}, cli::kExitDone,
         {farWarning("396.5")}, "", {}},
        {"-99 looks like a code", PiezometersWith("P3;85", "P3;-99"), "", {}, cli::kExitDone,
         {"warning: column \"MHW\" holds -99 in 1 cell, which looks like a missing-data code; " +
          kMissingAdvice},
         "", {}},
        {"99 is a depth", PiezometersWith("P3;85", "P3;99"), "", {}, cli::kExitDone, {}, "", {}},
        {"decimal commas", PiezometersWith("P1;40", "P1;40,5"), "", {}, cli::kExitError,
         {"warning: column \"MHW\" holds numbers written with a decimal comma (1 cell, such as "
          "\"40,5\"), which cannot be read as numbers; convert them with \"Convert comma's (,) to "
          "decimal dot (.)\" " +
              kCommaAdvice,
          commaError},
         "RESULTS PIEZOMETER REGRESSIONS", {"Error: " + commaError}, "nostrata-d1-d1-MHW-ong"},
        {"empty cell in a record", PiezometersWith("P2;62;80;140;70;85", "P2;62;80;140;70;"), "",
         {}, cli::kExitError, {emptyError}, "RESULTS PIEZOMETER REGRESSIONS",
         {"Error: " + emptyError}, "nostrata-d2-d1-MHW-ong"},
        {"no regression fitted", Table(kTitles, "P1;40;60;110;55;70\r\nP2;62;80;140;70;85\r\n"),
         "", {"--kinds", "MHW"}, cli::kExitError, {noFit}, "RESULTS PIEZOMETER REGRESSIONS",
         {"Error: " + noFit}},
    };
    for (const Mistake& c : cases)
        ExpectNamed(c);
}

// Mistakes in the field table: a decimal comma turned into "missing" and
// dates no regression has are warned about; a prediction of nothing fails.
TEST_F(MistakeRun, FieldMistakesAreNamed) {
    const std::string table = Table(kTitles, kRecords);
    const std::string commaWarning =
        "column \"Meas1\" held numbers written with a decimal comma (1 cell, such as \"66,5\"), "
        "which were turned into \"missing\"; convert them with \"Convert each comma (,) to a "
        "decimal dot (.)\" " +
        kCommaAdvice;
    auto dateWarning = [](const char* date, int locations) {
        return "the field date \"" + std::string(date) +
               "\" is not a date title of the regression run (d1, d2); " +
               std::to_string(locations) + " locations cannot use a model on that date.";
    };
    const Mistake cases[] = {
        {"nothing suspicious", table, std::string(kFieldTitles) + kFieldRecords, {},
         cli::kExitDone, {}, "", {}},
        {"decimal comma", table,
         std::string(kFieldTitles) + "L0;d1;66,5;d2;80\r\n" + kFieldRecords, {}, cli::kExitDone, {"warning: " + commaWarning}, "READ DATA FIELD MEASUREMENTS",
         {"Warning: " + commaWarning}},
        {"a blank inside a date is no other date", table,
         std::string(kFieldTitles) + "L0;d 1;60;d2;80\r\n" + kFieldRecords, {}, cli::kExitDone,
         {}, "", {}},
        {"dates written differently", table,
         std::string(kFieldTitles) + "L0;d-1;60;d2;80\r\nL9;d-1;65;d-1;85\r\n" + kFieldRecords, {},
         cli::kExitDone, {"warning: " + dateWarning("d-1", 2)}, "READ DATA FIELD MEASUREMENTS",
         {"Warning: " + dateWarning("d-1", 2)}},
        {"no location predicted", table,
         std::string(kFieldTitles) + "L1;D1;60;D2;80\r\nL2;D1;75;D2;90\r\n", {}, cli::kExitError,
         {"warning: " + dateWarning("D1", 2), "warning: " + dateWarning("D2", 2),
          "No MxW was predicted at any location.", "Results stored in predicted.csv"},
         "PREDICTION MxW MEASUREMENTS", {"Error: No MxW was predicted at any location."}},
    };
    for (const Mistake& c : cases)
        ExpectNamed(c);
}

// A folder given as a table, or a table the tool may not read, ends the tool
// before anything is written.
TEST_F(BadInputRun, InputsThatAreNoTablesAreRefusedBeforeAnythingMoves) {
    const std::string table = Table(kTitles, kRecords);
    Put("in.csv", table);
    Put("field.csv", "Loc;Date1;Meas1;Date2;Meas2\r\nL1;d1;60;d2;80\r\n");
    std::filesystem::create_directory("folder.csv");
    EXPECT_EQ(Run({"--piezometers", "folder.csv", "--dates", "d1,d2"}), cli::kExitUsage);
    EXPECT_EQ(err.str(),
              "tarnovel-cli run: the piezometer table \"folder.csv\" is a folder, not a file\n");
    EXPECT_EQ(Run({"--piezometers", "in.csv", "--dates", "d1,d2", "--field", "folder.csv"}),
              cli::kExitUsage);
    EXPECT_EQ(err.str(), "tarnovel-cli run: the field table \"folder.csv\" is a folder, not a file\n");
    EXPECT_EQ(Run({"--piezometers", "absent.csv", "--dates", "d1,d2"}), cli::kExitUsage);
    EXPECT_EQ(err.str(), "tarnovel-cli run: the piezometer table \"absent.csv\" does not exist\n");

    // The folder open to all, the table to no one.
    ASSERT_EQ(::chmod(".", 0777), 0);
    ASSERT_EQ(::chmod("in.csv", 0), 0);
    EXPECT_EQ(RunRestricted(DropRootRights, {"--piezometers", "in.csv", "--dates", "d1,d2"}),
              cli::kExitFile);
    EXPECT_EQ(err.str(),
              "tarnovel-cli run: cannot read the piezometer table \"in.csv\": Permission denied\n");
    ::chmod("in.csv", 0644);
    ::chmod(".", 0755);
    EXPECT_EQ(Entries(), (Items{"field.csv", "folder.csv", "in.csv"}));
    EXPECT_EQ(Get("in.csv"), table);
}

// More columns than the selection of a regression can hold (16 382) or more
// rows (32 766) end the run with a message instead of writing outside it.
TEST_F(BadInputRun, TablesBeyondTheSelectionBoundsEndWithAMessage) {
    std::string tall = "MHW;d1\r\n";
    for (int r = 0; r < 40000; ++r)
        tall += std::to_string(40 + r % 50) + ";" + std::to_string(50 + r % 47) + "\r\n";
    for (const std::string& table : {Wide(100000), tall}) {
        Put("in.csv", table);
        int exit = -1;
        EXPECT_NO_THROW(exit = Run({"--piezometers", "in.csv", "--dates", "d1", "--kinds", "MHW"}));
        EXPECT_NE(exit, cli::kExitDone);
        EXPECT_NE(err.str(), "");
        EXPECT_EQ(Get("in.csv"), table);
    }
}

// A number of more than 64 characters is refused, not cut into pieces whose
// first would be read as a value the table never held.
TEST_F(BadInputRun, NumberCellOfAMegabyteIsRefused) {
    const std::string table =
        Table(kTitles, "P0;" + std::string(1 << 20, '7') + "x;2;3;4;5\r\n" + kRecords);
    Put("in.csv", table);
    EXPECT_EQ(Run({"--piezometers", "in.csv", "--dates", "d1,d2"}), cli::kExitError);
    EXPECT_NE(err.str().find("is not a number"), std::string::npos) << err.str();
    EXPECT_EQ(Get("in.csv"), table);
}

TEST_F(BadInputRun, PredictionIntoAMissingFolderKeepsTheRegressions) {
    const std::string table = Table(kTitles, kRecords);
    Put("in.csv", table);
    Put("earlier.out", kEarlier);
    Put("field.csv", "Loc;Date1;Meas1;Date2;Meas2\r\nL1;d1;60;d2;80\r\nL2;d1;75;d2;90\r\n");
    EXPECT_EQ(Run({"--piezometers", "in.csv", "--dates", "d1,d2", "--field", "field.csv",
                   "--output", "absent/predicted.csv"}),
              cli::kExitError);
    EXPECT_NE(err.str().find("Cannot create file absent/predicted.csv"), std::string::npos)
        << err.str();
    EXPECT_FALSE(std::filesystem::exists("absent"));
    EXPECT_EQ(Get("in.csv"), table);
    EXPECT_EQ(Get("session1/earlier.out"), kEarlier);
    EXPECT_TRUE(HasLog("session2"));
    EXPECT_FALSE(ResultFiles("session2").empty());
}

TEST_F(BadInputRun, ReadOnlyWorkingDirectoryIsRefusedBeforeAnythingMoves) {
    const std::string table = Table(kTitles, kRecords);
    Put("in.csv", table);
    Put("earlier.out", kEarlier);
    ASSERT_EQ(::chmod(".", 0555), 0);
    EXPECT_EQ(RunRestricted(DropRootRights, {"--piezometers", "in.csv", "--dates", "d1,d2"}),
              cli::kExitFile);
    EXPECT_NE(err.str().find("Permission denied"), std::string::npos) << err.str();
    ::chmod(".", 0755);
    EXPECT_EQ(Entries(), (Items{"earlier.out", "in.csv"}));
    EXPECT_EQ(Get("earlier.out"), kEarlier);
}

TEST_F(BadInputRun, FullDiskEndsWithAMessageAndLeavesNoPartialFile) {
    const std::string table = Table(kTitles, kRecords);
    const std::vector<std::string> args = {"--piezometers", "in.csv", "--dates", "d1,d2",
                                           "--plots"};
    // Room for the tables but not for the first scatterplot: the run ends
    // in the middle, with its work archived.
    Put("in.csv", table);
    Put("earlier.out", kEarlier);
    EXPECT_EQ(RunRestricted(DiskRoomOf(64 * 1024), args), cli::kExitError);
    EXPECT_NE(err.str().find("Cannot write file"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("File too large"), std::string::npos) << err.str();
    EXPECT_EQ(Entries(), (Items{"in.csv", "session1", "session2"}));
    EXPECT_EQ(Get("in.csv"), table);
    EXPECT_EQ(Get("session1/earlier.out"), kEarlier);
    EXPECT_TRUE(HasLog("session2"));
    EXPECT_FALSE(ResultFiles("session2").empty());
    for (const std::string& name : Entries("session2")) {
        EXPECT_EQ(name.find(".wmf"), std::string::npos) << name;
        EXPECT_EQ(name.find("tmp"), std::string::npos) << name;
    }

    // No room even for a result file: the run ends at its first job, which
    // leaves no result file behind.
    std::filesystem::remove_all("session1");
    std::filesystem::remove_all("session2");
    Put("earlier.out", kEarlier);
    EXPECT_EQ(RunRestricted(DiskRoomOf(512), args), cli::kExitError);
    EXPECT_NE(err.str().find("Cannot write file nostrata-d1-d1-MHW-ong.out: File too large"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(Get("in.csv"), table);
    EXPECT_EQ(Get("session1/earlier.out"), kEarlier);
    EXPECT_TRUE(HasLog("session2"));
    EXPECT_TRUE(ResultFiles("session2").empty());
}

}  // namespace
}  // namespace tarnovel
