// tarnovel-cli run: the whole piezometer workflow played by a scripted user
// of the program's own windows.

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "cli/cli_platform.h"
#include "cli/commands.h"
#include "common/io_error.h"
#include "engine/regression_job.h"
#include "regression/overview.h"
#include "shell/main_form.h"
#include "tables/buisdata_form.h"
#include "tables/meetdata_form.h"
#include "tables/table_checks.h"

namespace tarnovel::cli {

namespace {

namespace fs = std::filesystem;

const char* const kRunUsage =
    "Usage: tarnovel-cli run --piezometers FILE --dates T1,T2,... [--field FILE]\n"
    "                        [OPTIONS]\n"
    "\n"
    "Plays the program as a user would: opens FILE in the piezometer data window,\n"
    "repairs and annotates it, runs every regression the settings call for; with\n"
    "--field, opens the field measurements, settles their codes and predicts the\n"
    "MxW at every location; then closes the program (log closed, session\n"
    "archived). It leaves exactly the files the desktop program leaves for the\n"
    "same choices.\n"
    "\n"
    "  --workdir DIR       work in DIR (default: the current directory)\n"
    "  --piezometers FILE  the piezometer table (required)\n"
    "  --sep C             separator: a character, or the words tab or space; it must\n"
    "                      be one the window offers (default: its proposal)\n"
    "  --multiple          treat consecutive delimiters as one\n"
    "  --comma-to-point    convert every decimal comma into a point\n"
    "  --missing CODE      mark cells reading CODE as missing\n"
    "  --mhw T, --msw T, --mlw T, --sdmhw T, --sdmsw T, --sdmlw T, --strata T\n"
    "                      the column titled T plays that role (an empty T empties\n"
    "                      the box); roles not given keep the window's proposal\n"
    "  --dates T1,T2,...   the columns holding the survey dates' measurements\n"
    "                      (required)\n"
    "  --kinds TEXT        MxW kinds to fit: an item of the kind list, such as\n"
    "                      MHW+MSW+MLW or MLW (default: the first item)\n"
    "  --strata-separately fit all strata separately (as well as pooled)\n"
    "  --weighted          weighted regression for every kind (refused when the\n"
    "                      table has no sd column for a kind)\n"
    "  --plots             afterwards show every result and save its scatterplot\n"
    "  --threads N         fit the regressions and work out the predictions on N\n"
    "                      threads (default: one per core; the files are the same\n"
    "                      for any N)\n"
    "  --overview FILE     after the run (and the plots) write the overview of its\n"
    "                      regressions to FILE, as its window saves it\n"
    "\n"
    "Prediction at field-work locations, after the run (and the plots):\n"
    "  --field FILE        the field measurement table: tab 2, \"Select\", and FILE\n"
    "                      opened in the field window; without it nothing is predicted\n"
    "  --field-sep C, --field-multiple, --field-comma-to-point, --field-missing CODE\n"
    "                      as --sep, --multiple, --comma-to-point and --missing, for\n"
    "                      the field window\n"
    "  --date1 T, --date2 T, --meas1 T, --meas2 T, --field-strata T\n"
    "                      the column titled T plays that role (an empty T empties\n"
    "                      the box); roles not given keep the window's proposal. The\n"
    "                      strata box is disabled after a run without strata\n"
    "  --code CODE=REPLACEMENT\n"
    "                      convert the found code CODE into REPLACEMENT (\"missing\",\n"
    "                      \">\" followed by a depth, or a value); repeatable; codes\n"
    "                      not given take the proposed replacement\n"
    "  --output NAME       the prediction file (default: the proposed name,\n"
    "                      \"Session  2 Predict.csv\" after the first run)\n"
    "  --delimiter D       column delimiter of the prediction file: ; , or tab\n"
    "                      (default ;)\n"
    "  --predict TEXT      MxW kinds to predict: an item of the list, such as\n"
    "                      MHW+MSW+MLW or MSW (default: the first item)\n"
    "  --models FILE       after the prediction write the model used at every\n"
    "                      location and kind to FILE, as its window saves it\n"
    "  --pooled            the same regressions for all strata (untick \"Strata\n"
    "                      seperately\" where it can be changed)\n"
    "  --no-ml             no maximum-likelihood estimates for \"deeper than\" values\n"
    "                      (untick the option where it can be changed)\n"
    "  --exact-ml          exact maximum-likelihood estimates, each \"deeper than\"\n"
    "                      value at its own depth (tick \"exact (recommended)\");\n"
    "                      refused unless the maximum-likelihood option is on\n"
    "\n"
    "Message boxes are written to standard output; warnings about the tables\n"
    "(\"tarnovel-cli run: warning: ...\", one a line) and errors to standard error.\n"
    "Exit status: 0 done, with or without warnings; 1 the program reported an\n"
    "error, fitted no regression at all or predicted no location (on standard\n"
    "error; the log is closed and the session archived all the same); 2 bad usage:\n"
    "a bad option, a missing input file or a folder given as one, a table without\n"
    "data (empty, or a title line only), a separator that is not offered, a title\n"
    "the table lacks, a role box that is disabled, a code that is not found or a\n"
    "setting that is not offered, refused before anything is written; 3 an input\n"
    "file that cannot be read or a working folder that cannot be written, before\n"
    "the work started.\n";

// A choice the program does not offer: refused before anything is written.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct RunOptions {
    std::string workdir;
    std::string piezometers;
    std::optional<std::string> sep;
    bool multiple = false;
    bool commaToPoint = false;
    std::optional<std::string> missing;
    std::map<std::string, std::string> roles;  // option name -> title
    std::vector<std::string> dates;
    std::optional<std::string> kinds;
    bool strataSeparately = false;
    bool weighted = false;
    bool plots = false;
    int threads = 0;
    std::string overview;  // where the overview goes; none when empty

