// The wind group of any weather report text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "monitor/metar_wind.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const AheadWind wind =
        readAheadWind(std::string_view(reinterpret_cast<const char*>(data), size));
    static_cast<void>(wind);
    return 0;
}
