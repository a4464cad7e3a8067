#pragma once
#include <string_view>

namespace tarnovel {

// The substring test the program's rules are written in ("the text contains
// ...": case-sensitive, anywhere).
inline bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace tarnovel
