#pragma once

// The command line of corvessa-web.
//
// Thread safety: free functions on their arguments only.

#include <string>
#include <string_view>
#include <vector>

namespace tools {

struct WebOptions {
    std::string relayHost = "127.0.0.1";
    int relayPort = 1577;          // the relay's default port
    std::string bind = "0.0.0.0";  // the local address the relay sees; any by default
    // Every address of the machine, so that a tablet on the local network reaches the page.
    std::string listenHost = "0.0.0.0";
    int listenPort = 8077;  // 0: any free port, printed at start
    bool help = false;
};

// Fills `options` from the arguments (without the program's name); on a
// fault returns false and says why in `error`.
bool parseWebOptions(const std::vector<std::string_view>& arguments, WebOptions* options,
                     std::string* error);

extern const char kWebUsage[];

}  // namespace tools
