#include <filesystem>
#include <ostream>

#include "cli/commands.h"
#include "common/io_error.h"
#include "engine/regression_job.h"

namespace tarnovel::cli {

int RunJobCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    JobSettings settings;
    std::string jobFile;
    for (const std::string& arg : args) {
        if (arg == "--weighted") {
            settings.weightingMode = 1;
        } else if (arg == "--no-constant") {
            settings.constant = false;
        } else if (arg == "--help" || arg == "-h") {
            out << "Usage: tarnovel-cli job [--weighted] [--no-constant] JOBFILE\n"
                   "  --weighted     weighted regression: every record ends with its sd value\n"
                   "  --no-constant  fit without the constant term b0\n";
            return kExitDone;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            err << "tarnovel-cli job: unknown option \"" << arg << "\"\n";
            return kExitUsage;
        } else if (jobFile.empty()) {
            jobFile = arg;
        } else {
            err << "tarnovel-cli job: only one job file, please (got \"" << jobFile << "\" and \""
                << arg << "\")\n";
            return kExitUsage;
        }
    }
    if (jobFile.empty()) {
        err << "tarnovel-cli job: no job file given\n"
               "Usage: tarnovel-cli job [--weighted] [--no-constant] JOBFILE\n";
        return kExitUsage;
    }
    settings.jobFileName = jobFile;
    try {
        if (RunRegressionJob(settings) == JobOutcome::NotConverged) {
            err << "tarnovel-cli job: " << jobFile
                << ": Non-convergence of SVD algorithm ! No result file written.\n";
            return kExitError;
        }
    } catch (const IoError& e) {
        err << "tarnovel-cli job: " << e.what() << "\n";
        return kExitFile;
    } catch (const JobError& e) {
        err << "tarnovel-cli job: " << e.what() << "\n";
        return kExitError;
    }
    const std::string result = ResultFileName(jobFile);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(result, ec)) {
        err << "tarnovel-cli job: " << result << " was not written\n";
        return kExitFile;
    }
    out << "Results written to " << result << "\n";
    return kExitDone;
}

}  // namespace tarnovel::cli
