#pragma once
// Runs each test in a fresh, empty current directory: the program works on
// the current directory and nothing else.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tarnovel {

class InTempDirectory : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tarnovel-shell-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        directory_ = pattern;
        std::filesystem::current_path(directory_);
    }

    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }

    static void Put(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }

    static std::string Get(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static bool Exists(const std::string& name) { return std::filesystem::exists(name); }

  private:
    std::filesystem::path previous_;
    std::filesystem::path directory_;
};

}  // namespace tarnovel
