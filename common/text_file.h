#pragma once
// Reading and writing the program's text files. Everything written is UTF-8
// with CR LF line ends; readers accept CR LF, LF and CR.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace tarnovel {

// The whole file as bytes; throws IoError when it cannot be opened or read.
std::string ReadFileBytes(const std::string& name);

// The whole file decoded as DecodeInputText says.
std::string ReadTextFile(const std::string& name);

// Lines of text split at CR LF, LF or CR. A final line end does not start an
// empty last line ("a\r\n" is one line; "a\r\n\r\n" is two, the second empty).
std::vector<std::string> SplitLines(std::string_view text);

// SplitLines as views into text, for a reader that makes its own copies.
std::vector<std::string_view> SplitLineViews(std::string_view text);

// ReadTextFile followed by SplitLines.
std::vector<std::string> ReadTextLines(const std::string& name);

// Text gathered into chunks of 64 KiB before it goes to a stdio stream: a
// file written in many small pieces (a line, a log block) then costs one
// call a chunk, not one a piece.
class OutputChunks {
  public:
    // Each false when the stream took less than it was given; what was
    // gathered is dropped then.
    bool Put(std::FILE* file, std::string_view text);
    bool Drain(std::FILE* file);

  private:
    std::string pending_;
};

// Writes a text file under a temporary name in the same folder and renames
// it to its real name on Commit(), so that a failure never leaves a half
// file that looks finished. A writer destroyed without Commit() removes its
// temporary file and leaves any existing file of the real name untouched.
class TextFileWriter {
  public:
    explicit TextFileWriter(std::string name);  // throws IoError
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    void Write(std::string_view text);      // as it is
    void WriteLine(std::string_view line);  // followed by CR LF
    void Commit();                          // throws IoError

    const std::string& name() const { return name_; }

  private:
    void Fail(const std::string& what);

    std::string name_;
    std::string temp_name_;
    std::FILE* file_ = nullptr;
    OutputChunks chunks_;
};

// Every line followed by CR LF, written through a TextFileWriter.
void WriteTextFile(const std::string& name, const std::vector<std::string>& lines);

// True when ReadTextLines gives back exactly these lines from the file that
// WriteTextFile made of them: no line holds a line end, the text is UTF-8
// and does not begin with a byte order mark. A caller that would read back
// what it has just written can then keep its lines instead.
bool ReadsBackUnchanged(const std::vector<std::string>& lines);

}  // namespace tarnovel