    // The prediction; nothing of it without a field table.
    std::string field;
    std::optional<std::string> fieldSep;
    bool fieldMultiple = false;
    bool fieldCommaToPoint = false;
    std::optional<std::string> fieldMissing;
    std::map<std::string, std::string> fieldRoles;  // option name -> title
    std::map<std::string, std::string> codes;       // found code -> replacement
    std::optional<std::string> output;
    int delimiter = 0;  // item of the delimiter choice: ";", ",", tab
    std::optional<std::string> predict;
    std::string models;  // where the models list goes; none when empty
    bool pooled = false;
    bool noMl = false;
    bool exactMl = false;
};

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::string item;
    std::istringstream in(text);
    while (std::getline(in, item, ','))
        items.push_back(item);
    return items;
}

// Returns the options, or throws UsageError.
RunOptions ParseRunOptions(const std::vector<std::string>& args) {
    RunOptions o;
    const std::vector<std::string> roleOptions = {"--mhw",   "--msw",   "--mlw",   "--sdmhw",
                                                  "--sdmsw", "--sdmlw", "--strata"};
    const std::vector<std::string> fieldRoleOptions = {"--date1", "--date2", "--meas1", "--meas2",
                                                       "--field-strata"};
    std::vector<std::string> fieldOptions;  // given, to be refused without --field
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = name.find('=');
            name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
            return args[++i];
        };
        auto flag = [&]() {
            if (inlineValue) throw UsageError("option " + name + " takes no value");
            return true;
        };
        if (name == "--workdir")
            o.workdir = value();
        else if (name == "--piezometers")
            o.piezometers = value();
        else if (name == "--sep")
            o.sep = value();
        else if (name == "--multiple")
            o.multiple = flag();
        else if (name == "--comma-to-point")
            o.commaToPoint = flag();
        else if (name == "--missing")
            o.missing = value();
        else if (std::find(roleOptions.begin(), roleOptions.end(), name) != roleOptions.end())
            o.roles[name] = value();
        else if (name == "--dates")
            o.dates = SplitList(value());
        else if (name == "--kinds")
            o.kinds = value();
        else if (name == "--strata-separately")
            o.strataSeparately = flag();
        else if (name == "--weighted")
            o.weighted = flag();
        else if (name == "--plots")
            o.plots = flag();
        else if (name == "--threads") {
            const std::string n = value();
            if (n.empty() || n.size() > 3 || n.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(n) < 1)
                throw UsageError("--threads needs a number from 1 to 999, not \"" + n + "\"");
            o.threads = std::stoi(n);
        } else if (name == "--overview" || name == "--models") {
            std::string& file = name == "--overview" ? o.overview : o.models;
            file = value();
            if (file.empty()) throw UsageError(name + " needs a file name");
        } else if (name == "--field")
            o.field = value();
        else if (name == "--field-sep")
            o.fieldSep = value();
        else if (name == "--field-multiple")
            o.fieldMultiple = flag();
        else if (name == "--field-comma-to-point")
            o.fieldCommaToPoint = flag();
        else if (name == "--field-missing")
            o.fieldMissing = value();
        else if (std::find(fieldRoleOptions.begin(), fieldRoleOptions.end(), name) !=
                 fieldRoleOptions.end())
            o.fieldRoles[name] = value();
        else if (name == "--code") {
            // Split at the last "=": a replacement never holds one, a code may.
            const std::string pair = value();
            const std::size_t eq = pair.rfind('=');
            if (eq == std::string::npos)
                throw UsageError("--code needs CODE=REPLACEMENT, not \"" + pair + "\"");
            o.codes[pair.substr(0, eq)] = pair.substr(eq + 1);
        } else if (name == "--output")
            o.output = value();
        else if (name == "--delimiter") {
            const std::string d = value();
            if (d == ";")
                o.delimiter = 0;
            else if (d == ",")
                o.delimiter = 1;
            else if (d == "tab" || d == "\t")
                o.delimiter = 2;
            else
                throw UsageError("--delimiter must be ; , or tab, not \"" + d + "\"");
        } else if (name == "--predict")
            o.predict = value();
        else if (name == "--pooled")
            o.pooled = flag();
        else if (name == "--no-ml")
            o.noMl = flag();
        else if (name == "--exact-ml")
            o.exactMl = flag();
        else
            throw UsageError("unknown option \"" + args[i] + "\"");
        if (name.rfind("--field", 0) == 0 && name != "--field") fieldOptions.push_back(name);
        if (name == "--models") fieldOptions.push_back(name);
        if (name == "--date1" || name == "--date2" || name == "--meas1" || name == "--meas2" ||
            name == "--code" || name == "--output" || name == "--delimiter" ||
            name == "--predict" || name == "--pooled" || name == "--no-ml" || name == "--exact-ml")
            fieldOptions.push_back(name);
    }
    if (o.field.empty() && !fieldOptions.empty())
        throw UsageError(fieldOptions.front() + " needs --field FILE");
    if (o.piezometers.empty()) throw UsageError("--piezometers FILE is required");
    if (o.dates.empty()) throw UsageError("--dates T1,T2,... is required");
    return o;
}

