#pragma once

#include <string>
#include <vector>

#include "platform/child_process.h"

// The Windows programs under Wine, from the Linux test suite: they are the
// 64-bit build of the folder named by CORVESSA_WINDOWS_BUILD, run by the
// Wine loader named by CORVESSA_WINE in the prefix named by WINEPREFIX
// (`./dev.sh windows` sets all three).
namespace wine_support {

// The Windows build folder, or empty when CORVESSA_WINDOWS_BUILD is unset.
std::string windowsBuildDir();

// A Windows program of that build, e.g. windowsProgram("app/corvessa").
std::string windowsProgram(const std::string& relativeToBuildDir);

// The Wine loader that runs a Windows program.
std::string wineLoader();

enum class Side { Linux, Windows };

struct MixedPrograms {
    Side corvessa;
    Side simulator;
    Side client;
};

// A folder laid out as a build folder for tools/demo/run-demo.sh, holding
// each program as a link to the Linux build's own or as a script that runs
// the Windows one under Wine. corvessa-netlog is always the Linux one, which
// then reads the log that either program wrote.
std::string mixedBuildDir(const MixedPrograms& programs);

// Runs a Windows program under Wine as a child process.
std::unique_ptr<platform::ChildProcess> startWindowsProgram(
    const std::string& relativeToBuildDir, const std::vector<std::string>& arguments,
    const platform::ChildProcess::Options& options = {});

// A program's console output with Windows line ends turned into "\n".
std::string withUnixLineEnds(std::string text);

}  // namespace wine_support

#define SKIP_WITHOUT_WINDOWS_BUILD()                                                      \
    do {                                                                                  \
        if (::wine_support::windowsBuildDir().empty()) {                                  \
            GTEST_SKIP() << "CORVESSA_WINDOWS_BUILD names no Windows build to run under " \
                            "Wine (./dev.sh windows runs these tests)";                   \
        }                                                                                 \
    } while (false)
