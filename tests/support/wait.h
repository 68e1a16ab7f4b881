#pragma once

#include <functional>

namespace testing_support {

// Polls `condition` every few milliseconds until it holds or `timeoutMs`
// have passed; returns whether it held. For tests that wait on another
// thread or process without a signal to wait on.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

}  // namespace testing_support
