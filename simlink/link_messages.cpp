#include "simlink/link_messages.h"

#include <algorithm>
#include <cstring>

#include "simlink/link_text.h"

namespace simlink {
namespace {

// The version of the client library this stand-in takes the place of,
// reported in the OPEN message.
constexpr DWORD kLibraryVersion[4] = {10, 0, 60905, 0};

using Fields = std::vector<std::string_view>;

// A zeroed message of `bytes` bytes (at least `minimum`, the structure's own
// size, so that every declared field can be read) with its header filled.
template <typename Structure>
Structure* startMessage(ReceivedMessage& message, DWORD id, std::size_t bytes) {
    const std::size_t allocated = std::max(bytes, sizeof(Structure));
    message.storage.assign((allocated + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t), 0);
    message.size = static_cast<DWORD>(bytes);
    SIMCONNECT_RECV* header = message.header();
    header->dwSize = message.size;
    header->dwVersion = kMessageVersion;
    header->dwID = id;
    return static_cast<Structure*>(header);
}

// Copies `text` into a fixed field of `capacity` bytes, cut to leave room
// for the terminating NUL (the field is already zeroed).
void copyText(char* field, std::size_t capacity, std::string_view text) {
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(field, text.data(), length);
}

bool parseIds(const Fields& fields, std::size_t first, std::size_t count, DWORD* values) {
    for (std::size_t i = 0; i < count; ++i) {
        if (!parseId(fields[first + i], values[i])) {
            return false;
        }
    }
    return true;
}

// "OPEN", the application's name, then up to four version numbers (major,
// minor, build major, build minor); those left out are 0.
bool decodeOpen(const Fields& fields, ReceivedMessage& message) {
    constexpr std::size_t kVersionFields = 4;
    if (fields.size() < 2 || fields.size() > 2 + kVersionFields) {
        return false;
    }
    DWORD version[kVersionFields] = {};
    if (!parseIds(fields, 2, fields.size() - 2, version)) {
        return false;
    }
    auto* open = startMessage<SIMCONNECT_RECV_OPEN>(message, SIMCONNECT_RECV_ID_OPEN,
                                                    sizeof(SIMCONNECT_RECV_OPEN));
    copyText(open->szApplicationName, sizeof open->szApplicationName, fields[1]);
    open->dwApplicationVersionMajor = version[0];
    open->dwApplicationVersionMinor = version[1];
    open->dwApplicationBuildMajor = version[2];
    open->dwApplicationBuildMinor = version[3];
    open->dwSimConnectVersionMajor = kLibraryVersion[0];
    open->dwSimConnectVersionMinor = kLibraryVersion[1];
    open->dwSimConnectBuildMajor = kLibraryVersion[2];
    open->dwSimConnectBuildMinor = kLibraryVersion[3];
    return true;
}

bool decodeBareHeader(const Fields& fields, DWORD id, ReceivedMessage& message) {
    if (fields.size() != 1) {
        return false;
    }
    startMessage<SIMCONNECT_RECV>(message, id, sizeof(SIMCONNECT_RECV));
    return true;
}

// The ids that have a line of their own. A bare header may not claim one of
// them: a handler would read the structure's fields past the message's end.
bool hasOwnLine(DWORD id) {
    switch (id) {
        case SIMCONNECT_RECV_ID_EXCEPTION:
        case SIMCONNECT_RECV_ID_OPEN:
        case SIMCONNECT_RECV_ID_QUIT:
        case SIMCONNECT_RECV_ID_EVENT:
        case SIMCONNECT_RECV_ID_SIMOBJECT_DATA:
        case SIMCONNECT_RECV_ID_WEATHER_OBSERVATION:
        case SIMCONNECT_RECV_ID_SYSTEM_STATE:
            return true;
        default:
            return false;
    }
}

bool decodeRecv(const Fields& fields, ReceivedMessage& message) {
    DWORD id = 0;
    if (fields.size() != 2 || !parseId(fields[1], id) || hasOwnLine(id)) {
        return false;
    }
    startMessage<SIMCONNECT_RECV>(message, id, sizeof(SIMCONNECT_RECV));
    return true;
}

bool decodeException(const Fields& fields, ReceivedMessage& message) {
    DWORD values[3] = {};
    if (fields.size() != 4 || !parseIds(fields, 1, 3, values)) {
        return false;
    }
    auto* exception = startMessage<SIMCONNECT_RECV_EXCEPTION>(message, SIMCONNECT_RECV_ID_EXCEPTION,
                                                              sizeof(SIMCONNECT_RECV_EXCEPTION));
    exception->dwException = values[0];
    exception->dwSendID = values[1];
    exception->dwIndex = values[2];
    return true;
}

bool decodeEvent(const Fields& fields, ReceivedMessage& message) {
    DWORD values[3] = {};
    if (fields.size() != 4 || !parseIds(fields, 1, 3, values)) {
        return false;
    }
    auto* event = startMessage<SIMCONNECT_RECV_EVENT>(message, SIMCONNECT_RECV_ID_EVENT,
                                                      sizeof(SIMCONNECT_RECV_EVENT));
    event->uGroupID = values[0];
    event->uEventID = values[1];
    event->dwData = values[2];
    return true;
}

bool decodeSimObjectData(const Fields& fields, ReceivedMessage& message) {
    DWORD ids[3] = {};
    if (fields.size() < 4 || !parseIds(fields, 1, 3, ids)) {
        return false;
    }
    std::vector<double> values(fields.size() - 4);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!parseDouble(fields[4 + i], values[i])) {
            return false;
        }
    }
    // The block starts where the structure's placeholder `dwData` does.
    const std::size_t blockOffset = sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA) - sizeof(DWORD);
    const std::size_t blockBytes = values.size() * sizeof(double);
    // The message is never reported shorter than its structure, so a reader
    // that checks the size against the structure accepts every sample.
    const std::size_t bytes =
        std::max(blockOffset + blockBytes, sizeof(SIMCONNECT_RECV_SIMOBJECT_DATA));
    auto* data = startMessage<SIMCONNECT_RECV_SIMOBJECT_DATA>(
        message, SIMCONNECT_RECV_ID_SIMOBJECT_DATA, bytes);
    data->dwRequestID = ids[0];
    data->dwObjectID = ids[1];
    data->dwDefineID = ids[2];
    data->dwentrynumber = 1;
    data->dwoutof = 1;
    data->dwDefineCount = static_cast<DWORD>(values.size());
    if (blockBytes > 0) {  // an empty vector may have no data pointer at all
        std::memcpy(message.bytes() + blockOffset, values.data(), blockBytes);
    }
    return true;
}

