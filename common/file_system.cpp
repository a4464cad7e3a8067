#include "common/file_system.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <unistd.h>

#include "common/utf8.h"

namespace tarnovel {

namespace fs = std::filesystem;

namespace {

std::vector<char32_t> FoldedCodePoints(std::string_view text) {
    std::vector<char32_t> result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const CodePoint c = DecodeCodePoint(text, i);
        result.push_back(c.value >= 'A' && c.value <= 'Z' ? c.value + ('a' - 'A') : c.value);
        i += c.length;
    }
    return result;
}

}  // namespace

bool FileExists(const std::string& name) {
    std::error_code error;
    return fs::is_regular_file(name, error);
}

bool DirectoryExists(const std::string& name) {
    std::error_code error;
    return fs::is_directory(name, error);
}

bool DeleteFile(const std::string& name) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(name, error);
    if (error || fs::is_directory(status)) return false;
    return fs::remove(name, error) && !error;
}

bool CopyFile(const std::string& from, const std::string& to) {
    if (!FileExists(from)) return false;
    static unsigned long counter = 0;
    const std::string temp =
        to + "." + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".tmp~";
    std::error_code error;
    if (!fs::copy_file(from, temp, fs::copy_options::overwrite_existing, error) || error) {
        fs::remove(temp, error);
        return false;
    }
    // rename() would also replace an empty directory of that name.
    if (DirectoryExists(to)) {
        fs::remove(temp, error);
        return false;
    }
    fs::rename(temp, to, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return false;
    }
    return true;
}

bool MoveFile(const std::string& from, const std::string& to) {
    std::error_code error;
    // Only a plain file moves: a link would move itself, not what it shows.
    if (!fs::is_regular_file(fs::symlink_status(from, error)) || error) return false;
    // A file is never renamed over a folder: the rename itself refuses.
    fs::rename(from, to, error);
    return !error;
}

bool CreateDirectory(const std::string& name) {
    std::error_code error;
    return fs::create_directory(name, error) && !error;
}

bool RemoveDirectory(const std::string& name) {
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(name, error)) || error) return false;
    return fs::remove(name, error) && !error;
}

namespace {

// ASCII text read as code points, letters folded to one case.
struct FoldedAscii {
    std::string_view text;
    std::size_t size() const { return text.size(); }
    char32_t operator[](std::size_t i) const {
        const char c = text[i];
        return static_cast<char32_t>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
};

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

template <typename CodePoints>
bool MatchCodePoints(const CodePoints& p, const CodePoints& n) {
    // Greedy matching that returns to the last "*" on a mismatch; each "*"
    // only ever grows, so this is linear in practice and never exponential.
    std::size_t pi = 0, ni = 0;
    std::size_t star = p.size(), resume = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == U'*') {
            star = pi++;
            resume = ni;
        } else if (pi < p.size() && (p[pi] == U'?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (star < p.size()) {
            pi = star + 1;
            ni = ++resume;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == U'*')
        ++pi;
    return pi == p.size();
}

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    // ASCII names, nearly all, are matched where they lie: an archive
    // matches every file of the folder against each of its patterns.
    if (IsAscii(pattern) && IsAscii(name))
        return MatchCodePoints(FoldedAscii{pattern}, FoldedAscii{name});
    return MatchCodePoints(FoldedCodePoints(pattern), FoldedCodePoints(name));
}

std::vector<std::string> ListFilesIn(const std::string& folder, std::string_view pattern) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) return names;
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        if (error) break;
        std::error_code ignored;
        if (!it->is_regular_file(ignored)) continue;
        std::string name = it->path().filename().string();
        if (WildcardMatch(pattern, name)) names.push_back(std::move(name));
    }
    // std::string compares its chars as unsigned, and UTF-8 byte order is code
    // point order.
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ListFiles(std::string_view pattern) {
    return ListFilesIn(".", pattern);
}

}  // namespace tarnovel
