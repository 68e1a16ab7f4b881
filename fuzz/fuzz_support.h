#pragma once

// What the fuzz targets share: a scratch file for the readers that take a
// path, and a quiet console, since the readers echo what they read.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fuzz_support {

// A file of its own in the temporary folder, rewritten for every input.
inline const std::string& scratchPath() {
    static const std::string path = [] {
        std::random_device random;
        return (std::filesystem::temp_directory_path() /
                ("corvessa-fuzz-" + std::to_string(random()) + ".txt"))
            .string();
    }();
    return path;
}

inline const std::string& writeScratch(const std::uint8_t* data, std::size_t size) {
    std::ofstream out(scratchPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return scratchPath();
}

// The readers print every route point; libFuzzer reports on the error stream.
inline void quietConsole() {
    static_cast<void>(std::freopen("/dev/null", "w", stdout));
}

}  // namespace fuzz_support
