#pragma once
#include <string>
#include <string_view>

namespace tarnovel {

// The substring test the program's rules are written in ("the text contains
// ...": case-sensitive, anywhere).
inline bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// text without any blank, added to `to`.
inline void AppendWithoutBlanks(std::string& to, std::string_view text) {
    // Cells are padded with a run of blanks: text between runs goes over in
    // one piece, and a run is skipped whole.
    for (;;) {
        const std::size_t blank = text.find(' ');
        to.append(text.substr(0, blank));
        if (blank == std::string_view::npos) return;
        const std::size_t next = text.find_first_not_of(' ', blank);
        if (next == std::string_view::npos) return;
        text.remove_prefix(next);
    }
}

}  // namespace tarnovel
