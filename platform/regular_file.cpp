// The parts of reading a regular file that need nothing of the system.
#include "platform/regular_file.h"

namespace platform {

std::string describeOpenFailure(OpenFailure failure) {
    switch (failure) {
        case OpenFailure::None:
            return "opened";
        case OpenFailure::Missing:
            return "no such file";
        case OpenFailure::NotAFile:
            return "not a regular file";
        case OpenFailure::NoPermission:
            return "permission denied";
        case OpenFailure::Other:
            break;
    }
    return "the system refuses it";
}

bool readAtMost(std::FILE* file, std::size_t limit, std::vector<char>& bytes, bool& cutShort) {
    bytes.clear();
    cutShort = false;
    constexpr std::size_t kChunkBytes = 64 * 1024;
    char chunk[kChunkBytes];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        const std::size_t room = limit - bytes.size();
        if (got > room) {
            bytes.insert(bytes.end(), chunk, chunk + room);
            cutShort = true;
            return true;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < sizeof chunk) {
            return std::ferror(file) == 0;
        }
        if (bytes.size() == limit) {
            // Exactly at the limit: cut short only if anything follows.
            cutShort = std::fgetc(file) != EOF;
            return std::ferror(file) == 0 || cutShort;
        }
    }
}

}  // namespace platform
