#include "regression/result_file.h"

#include <utility>

#include "common/io_error.h"
#include "common/number_format.h"
#include "common/text_file.h"
#include "common/utf8.h"

namespace tarnovel {

namespace {

// The observation index and the observed and fitted MxW at the start of a
// residual table line.
Observation ReadObservation(const std::string& line, const std::string& file, int i) {
    double values[3] = {0, 0, 0};
    std::size_t pos = 0;
    for (double& value : values) {
        pos = line.find_first_not_of(' ', pos);
        const std::size_t end = line.find(' ', pos);
        const std::string token =
            pos == std::string::npos ? std::string() : line.substr(pos, end - pos);
        if (!ParseNumber(token, value))
            throw IoError("Cannot read file", file,
                          "line " + std::to_string(i) +
                              " of the residual table does not start with three numbers: \"" +
                              line + "\"");
        pos = end;
    }
    return {values[0], values[1], values[2]};
}

}  // namespace

ResultLines OpenResultLines(const std::string& name) {
    ResultLines file;
    file.name = name;
    file.lines = std::make_shared<const std::vector<std::string>>(ReadTextLines(name));
    return file;
}

bool FindLine(ResultLines& file, std::string_view key, std::string& line) {
    file.position = 0;
    line.clear();
    const std::size_t count = file.lines ? file.lines->size() : 0;
    while (file.position < count) {
        line = (*file.lines)[file.position++];
        if (line.find(key) != std::string::npos) return true;
    }
    return line.find(key) != std::string::npos;
}

bool ReadNextLine(ResultLines& file, std::string& line) {
    if (!file.lines || file.position >= file.lines->size()) {
        line.clear();
        return false;
    }
    line = (*file.lines)[file.position++];
    return true;
}

std::string CompactCell(std::string_view intxt) {
    std::string bare;
    for (const char c : intxt)
        if (c != ' ') bare += c;
    return FirstCodePoints(bare, 8);
}

bool InsidePlotFrame(int x1, int y1) {
    return x1 >= 24 && x1 <= 326 && y1 >= 24 && y1 <= 326;
}

std::string Columns(std::string_view line, std::size_t first, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t column = 1; column < first && pos < line.size(); ++column)
        pos += DecodeCodePoint(line, pos).length;
    std::size_t end = pos;
    for (std::size_t taken = 0; taken < count && end < line.size(); ++taken)
        end += DecodeCodePoint(line, end).length;
    return std::string(line.substr(pos, end - pos));
}

}  // namespace tarnovel

namespace tarnovel {

ResultTabCells ReadResultTabCells(ResultLines& file, bool twoDates) {
    namespace L = result_layout;
    ResultTabCells cells;
    std::string line;
    FindLine(file, L::kParameterHeading, line);
    ReadNextLine(file, line);
    for (int k = 0; k < (twoDates ? 3 : 2); ++k) {
        ReadNextLine(file, line);
        const L::Span spans[3] = {L::kEstimate, L::kStdDev, L::kTStudent};
        for (int c = 0; c < 3; ++c)
            cells.parameters[k][c] = CompactCell(Columns(line, spans[c]));
    }
    const std::pair<std::string_view, L::Span> statistics[4] = {{L::kObservations, L::kCount},
                                                                {L::kResidualError, L::kStatistic},
                                                                {L::kR2, L::kStatistic},
                                                                {L::kR2Adjusted, L::kStatistic}};
    for (int row = 0; row < 4; ++row)
        if (FindLine(file, statistics[row].first, line))
            cells.statistics[row] = CompactCell(Columns(line, statistics[row].second));
    return cells;
}

std::vector<Observation> ReadResiduals(ResultLines& file, long long n, bool& headingFound) {
    std::vector<Observation> table;
    std::string line;
    headingFound = FindLine(file, result_layout::kResidualHeading, line);
    ReadNextLine(file, line);
    for (long long i = 1; i <= n; ++i) {
        if (!ReadNextLine(file, line))
            throw IoError("Cannot read file", file.name,
                          "the residual table ends before observation " + std::to_string(i) +
                              " of " + std::to_string(n));
        table.push_back(ReadObservation(line, file.name, static_cast<int>(i)));
    }
    return table;
}

}  // namespace tarnovel
