#pragma once
// Text inside the program is UTF-8. Wherever characters are counted
// (padding, first characters, column positions) code points are meant.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnovel {

// The UTF-8 byte-order mark, which a file may start with.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsValidUtf8(std::string_view bytes);

// One code point of text starting at byte pos (pos < text.size()) and the
// number of bytes it takes. A byte that does not start a valid sequence
// stands alone, with the value 0xDC00 + byte: a lone surrogate, which no
// valid character decodes to, so it never compares equal to one.
struct CodePoint {
    char32_t value;
    std::size_t length;
};
CodePoint DecodeCodePoint(std::string_view text, std::size_t pos);

// Every byte converted from Windows-1252 to UTF-8 (the five bytes that the
// code page leaves undefined map to the C1 controls of the same value).
std::string Windows1252ToUtf8(std::string_view bytes);

// How an input file's bytes become text: a UTF-8 byte-order mark is dropped;
// valid UTF-8 stays as it is; anything else is read as Windows-1252.
std::string DecodeInputText(std::string_view bytes);

// DecodeInputText would give the bytes back unchanged (valid UTF-8 without
// a mark): a reader may then use them as they are, without a copy.
inline bool IsOwnText(std::string_view bytes) {
    return !bytes.starts_with(kByteOrderMark) && IsValidUtf8(bytes);
}

// Number of code points (each byte of an invalid sequence counts as one).
std::size_t CodePointCount(std::string_view text);

// The code points of text, each as its own UTF-8 string.
std::vector<std::string> SplitCodePoints(std::string_view text);

// The first n code points of text (all of it when shorter).
std::string FirstCodePoints(std::string_view text, std::size_t n);

// text padded with blanks on the right (PadRight) or left (PadLeft) to
// width code points; longer text is returned unchanged.
std::string PadRight(std::string_view text, std::size_t width);
std::string PadLeft(std::string_view text, std::size_t width);

}  // namespace tarnovel
