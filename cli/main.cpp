// tarnovel-cli: Tarnovel's batch tool. It runs the program's own logic without
// a window, so that it leaves exactly the files the desktop program leaves.

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "tarnovel/version.h"

namespace {

const char* const kUsage =
    "Usage: tarnovel-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  job [--weighted] [--no-constant] JOBFILE\n"
    "        Run one regression job: fit the job file's last variable on the\n"
    "        others and write the result file (JOBFILE's name up to its first\n"
    "        \".\", then \".out\") next to the job file.\n"
    "\n"
    "  censored INPUT OUTPUT\n"
    "        Estimate one value, with its variance, for the censored measurements\n"
    "        (\">\" followed by a depth) among INPUT's lines, one measurement a\n"
    "        line; write the report OUTPUT and print the estimate and the\n"
    "        variance on one line. The estimation's messages go to stderr.\n"
    "\n"
    "  run --piezometers FILE --dates T1,T2,... [--field FILE] [OPTIONS]\n"
    "        Play the program as a user of it would: load and annotate the table,\n"
    "        run every regression, optionally show every result with its\n"
    "        scatterplot, with --field predict the MxW at the field-work\n"
    "        locations of FILE, and close the program. See tarnovel-cli run --help.\n"
    "\n"
    "  --help          Show this text.\n"
    "  --version       Show the version number.\n"
    "\n"
    "Exit status: 0 done, 1 the work could not be done (its reason on stderr; for\n"
    "run also a run that fitted no regression or predicted no location), 2 bad\n"
    "usage, 3 a file that cannot be read or written (for run: an input table, or\n"
    "the working folder).\n";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << kUsage;
        return tarnovel::cli::kExitUsage;
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return tarnovel::cli::kExitDone;
    }
    if (command == "--version") {
        std::cout << "tarnovel-cli " << tarnovel::kVersion << "\n";
        return tarnovel::cli::kExitDone;
    }
    try {
        if (command == "job") return tarnovel::cli::RunJobCommand(args, std::cout, std::cerr);
        if (command == "run") return tarnovel::cli::RunWorkflowCommand(args, std::cout, std::cerr);
        if (command == "censored") {
            return tarnovel::cli::RunCensoredCommand(args, std::cout, std::cerr);
        }
    } catch (const std::exception& e) {
        std::cerr << "tarnovel-cli: " << e.what() << "\n";
        return tarnovel::cli::kExitError;
    }
    std::cerr << "tarnovel-cli: unknown command \"" << command << "\"\n\n" << kUsage;
    return tarnovel::cli::kExitUsage;
}
