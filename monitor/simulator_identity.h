#pragma once

#include <string>

#include "simlink/simconnect.h"

// The line that names the simulator from its open acknowledgement:
// "Simulator: <name> <major>.<minor>, build <major>.<minor>; client library
// <major>.<minor>.<major>.<minor>". The name is taken up to its terminator
// and never past its field, whatever the simulator put there.
//
// Thread safety: pure.
std::string simulatorIdentity(const SIMCONNECT_RECV_OPEN& open);
