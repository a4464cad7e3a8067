#pragma once
// Runs each test in a fresh, empty current directory, since the program's
// files are all named relative to it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tarnovel {

class ScratchDirTest : public testing::Test {
  protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        original_ = fs::current_path();
        std::string path = (fs::temp_directory_path() / "tarnovel-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(path.data()), nullptr);
        scratch_ = path;
        fs::current_path(scratch_);
    }

    void TearDown() override {
        namespace fs = std::filesystem;
        fs::current_path(original_);
        std::error_code ignored;
        fs::permissions(scratch_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(scratch_, ignored);
    }

    static void Put(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }

    static std::string Get(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Names in the scratch directory, sorted; shows stray temporary files.
    std::vector<std::string> Entries(const std::string& folder = ".") const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::filesystem::path original_;
    std::filesystem::path scratch_;
};

}  // namespace tarnovel
