#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/regular_file.h"

namespace platform {

namespace {

// Paths arrive in the console's narrow code page, as the command line was
// narrowed; the "A" calls read them in that same code page, as fopen does.

OpenFailure failureOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
            return OpenFailure::Missing;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return OpenFailure::NoPermission;
        case ERROR_PIPE_BUSY:  // a named pipe another reader holds
            return OpenFailure::NotAFile;
        default:
            return OpenFailure::Other;
    }
}

bool isFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

OpenedFile openRegularFile(const std::string& path) {
    OpenedFile opened;
    // Without backup semantics a folder fails to open as "access denied",
    // which would read as a permission problem: tell it apart first.
    if (isFolder(path)) {
        opened.failure = OpenFailure::NotAFile;
        return opened;
    }
    // Others may go on writing or replacing the file while it is read, as
    // on POSIX systems.
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        opened.failure = failureOf(GetLastError());
        return opened;
    }
    // A console ("CON"), a pipe or a port opens like a file but has no end
    // to read to: only a file on a disk is read.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        opened.failure = OpenFailure::NotAFile;
        return opened;
    }
    const int descriptor =
        _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(handle);
        opened.failure = OpenFailure::Other;
        return opened;
    }
    // From here the descriptor owns the handle, and the stream the descriptor.
    opened.file.reset(_fdopen(descriptor, "rb"));
    if (opened.file == nullptr) {
        _close(descriptor);
        opened.failure = OpenFailure::Other;
    }
    return opened;
}

bool isSpecialFile(const std::string& path) {
    if (isFolder(path)) {
        return false;
    }
    // Opened for no access at all: enough to ask its type, and it disturbs
    // neither a pipe's server nor a device.
    const HANDLE handle =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool special = GetFileType(handle) != FILE_TYPE_DISK;
    CloseHandle(handle);
    return special;
}

}  // namespace platform
