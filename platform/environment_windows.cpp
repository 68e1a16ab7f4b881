#include <cstdlib>

#include "platform/environment.h"

namespace platform {

// The C library's copy of the environment, which getenv reads; _putenv_s also
// passes each change on to the process's own environment block.
void setEnvironmentVariable(const char* name, const char* value) {
    _putenv_s(name, value);
}

void unsetEnvironmentVariable(const char* name) {
    // An empty value removes the variable.
    _putenv_s(name, "");
}

}  // namespace platform
