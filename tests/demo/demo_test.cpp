// The README's demo, flown fast: the stand-in simulator, corvessa and the
// relay client together, through the same script a newcomer runs.
#include <gtest/gtest.h>

#include "tests/demo/demo_flight.h"
#include "tests/support/paths.h"

namespace {

// One flight, checked as a whole: at twice the demo's speed-up it still takes
// about a minute, since the frames (and so the samples the program acts on)
// run in real time and a faster run would sample the flight too coarsely.
TEST(DemoFlight, FliesTheWholeDemoAndShowsEveryCorrection) {
    testing_support::flyDemoAndCheckIt(testing_support::programPath(""));
}

}  // namespace
