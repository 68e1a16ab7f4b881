// The simulator's flight plan reader (.PLN) on any file content.
#include "app/shared_flight_state.h"
#include "fuzz/fuzz_support.h"
#include "route/route_readers.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::quietConsole();
    resetSharedFlightState();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    readSimFlightPlan(fuzz_support::writeScratch(data, size).c_str());
    return 0;
}
