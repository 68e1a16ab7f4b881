#include "platform/process_usage.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace platform {

namespace {

// The scheduler's run time of each thread, in nanoseconds: finer than the
// clock ticks of the process's own stat line, which an idle program's few
// microseconds a second would vanish in.
std::int64_t threadRunNanoseconds(const std::filesystem::path& processFolder) {
    std::int64_t total = 0;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(processFolder / "task", error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        std::int64_t runNs = 0;
        if (schedstat >> runNs) {
            total += runNs;
        }
    }
    return total;
}

std::int64_t residentKilobytes(const std::filesystem::path& processFolder) {
    std::ifstream status(processFolder / "status");
    std::string label;
    while (status >> label) {
        if (label == "VmRSS:") {
            std::int64_t kilobytes = 0;
            status >> kilobytes;
            return kilobytes;
        }
        status.ignore(4096, '\n');
    }
    return -1;
}

}  // namespace

ProcessUsage processUsage(int processId) {
    const std::filesystem::path folder = "/proc/" + std::to_string(processId);
    ProcessUsage usage;
    const std::int64_t kilobytes = residentKilobytes(folder);
    if (kilobytes < 0) {
        return usage;
    }
    usage.known = true;
    usage.residentBytes = kilobytes * 1024;
    usage.cpuNanoseconds = threadRunNanoseconds(folder);
    return usage;
}

}  // namespace platform
