#include "tests/wine/wine_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/support/paths.h"

namespace wine_support {
namespace {

std::string environmentOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

// Puts `program` of one side at `relative` in `dir`.
void place(const std::string& dir, const std::string& relative, Side side) {
    const std::filesystem::path target = std::filesystem::path(dir) / relative;
    std::filesystem::create_directories(target.parent_path());
    if (side == Side::Linux) {
        std::filesystem::create_symlink(testing_support::programPath(relative), target);
        return;
    }
    // exec keeps the process: a signal sent to the script's process id
    // reaches Wine, which passes it on as a console control event.
    std::ofstream script(target);
    script << "#!/bin/sh\nexec '" << wineLoader() << "' '" << windowsProgram(relative)
           << "' \"$@\"\n";
    script.close();
    std::filesystem::permissions(target, std::filesystem::perms::owner_all);
}

}  // namespace

std::string windowsBuildDir() {
    return environmentOr("CORVESSA_WINDOWS_BUILD", "");
}

std::string windowsProgram(const std::string& relativeToBuildDir) {
    return windowsBuildDir() + "/" + relativeToBuildDir + ".exe";
}

std::string wineLoader() {
    return environmentOr("CORVESSA_WINE", "/usr/lib/wine/wine64");
}

std::string mixedBuildDir(const MixedPrograms& programs) {
    const std::string dir = testing_support::makeTemporaryDirectory();
    place(dir, "app/corvessa", programs.corvessa);
    place(dir, "sim/standin/corvessa-sim", programs.simulator);
    place(dir, "tools/client/corvessa-client", programs.client);
    place(dir, "tools/netlog/corvessa-netlog", Side::Linux);
    return dir;
}

std::unique_ptr<platform::ChildProcess> startWindowsProgram(
    const std::string& relativeToBuildDir, const std::vector<std::string>& arguments,
    const platform::ChildProcess::Options& options) {
    std::vector<std::string> wineArguments{windowsProgram(relativeToBuildDir)};
    wineArguments.insert(wineArguments.end(), arguments.begin(), arguments.end());
    return platform::ChildProcess::start(wineLoader(), wineArguments, options);
}

std::string withUnixLineEnds(std::string text) {
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos) {
        text.erase(at, 1);
    }
    return text;
}

}  // namespace wine_support
