#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Why a file was not opened for reading.
enum class OpenFailure {
    None,
    Missing,       // nothing by that name
    NotAFile,      // a folder, a FIFO, a device: nothing that has an end to read to
    NoPermission,  // the system refuses to let it be read
    Other,         // any other reason the system gives
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

struct OpenedFile {
    FilePointer file;  // null when it did not open
    OpenFailure failure = OpenFailure::None;
};

// Opens `path` for reading, in binary mode, only when it is a regular file.
// Anything else is refused without being waited on: opening a FIFO or a
// device never blocks here, and a folder never opens.
OpenedFile openRegularFile(const std::string& path);

// The reason in a few words: "no such file", "not a regular file",
// "permission denied", or the system's own text.
std::string describeOpenFailure(OpenFailure failure);

// Whether `path` names a FIFO, a device or a socket: something that is
// neither a regular file nor a folder. Writing to one may wait for a reader
// without end, or lose what is written.
bool isSpecialFile(const std::string& path);

// Reads at most `limit` bytes of `file` into `bytes` (replacing them).
// Returns false on a read error; `cutShort` tells whether more was left.
bool readAtMost(std::FILE* file, std::size_t limit, std::vector<char>& bytes, bool& cutShort);

}  // namespace platform
