// The type P route file reader on any file content.
#include <string>

#include "fuzz/fuzz_support.h"
#include "route/route_readers.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::quietConsole();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text = "\"" + fuzz_support::writeScratch(data, size) + "\" -type P";
    readRouteFileP(text.data());
    return 0;
}