std::string SeparatorCaptionOf(const std::string& sep) {
    if (sep == "tab") return "tab-sign";
    if (sep == "space" || sep == " ") return "space";
    if (sep == "\t") return "tab-sign";
    return sep;
}

// The program with its four windows, as program start creates them.
struct Program {
    Program(std::ostream& out, std::ostream& err) : platform(out, err) {
        main.AttachDataWindows(buisdata, meetdata);
    }
    CliPlatform platform;
    TfrmZelvimoMAIN main{platform};
    TfrmBUISDATA buisdata{platform};
    TfrmMEETDATA meetdata{platform};
};

// The items a choice offers, quoted, for a refusal's message.
std::string Offered(const std::vector<std::string>& items) {
    std::string offered;
    for (const std::string& i : items)
        offered += (offered.empty() ? "" : ", ") + ("\"" + i + "\"");
    return offered.empty() ? "none" : offered;
}

// A selector's text becomes item, running its change handler as a user's
// choice does when the text changes.
template <class Handler>
void Choose(ComboBox& box, const std::string& item, const std::string& what, Handler changed) {
    if (std::find(box.items.begin(), box.items.end(), item) == box.items.end()) {
        throw UsageError(what + " \"" + item + "\" is not offered (offered: " + Offered(box.items) +
                         ")");
    }
    if (box.text == item) return;
    box.text = item;
    changed();
}

