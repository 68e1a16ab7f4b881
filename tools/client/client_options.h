#pragma once

// The command line of corvessa-client.
//
// Thread safety: free functions on their arguments only.

#include <string>
#include <string_view>
#include <vector>

#include "tools/netlog/record_format.h"

namespace tools {

struct ClientOptions {
    std::string host = "127.0.0.1";
    int port = 1577;                // the relay's default port
    std::string bind = "0.0.0.0";   // any local address
    double heartbeatSeconds = 1.0;  // well inside the relay's 5-second purge and 10-second reaper
    OutputFormat format = OutputFormat::Text;
    long long count = 0;           // end after this many telemetry records; 0: no limit
    double durationSeconds = 0.0;  // end after this long; 0: no limit
    bool pauseAtStart = false;
    bool spoilersAtStart = false;
    bool help = false;
};

// Fills `options` from the arguments (without the program's name); on a
// fault returns false and says why in `error`.
bool parseClientOptions(const std::vector<std::string_view>& arguments, ClientOptions* options,
                        std::string* error);

extern const char kClientUsage[];

}  // namespace tools
