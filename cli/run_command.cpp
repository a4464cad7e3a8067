// tarnovel-cli run: the whole piezometer workflow played by a scripted user
// of the program's own windows.

#include <unistd.h>

#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include "cli/cli_platform.h"
#include "cli/commands.h"
#include "common/io_error.h"
#include "engine/regression_job.h"
#include "shell/main_form.h"
#include "tables/buisdata_form.h"
#include "tables/meetdata_form.h"

namespace tarnovel::cli {

namespace {

namespace fs = std::filesystem;

const char* const kRunUsage =
    "Usage: tarnovel-cli run --piezometers FILE --dates T1,T2,... [OPTIONS]\n"
    "\n"
    "Plays the piezometer regression as a user would: opens FILE in the piezometer\n"
    "data window, repairs and annotates it, runs every regression the settings call\n"
    "for and closes the program (log closed, session archived). It leaves exactly\n"
    "the files the desktop program leaves for the same choices.\n"
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
    "\n"
    "Message boxes are written to standard output.\n"
    "Exit status: 0 done; 1 the program reported an error (on standard error; the\n"
    "log is closed and the session archived all the same); 2 bad usage: a bad\n"
    "option, a missing input file, a separator that is not offered, a title the\n"
    "table lacks or a setting that is not offered, refused before anything is\n"
    "written; 3 a file that cannot be read or written before the work started.\n";

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
        else
            throw UsageError("unknown option \"" + args[i] + "\"");
    }
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
    explicit Program(std::ostream& out) : platform(out) {
        main.AttachDataWindows(buisdata, meetdata);
    }
    CliPlatform platform;
    TfrmZelvimoMAIN main{platform};
    TfrmBUISDATA buisdata{platform};
    TfrmMEETDATA meetdata{platform};
};

// A selector's text becomes item, running its change handler as a user's
// choice does when the text changes.
template <class Handler>
void Choose(ComboBox& box, const std::string& item, const std::string& what, Handler changed) {
    if (std::find(box.items.begin(), box.items.end(), item) == box.items.end()) {
        std::string offered;
        for (const std::string& i : box.items)
            offered += (offered.empty() ? "" : ", ") + ("\"" + i + "\"");
        throw UsageError(what + " \"" + item + "\" is not offered (offered: " +
                         (offered.empty() ? "none" : offered) + ")");
    }
    if (box.text == item) return;
    box.text = item;
    changed();
}

// The user's work in the piezometer data window, from the file dialog to
// "Ready!".
void PlayPiezometerWindow(Program& p, const RunOptions& o, const std::string& inputPath) {
    TfrmBUISDATA& w = p.buisdata;
    p.platform.fileAnswers = {inputPath};
    w.FormActivate();
    if (w.aborted) throw UsageError("cannot open " + inputPath);
    if (o.sep) {
        const std::string caption = SeparatorCaptionOf(*o.sep);
        const auto& items = w.rdgrpSEP.items;
        const auto at = std::find(items.begin(), items.end(), caption);
        if (at == items.end()) {
            std::string offered;
            for (const std::string& i : items)
                offered += (offered.empty() ? "" : ", ") + ("\"" + i + "\"");
            throw UsageError("separator \"" + *o.sep + "\" is not offered for " + inputPath +
                             " (offered: " + (offered.empty() ? "none" : offered) + ")");
        }
        w.rdgrpSEP.itemIndex = static_cast<int>(at - items.begin());
        w.rdgrpSEPClick();
    }
    if (o.multiple) w.chckbxMultiple.checked = true;
    w.btbttnOKLEESClick();

    if (o.commaToPoint) w.Omzettenvanelkekommanaardecimalepunt1Click();
    if (o.missing) {
        w.edtMIS.text = *o.missing;
        w.btbttnMISClick();
    }

    const TableGrid& grid = w.strgrdSTAMBUIS;
    auto hasTitle = [&](const std::string& title) {
        for (int c = 0; c < grid.colCount; ++c)
            if (grid.Cell(c, 0) == title) return true;
        return false;
    };
    const std::map<std::string, ComboBox*> boxes = {
        {"--mhw", &w.cmbbxGHG},        {"--msw", &w.cmbbxGVG},     {"--mlw", &w.cmbbxGLG},
        {"--sdmhw", &w.cmbbxSDGHG},    {"--sdmsw", &w.cmbbxSDGVG}, {"--sdmlw", &w.cmbbxSDGLG},
        {"--strata", &w.cmbbxINSTRATA}};
    for (const auto& [option, title] : o.roles) {
        if (!title.empty() && !hasTitle(title))
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

// Plays the load and the settings in a scratch folder first, so that a
// choice the program does not offer is refused before anything is written
// in the working folder.
void Rehearse(const RunOptions& o, const std::string& inputPath) {
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
    Program p(ignored);
    PlayPiezometerRegression(p, o, inputPath);
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
    if (ec || !fs::is_regular_file(input, ec)) {
        err << "tarnovel-cli run: the piezometer table \"" << o.piezometers
            << "\" does not exist\n";
        return kExitUsage;
    }
    if (!o.workdir.empty()) {
        fs::current_path(o.workdir, ec);
        if (ec) {
            err << "tarnovel-cli run: cannot work in \"" << o.workdir << "\": " << ec.message()
                << "\n";
            return kExitUsage;
        }
    }
    EnsureGuiApplication();

    try {
        Rehearse(o, input.string());
    } catch (const UsageError& e) {
        err << "tarnovel-cli run: " << e.what() << "\n";
        return kExitUsage;
    } catch (const std::exception& e) {
        err << "tarnovel-cli run: " << e.what() << "\n";
        return kExitFile;
    }

    Program p(out);
    try {
        PlayPiezometerRegression(p, o, input.string());
        PlayRunAndPlots(p, o);
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
    return kExitDone;
}

}  // namespace tarnovel::cli
