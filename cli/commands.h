#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace tarnovel::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFile = 3;

// tarnovel-cli job [--weighted] [--no-constant] JOBFILE
int RunJobCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// tarnovel-cli censored INPUT OUTPUT
int RunCensoredCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// tarnovel-cli run --piezometers FILE --dates T1,... [OPTIONS]
int RunWorkflowCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tarnovel::cli
