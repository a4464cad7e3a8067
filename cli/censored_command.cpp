#include <cstdio>
#include <filesystem>
#include <ostream>

#include "cli/commands.h"
#include "common/io_error.h"
#include "prediction/censored.h"
#include "prediction/censored_exact.h"

namespace tarnovel::cli {

namespace {

const char* const kCensoredUsage = "Usage: tarnovel-cli censored [--exact] INPUT OUTPUT\n";

void PrintCensoredHelp(std::ostream& out) {
    out << kCensoredUsage
        << "  Estimates one value, with its variance, for the censored measurements\n"
           "  (\">\" followed by a depth) among INPUT's lines, writes the report\n"
           "  OUTPUT and prints the estimate and the variance.\n"
           "  Lines that are neither a number nor a \">\" depth are ignored and named\n"
           "  on standard error (blank lines silently).\n"
           "\n"
           "  --exact  fit the normal distribution by exact maximum likelihood, each\n"
           "           censored value beyond its own depth, instead of through the\n"
           "           correction-factor table; the report names the method.\n";
}

}  // namespace

int RunCensoredCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> files;
    bool exact = false;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            PrintCensoredHelp(out);
            return kExitDone;
        }
        if (arg == "--exact") {
            exact = true;
            continue;
        }
        if (!arg.empty() && arg[0] == '-' && arg != "-") {
            err << "tarnovel-cli censored: unknown option \"" << arg << "\"\n";
            return kExitUsage;
        }
        files.push_back(arg);
    }
    if (files.size() != 2) {
        err << "tarnovel-cli censored: an input and an output file, please\n" << kCensoredUsage;
        return kExitUsage;
    }
    const std::string& input = files[0];
    const std::string& output = files[1];
    auto ignored = [&err](std::size_t line, const std::string& text) {
        err << "tarnovel-cli censored: line " << line << " ignored, not a number or \">\" depth: \""
            << text << "\"\n";
    };
    auto tell = [&err](const std::string& message) { err << message << "\n"; };
    CensoredEstimate result;
    try {
        const CensoredSample sample = ReadCensoredInput(input, ignored);
        result = exact ? EstimateCensoredExact(sample, input, tell)
                       : EstimateCensored(sample, input, tell);
        if (result.estimated) WriteCensoredReport(output, result);
    } catch (const IoError& e) {
        err << "tarnovel-cli censored: " << e.what() << "\n";
        return kExitFile;
    }
    if (!result.estimated) {
        err << "tarnovel-cli censored: " << input
            << ": no maximum-likelihood estimate possible: " << result.noEstimateReason << "\n";
        return kExitError;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(output, ec)) {
        err << "tarnovel-cli censored: " << output << " was not written\n";
        return kExitFile;
    }
    char line[64];
    std::snprintf(line, sizeof line, "%.17g %.17g\n", result.estimate, result.variance);
    out << line;
    return kExitDone;
}

}  // namespace tarnovel::cli
