#include "tables/delimited_reader.h"

#include <algorithm>
#include <utility>

#include "common/text_file.h"
#include "common/utf8.h"
#include "tables/handoff.h"

namespace tarnovel {

namespace {

bool NeverSeparates(std::string_view cp) {
    if (cp.size() != 1) return false;
    const char c = cp[0];
    return c == '"' || c == '\'' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
           (c >= 'a' && c <= 'z');
}

}  // namespace

std::vector<SeparatorCandidate> FindSeparatorCandidates(std::string_view line) {
    std::vector<SeparatorCandidate> candidates;
    for (std::string& cp : SplitCodePoints(line)) {
        if (NeverSeparates(cp)) continue;
        auto known = std::find_if(candidates.begin(), candidates.end(),
                                  [&](const SeparatorCandidate& c) { return c.character == cp; });
        if (known != candidates.end()) {
            ++known->count;
        } else if (candidates.size() < kMaxSeparatorCandidates) {
            candidates.push_back({std::move(cp), 1});
        }
    }
    return candidates;
}

int ProposeSeparator(const std::vector<SeparatorCandidate>& candidates) {
    int proposal = -1;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (proposal < 0 ||
            candidates[i].count > candidates[static_cast<std::size_t>(proposal)].count)
            proposal = static_cast<int>(i);
    return proposal;
}

std::string SeparatorCaption(std::string_view character) {
    if (character == " ") return "space";
    if (character == "\t") return "tab-sign";
    return std::string(character);
}

std::string CollapseSeparators(std::string line, std::string_view separator) {
    if (separator.empty()) return line;
    const std::string twice = std::string(separator) + std::string(separator);
    std::size_t at = 0;
    while ((at = line.find(twice, at)) != std::string::npos)
        line.erase(at, separator.size());
    return line;
}

void DetectSeparator(const std::string& fileName, RadioGroup& rdgrpSEP, ReaderState& state) {
    // Only the first line tells; the rest is split when the grid is filled.
    const std::string text = ReadTextFile(fileName);
    const std::vector<SeparatorCandidate> found =
        FindSeparatorCandidates(std::string_view(text).substr(0, text.find_first_of("\r\n")));

    state.candidates.fill(SeparatorCandidate{});
    std::copy(found.begin(), found.end(), state.candidates.begin());
    state.candidateCount = static_cast<int>(found.size());
    state.separatorGroupHeight = 20 * state.candidateCount + 16;

    rdgrpSEP.items.clear();
    for (const SeparatorCandidate& candidate : found)
        rdgrpSEP.items.push_back(SeparatorCaption(candidate.character));
    rdgrpSEP.itemIndex = ProposeSeparator(found);
    state.separator = rdgrpSEP.itemIndex < 0
                          ? std::string()
                          : found[static_cast<std::size_t>(rdgrpSEP.itemIndex)].character;
}

TableGrid GridFromLines(const std::vector<std::string_view>& lines, std::string_view separator,
                        bool collapseRuns) {
    std::string collapsed;
    auto line = [&](std::size_t r) -> std::string_view {
        if (!collapseRuns) return lines[r];
        collapsed = CollapseSeparators(std::string(lines[r]), separator);
        return collapsed;
    };
    // A first line that starts with an empty title would give no column at
    // all and lose the whole file, so the grid keeps at least one.
    const int cols =
        std::max(1, LeadingFieldCount(lines.empty() ? std::string_view() : line(0), separator));
    const std::size_t rows = std::max<std::size_t>(2, lines.size());

    std::vector<TextColumn> cells(static_cast<std::size_t>(cols), TextColumn(rows));
    for (std::size_t r = 0; r < lines.size(); ++r) {
        std::size_t c = 0;
        ForEachField(line(r), separator, [&](std::string_view field) {
            cells[c++].Set(r, field);
            return c < cells.size();
        });
    }
    return MakeGrid(std::move(cells), static_cast<int>(rows));
}

void FillGrid(const std::string& fileName, const RadioGroup& rdgrpSEP,
              const CheckBox& chckbxMultiple, ReaderState& state, TableGrid& grid) {
    const int chosen = rdgrpSEP.itemIndex;
    state.separator = chosen >= 0 && chosen < state.candidateCount
                          ? state.candidates[static_cast<std::size_t>(chosen)].character
                          : std::string();
    const std::string text = ReadTextFile(fileName);
    TableGrid read = GridFromLines(SplitLineViews(text), state.separator, chckbxMultiple.checked);
    grid.cells = std::move(read.cells);
    grid.Resize(read.colCount, read.rowCount);
    grid.fixedRows = state.headerRowCount;
    grid.col = 0;
    grid.row = 1;
    grid.visible = true;
    grid.enabled = true;
}

}  // namespace tarnovel
