#pragma once
// Reading a delimited text file into a data window's grid: the separator is
// proposed from the file's first line, the user confirms it, and the whole
// file becomes the grid with the first line as its titles.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "controls/controls.h"
#include "tables/table_grid.h"

namespace tarnovel {

inline constexpr int kMaxSeparatorCandidates = 20;

struct SeparatorCandidate {
    std::string character = "x";  // one code point
    int count = 0;
};

// The reading state of a data window.
struct ReaderState {
    std::string separator;  // empty: lines are not split
    std::array<SeparatorCandidate, kMaxSeparatorCandidates> candidates;
    int candidateCount = 0;
    int headerRowCount = 1;
    int separatorGroupHeight = 16;  // pixels, grows with the candidates
};

// Every code point of line that may separate fields, once each in order of
// first occurrence, with its number of occurrences; at most
// kMaxSeparatorCandidates of them. Quotes, full stops, digits and ASCII
// letters never separate.
std::vector<SeparatorCandidate> FindSeparatorCandidates(std::string_view line);

// The index of the candidate with the highest count, the earlier one on equal
// counts; -1 when there is none.
int ProposeSeparator(const std::vector<SeparatorCandidate>& candidates);

// How a candidate reads in the separator choice: "space", "tab-sign" or the
// character itself.
std::string SeparatorCaption(std::string_view character);

// Runs of the separator shortened to one.
std::string CollapseSeparators(std::string line, std::string_view separator);

// Fills the candidate table and the separator choice from the first line of
// the file and selects the proposal. Throws IoError.
void DetectSeparator(const std::string& fileName, RadioGroup& rdgrpSEP, ReaderState& state);

// Reads the whole file into the grid with the separator selected in
// rdgrpSEP: row 0 the first line's fields, the titles; one row per further
// line. The grid is left as it was when the file cannot be read (IoError).
void FillGrid(const std::string& fileName, const RadioGroup& rdgrpSEP,
              const CheckBox& chckbxMultiple, ReaderState& state, TableGrid& grid);

// The table of lines as FillGrid builds it.
TableGrid GridFromLines(const std::vector<std::string_view>& lines, std::string_view separator,
                        bool collapseRuns);

}  // namespace tarnovel