// The reading stage of a data window and the grid repairs, alike in both
// windows: the file chosen in the dialog, the separator, "OK, start
// reading", commas to points and the missing-code mark. A table without
// data is refused: there is nothing to choose in it.
template <class Form>
void PlayReadingStage(Form& w, const TableGrid& grid, const char* table,
                      const std::string& inputPath, const std::optional<std::string>& sep,
                      bool multiple, bool commaToPoint, const std::optional<std::string>& missing) {
    w.FormActivate();
    if (w.aborted) throw UsageError("cannot open " + inputPath);
    if (sep) {
        const std::string caption = SeparatorCaptionOf(*sep);
        const auto& items = w.rdgrpSEP.items;
        const auto at = std::find(items.begin(), items.end(), caption);
        if (at == items.end()) {
            throw UsageError("separator \"" + *sep + "\" is not offered for " + inputPath +
                             " (offered: " + Offered(items) + ")");
        }
        w.rdgrpSEP.itemIndex = static_cast<int>(at - items.begin());
        w.rdgrpSEPClick();
    }
    if (multiple) w.chckbxMultiple.checked = true;
    w.btbttnOKLEESClick();
    if (const TableContent content = ContentOf(grid); content != TableContent::kData)
        throw UsageError(NoDataMessage(content, table, inputPath));

    if (commaToPoint) w.Omzettenvanelkekommanaardecimalepunt1Click();
    if (missing) {
        w.edtMIS.text = *missing;
        w.btbttnMISClick();
    }
}

bool HasTitle(const TableGrid& grid, const std::string& title) {
    for (int c = 0; c < grid.colCount; ++c)
        if (grid.Cell(c, 0) == title) return true;
    return false;
}

// The user's work in the piezometer data window, from the file dialog to
// "Ready!".
void PlayPiezometerWindow(Program& p, const RunOptions& o, const std::string& inputPath) {
    TfrmBUISDATA& w = p.buisdata;
    p.platform.fileAnswers = {inputPath};
    PlayReadingStage(w, w.strgrdSTAMBUIS, "piezometer table", inputPath, o.sep, o.multiple,
                     o.commaToPoint, o.missing);

    const TableGrid& grid = w.strgrdSTAMBUIS;
    const std::map<std::string, ComboBox*> boxes = {
        {"--mhw", &w.cmbbxGHG},        {"--msw", &w.cmbbxGVG},     {"--mlw", &w.cmbbxGLG},
        {"--sdmhw", &w.cmbbxSDGHG},    {"--sdmsw", &w.cmbbxSDGVG}, {"--sdmlw", &w.cmbbxSDGLG},
        {"--strata", &w.cmbbxINSTRATA}};
    for (const auto& [option, title] : o.roles) {
        if (!title.empty() && !HasTitle(grid, title))
            throw UsageError(option + ": the table has no column titled \"" + title + "\"");
        boxes.at(option)->text = title;
    }
    for (const std::string& date : o.dates) {
        const auto& titles = w.lstbxTITELS.items;
        const auto at = std::find(titles.begin(), titles.end(), date);
        if (at == titles.end())
            throw UsageError("--dates: \"" + date + "\" is not a column title left to choose");
        w.lstbxTITELS.selection = {static_cast<int>(at - titles.begin())};
        w.lstbxTITELS.selected = static_cast<int>(at - titles.begin());
        w.btbttnADDClick();
    }
    w.btbttnEXITSTAMBUISClick();
}

// Program start, the load, the settings and the run; then, when asked, every
// result shown. Throws UsageError for a choice the program does not offer.
void PlayPiezometerRegression(Program& p, const RunOptions& o, const std::string& inputPath) {
    TfrmZelvimoMAIN& m = p.main;
    m.FormActivate();
    m.rdbttnFILEClick();
    p.platform.onModal["TfrmBUISDATA"] = [&] { PlayPiezometerWindow(p, o, inputPath); };
    m.btbttnFILEClick();
    if (p.buisdata.aborted) throw UsageError("the piezometer data window handed nothing over");

    if (o.kinds) Choose(m.cmbbxPREDICT, *o.kinds, "--kinds", [&] { m.cmbbxPREDICTChange(); });
    if (o.strataSeparately)
        Choose(m.cmbbxSTRATAyesno, "all strata separately", "--strata-separately",
               [&] { m.cmbbxSTRATAyesnoChange(); });
    if (o.weighted) {
        struct Kind {
            const char* name;
            ComboBox& box;
            void (TfrmZelvimoMAIN::*changed)();
        };
        for (Kind k : {Kind{"MHW", m.cmbbxWEIGHTGHG, &TfrmZelvimoMAIN::cmbbxWEIGHTGHGChange},
                       Kind{"MSW", m.CMBBXWEIGHTGVG, &TfrmZelvimoMAIN::CMBBXWEIGHTGVGChange},
                       Kind{"MLW", m.cmbbxWEIGHTGLG, &TfrmZelvimoMAIN::cmbbxWEIGHTGLGChange}}) {
            if (m.cmbbxPREDICT.text.find(k.name) == std::string::npos) continue;
            Choose(k.box, "weighted regression", std::string("--weighted for ") + k.name,
                   [&] { (m.*k.changed)(); });
        }
    }
}

