#pragma once
// Reading the result files of the regression jobs back by their line texts
// and column positions: the results tab and the prediction both do this.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/result_layout.h"
#include "regression/scatterplot.h"

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
// the last line read. True when `line` contains `key`. An empty file leaves
// `line` empty.
bool FindLine(ResultLines& file, std::string_view key, std::string& line);

// Reads the line at the position into `line` and moves past it; false, with
// `line` empty, at the end of the file.
bool ReadNextLine(ResultLines& file, std::string& line);

// What the results tab shows of a result file: each number as its columns
// hold it, blanks removed and cut to 8 characters.
struct ResultTabCells {
    // b0, b1 (and b2 for a job on two dates): estimate, std. dev., t; read
    // from the lines after the parameter heading and its rule.
    std::optional<std::string> parameters[3][3];
    // n, s, r2, r2a; none where the file lacks the line (the engine leaves
    // out r2 and r2a when they fall outside 0..1).
    std::optional<std::string> statistics[4];
};
ResultTabCells ReadResultTabCells(ResultLines& file, bool twoDates);

// The first n lines of the residual table: index, observed and fitted MxW.
// headingFound tells whether the table's heading was there. Throws IoError
// when the table ends sooner or a line does not start with three numbers.
std::vector<Observation> ReadResiduals(ResultLines& file, long long n, bool& headingFound);

// intxt without any blanks, cut to its first 8 characters.
std::string CompactCell(std::string_view intxt);

// True when (x1, y1) lies in the plot frame of the scatterplot.
bool InsidePlotFrame(int x1, int y1);

// `count` characters of `line` starting at the 1-based column `first`; fewer
// where the line ends sooner, empty when it ends before `first`.
std::string Columns(std::string_view line, std::size_t first, std::size_t count);
inline std::string Columns(std::string_view line, result_layout::Span span) {
    return Columns(line, span.first, span.count);
}

}  // namespace tarnovel
