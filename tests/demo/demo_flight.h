#pragma once

#include <string>

namespace testing_support {

// Flies the README's demo fast through tools/demo/run-demo.sh, with the
// programs of `buildDir` (laid out as a build folder: app/corvessa,
// sim/standin/corvessa-sim, tools/client/corvessa-client,
// tools/netlog/corvessa-netlog), and checks the flight as a whole: the
// route at the client, all three phases, both speed corrections and the
// wind-change deployment, and a network log that corvessa-netlog reads
// cleanly. Reports each failed check as a test failure.
struct DemoChecks {
    // The route reaches the client only when corvessa can open the plan file
    // the simulator names, which takes both on the same system.
    bool routeAtClient = true;
};
void flyDemoAndCheckIt(const std::string& buildDir, const DemoChecks& checks = {});

}  // namespace testing_support
