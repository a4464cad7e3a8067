// Plays every kept fuzz input through its target's entry point in the
// regular test builds: the seed corpora, and the inputs that once crashed a
// reader (tests/data/fuzz-regressions/<target>/). Under the sanitizer build
// any memory or undefined-behaviour fault in them ends the test.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> InputsIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> inputs;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

int Replay(const std::filesystem::path& folder) {
    int count = 0;
    for (const auto& input : InputsIn(folder)) {
        SCOPED_TRACE(input.string());
        std::ifstream in(input, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                         bytes.size()),
                  0);
        ++count;
    }
    return count;
}

// Named after the target, so each target's replay is its own test.
TEST(FuzzReplay, TARNOVEL_FUZZ_TARGET_ID) {
    const std::filesystem::path source = TARNOVEL_SOURCE_DIR;
    EXPECT_GT(Replay(source / "tests/fuzz/corpus" / TARNOVEL_FUZZ_TARGET), 0)
        << "no seed inputs found for " << TARNOVEL_FUZZ_TARGET;
    Replay(source / "tests/data/fuzz-regressions" / TARNOVEL_FUZZ_TARGET);
}

}  // namespace
