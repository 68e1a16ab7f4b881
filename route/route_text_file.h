#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/regular_file.h"

// What the two route file readers share: how the path is taken from the
// command line and how the file is read.
namespace route {

// The path that `text` (the rest of the command line after "-flightplan")
// names. With a double quote in `text` the path starts after the first one
// and ends at the next one, which is overwritten with a terminator, so the
// caller's command line ends there too. Without one the path is all of
// `text`, further options included.
char* takeRoutePath(char* text);

// The path as the file is opened: at most `maxCharacters` bytes of `path`.
// The route readers open only as much of a long path as their fixed path
// buffers hold (255 characters for type P, 254 for type I).
std::string cutRoutePath(std::string_view path, std::size_t maxCharacters);

// A route file read the way a text-mode stream reads it: a carriage return
// followed by a line feed arrives as one line feed, on every platform. Route
// files usually have CR LF line ends, and the readers' line length tests and
// identifiers must not depend on the platform.
//
// Only a regular file opens: a folder, a FIFO or a device counts as a file
// that does not open, as a missing one does. Reading ends after `maxBytes`
// bytes, so that no file, however large, keeps the reader busy for long.
//
// Thread safety: one object belongs to one thread.
class TextModeFile {
  public:
    explicit TextModeFile(const std::string& path, std::size_t maxBytes = kMaxRouteFileBytes);

    // Far more than any route holds: the readers keep 100 route lines.
    static constexpr std::size_t kMaxRouteFileBytes = 4 * 1024 * 1024;

    bool isOpen() const { return file_ != nullptr; }
    // Why the file did not open.
    platform::OpenFailure openFailure() const { return openFailure_; }
    // Whether reading stopped at the size limit with more of the file left.
    bool cutShort() const { return cutShort_; }

    // Reads the next piece as fgets(buffer, size, file) does: up to and
    // including the next line feed, at most size - 1 characters, always
    // terminated. False at end of file before any character, or on a read
    // error, as fgets returns null. `size` must be at least 2.
    bool readPiece(char* buffer, int size);

  private:
    int nextCharacter();
    int readByte();

    platform::FilePointer file_;
    platform::OpenFailure openFailure_ = platform::OpenFailure::None;
    std::size_t bytesLeft_;
    bool cutShort_ = false;
};

// Says on the console that `path` is being opened ("Opening file: %s") and,
// when `file` did open, that it was found ("Found file: %s"); neither text
// ends its line. A file that did not open gets one line on the error stream
// with the reason. Returns whether the file is open.
bool announceRouteFile(const char* path, const TextModeFile& file);

// Ends a reader's console output: the route lines that found no room, if
// any, a line on the error stream when the file was read only in part, then
// standard output flushed.
void finishRouteFile(int linesLeftOut, const TextModeFile& file);

}  // namespace route
