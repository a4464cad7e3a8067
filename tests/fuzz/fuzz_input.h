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

// The folder is never destroyed: the exit handler that removes it is
// registered while it is being made, so it runs after the destructors of
// the statics made by then, the folder's own name among them if it had one.
// Removing through a destroyed name could remove whatever its freed memory
// came to spell.
inline const std::filesystem::path& PrivateFolder() {
    static const std::filesystem::path* const folder = [] {
        std::string path =
            (std::filesystem::temp_directory_path() / "tarnovel-fuzz-XXXXXX").string();
        if (::mkdtemp(path.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        const auto* made = new std::filesystem::path(path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(PrivateFolder(), ignored);
        });
        return made;
    }();
    return *folder;
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
