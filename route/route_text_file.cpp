#include "route/route_text_file.h"

#include <cstring>

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

TextModeFile::TextModeFile(const std::string& path, std::size_t maxBytes) : bytesLeft_(maxBytes) {
    platform::OpenedFile opened = platform::openRegularFile(path);
    file_ = std::move(opened.file);
    openFailure_ = opened.failure;
}

int TextModeFile::readByte() {
    if (bytesLeft_ == 0) {
        if (!cutShort_ && std::getc(file_.get()) != EOF) {
            cutShort_ = true;
        }
        return EOF;
    }
    const int c = std::getc(file_.get());
    if (c != EOF) {
        --bytesLeft_;
    }
    return c;
}

int TextModeFile::nextCharacter() {
    const int c = readByte();
    if (c != '\r') {
        return c;
    }
    // Only a CR directly before an LF disappears; a CR on its own stays,
    // also when the pair straddles two pieces.
    const int following = readByte();
    if (following == '\n') {
        return '\n';
    }
    if (following != EOF) {
        std::ungetc(following, file_.get());
        ++bytesLeft_;
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
    if (std::ferror(file_.get()) != 0 || count == 0) {
        return false;
    }
    buffer[count] = '\0';
    return true;
}

bool announceRouteFile(const char* path, const TextModeFile& file) {
    std::printf("Opening file: %s", path);
    if (!file.isOpen()) {
        std::fflush(stdout);
        std::fprintf(stderr, "The route file \"%s\" does not open: %s\n", path,
                     platform::describeOpenFailure(file.openFailure()).c_str());
        return false;
    }
    std::printf("Found file: %s", path);
    return true;
}

void finishRouteFile(int linesLeftOut, const TextModeFile& file) {
    if (linesLeftOut > 0) {
        std::printf("more than 100 route lines: %d left out\n", linesLeftOut);
    }
    std::fflush(stdout);
    if (file.cutShort()) {
        std::fprintf(stderr,
                     "The route file is larger than %zu MiB: only its first %zu MiB were read\n",
                     TextModeFile::kMaxRouteFileBytes / (1024 * 1024),
                     TextModeFile::kMaxRouteFileBytes / (1024 * 1024));
    }
}

}  // namespace route
