#include <winsock2.h>

#include <string>

#include "platform/system_error.h"

namespace platform {

std::string lastSocketErrorText() {
    const int error = WSAGetLastError();
    char text[512] = {};
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
        nullptr, static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
    std::string reason(text, length);
    // The system's sentences end in a full stop and blanks; the message this
    // goes into goes on after it.
    while (!reason.empty() && (reason.back() == ' ' || reason.back() == '.' ||
                               reason.back() == '\r' || reason.back() == '\n')) {
        reason.pop_back();
    }
    if (reason.empty()) {
        // Some systems (Wine among them) have no words for every socket error.
        reason = "Windows Sockets error " + std::to_string(error);
    }
    return reason;
}

}  // namespace platform
