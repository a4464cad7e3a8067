#include "common/text_column.h"

#include <bit>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "common/text.h"
#include "common/utf8.h"

namespace tarnovel {

namespace {

// A cell's top byte is its header. 0xFF: the text is in the buffer, at the
// offset in the low 40 bits, its length in the 16 bits above (0xFFFF: the
// length is the 8 bytes at the offset, the text follows them). Any other
// header holds the text itself: the low 3 bits count the characters in the
// low 7 bytes, the next 4 the blanks of the run, the top bit tells whether
// the run follows those characters rather than leads them.
constexpr std::uint64_t kLongHeader = 0xFF;
constexpr std::size_t kInlineChars = 7;
constexpr std::size_t kRunBlanks = 15;
constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << 40) - 1;
constexpr std::uint64_t kLengthInBuffer = 0xFFFF;
constexpr std::size_t kCompactAbove = std::size_t{1} << 20;

unsigned Header(std::uint64_t cell) {
    return static_cast<unsigned>(cell >> 56);
}

bool IsLong(std::uint64_t cell) {
    return Header(cell) == kLongHeader;
}

// The header of a cell that holds its text.
struct InlineHeader {
    std::size_t count;   // characters held
    std::size_t blanks;  // in the run
    bool trailing;       // the run follows the characters

    explicit InlineHeader(std::uint64_t cell)
        : count(Header(cell) & 7U),
          blanks((Header(cell) >> 3) & 15U),
          trailing((Header(cell) & 0x80U) != 0) {}
};

char HeldChar(std::uint64_t cell, std::size_t i) {
    return static_cast<char>(cell >> (8 * i));
}

std::uint64_t LongCell(std::size_t offset, std::uint64_t length16) {
    if (offset > kOffsetMask) throw std::length_error("table column too large");
    return kLongHeader << 56 | length16 << 40 | offset;
}

// The inline form of text, 0 when it has none (only the empty text has 0
// as its inline form, and it is checked first).
std::uint64_t InlineForm(std::string_view text) {
    if (text.size() > kInlineChars + kRunBlanks) return 0;
    std::size_t lead = 0;
    while (lead < text.size() && text[lead] == ' ')
        ++lead;
    std::size_t trail = 0;
    while (trail < text.size() - lead && text[text.size() - 1 - trail] == ' ')
        ++trail;
    std::uint64_t header = 0;
    std::string_view chars;
    if (text.size() - lead <= kInlineChars && lead <= kRunBlanks) {
        chars = text.substr(lead);
        header = chars.size() | lead << 3;
    } else if (text.size() - trail <= kInlineChars && trail <= kRunBlanks) {
        chars = text.substr(0, text.size() - trail);
        header = 0x80 | chars.size() | trail << 3;
        if (header == kLongHeader) return 0;
    } else {
        return 0;
    }
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < chars.size(); ++i)
        bytes |= std::uint64_t{static_cast<unsigned char>(chars[i])} << (8 * i);
    return header << 56 | bytes;
}

// Room for the longest text held in a cell, written with whole 8- and
// 16-byte stores past its end.
using InlineText = char[32];

// Writes the text of an inline cell to `text`; returns its length.
std::size_t DecodeInline(std::uint64_t cell, InlineText& text) {
    const InlineHeader h(cell);
    const std::size_t start = h.trailing ? 0 : h.blanks;
    if constexpr (std::endian::native == std::endian::little) {
        if (!h.trailing) std::memset(text, ' ', 16);
        std::memcpy(text + start, &cell, 7);
        if (h.trailing) std::memset(text + h.count, ' ', 16);
    } else {
        std::memset(text, ' ', sizeof text);
        for (std::size_t i = 0; i < h.count; ++i)
            text[start + i] = HeldChar(cell, i);
    }
    return h.count + h.blanks;
}

void AppendInline(std::string& out, std::uint64_t cell) {
    InlineText text;
    out.append(text, DecodeInline(cell, text));
}

// Where a long cell's text lies in the buffer, and how many bytes the cell
// takes there.
struct Span {
    std::size_t text;
    std::size_t length;
    std::size_t stored;
};

