#include "regression/result_file.h"

#include <utility>

#include "common/text_file.h"
#include "common/utf8.h"

namespace tarnovel {

ResultLines OpenResultLines(const std::string& name) {
    ResultLines file;
    file.name = name;
    file.lines = std::make_shared<const std::vector<std::string>>(ReadTextLines(name));
    return file;
}

bool skip_until_line(ResultLines& file, std::string_view key, std::string& line) {
    file.position = 0;
    line.clear();
    const std::size_t count = file.lines ? file.lines->size() : 0;
    while (file.position < count) {
        line = (*file.lines)[file.position++];
        if (line.find(key) != std::string::npos) return false;
    }
    return line.find(key) == std::string::npos;
}

bool ReadNextLine(ResultLines& file, std::string& line) {
    if (!file.lines || file.position >= file.lines->size()) {
        line.clear();
        return false;
    }
    line = (*file.lines)[file.position++];
    return true;
}

std::string toskim(std::string_view intxt) {
    std::string bare;
    for (const char c : intxt)
        if (c != ' ') bare += c;
    return FirstCodePoints(bare, 8);
}

bool binnen(int x1, int y1) {
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
