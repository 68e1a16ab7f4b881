#pragma once

// Turns the simulator's message lines into the client library's receive
// structures, as the dispatch procedure expects them.

#include <cstdint>
#include <string_view>
#include <vector>

#include "simlink/simconnect.h"

namespace simlink {

// The version the stand-in library writes into every message header.
constexpr DWORD kMessageVersion = 4;

// The longest weather report handed over, its terminating NUL included.
constexpr std::size_t kMaxMetarBytes = 2000;

// One message ready for the dispatch procedure. The storage is 8-byte
// aligned so that the data block of an aircraft sample (offset 40) can be
// read as 64-bit floats in place.
//
// Thread safety: a plain value.
struct ReceivedMessage {
    std::vector<std::uint64_t> storage;
    DWORD size = 0;  // dwSize: the bytes that belong to the message

    SIMCONNECT_RECV* header() { return reinterpret_cast<SIMCONNECT_RECV*>(storage.data()); }
    char* bytes() { return reinterpret_cast<char*>(storage.data()); }
};

// Decodes one message line (without its line end). False, leaving `message`
// unspecified, when the line is not a message this link knows.
bool decodeMessageLine(std::string_view line, ReceivedMessage& message);

// The QUIT message the library delivers itself when the connection is lost.
ReceivedMessage quitMessage();

}  // namespace simlink
