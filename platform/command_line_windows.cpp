#include <windows.h>

#include <cstdlib>
#include <cwchar>

#include "platform/command_line.h"

namespace platform {
namespace {

// The narrowed command line's buffer, the terminating zero included.
constexpr std::size_t kNarrowedBytes = 512;

// Narrows one character at a time, as the whole-line conversion would, for a
// line that conversion cannot take whole: it stops within the buffer, and a
// character the default locale has no byte for becomes '?', so that the
// options after it are still seen.
std::string narrowEachCharacter(const wchar_t* line) {
    std::string narrowed;
    char bytes[MB_LEN_MAX];
    std::mbstate_t state{};
    for (; *line != L'\0'; ++line) {
        std::size_t length = std::wcrtomb(bytes, *line, &state);
        if (length == static_cast<std::size_t>(-1)) {
            state = std::mbstate_t{};
            bytes[0] = '?';
            length = 1;
        }
        if (narrowed.size() + length > kNarrowedBytes - 1) {
            break;
        }
        narrowed.append(bytes, length);
    }
    return narrowed;
}

}  // namespace

std::string processCommandLine() {
    // The line as the console passed it: the program path and every quote
    // as typed, narrowed under the default locale.
    const wchar_t* line = GetCommandLineW();
    char buffer[kNarrowedBytes];
    const std::size_t length = std::wcstombs(buffer, line, kNarrowedBytes);
    if (length != static_cast<std::size_t>(-1) && length < kNarrowedBytes) {
        return std::string(buffer, length);
    }
    return narrowEachCharacter(line);
}

}  // namespace platform
