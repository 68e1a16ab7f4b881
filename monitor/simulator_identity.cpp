#include "monitor/simulator_identity.h"

#include <cstdio>
#include <cstring>

std::string simulatorIdentity(const SIMCONNECT_RECV_OPEN& open) {
    const char* name = open.szApplicationName;
    const void* terminator = std::memchr(name, '\0', sizeof open.szApplicationName);
    const std::size_t nameLength = terminator != nullptr
                                       ? static_cast<const char*>(terminator) - name
                                       : sizeof open.szApplicationName;
    char numbers[160];
    std::snprintf(numbers, sizeof numbers, " %u.%u, build %u.%u; client library %u.%u.%u.%u",
                  open.dwApplicationVersionMajor, open.dwApplicationVersionMinor,
                  open.dwApplicationBuildMajor, open.dwApplicationBuildMinor,
                  open.dwSimConnectVersionMajor, open.dwSimConnectVersionMinor,
                  open.dwSimConnectBuildMajor, open.dwSimConnectBuildMinor);
    return "Simulator: " + std::string(name, nameLength) + numbers;
}
