#pragma once

#include <string>

namespace testing_support {

// The path of a program built by this build, e.g. programPath("app/corvessa").
std::string programPath(const std::string& relativeToBuildDir);

// A file of the repository, e.g. sourcePath("tests/route/data/simple.pln").
std::string sourcePath(const std::string& relativeToSourceDir);

// The folder of fixture files written by other programs, beside the project
// ("../shared/fixtures"); empty when it is absent, as in a user's fresh clone.
std::string sharedFixturesDir();

// A fresh, empty folder for one test's files.
std::string makeTemporaryDirectory();

}  // namespace testing_support

// Skips the current test, saying why, when the shared fixtures are absent.
#define SKIP_WITHOUT_SHARED_FIXTURES()                                                   \
    do {                                                                                 \
        if (::testing_support::sharedFixturesDir().empty()) {                            \
            GTEST_SKIP() << "the shared fixture folder ../shared/fixtures beside the "   \
                            "project is absent, so the files written by other programs " \
                            "cannot be read";                                            \
        }                                                                                \
    } while (false)
