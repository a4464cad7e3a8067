#pragma once
// What the table tests share: a scripted user behind the Platform, a fresh
// working directory per test, and byte-level file helpers.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "controls/canvas.h"
#include "controls/platform.h"
#include "tables/table_grid.h"

namespace tarnovel::test {

class ScriptedPlatform : public Platform {
  public:
    std::deque<std::string> fileChoices;  // answers of the open-file dialogs; "" cancels
    std::vector<std::string> dialogTitles;
    std::vector<std::vector<FileFilter>> dialogFilters;
    std::vector<std::string> messages;
    std::vector<MessageKind> kinds;  // of each message

    std::string OpenFileDialog(const std::string& title,
                               const std::vector<FileFilter>& filters) override {
        dialogTitles.push_back(title);
        dialogFilters.push_back(filters);
        if (fileChoices.empty()) return {};
        std::string choice = fileChoices.front();
        fileChoices.pop_front();
        return choice;
    }
    void ShowMessage(const std::string& text) override {
        ShowMessage(text, MessageKind::kInformation);
    }
    void ShowMessage(const std::string& text, MessageKind kind) override {
        messages.push_back(text);
        kinds.push_back(kind);
    }
    void ShowModal(const std::string&) override {}
    void Repaint(const std::string&) override {}
    void OpenHelpKey(const std::string&) override {}
    void OpenHelpContext(int) override {}
    LocalDateTime Now() override { return {}; }
    // The data windows never draw.
    std::unique_ptr<Canvas> NewCanvas(int, int) override { return nullptr; }
};

// Runs each test in a new empty directory of its own.
class InTempDir : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "tables-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::filesystem::current_path(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(dir_);
    }
    std::string FullPath(const std::string& name) const { return (dir_ / name).string(); }

  private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

inline void WriteBytes(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The grid of the given rows, row 0 the titles; all rows as long as row 0.
inline TableGrid GridOfRows(const std::vector<std::vector<std::string>>& rows) {
    std::vector<TextColumn> cells(rows.front().size(), TextColumn(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            cells[c].Set(r, rows[r][c]);
    return MakeGrid(std::move(cells), static_cast<int>(rows.size()));
}

inline std::vector<std::vector<std::string>> RowsOf(const TableGrid& grid) {
    std::vector<std::vector<std::string>> rows(static_cast<std::size_t>(grid.rowCount));
    for (int r = 0; r < grid.rowCount; ++r)
        for (int c = 0; c < grid.colCount; ++c)
            rows[r].push_back(grid.Cell(c, r));
    return rows;
}

}  // namespace tarnovel::test
