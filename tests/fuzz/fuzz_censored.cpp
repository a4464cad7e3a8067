// The censored-estimation input: one measurement a line, ">" marking a
// censored one; read by both estimators.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "common/io_error.h"
#include "prediction/censored.h"
#include "prediction/censored_exact.h"
#include "tests/fuzz/fuzz_input.h"

using namespace tarnovel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = fuzz::WriteInput("invoer_censored.txt", data, size);
    const std::string output = fuzz::PathOf("uitvoer_censored.txt");
    try {
        EstimateCensored(input, output, [](const std::string&) {});
        EstimateCensoredExact(ReadCensoredInput(input, [](std::size_t, const std::string&) {}),
                              input, [](const std::string&) {});
    } catch (const IoError&) {
    }
    std::error_code ignored;
    std::filesystem::remove(output, ignored);
    return 0;
}
