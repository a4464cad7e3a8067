#include "common/text_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "common/io_error.h"
#include "common/utf8.h"

namespace tarnovel {

namespace {

// Unique among the writers of this process and of any other process writing
// into the same folder, and ending in a suffix that no file of the program
// itself ever has.
std::string TemporaryName(const std::string& name) {
    static unsigned long counter = 0;
    return name + "." + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp~";
}

constexpr std::size_t kChunk = std::size_t{1} << 16;
constexpr std::size_t kDirect = std::size_t{1} << 12;

}  // namespace

bool OutputChunks::Put(std::FILE* file, std::string_view text) {
    // A large piece with nothing gathered before it goes out as it is:
    // gathering it would only copy it (a whole job or result file, say).
    if (pending_.empty() && text.size() >= kDirect)
        return std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (pending_.size() + text.size() < kChunk) {
        if (pending_.capacity() < kChunk) pending_.reserve(kChunk);
        pending_.append(text);
        return true;
    }
    if (!Drain(file)) return false;
    if (text.size() < kChunk) {
        pending_.append(text);
        return true;
    }
    return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

bool OutputChunks::Drain(std::FILE* file) {
    if (pending_.empty()) return true;
    const bool all = std::fwrite(pending_.data(), 1, pending_.size(), file) == pending_.size();
    pending_.clear();
    return all;
}

std::string ReadFileBytes(const std::string& name) {
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) throw IoError("Cannot read file", name, IoError::SystemReason(errno));
    std::string bytes;
    // A file is read into a string of its own size: growing the string a
    // buffer at a time copies a large table several times over.
    struct stat info {};
    if (::fstat(::fileno(file), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    }
    char buffer[65536];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, count);
    // A directory opens on some systems and only fails on reading.
    if (std::ferror(file)) {
        const int error = errno;
        std::fclose(file);
        throw IoError("Cannot read file", name, IoError::SystemReason(error));
    }
    std::fclose(file);
    return bytes;
}

std::string ReadTextFile(const std::string& name) {
    std::string bytes = ReadFileBytes(name);
    if (IsOwnText(bytes)) return bytes;
    return DecodeInputText(bytes);
}

std::vector<std::string_view> SplitLineViews(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::vector<std::string> SplitLines(std::string_view text) {
    const std::vector<std::string_view> views = SplitLineViews(text);
    return std::vector<std::string>(views.begin(), views.end());
}

std::vector<std::string> ReadTextLines(const std::string& name) {
    return SplitLines(ReadTextFile(name));
}

TextFileWriter::TextFileWriter(std::string name)
    : name_(std::move(name)), temp_name_(TemporaryName(name_)) {
    file_ = std::fopen(temp_name_.c_str(), "wb");
    if (file_ == nullptr) {
        throw IoError("Cannot create file", name_, IoError::SystemReason(errno));
    }
    // Most files the program writes (job, result, log blocks) are a few tens
    // of kilobytes: one chunk holds them, so each goes out in one write.
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

TextFileWriter::~TextFileWriter() {
    if (file_ != nullptr) {
        std::fclose(file_);
        std::remove(temp_name_.c_str());
    }
}

void TextFileWriter::Fail(const std::string& what) {
    const int error = errno;
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    std::remove(temp_name_.c_str());
    throw IoError(what, name_, IoError::SystemReason(error));
}

void TextFileWriter::Write(std::string_view text) {
    if (file_ == nullptr) {
        // Written after Commit() or after a failure: the text would be lost.
        throw IoError("Cannot write file", name_, "the file is already closed");
    }
    if (!chunks_.Put(file_, text)) Fail("Cannot write file");
}

void TextFileWriter::WriteLine(std::string_view line) {
    Write(line);
    Write("\r\n");
}

void TextFileWriter::Commit() {
    if (file_ == nullptr) throw IoError("Cannot write file", name_, "the file is already closed");
    // A full disk often shows only when the buffer goes out, so every step
    // up to the rename is checked.
    if (!chunks_.Drain(file_) || std::fflush(file_) != 0 || std::ferror(file_))
        Fail("Cannot write file");
    std::FILE* file = std::exchange(file_, nullptr);
    if (std::fclose(file) != 0) Fail("Cannot write file");
    if (std::rename(temp_name_.c_str(), name_.c_str()) != 0) Fail("Cannot write file");
}

bool ReadsBackUnchanged(const std::vector<std::string>& lines) {
    if (!lines.empty() && lines.front().compare(0, kByteOrderMark.size(), kByteOrderMark) == 0)
        return false;
    for (const std::string& line : lines)
        if (line.find_first_of("\r\n") != std::string::npos || !IsValidUtf8(line)) return false;
    return true;
}

void WriteTextFile(const std::string& name, const std::vector<std::string>& lines) {
    TextFileWriter writer(name);
    for (const std::string& line : lines)
        writer.WriteLine(line);
    writer.Commit();
}

}  // namespace tarnovel
