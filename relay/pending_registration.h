#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>

#include "monitor/outgoing_message.h"

// A registration whose reply or hold after it is still running. The relay
// keeps its pauses as deadlines rather than sleeping through them, so that
// everyone else's heartbeats, commands and telemetry go on meanwhile; only
// the registering client is kept waiting, and sees nothing but its reply
// until its own hold ends.
//
// Thread safety: plain value; the relay guards its records with registryMutex.
struct PendingRegistration {
    using Clock = std::chrono::steady_clock;

    enum class Step {
        RouteDue,  // the route goes out at `due`, then the hold begins
        HoldEnds,  // the reply is out; at `due` the client receives like everyone
    };

    Step step = Step::HoldEnds;
    Clock::time_point due;
    // The messages offered to the clients during the hold, in wire byte
    // order: they reach the client, in order, as soon as its hold ends, as
    // they did when everything waited for a registration.
    std::deque<std::array<std::uint8_t, kOutgoingMessageSize>> missed;
};

// What a registering client is kept of the messages it misses during its
// hold: five seconds of telemetry at 50 records a second. Beyond it the
// oldest go.
constexpr std::size_t kMaxMissedMessages = 256;

// Registrations are bounded, so that a storm of them from many addresses
// cannot grow the relay's work without end: a repeat from an address whose
// registration is pending restarts nothing, and beyond this many pending at
// once a registration is ignored with a console line. Clients retry.
constexpr std::size_t kMaxPendingRegistrations = 32;
