#include "platform/command_line.h"

#include <fstream>
#include <iterator>
#include <string_view>

namespace platform {
namespace {

bool needsQuotes(std::string_view argument) {
    return argument.empty() || argument.find_first_of(" \t") != std::string_view::npos;
}

}  // namespace

std::string processCommandLine() {
    // The kernel keeps the arguments as NUL-separated words; read them back
    // rather than threading argv through the program.
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());

    std::string line;
    std::string_view rest(raw);
    bool first = true;
    while (!rest.empty()) {
        const size_t end = rest.find('\0');
        const std::string_view argument = rest.substr(0, end);
        if (!first) {
            line += ' ';
        }
        first = false;
        if (needsQuotes(argument)) {
            line += '"';
            line += argument;
            line += '"';
        } else {
            line += argument;
        }
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 1);
    }
    return line;
}

}  // namespace platform