void PlayRunAndPlots(Program& p, const RunOptions& o) {
    TfrmZelvimoMAIN& m = p.main;
    m.workerThreads = o.threads;
    m.btbttnOKTABINDEX0Click();
    if (!o.plots) return;
    const std::vector<std::string> strata = m.cmbbxSTRATA2.items;
    for (const std::string& stratum : strata) {
        if (m.cmbbxSTRATA2.text != stratum) {
            m.cmbbxSTRATA2.text = stratum;
            m.cmbbxSTRATA2Change();
        }
        const std::vector<std::string> kinds = m.cmbbxGxG.items;
        for (const std::string& kind : kinds) {
            if (m.cmbbxGxG.text != kind) {
                m.cmbbxGxG.text = kind;
                m.cmbbxGxGChange();
            }
            const std::vector<std::string> dates = m.cmbbxDATUM1.items;
            for (const std::string& date : dates) {
                if (m.cmbbxDATUM1.text != date) {
                    m.cmbbxDATUM1.text = date;
                    m.cmbbxDATUM1Change();
                }
                m.btbttnSHOWClick();
            }
        }
    }
}

// The user's work in the field window, from the file dialog to "Ready!":
// the roles, "OK", and one "Conversion OK" per found code.
void PlayFieldWindow(Program& p, const RunOptions& o, const std::string& fieldPath) {
    TfrmMEETDATA& w = p.meetdata;
    p.platform.fileAnswers = {fieldPath};
    PlayReadingStage(w, w.strgrdMEETDATA, "field table", fieldPath, o.fieldSep, o.fieldMultiple,
                     o.fieldCommaToPoint, o.fieldMissing);

    const TableGrid& grid = w.strgrdMEETDATA;
    const std::map<std::string, ComboBox*> boxes = {{"--date1", &w.cmbbxDatum1},
                                                    {"--date2", &w.cmbbxDatum2},
                                                    {"--meas1", &w.cmbbxMeting1},
                                                    {"--meas2", &w.cmbbxMeting2},
                                                    {"--field-strata", &w.cmbbxINSTRATA}};
    for (const auto& [option, title] : o.fieldRoles) {
        ComboBox& box = *boxes.at(option);
        if (!box.enabled)
            throw UsageError(option + ": the field window has disabled this box" +
                             (option == "--field-strata" ? " (the run had no strata)" : ""));
        if (!title.empty() && !HasTitle(grid, title))
            throw UsageError(option + ": the field table has no column titled \"" + title + "\"");
        box.text = title;
    }
    w.btbttnOKINDELINGClick();

    for (const auto& [code, replacement] : o.codes) {
        const auto& found = w.cmbbxFOUNDCODE.items;
        if (std::find(found.begin(), found.end(), code) == found.end())
            throw UsageError("--code: \"" + code +
                             "\" is not a code found in the measurement columns");
    }
    // With no code found one press enables "Ready!"; each press converts one.
    do {
        const auto given = o.codes.find(w.cmbbxFOUNDCODE.text);
        if (given != o.codes.end()) w.cmbbxNEWCODE.text = given->second;
        w.btbttnREPLACEOKClick();
    } while (!w.cmbbxFOUNDCODE.items.empty());
    w.btbttnEXITMEETDATAClick();
}

