#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

// Copies `text` into a fixed text field, cutting it to the field's size less
// one so that the terminating NUL always fits. The route sources give texts
// of any length; the table and the readers' slots have fixed sizes.
template <std::size_t N>
void copyToField(char (&field)[N], std::string_view text) {
    static_assert(N > 0);
    const std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
    std::memcpy(field, text.data(), length);
    std::memset(field + length, 0, N - length);
}
