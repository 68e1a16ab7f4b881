#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/regular_file.h"

namespace platform {

namespace {

OpenFailure failureOf(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return OpenFailure::Missing;
        case EACCES:
        case EPERM:
            return OpenFailure::NoPermission;
        case EISDIR:
        case ENXIO:  // a FIFO without a writer, a device without its hardware
            return OpenFailure::NotAFile;
        default:
            return OpenFailure::Other;
    }
}

}  // namespace

OpenedFile openRegularFile(const std::string& path) {
    OpenedFile opened;
    // O_NONBLOCK: opening a FIFO would otherwise wait for a writer.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        opened.failure = failureOf(errno);
        return opened;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        opened.failure = OpenFailure::NotAFile;
        return opened;
    }
    // A regular file never blocks, but its reads should not report "try again".
    const int flags = ::fcntl(descriptor, F_GETFL, 0);
    if (flags >= 0) {
        ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    }
    opened.file.reset(::fdopen(descriptor, "rb"));
    if (opened.file == nullptr) {
        ::close(descriptor);
        opened.failure = OpenFailure::Other;
    }
    return opened;
}

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

bool isSpecialFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
           !S_ISDIR(status.st_mode);
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
