#pragma once

#include <string>

// Where the client library looks for the simulator, in words that finish the
// sentence "No simulator answered ...": for the stand-in library the address
// it tries and where that address comes from.
std::string simulatorLocation();
