#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// The fixed 96-byte message through which the flight monitor publishes the
// aircraft's state to the relay's clients. The same size carries the notices
// "PAUSED", "UNPAUSED" and "RESET": a word in the first text field and zeros
// elsewhere. Nothing else tells a notice from telemetry.
//
// The integers are in host byte order while the record is built and logged;
// the relay's sender turns the thirteen of them (offsets 40 to 91) into
// network byte order just before they go on the wire.
struct outgoingMessage {
    char longitudeText[20];  // "%f" of the longitude, degrees east; NUL-terminated
    char latitudeText[20];   // "%f" of the latitude, degrees north; NUL-terminated
    std::int32_t altitudeFeet;
    std::int32_t headingDegrees;  // true heading
    std::int32_t trueAirspeedKnots;
    std::int32_t groundSpeedKnots;
    std::int32_t windSpeedKnots;        // at the aircraft
    std::int32_t windDirectionDegrees;  // at the aircraft
    std::int32_t machMilli;             // Mach x 1000
    std::int32_t verticalSpeedFps;      // feet per second, climb positive
    std::int32_t fuelPounds;
    std::int32_t indicatedAirspeedKnots;
    std::int32_t aheadWindDirection;  // 10 km ahead, degrees
    std::int32_t aheadWindSpeed;      // 10 km ahead, knots
    std::int32_t temperatureCelsius;
    std::uint8_t phase;         // FlightPhase of the previous sample
    std::uint8_t spoilerState;  // 1 when the spoilers are deployed
    std::uint8_t reserved[2];   // always zero
};

constexpr std::size_t kOutgoingMessageSize = 96;
constexpr std::size_t kOutgoingIntegersOffset = 40;
constexpr std::size_t kOutgoingIntegerCount = 13;
constexpr std::size_t kOutgoingTextSize = 20;

static_assert(sizeof(outgoingMessage) == kOutgoingMessageSize);
static_assert(offsetof(outgoingMessage, latitudeText) == 20);
static_assert(offsetof(outgoingMessage, altitudeFeet) == kOutgoingIntegersOffset);
static_assert(offsetof(outgoingMessage, headingDegrees) == 44);
static_assert(offsetof(outgoingMessage, trueAirspeedKnots) == 48);
static_assert(offsetof(outgoingMessage, groundSpeedKnots) == 52);
static_assert(offsetof(outgoingMessage, windSpeedKnots) == 56);
static_assert(offsetof(outgoingMessage, windDirectionDegrees) == 60);
static_assert(offsetof(outgoingMessage, machMilli) == 64);
static_assert(offsetof(outgoingMessage, verticalSpeedFps) == 68);
static_assert(offsetof(outgoingMessage, fuelPounds) == 72);
static_assert(offsetof(outgoingMessage, indicatedAirspeedKnots) == 76);
static_assert(offsetof(outgoingMessage, aheadWindDirection) == 80);
static_assert(offsetof(outgoingMessage, aheadWindSpeed) == 84);
static_assert(offsetof(outgoingMessage, temperatureCelsius) == 88);
static_assert(offsetof(outgoingMessage, phase) == 92);
static_assert(offsetof(outgoingMessage, spoilerState) == 93);
static_assert(offsetof(outgoingMessage, reserved) == 94);

// The texts of the notices.
inline constexpr std::string_view kPausedNotice = "PAUSED";
inline constexpr std::string_view kUnpausedNotice = "UNPAUSED";
inline constexpr std::string_view kResetNotice = "RESET";

// A notice: every byte zero but the word, NUL-terminated, at offset 0.
inline outgoingMessage makeNotice(std::string_view word) {
    outgoingMessage notice{};
    const std::size_t length =
        word.size() < kOutgoingTextSize ? word.size() : kOutgoingTextSize - 1;
    std::memcpy(notice.longitudeText, word.data(), length);
    return notice;
}
