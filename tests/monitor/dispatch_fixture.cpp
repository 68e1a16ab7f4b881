#include "tests/monitor/dispatch_fixture.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "app/shared_flight_state.h"
#include "monitor/dispatch.h"
#include "platform/environment.h"
#include "platform/sleep.h"
#include "relay/wire_protocol.h"
#include "tests/support/wait.h"

namespace monitor_testing {

namespace {

constexpr const char* kLoopback = "127.0.0.1";

}  // namespace

RelayTimings shortRelayTimings() {
    RelayTimings timings;
    timings.routeDelayStepMs = 1;
    timings.routeDelaySteps = 1;
    timings.holdAfterReplyMs = 1;
    timings.selectTimeoutMs = 60000;
    timings.reapPeriodMs = 100;
    timings.inactivityLimitSeconds = 600.0f;
    timings.shutdownSleepMs = 1;
    return timings;
}

AircraftSample climbingSample() {
    AircraftSample sample{};
    sample.altitude = 1200.0;
    sample.latitude = 47.4502;
    sample.longitude = -122.3088;
    sample.groundSpeed = 460.0;
    sample.headingTrue = 270.0;
    sample.trueAirspeed = 470.0;
    sample.mach = 0.8;
    sample.windVelocity = 60.0;
    sample.windDirection = 270.0;
    sample.fuelWeight = 20000.0;
    sample.verticalSpeed = 30.0;
    sample.indicatedAirspeed = 280.0;
    sample.ambientTemperature = -56.0;
    return sample;
}

std::vector<double> sampleValues(const AircraftSample& sample) {
    std::vector<double> values(sizeof sample / sizeof(double));
    std::memcpy(values.data(), &sample, sizeof sample);
    return values;
}

outgoingMessage ReceivedMessage::record() const {
    outgoingMessage message;
    std::memcpy(&message, bytes, sizeof message);
    auto* integers = reinterpret_cast<std::uint8_t*>(&message) + kOutgoingIntegersOffset;
    for (std::size_t i = 0; i < kOutgoingIntegerCount; ++i) {
        const std::int32_t value = readBigEndian32(bytes + kOutgoingIntegersOffset + 4 * i);
        std::memcpy(integers + 4 * i, &value, sizeof value);
    }
    return message;
}

void MonitorDispatchTest::SetUp() {
    resetSharedFlightState();
    flightState.cruiseAltitudeFeet = 35000;
}

void MonitorDispatchTest::start(RelayTimings timings) {
    simulator_ = sim::LinkServer::listen();
    ASSERT_NE(simulator_, nullptr);
    platform::setEnvironmentVariable("CORVESSA_SIMULATOR", simulator_->address().c_str());

    relay_ = std::make_unique<ServerSocket>(
        0, SimulatorCommands{sendPauseToggle, sendSpoilersToggle, sendPauseOff}, timings);
    flightState.server = relay_.get();
    relay_->startReceiveThread();
    relay_->startSendThread();
    relay_->startReapThread();

    program_ = std::thread([] { runSimConnect(dispatchHandler); });
    programRunning_ = true;
    ASSERT_TRUE(simulator_->waitForProgram(kWaitMs));
    // The last call of the connection's set-up: the handle is in place.
    ASSERT_TRUE(simulator_->waitForCall("RequestSystemState", kWaitMs));
    ASSERT_TRUE(simulator_->waitForCall("RequestSystemState", kWaitMs));

    client_ = platform::UdpSocket::open();
    ASSERT_NE(client_, nullptr);
    ASSERT_TRUE(client_->bind({platform::ipv4Address(kLoopback), 0}));
    incomingMessage registration{};
    writeBigEndian32(add_entry, registration.kind);
    const platform::UdpEndpoint relayAddress{platform::ipv4Address(kLoopback),
                                             static_cast<std::uint16_t>(relay_->boundPort())};
    ASSERT_EQ(client_->sendTo(&registration, sizeof registration, relayAddress),
              static_cast<int>(sizeof registration));
    ASSERT_TRUE(testing_support::waitUntil([this] { return relay_->clientCount() == 1; }, kWaitMs));
    // A registration resumes the simulator.
    const auto pauseOff = simulator_->waitForCall("TransmitClientEvent", kWaitMs);
    ASSERT_TRUE(pauseOff);
    ASSERT_EQ(pauseOff->fields.at(1), "3");
    simulator_->clearCalls();
}

void MonitorDispatchTest::stopProgram() {
    if (!programRunning_) {
        return;
    }
    simulator_->sendQuit();
    program_.join();
    programRunning_ = false;
}

void MonitorDispatchTest::TearDown() {
    if (programRunning_) {
        stopProgram();
    }
    relay_.reset();
    client_.reset();
    simulator_.reset();
    platform::unsetEnvironmentVariable("CORVESSA_SIMULATOR");
    delete flightState.currentTelemetry;
    resetSharedFlightState();
}

void MonitorDispatchTest::sendSample(const AircraftSample& sample, std::uint32_t requestId) {
    simulator_->sendSimObjectData(requestId, SIMCONNECT_OBJECT_ID_USER, kAircraftSampleDefinition,
                                  sampleValues(sample));
}

void MonitorDispatchTest::sendWeather(std::string_view metar) {
    simulator_->sendWeatherObservation(RequestWeatherAhead, metar);
}

void MonitorDispatchTest::sendNotification(ClientEvent event) {
    simulator_->sendEvent(kNotificationGroup, event, 0);
}

std::optional<ReceivedMessage> MonitorDispatchTest::nextMessage(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 ||
            client_->waitUntilReadable(static_cast<int>(left)) == platform::WaitResult::TimedOut) {
            return std::nullopt;
        }
        std::uint8_t buffer[kRouteDatagramSize];
        platform::UdpEndpoint sender;
        const int size = client_->receiveFrom(buffer, sizeof buffer, &sender);
        if (size == static_cast<int>(kOutgoingMessageSize)) {
            ReceivedMessage message;
            std::memcpy(message.bytes, buffer, sizeof message.bytes);
            return message;
        }
    }
}

