#include <cstdlib>

#include "platform/environment.h"

namespace platform {

void setEnvironmentVariable(const char* name, const char* value) {
    ::setenv(name, value, 1);
}

void unsetEnvironmentVariable(const char* name) {
    ::unsetenv(name);
}

}  // namespace platform