// Tab 2 up to "Start Prediction": the field table attached, the mandatory
// settings fixed, the optional ones changed where they can be.
void PlayPredictionSettings(Program& p, const RunOptions& o, const std::string& fieldPath) {
    TfrmZelvimoMAIN& m = p.main;
    m.tbcntrlZelvimoMAIN.tabIndex = 2;
    m.tbcntrlZelvimoMAINChange();
    p.platform.onModal["TfrmMEETDATA"] = [&] { PlayFieldWindow(p, o, fieldPath); };
    m.btbttnKOPPELMETINGENClick();
    if (p.meetdata.aborted) throw UsageError("the field window handed nothing over");

    if (o.output) m.edtNAAMRESULT.text = *o.output;
    m.rdgrpPREDSEP.itemIndex = o.delimiter;
    if (o.predict) Choose(m.cmbbxTEVOORSPELLEN, *o.predict, "--predict", [] {});
    m.btbttnOKVERPLICHTClick();
    if (o.pooled && m.chckbxSTRATAAPART.enabled) m.chckbxSTRATAAPART.checked = false;
    if (o.noMl && m.chckbxMAXLIKELI.enabled && m.chckbxMAXLIKELI.checked) {
        m.chckbxMAXLIKELI.checked = false;
        m.chckbxMAXLIKELIClick();
    }
    if (o.exactMl) {
        if (!m.chckbxEXACTML.enabled)
            throw UsageError(m.chckbxMAXLIKELI.enabled && !m.chckbxMAXLIKELI.checked
                                 ? "--exact-ml: --no-ml has switched the maximum-likelihood "
                                   "estimation off"
                                 : "--exact-ml: the maximum-likelihood estimation is not offered "
                                   "(no code was converted into a \"deeper than\" value)");
        m.chckbxEXACTML.checked = true;
    }
}

// Plays the load and the settings in a scratch folder first, so that a
// choice the program does not offer is refused before anything is written
// in the working folder. The field window's choices depend on the run's
// settings, not on its fits: the rehearsal's run plans its jobs and fits
// none.
void Rehearse(const RunOptions& o, const std::string& inputPath, const std::string& fieldPath) {
    char pattern[] = "/tmp/tarnovel-cli-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
        throw IoError("Cannot create folder", pattern, IoError::SystemReason(errno));
    const fs::path scratch = pattern;
    const fs::path workdir = fs::current_path();
    struct Restore {
        fs::path back, scratch;
        ~Restore() {
            std::error_code ec;
            fs::current_path(back, ec);
            fs::remove_all(scratch, ec);
        }
    } restore{workdir, scratch};
    fs::current_path(scratch);
    std::ostringstream ignored;
    Program p(ignored, ignored);
    // An error the program shows on taking a table over would show in the
    // real run as well, after its files were written.
    auto refuseShownErrors = [&p] {
        if (!p.platform.errors.empty()) throw UsageError(p.platform.errors.front());
    };
    PlayPiezometerRegression(p, o, inputPath);
    refuseShownErrors();
    if (fieldPath.empty()) return;
    p.main.rehearsal = true;
    p.main.btbttnOKTABINDEX0Click();
    PlayPredictionSettings(p, o, fieldPath);
    refuseShownErrors();
}

// Why an input table cannot be used: "" when it can; otherwise the message,
// with `status` the exit status it ends the tool with.
std::string UnusableInput(const fs::path& path, const char* table, const std::string& given,
                          int& status) {
    std::error_code ec;
    const std::string quoted = std::string(table) + " \"" + given + "\"";
    status = kExitUsage;
    if (fs::is_directory(path, ec)) return quoted + " is a folder, not a file";
    if (!fs::is_regular_file(path, ec)) return quoted + " does not exist";
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        status = kExitFile;
        return "cannot read " + quoted + ": " + IoError::SystemReason(errno);
    }
    ::close(fd);
    return {};
}

// The tables given, each checked as above: kExitDone, or the exit status
// after the message.
int RefuseUnusableInputs(const RunOptions& o, const fs::path& input, const fs::path& field,
                         std::ostream& err) {
    using Input = std::tuple<const fs::path&, const char*, const std::string&>;
    for (const auto& [path, table, given] : {Input{input, "the piezometer table", o.piezometers},
                                             Input{field, "the field table", o.field}}) {
        if (given.empty()) continue;
        int status = kExitDone;
        const std::string unusable = UnusableInput(path, table, given, status);
        if (!unusable.empty()) {
            err << "tarnovel-cli run: " << unusable << "\n";
            return status;
        }
    }
    return kExitDone;
}

