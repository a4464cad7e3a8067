#pragma once
// Reading the result files of the regression jobs back by their line texts
// and column positions: the results tab and the prediction both do this.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarnovel {

// An open result file: its lines, read once, and the position after the last
// line read. The lines are shared and never change, so a cache can hand the
// same lines to many readers, each with a position of its own.
struct ResultLines {
    std::string name;
    std::shared_ptr<const std::vector<std::string>> lines;
    std::size_t position = 0;  // index of the next line to read
};

// Reads the whole file; throws IoError when it cannot be read.
ResultLines OpenResultLines(const std::string& name);

// Rewinds to the first line, then reads lines into `line` until one contains
// `key` (case-sensitive) or the file ends; the position is then just after
// the last line read. Returns the not-found flag: true exactly when `line`
// does not contain `key`. An empty file leaves `line` empty.
bool skip_until_line(ResultLines& file, std::string_view key, std::string& line);

// Reads the line at the position into `line` and moves past it; false, with
// `line` empty, at the end of the file.
bool ReadNextLine(ResultLines& file, std::string& line);

// intxt without any blanks, cut to its first 8 characters.
std::string toskim(std::string_view intxt);

// True when (x1, y1) lies in the plot frame of the scatterplot.
bool binnen(int x1, int y1);

// `count` characters of `line` starting at the 1-based column `first`; fewer
// where the line ends sooner, empty when it ends before `first`.
std::string Columns(std::string_view line, std::size_t first, std::size_t count);

}  // namespace tarnovel