Span SpanOf(std::uint64_t cell, const std::string& buffer) {
    const std::size_t offset = cell & kOffsetMask;
    const std::uint64_t length16 = (cell >> 40) & 0xFFFF;
    if (length16 != kLengthInBuffer)
        return {offset, static_cast<std::size_t>(length16), static_cast<std::size_t>(length16)};
    std::uint64_t length = 0;
    std::memcpy(&length, buffer.data() + offset, sizeof length);
    return {offset + sizeof length, static_cast<std::size_t>(length),
            sizeof length + static_cast<std::size_t>(length)};
}

// The inline cell padded with blanks at its end to `width` characters, when
// its text is ASCII whose blanks, if any, end it and the longer run still
// fits in the cell; 0 otherwise.
std::uint64_t PaddedInline(std::uint64_t cell, std::size_t width) {
    const InlineHeader h(cell);
    if (!h.trailing && h.blanks != 0) return 0;
    for (std::size_t i = 0; i < h.count; ++i)
        if ((HeldChar(cell, i) & 0x80) != 0) return 0;
    if (h.count + h.blanks >= width) return cell;
    const std::uint64_t grown = 0x80 | h.count | (width - h.count) << 3;
    if (width - h.count > kRunBlanks || grown == kLongHeader) return 0;
    return grown << 56 | (cell & ((std::uint64_t{1} << 56) - 1));
}

}  // namespace

TextColumn::TextColumn(std::size_t rows, std::string_view fill) {
    assign(rows, fill);
}

TextColumn::TextColumn(std::initializer_list<std::string_view> cells) {
    cells_.reserve(cells.size());
    for (std::string_view text : cells)
        push_back(text);
}

TextColumn::TextColumn(const std::vector<std::string>& cells) {
    cells_.reserve(cells.size());
    for (const std::string& text : cells)
        push_back(text);
}

const std::string TextColumn::operator[](std::size_t r) const {
    std::string text;
    AppendTo(text, r);
    return text;
}

std::string_view TextColumn::View(std::size_t r, std::string& scratch) const {
    const std::uint64_t cell = cells_[r];
    if (IsLong(cell)) {
        const Span span = SpanOf(cell, buffer_);
        return std::string_view(buffer_).substr(span.text, span.length);
    }
    InlineText text;
    scratch.assign(text, DecodeInline(cell, text));
    return scratch;
}

void TextColumn::AppendTo(std::string& out, std::size_t r) const {
    const std::uint64_t cell = cells_[r];
    if (!IsLong(cell)) {
        AppendInline(out, cell);
        return;
    }
    const Span span = SpanOf(cell, buffer_);
    out.append(buffer_, span.text, span.length);
}

void TextColumn::AppendWithoutBlanks(std::string& out, std::size_t r) const {
    const std::uint64_t cell = cells_[r];
    if (IsLong(cell)) {
        const Span span = SpanOf(cell, buffer_);
        tarnovel::AppendWithoutBlanks(out,
                                      std::string_view(buffer_).substr(span.text, span.length));
        return;
    }
    // The run of blanks is not among the characters held.
    char text[kInlineChars];
    std::size_t n = 0;
    const std::size_t count = InlineHeader(cell).count;
    for (std::size_t i = 0; i < count; ++i) {
        const char ch = HeldChar(cell, i);
        if (ch != ' ') text[n++] = ch;
    }
    out.append(text, n);
}

std::uint64_t TextColumn::Encode(std::string_view text) {
    if (text.empty()) return 0;
    if (const std::uint64_t cell = InlineForm(text)) return cell;
    const std::size_t offset = buffer_.size();
    if (text.size() < kLengthInBuffer) {
        buffer_.append(text);
        return LongCell(offset, text.size());
    }
    const std::uint64_t length = text.size();
    buffer_.append(reinterpret_cast<const char*>(&length), sizeof length);
    buffer_.append(text);
    return LongCell(offset, kLengthInBuffer);
}

void TextColumn::Abandon(std::uint64_t cell) {
    if (IsLong(cell)) abandoned_ += SpanOf(cell, buffer_).stored;
}

