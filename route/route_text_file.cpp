#include "route/route_text_file.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace route {

char* takeRoutePath(char* text) {
    char* openingQuote = std::strchr(text, '"');
    if (openingQuote == nullptr) {
        return text;
    }
    char* path = openingQuote + 1;
    char* closingQuote = std::strchr(path, '"');
    if (closingQuote != nullptr) {
        *closingQuote = '\0';
    }
    return path;
}

std::string cutRoutePath(std::string_view path, std::size_t maxCharacters) {
    return std::string(path.substr(0, maxCharacters));
}

namespace {

// A folder is no route file. Some systems let a folder be opened for reading
// (the reads then fail); it must count as a file that does not open.
std::FILE* openForReading(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return nullptr;
    }
    return std::fopen(path.c_str(), "rb");
}

}  // namespace

TextModeFile::TextModeFile(const std::string& path) : file_(openForReading(path)) {}

TextModeFile::~TextModeFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

int TextModeFile::nextCharacter() {
    const int c = std::getc(file_);
    if (c != '\r') {
        return c;
    }
    // Only a CR directly before an LF disappears; a CR on its own stays,
    // also when the pair straddles two pieces.
    const int following = std::getc(file_);
    if (following == '\n') {
        return '\n';
    }
    if (following != EOF) {
        std::ungetc(following, file_);
    }
    return '\r';
}

bool TextModeFile::readPiece(char* buffer, int size) {
    if (file_ == nullptr || size < 2) {
        return false;
    }
    int count = 0;
    while (count < size - 1) {
        const int c = nextCharacter();
        if (c == EOF) {
            break;
        }
        buffer[count++] = static_cast<char>(c);
        if (c == '\n') {
            break;
        }
    }
    if (std::ferror(file_) != 0 || count == 0) {
        return false;
    }
    buffer[count] = '\0';
    return true;
}

bool announceRouteFile(const char* path, const TextModeFile& file) {
    std::printf("Opening file: %s", path);
    if (!file.isOpen()) {
        return false;
    }
    std::printf("Found file: %s", path);
    return true;
}

void finishRouteFile(int linesLeftOut) {
    if (linesLeftOut > 0) {
        std::printf("more than 100 route lines: %d left out\n", linesLeftOut);
    }
    std::fflush(stdout);
}

}  // namespace route