// The log is the first file the program writes: a working folder that takes
// no file is known before anything moves.
int RefuseUnwritableFolder(std::ostream& err) {
    if (::access(".", W_OK) == 0) return kExitDone;
    const int reason = errno;
    std::error_code ec;
    err << "tarnovel-cli run: cannot write in the working folder \""
        << fs::current_path(ec).string() << "\": " << IoError::SystemReason(reason) << "\n";
    return kExitFile;
}

}  // namespace

int RunWorkflowCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") {
            out << kRunUsage;
            return kExitDone;
        }
    RunOptions o;
    try {
        o = ParseRunOptions(args);
    } catch (const UsageError& e) {
        err << "tarnovel-cli run: " << e.what() << "\n\n" << kRunUsage;
        return kExitUsage;
    }

    std::error_code ec;
    const fs::path input = fs::absolute(o.piezometers, ec);
    fs::path field;
    if (!o.field.empty()) field = fs::absolute(o.field, ec);
    // Like the tables, the files asked for are named from where the tool
    // was started, not from the working folder.
    fs::path overview, models;
    if (!o.overview.empty()) overview = fs::absolute(o.overview, ec);
    if (!o.models.empty()) models = fs::absolute(o.models, ec);
    // They come at the end of the work: a folder that takes no file is
    // known before the work starts.
    for (const fs::path& asked : {overview, models}) {
        if (asked.empty()) continue;
        const int failure = ::access(asked.parent_path().c_str(), W_OK) != 0 ? errno : 0;
        const bool folder = fs::is_directory(asked, ec);
        if (failure != 0 || folder) {
            err << "tarnovel-cli run: cannot write \"" << asked.string()
                << "\": " << (folder ? "it is a folder" : IoError::SystemReason(failure)) << "\n";
            return kExitFile;
        }
    }
    if (const int status = RefuseUnusableInputs(o, input, field, err); status != kExitDone)
        return status;
    if (!o.workdir.empty()) {
        fs::current_path(o.workdir, ec);
        if (ec) {
            err << "tarnovel-cli run: cannot work in \"" << o.workdir << "\": " << ec.message()
                << "\n";
            return kExitUsage;
        }
    }
    if (const int status = RefuseUnwritableFolder(err); status != kExitDone) return status;
    EnsureGuiApplication();

    // Only a refused choice ends the tool here. Any other error the
    // rehearsal meets, the real run meets too, and ends the way the desktop
    // program ends it: with the log and the session's files left.
    try {
        Rehearse(o, input.string(), field.string());
    } catch (const UsageError& e) {
        err << "tarnovel-cli run: " << e.what() << "\n";
        return kExitUsage;
    } catch (const std::exception&) {
    }

    Program p(out, err);
    try {
        PlayPiezometerRegression(p, o, input.string());
        PlayRunAndPlots(p, o);
        if (!overview.empty())
            WriteOverviewFile(overview.string(), BuildOverview(p.main.lastRun, p.main.lastRunTable,
                                                               p.main.lastRunSettings));
        if (!field.empty()) {
            PlayPredictionSettings(p, o, field.string());
            p.main.btbttnSTARTPREDICTClick();
            if (!models.empty())
                WriteModelsFile(models.string(), p.main.lastPrediction, p.main.strgrdMEETDATA);
        }
    } catch (const std::exception& e) {
        err << "tarnovel-cli run: " << e.what() << "\n";
        try {
            p.main.FormClose();
        } catch (const std::exception& close) {
            err << "tarnovel-cli run: " << close.what() << "\n";
        }
        return kExitError;
    }
    try {
        p.main.FormClose();
    } catch (const std::exception& e) {
        err << "tarnovel-cli run: " << e.what() << "\n";
        return kExitError;
    }
    // A run that fitted or predicted nothing said so in an error box.
    return p.platform.errors.empty() ? kExitDone : kExitError;
}

}  // namespace tarnovel::cli