bool decodeWeatherObservation(const Fields& fields, ReceivedMessage& message) {
    DWORD requestId = 0;
    if (fields.size() != 3 || !parseId(fields[1], requestId)) {
        return false;
    }
    const std::string_view metar = fields[2].substr(0, kMaxMetarBytes - 1);
    const std::size_t textOffset = sizeof(SIMCONNECT_RECV_WEATHER_OBSERVATION) - 1;
    auto* observation = startMessage<SIMCONNECT_RECV_WEATHER_OBSERVATION>(
        message, SIMCONNECT_RECV_ID_WEATHER_OBSERVATION, textOffset + metar.size() + 1);
    observation->dwRequestID = requestId;
    std::memcpy(message.bytes() + textOffset, metar.data(), metar.size());
    return true;
}

bool decodeSystemState(const Fields& fields, ReceivedMessage& message) {
    DWORD ids[2] = {};
    float value = 0.0f;
    if (fields.size() != 5 || !parseIds(fields, 1, 2, ids) || !parseFloat(fields[3], value)) {
        return false;
    }
    auto* state = startMessage<SIMCONNECT_RECV_SYSTEM_STATE>(
        message, SIMCONNECT_RECV_ID_SYSTEM_STATE, sizeof(SIMCONNECT_RECV_SYSTEM_STATE));
    state->dwRequestID = ids[0];
    state->dwInteger = ids[1];
    state->fFloat = value;
    copyText(state->szString, sizeof state->szString, fields[4]);
    return true;
}

}  // namespace

bool decodeMessageLine(std::string_view line, ReceivedMessage& message) {
    const Fields fields = splitFields(line);
    const std::string_view kind = fields[0];
    if (kind == "OPEN") {
        return decodeOpen(fields, message);
    }
    if (kind == "QUIT") {
        return decodeBareHeader(fields, SIMCONNECT_RECV_ID_QUIT, message);
    }
    if (kind == "EXCEPTION") {
        return decodeException(fields, message);
    }
    if (kind == "EVENT") {
        return decodeEvent(fields, message);
    }
    if (kind == "SIMOBJECT_DATA") {
        return decodeSimObjectData(fields, message);
    }
    if (kind == "WEATHER_OBSERVATION") {
        return decodeWeatherObservation(fields, message);
    }
    if (kind == "SYSTEM_STATE") {
        return decodeSystemState(fields, message);
    }
    if (kind == "RECV") {
        return decodeRecv(fields, message);
    }
    return false;
}

ReceivedMessage quitMessage() {
    ReceivedMessage message;
    startMessage<SIMCONNECT_RECV>(message, SIMCONNECT_RECV_ID_QUIT, sizeof(SIMCONNECT_RECV));
    return message;
}

}  // namespace simlink
