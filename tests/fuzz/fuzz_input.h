#pragma once
// The readers take file names, so each fuzz input is written to a file in a
// folder of this process's own; the folder goes when the process ends.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace tarnovel::fuzz {

inline const std::filesystem::path& PrivateFolder() {
    static const std::filesystem::path folder = [] {
        std::string path =
            (std::filesystem::temp_directory_path() / "tarnovel-fuzz-XXXXXX").string();
        if (::mkdtemp(path.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(PrivateFolder(), ignored);
        });
        return std::filesystem::path(path);
    }();
    return folder;
}

// The full name of `name` in the private folder, now holding the input.
inline std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
    const std::string path = (PrivateFolder() / name).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path;
}

inline std::string PathOf(const std::string& name) {
    return (PrivateFolder() / name).string();
}

}  // namespace tarnovel::fuzz
