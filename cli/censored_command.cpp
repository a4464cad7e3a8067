#include <cstdio>
#include <filesystem>
#include <ostream>

#include "cli/commands.h"
#include "common/io_error.h"
#include "prediction/censored.h"

namespace tarnovel::cli {

namespace {

const char* const kCensoredUsage = "Usage: tarnovel-cli censored INPUT OUTPUT\n";

}  // namespace

int RunCensoredCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> files;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            out << kCensoredUsage
                << "  Estimates one value, with its variance, for the censored measurements\n"
                   "  (\">\" followed by a depth) among INPUT's lines, writes the report\n"
                   "  OUTPUT and prints the estimate and the variance.\n";
            return kExitDone;
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
    CensoredEstimate result;
    try {
        result = EstimateCensored(input, output,
                                  [&err](const std::string& message) { err << message << "\n"; });
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
