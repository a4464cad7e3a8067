// The job-file reader and the fit behind it: one job file, run unweighted
// and weighted, with and without a constant.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "common/io_error.h"
#include "engine/regression_job.h"
#include "tests/fuzz/fuzz_input.h"

using namespace tarnovel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string job = fuzz::WriteInput("job.dat", data, size);
    for (int run = 0; run < 4; ++run) {
        JobSettings settings;
        settings.jobFileName = job;
        settings.weightingMode = run % 2;
        settings.constant = run < 2;
        try {
            (void)RunRegressionJob(settings);
        } catch (const IoError&) {
        } catch (const JobError&) {
        }
    }
    std::error_code ignored;
    std::filesystem::remove(fuzz::PathOf("job.out"), ignored);
    return 0;
}
