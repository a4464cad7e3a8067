#include "common/utf8.h"

#include <cstdint>
#include <cstring>

namespace tarnovel {

namespace {

// Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves
// undefined keep their own value as C1 controls.
constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Where the run of ASCII bytes that starts at i ends. Job files and most
// tables are plain ASCII: the run is skipped eight bytes at a time.
std::size_t EndOfAscii(std::string_view bytes, std::size_t i) {
    while (i + 8 <= bytes.size()) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, sizeof word);
        if ((word & 0x8080808080808080ULL) != 0) break;
        i += 8;
    }
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80)
        ++i;
    return i;
}

}  // namespace

CodePoint DecodeCodePoint(std::string_view text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    const CodePoint invalid{static_cast<char32_t>(0xDC00 + lead), 1};
    if (lead < 0x80) return {lead, 1};

    std::size_t length;
    char32_t value;
    // The allowed range of the second byte excludes overlong forms,
    // surrogates and values above U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return invalid;
    }
    if (text.size() - pos < length) return invalid;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char b = byte(pos + i);
        if (b < low || b > high) return invalid;
        low = 0x80;
        high = 0xBF;
        value = (value << 6) | (b & 0x3F);
    }
    return {value, length};
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = EndOfAscii(bytes, 0); i < bytes.size(); i = EndOfAscii(bytes, i)) {
        const CodePoint c = DecodeCodePoint(bytes, i);
        if (c.length == 1 && static_cast<unsigned char>(bytes[i]) >= 0x80) return false;
        i += c.length;
    }
    return true;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char ch : bytes) {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (b >= 0x80 && b < 0xA0) {
            AppendUtf8(out, kWindows1252High[b - 0x80]);
        } else {
            AppendUtf8(out, b);
        }
    }
    return out;
}

std::string DecodeInputText(std::string_view bytes) {
    // The mark goes first, so that a file saved with one but containing a
    // stray byte does not carry it into its first title as three letters.
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return Windows1252ToUtf8(bytes);
}

std::size_t CodePointCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t ascii = EndOfAscii(text, i);
        count += ascii - i;
        i = ascii;
        if (i == text.size()) break;
        i += DecodeCodePoint(text, i).length;
        ++count;
    }
    return count;
}

std::vector<std::string> SplitCodePoints(std::string_view text) {
    std::vector<std::string> result;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = DecodeCodePoint(text, i).length;
        result.emplace_back(text.substr(i, length));
        i += length;
    }
    return result;
}

std::string FirstCodePoints(std::string_view text, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t count = 0; count < n && i < text.size(); ++count) {
        i += DecodeCodePoint(text, i).length;
    }
    return std::string(text.substr(0, i));
}

std::string PadRight(std::string_view text, std::size_t width) {
    std::string result(text);
    const std::size_t count = CodePointCount(text);
    if (count < width) result.append(width - count, ' ');
    return result;
}

std::string PadLeft(std::string_view text, std::size_t width) {
    const std::size_t count = CodePointCount(text);
    std::string result;
    if (count < width) result.assign(width - count, ' ');
    result += text;
    return result;
}

}  // namespace tarnovel
