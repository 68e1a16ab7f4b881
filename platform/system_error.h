#pragma once

#include <string>

namespace platform {

// The system's own words for why the latest failed socket call on this
// thread failed ("Address already in use"), for a message to the user. Read
// it right after the failure, before anything else can overwrite it.
std::string lastSocketErrorText();

}  // namespace platform
