// Lines from the simulator, decoded by the link and handed to the dispatch
// procedure, as the stand-in library's dispatch does: one line at a time.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/shared_flight_state.h"
#include "fuzz/fuzz_support.h"
#include "monitor/dispatch.h"
#include "monitor/outgoing_message.h"
#include "simlink/link_messages.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::quietConsole();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    resetSharedFlightState();
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        simlink::ReceivedMessage message;
        if (simlink::decodeMessageLine(line, message)) {
            dispatchHandler(message.header(), message.size, nullptr);
        }
    }
    // The record still waiting for its weather is the monitor's to free.
    delete flightState.currentTelemetry;
    flightState.currentTelemetry = nullptr;
    return 0;
}
