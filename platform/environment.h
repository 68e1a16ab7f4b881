#pragma once

namespace platform {

// Sets the process's environment variable `name` to `value`, replacing any
// earlier value. Not safe while another thread reads the environment: tests
// call it before they start threads.
void setEnvironmentVariable(const char* name, const char* value);

// Removes the environment variable `name`, if set.
void unsetEnvironmentVariable(const char* name);

}  // namespace platform