outgoingMessage MonitorDispatchTest::recordOf(const AircraftSample& sample,
                                              std::string_view metar) {
    sendSample(sample);
    sendWeather(metar);
    const auto message = nextMessage();
    EXPECT_TRUE(message) << "no record for the sample at " << sample.altitude << " feet";
    return message ? message->record() : outgoingMessage{};
}

std::vector<sim::CallLine> MonitorDispatchTest::callsSoFar() {
    AircraftSample marker = climbingSample();
    marker.latitude = -45.0;  // ahead of it lies -44.91: a request no test sample makes
    marker.headingTrue = 0.0;
    sendSample(marker);
    ++markersSent_;
    const auto isMarker = [](const sim::CallLine& call) {
        return call.name == "WeatherRequestInterpolatedObservation" &&
               call.fields.at(1).starts_with("-44.9");
    };
    std::vector<sim::CallLine> calls;
    const bool arrived = testing_support::waitUntil(
        [&] {
            calls = simulator_->calls();
            return std::count_if(calls.begin(), calls.end(), isMarker) == markersSent_;
        },
        kWaitMs);
    EXPECT_TRUE(arrived) << "the marker sample's weather request did not arrive";
    return calls;
}

std::vector<std::uint32_t> MonitorDispatchTest::transmittedEvents(
    const std::vector<sim::CallLine>& calls) {
    std::vector<std::uint32_t> events;
    for (const sim::CallLine& call : calls) {
        if (call.name == "TransmitClientEvent") {
            events.push_back(static_cast<std::uint32_t>(std::stoul(call.fields.at(1))));
        }
    }
    return events;
}

}  // namespace monitor_testing