void TextColumn::Set(std::size_t r, std::string_view text) {
    // A text taken from this very column is copied first: the buffer may
    // move while the new text is added to it.
    const std::less<const char*> before;
    if (!text.empty() && !before(text.data(), buffer_.data()) &&
        before(text.data(), buffer_.data() + buffer_.size())) {
        const std::string copy(text);
        Set(r, copy);
        return;
    }
    const std::uint64_t old = cells_[r];
    if (IsLong(old) && !text.empty() && text.size() < kLengthInBuffer && InlineForm(text) == 0) {
        const Span span = SpanOf(old, buffer_);
        if (span.stored == span.length && text.size() <= span.length) {
            // Overwritten in its place: the cells of a table are mostly
            // rewritten with texts of the same length.
            std::memcpy(buffer_.data() + span.text, text.data(), text.size());
            abandoned_ += span.length - text.size();
            cells_[r] = LongCell(span.text, text.size());
            return;
        }
    }
    Abandon(old);
    cells_[r] = Encode(text);
    CompactWhenWasteful();
}

void TextColumn::PadEnd(std::size_t first, std::size_t width) {
    // One pass into a new buffer: a padded long text would otherwise leave
    // its unpadded text behind in the old one.
    std::string old;
    old.swap(buffer_);
    buffer_.reserve(old.size() - abandoned_);
    abandoned_ = 0;
    std::string text;
    for (std::size_t r = 0; r < cells_.size(); ++r) {
        const std::uint64_t cell = cells_[r];
        if (!IsLong(cell)) {
            if (r < first) continue;
            if (const std::uint64_t padded = PaddedInline(cell, width)) {
                cells_[r] = padded;
                continue;
            }
            text.clear();
            AppendInline(text, cell);
        } else {
            const Span span = SpanOf(cell, old);
            text.assign(old, span.text, span.length);
        }
        if (r >= first) {
            const std::size_t points = CodePointCount(text);
            if (points < width) text.append(width - points, ' ');
        }
        cells_[r] = Encode(text);
    }
}

void TextColumn::push_back(std::string_view text) {
    cells_.push_back(Encode(text));
}

void TextColumn::resize(std::size_t rows) {
    for (std::size_t r = rows; r < cells_.size(); ++r)
        Abandon(cells_[r]);
    cells_.resize(rows, 0);
    CompactWhenWasteful();
}

void TextColumn::assign(std::size_t rows, std::string_view fill) {
    cells_.clear();
    buffer_.clear();
    abandoned_ = 0;
    const std::uint64_t cell = fill.empty() ? 0 : InlineForm(fill);
    if (fill.empty() || cell != 0) {
        cells_.assign(rows, cell);
        return;
    }
    cells_.reserve(rows);
    for (std::size_t r = 0; r < rows; ++r)
        push_back(fill);
}

void TextColumn::insert(std::size_t r, std::string_view text) {
    const std::uint64_t cell = Encode(text);
    cells_.insert(cells_.begin() + static_cast<std::ptrdiff_t>(r), cell);
}

void TextColumn::erase(std::size_t r) {
    Abandon(cells_[r]);
    cells_.erase(cells_.begin() + static_cast<std::ptrdiff_t>(r));
    CompactWhenWasteful();
}

std::vector<std::string> TextColumn::Strings() const {
    std::vector<std::string> texts;
    texts.reserve(cells_.size());
    for (std::size_t r = 0; r < cells_.size(); ++r)
        texts.push_back((*this)[r]);
    return texts;
}

void TextColumn::CompactWhenWasteful() {
    if (abandoned_ <= kCompactAbove || 2 * abandoned_ <= buffer_.size()) return;
    std::string kept;
    kept.reserve(buffer_.size() - abandoned_);
    for (std::uint64_t& cell : cells_) {
        if (!IsLong(cell)) continue;
        const Span span = SpanOf(cell, buffer_);
        const std::size_t start = span.text + span.length - span.stored;
        const std::size_t offset = kept.size();
        kept.append(buffer_, start, span.stored);
        cell = LongCell(offset, (cell >> 40) & 0xFFFF);
    }
    buffer_.swap(kept);
    abandoned_ = 0;
}

bool operator==(const TextColumn& a, const TextColumn& b) {
    if (a.size() != b.size()) return false;
    std::string scratchA, scratchB;
    for (std::size_t r = 0; r < a.size(); ++r)
        if (a.View(r, scratchA) != b.View(r, scratchB)) return false;
    return true;
}

}  // namespace tarnovel
