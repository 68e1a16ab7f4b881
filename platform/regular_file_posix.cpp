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

bool isSpecialFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
           !S_ISDIR(status.st_mode);
}

}  // namespace platform
