// The demo flight with Windows programs under Wine in it, checked as the
// Linux demo is: first corvessa.exe with the Linux simulator and client,
// then the Windows simulator and client with the Linux corvessa.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/demo/demo_flight.h"
#include "tests/wine/wine_support.h"

namespace {

using wine_support::Side;

TEST(WineDemo, CorvessaExeFliesTheDemo) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    const std::string programs =
        wine_support::mixedBuildDir({Side::Windows, Side::Linux, Side::Linux});
    testing_support::flyDemoAndCheckIt(programs, {.page = false, .environment = {}});
    std::filesystem::remove_all(programs);
}

// The simulator under Wine names its plan by a Windows path (Z:\...), which
// the Linux corvessa cannot open: its relay has no route to list, and the
// client's registration is answered without one.
TEST(WineDemo, WindowsSimulatorAndClientServeTheLinuxCorvessa) {
    SKIP_WITHOUT_WINDOWS_BUILD();
    const std::string programs =
        wine_support::mixedBuildDir({Side::Linux, Side::Windows, Side::Windows});
    testing_support::flyDemoAndCheckIt(programs,
                                       {.routeAtClient = false, .page = false, .environment = {}});
    std::filesystem::remove_all(programs);
}

}  // namespace
