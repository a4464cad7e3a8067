#pragma once
// One column of a table's text cells, kept compact: a field survey can have
// a million locations and twenty columns, and a std::string per cell costs
// 32 bytes however short its text.
//
// Every cell takes 8 bytes. A cell whose text is at most 7 characters apart
// from one run of up to 15 blanks at its start or at its end (a number
// padded to its width, "missing", a short name padded with blanks) is held
// in those 8 bytes; any other text is held in the column's own buffer, the
// cell holding where. Every text comes back exactly as it was set.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tarnovel {

class TextColumn {
  public:
    TextColumn() = default;
    explicit TextColumn(std::size_t rows, std::string_view fill = {});
    TextColumn(std::initializer_list<std::string_view> cells);
    explicit TextColumn(const std::vector<std::string>& cells);

    std::size_t size() const { return cells_.size(); }
    bool empty() const { return cells_.empty(); }

    // A copy of the text of row r (const: assigning to it would change
    // nothing; Set does).
    const std::string operator[](std::size_t r) const;
    // The text of row r as a view: into the column's buffer for a long text
    // (valid until the column next changes), else into scratch.
    std::string_view View(std::size_t r, std::string& scratch) const;
    // Appends the text of row r to out.
    void AppendTo(std::string& out, std::size_t r) const;
    // Appends the text of row r without any of its blanks to out.
    void AppendWithoutBlanks(std::string& out, std::size_t r) const;
    // The text of row r has no characters.
    bool IsEmpty(std::size_t r) const { return cells_[r] == 0; }

    void Set(std::size_t r, std::string_view text);
    // Adds blanks to the end of the text of every row from `first` on until
    // it is `width` code points long; a longer text stays as it is.
    void PadEnd(std::size_t first, std::size_t width);
    void push_back(std::string_view text);
    // Makes the column `rows` cells long; new cells are empty.
    void resize(std::size_t rows);
    void assign(std::size_t rows, std::string_view fill);
    void insert(std::size_t r, std::string_view text);
    void erase(std::size_t r);
    void reserve(std::size_t rows) { cells_.reserve(rows); }

    std::vector<std::string> Strings() const;
    // Bytes of the buffer of long texts, including those no cell holds any
    // more and not yet reclaimed.
    std::size_t BufferSize() const { return buffer_.size(); }

    friend bool operator==(const TextColumn& a, const TextColumn& b);

  private:
    std::uint64_t Encode(std::string_view text);
    void Abandon(std::uint64_t cell);
    void CompactWhenWasteful();

    std::vector<std::uint64_t> cells_;
    std::string buffer_;         // the long texts
    std::size_t abandoned_ = 0;  // bytes of buffer_ no cell refers to any more
};

}  // namespace tarnovel
