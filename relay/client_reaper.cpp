// The reaper: drops clients that have gone quiet.
#include <chrono>
#include <cstdio>
#include <iterator>
#include <vector>

#include "relay/server_socket.h"

int ServerSocket::reapLoop() {
    // shutdown does not stop the reaper; only the end of the object does.
    while (!destroying_) {
        reaperWake_.waitFor(std::chrono::milliseconds(timings_.reapPeriodMs));
        if (destroying_) {
            break;
        }
        // Taken before the lock: time spent waiting for a registration to
        // finish does not count against the clients.
        reapQuietClients(timings_.clock());
    }
    return 1;
}

void ServerSocket::reapQuietClients(std::int64_t now) {
    // The lines are written once the registry is free again: a console that
    // writes slowly must not hold up the records waiting to go out.
    struct Checked {
        float idle;
        bool removed;
    };
    std::vector<Checked> checked;
    {
        std::lock_guard<std::recursive_mutex> lock(registryMutex);
        checked.reserve(clients.size());
        for (auto entry = clients.begin(); entry != clients.end();) {
            const auto idle =
                static_cast<float>(static_cast<double>(now - entry->second->lastSeen));
            const bool removed = idle >= timings_.inactivityLimitSeconds;
            checked.push_back({idle, removed});
            if (removed) {
                pending_.erase(entry->first);
            }
            entry = removed ? clients.erase(entry) : std::next(entry);
        }
    }
    for (const Checked& client : checked) {
        // "%g" is the stream's default format: 0, 3, 10, 10.5.
        std::printf("\nChecking client:%g\n", static_cast<double>(client.idle));
        if (client.removed) {
            std::printf("removing client from the list. Non active.\n");
        }
    }
}
