#include <cerrno>
#include <cstring>

#include "platform/system_error.h"

namespace platform {

std::string lastSocketErrorText() {
    return std::strerror(errno);
}

}  // namespace platform
