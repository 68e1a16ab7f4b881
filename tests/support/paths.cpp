#include "tests/support/paths.h"

#include <filesystem>
#include <random>

namespace testing_support {

std::string programPath(const std::string& relativeToBuildDir) {
    return std::string(CORVESSA_BUILD_DIR) + "/" + relativeToBuildDir;
}

std::string sourcePath(const std::string& relativeToSourceDir) {
    return std::string(CORVESSA_SOURCE_DIR) + "/" + relativeToSourceDir;
}

std::string sharedFixturesDir() {
    const std::filesystem::path dir =
        std::filesystem::path(CORVESSA_SOURCE_DIR).parent_path() / "shared" / "fixtures";
    return std::filesystem::is_directory(dir) ? dir.string() : std::string();
}

std::string makeTemporaryDirectory() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (;;) {
        const auto dir =
            std::filesystem::temp_directory_path() / ("corvessa-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(dir)) {
            return dir.string();
        }
    }
}

}  // namespace testing_support
