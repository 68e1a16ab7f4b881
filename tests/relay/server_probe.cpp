// A relay server in a process of its own, so that the tests can watch the
// set-up failures end a process. Usage:
//   relay_server_probe [--exhaust-descriptors] PORT
// Constructs the server on PORT, prints "bound PORT" with the port bound and
// ends with 0. With --exhaust-descriptors it first opens files until the
// process may open no more, so that the socket cannot be created.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "relay/server_socket.h"

namespace {

std::vector<std::FILE*> held;

// The leak check of a sanitizer build runs at exit and needs descriptors too.
void releaseDescriptors() {
    for (std::FILE* file : held) {
        std::fclose(file);
    }
    held.clear();
}

}  // namespace

int main(int argc, char** argv) {
    int argument = 1;
    if (argc > argument && std::strcmp(argv[argument], "--exhaust-descriptors") == 0) {
        std::atexit(releaseDescriptors);
        while (std::FILE* file = std::fopen("/dev/null", "r")) {
            held.push_back(file);
        }
        ++argument;
    }
    if (argc <= argument) {
        std::fprintf(stderr, "usage: relay_server_probe [--exhaust-descriptors] PORT\n");
        return 2;
    }
    ServerSocket server(std::atoi(argv[argument]), SimulatorCommands{});
    std::printf("bound %d\n", server.boundPort());
    return 0;
}
