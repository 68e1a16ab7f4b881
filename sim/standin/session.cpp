#include "sim/standin/session.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "sim/standin/atmosphere.h"
#include "sim/standin/sim_variables.h"
#include "sim/standin/weather_report.h"

namespace standin {
namespace {

// Request periods and flags of the simulator's client interface.
constexpr std::uint32_t kPeriodNever = 0;
constexpr std::uint32_t kPeriodOnce = 1;
constexpr std::uint32_t kPeriodVisualFrame = 2;
constexpr std::uint32_t kPeriodSimFrame = 3;
constexpr std::uint32_t kPeriodSecond = 4;
constexpr std::uint32_t kFlagChanged = 1;
constexpr std::uint32_t kUserAircraft = 0;

constexpr double kFeetPerMetre = 1.0 / 0.3048;

// The flight model's longest step, simulated seconds: a thirtieth of a
// second, the step it was tuned at. A frame at a high speed-up covers many
// simulated seconds; flying it in one step would let the speed and the
// climb overshoot their targets and the landing roll end far past the
// runway, so the frame is cut into steps no longer than this.
constexpr double kLongestModelStepSeconds = 1.0 / 30.0;

std::string lowerCase(std::string_view text) {
    std::string result;
    for (const char c : text) {
        result += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
}

bool parseId(const std::string& field, std::uint32_t& value) {
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    return error == std::errc{} && end == field.data() + field.size();
}

bool parseNumber(const std::string& field, double& value) {
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    return error == std::errc{} && end == field.data() + field.size() && std::isfinite(value);
}

}  // namespace

namespace {

WindField frontAcross(const RoutePath& route) {
    const double frontKm = route.lengthKm() * kFrontRouteShare;
    return WindField(route.positionAt(frontKm), route.courseAt(frontKm));
}

}  // namespace

Session::Session(std::vector<PlanWaypoint> plan, SessionSettings settings)
    : settings_(std::move(settings)), route_(std::move(plan)), wind_(frontAcross(route_)) {
    settings_.framesPerSecond = std::max(settings_.framesPerSecond, 1);
    settings_.speedup = std::max(settings_.speedup, 0.0);
}

bool Session::fail(std::uint32_t fieldIndex) {
    SimMessage message;
    message.kind = MessageKind::Exception;
    message.exception = kCallFailed;
    message.sendId = callCount_;
    message.index = fieldIndex;
    outbox_.push_back(message);
    return false;
}

bool Session::handleCall(std::string_view name, const std::vector<std::string>& fields) {
    ++callCount_;
    if (name == "Open") {
        return handleOpen(fields);
    }
    if (name == "Close") {
        closed_ = true;
        return true;
    }
    if (name == "AddToDataDefinition") {
        return handleAddToDataDefinition(fields);
    }
    if (name == "SubscribeToSystemEvent") {
        return handleSubscribeToSystemEvent(fields);
    }
    if (name == "RequestSystemState") {
        return handleRequestSystemState(fields);
    }
    if (name == "RequestDataOnSimObject") {
        return handleRequestDataOnSimObject(fields);
    }
    if (name == "MapClientEventToSimEvent") {
        return handleMapClientEventToSimEvent(fields);
    }
    if (name == "AddClientEventToNotificationGroup") {
        return handleAddClientEventToNotificationGroup(fields);
    }
    if (name == "SetNotificationGroupPriority") {
        return handleSetNotificationGroupPriority(fields);
    }
    if (name == "TransmitClientEvent") {
        return handleTransmitClientEvent(fields);
    }
    if (name == "WeatherRequestInterpolatedObservation") {
        return handleWeatherRequest(fields);
    }
    return fail(0);
}

bool Session::handleOpen(const std::vector<std::string>& fields) {
    if (fields.empty()) {
        return fail(1);
    }
    opened_ = true;
    SimMessage message;
    message.kind = MessageKind::Open;
    message.text = settings_.applicationName;
    message.versionMajor = settings_.applicationVersionMajor;
    message.versionMinor = settings_.applicationVersionMinor;
    outbox_.push_back(message);
    return true;
}

bool Session::handleAddToDataDefinition(const std::vector<std::string>& fields) {
    // defineId, datumName, unitsName, datumType, epsilon, datumId
    if (fields.size() < 5) {
        return fail(static_cast<std::uint32_t>(fields.size() + 1));
    }
    std::uint32_t defineId = 0;
    double epsilon = 0.0;
    if (!parseId(fields[0], defineId)) {
        return fail(1);
    }
    if (!parseNumber(fields[4], epsilon)) {
        return fail(5);
    }
    // Every value travels as a 64-bit float, whatever type was declared.
    definitions_[defineId].push_back(Datum{fields[1], fields[2], std::fabs(epsilon)});
    return true;
}

bool Session::handleSubscribeToSystemEvent(const std::vector<std::string>& fields) {
    std::uint32_t eventId = 0;
    if (fields.size() < 2) {
        return fail(static_cast<std::uint32_t>(fields.size() + 1));
    }
    if (!parseId(fields[0], eventId)) {
        return fail(1);
    }
    subscriptions_[lowerCase(fields[1])].push_back(eventId);
    return true;
}

bool Session::handleRequestSystemState(const std::vector<std::string>& fields) {
    std::uint32_t requestId = 0;
    if (fields.size() < 2) {
        return fail(static_cast<std::uint32_t>(fields.size() + 1));
    }
    if (!parseId(fields[0], requestId)) {
        return fail(1);
    }
    SimMessage message;
    message.kind = MessageKind::SystemState;
    message.requestId = requestId;
    const std::string state = lowerCase(fields[1]);
    if (state == "sim") {
        message.integer = flightRunning() ? 1 : 0;
    } else if (state == "flightplan") {
        message.text = settings_.planPath;
    }
    // Other states ("AircraftLoaded", "DialogMode", …) answer 0 and an
    // empty text: the stand-in has no aircraft file and no dialogs.
    outbox_.push_back(message);
    return true;
}

bool Session::handleRequestDataOnSimObject(const std::vector<std::string>& fields) {
    // requestId, defineId, objectId, period, flags, origin, interval, limit
    if (fields.size() < 8) {
        return fail(static_cast<std::uint32_t>(fields.size() + 1));
    }
    std::uint32_t numbers[8] = {};
    for (std::size_t i = 0; i < 8; ++i) {
        if (!parseId(fields[i], numbers[i])) {
            return fail(static_cast<std::uint32_t>(i + 1));
        }
    }
    DataRequest request;
    request.requestId = numbers[0];
    request.defineId = numbers[1];
    request.objectId = numbers[2];
    request.period = numbers[3];
    request.flags = numbers[4];
    request.origin = numbers[5];
    request.interval = numbers[6];
    request.limit = numbers[7];
    // A new request under an id replaces the old one; period NEVER only ends it.
    std::erase_if(requests_,
                  [&](const DataRequest& r) { return r.requestId == request.requestId; });
    if (request.period == kPeriodNever) {
        return true;
    }
    if (request.period > kPeriodSecond) {
        return fail(4);
    }
    if (request.objectId != kUserAircraft) {
        return fail(3);  // the stand-in flies the user's aircraft only
    }
    if (!definitions_.contains(request.defineId)) {
        return fail(2);
    }
    requests_.push_back(request);
    return true;
}

bool Session::handleMapClientEventToSimEvent(const std::vector<std::string>& fields) {
    std::uint32_t eventId = 0;
    if (fields.empty() || !parseId(fields[0], eventId)) {
        return fail(1);
    }
    // An empty name keeps the event private to the client: it does nothing
    // in the simulator, but its group still hears of it.
    mappedEvents_[eventId] = fields.size() > 1 ? lowerCase(fields[1]) : std::string();
    return true;
}

bool Session::handleAddClientEventToNotificationGroup(const std::vector<std::string>& fields) {
    std::uint32_t groupId = 0;
    std::uint32_t eventId = 0;
    if (fields.size() < 2) {
        return fail(static_cast<std::uint32_t>(fields.size() + 1));
    }
    if (!parseId(fields[0], groupId)) {
        return fail(1);
    }
    if (!parseId(fields[1], eventId)) {
        return fail(2);
    }
    eventGroups_[eventId] = groupId;
    return true;
}

bool Session::handleSetNotificationGroupPriority(const std::vector<std::string>& fields) {
    // Priorities order several clients' groups; with one client they change nothing.
    std::uint32_t value = 0;
    if (fields.size() < 2) {
        return fail(static_cast<std::uint32_t>(fields.size() + 1));
    }
    if (!parseId(fields[0], value)) {
        return fail(1);
    }
    if (!parseId(fields[1], value)) {
        return fail(2);
    }
    return true;
}

bool Session::handleTransmitClientEvent(const std::vector<std::string>& fields) {
    // objectId, eventId, data, groupId, flags
    if (fields.size() < 5) {
        return fail(static_cast<std::uint32_t>(fields.size() + 1));
    }
    std::uint32_t numbers[5] = {};
    for (std::size_t i = 0; i < 5; ++i) {
        if (!parseId(fields[i], numbers[i])) {
            return fail(static_cast<std::uint32_t>(i + 1));
        }
    }
    const std::uint32_t eventId = numbers[1];
    const std::uint32_t data = numbers[2];
    const auto mapped = mappedEvents_.find(eventId);
    if (mapped != mappedEvents_.end() && !mapped->second.empty()) {
        performSimEvent(mapped->second, data, "the program");
        return true;
    }
    // Not mapped to a simulator event: nothing happens in the simulator,
    // but the event still reaches its notification group.
    const auto group = eventGroups_.find(eventId);
    if (group != eventGroups_.end()) {
        SimMessage message;
        message.kind = MessageKind::Event;
        message.groupId = group->second;
        message.eventId = eventId;
        message.data = data;
        outbox_.push_back(message);
    }
    return true;
}

bool Session::handleWeatherRequest(const std::vector<std::string>& fields) {
    // requestId, latitude, longitude (degrees), altitude (metres)
    if (fields.size() < 4) {
        return fail(static_cast<std::uint32_t>(fields.size() + 1));
    }
    std::uint32_t requestId = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    double altitudeMetres = 0.0;
    if (!parseId(fields[0], requestId)) {
        return fail(1);
    }
    if (!parseNumber(fields[1], latitude) || std::fabs(latitude) > 90.0) {
        return fail(2);
    }
    if (!parseNumber(fields[2], longitude)) {
        return fail(3);
    }
    if (!parseNumber(fields[3], altitudeMetres)) {
        return fail(4);
    }
    if (!settings_.answersWeather) {
        return true;  // taken, as the newer simulators take it, and never answered
    }
    const double altitudeFeet = altitudeMetres * kFeetPerMetre;
    SimMessage message;
    message.kind = MessageKind::WeatherObservation;
    message.requestId = requestId;
    message.text =
        weatherReport(simulatedUtcSeconds(), wind_.at(LatLon{latitude, longitude}, altitudeFeet),
                      standardTemperatureCelsius(altitudeFeet));
    outbox_.push_back(message);
    return true;
}

void Session::performSimEvent(const std::string& name, std::uint32_t data, std::string_view by) {
    const bool wasPaused = paused_;
    if (name == "pause_toggle") {
        paused_ = !paused_;
    } else if (name == "pause_on") {
        paused_ = true;
    } else if (name == "pause_off") {
        paused_ = false;
    } else if (model_ && name == "throttle_cut") {
        model_->setThrottle(0.0);
    } else if (model_ && name == "throttle_full") {
        model_->setThrottle(1.0);
    } else if (model_ && name == "spoilers_toggle") {
        model_->setSpoilers(!model_->state().spoilersDeployed);
    } else if (model_ && name == "spoilers_on") {
        model_->setSpoilers(true);
    } else if (model_ && name == "spoilers_off") {
        model_->setSpoilers(false);
    }
    note(name + " by " + std::string(by));
    notifyMapped(name, data);
    if (paused_ != wasPaused) {
        fireSystemEvent("pause", paused_ ? 1 : 0);
        fireSystemEvent(paused_ ? "paused" : "unpaused", 0);
    }
}

// Every client event mapped to the simulator event that happened, and in a
// notification group, hears of it: the program's own transmissions as well
// as the user's keys.
void Session::notifyMapped(const std::string& name, std::uint32_t data) {
    for (const auto& [eventId, mappedName] : mappedEvents_) {
        const auto group = eventGroups_.find(eventId);
        if (mappedName != name || group == eventGroups_.end()) {
            continue;
        }
        SimMessage message;
        message.kind = MessageKind::Event;
        message.groupId = group->second;
        message.eventId = eventId;
        message.data = data;
        outbox_.push_back(message);
    }
}

void Session::fireSystemEvent(std::string_view name, std::uint32_t data) {
    const auto subscribed = subscriptions_.find(std::string(name));
    if (subscribed == subscriptions_.end()) {
        return;
    }
    for (const std::uint32_t eventId : subscribed->second) {
        SimMessage message;
        message.kind = MessageKind::Event;
        message.groupId = kNoGroup;
        message.eventId = eventId;
        message.data = data;
        outbox_.push_back(message);
    }
}

void Session::userEvent(std::string_view simEventName) {
    performSimEvent(lowerCase(simEventName), 0, "the user");
}

void Session::startFlight() {
    if (quitSent_) {
        return;
    }
    model_.emplace(route_, wind_, settings_.flight);
    flightRunning_ = true;
    paused_ = false;
    ++flightsStarted_;
    note("flight " + std::to_string(flightsStarted_) + " starts at " +
         route_.waypoints().front().id + ", " + std::to_string(std::lround(route_.lengthKm())) +
         " km to " + route_.waypoints().back().id);
    fireSystemEvent("simstart", 0);
}

void Session::endFlight() {
    flightRunning_ = false;
    note("flight " + std::to_string(flightsStarted_) + " ends at " + route_.waypoints().back().id);
    fireSystemEvent("simstop", 0);
    if (settings_.loop) {
        startFlight();
    } else {
        quit();
    }
}

void Session::quit() {
    if (quitSent_) {
        return;
    }
    quitSent_ = true;
    flightRunning_ = false;
    SimMessage message;
    message.kind = MessageKind::Quit;
    outbox_.push_back(message);
}

void Session::advance(double realSeconds) {
    carriedRealSeconds_ += std::max(realSeconds, 0.0);
    const double frame = 1.0 / settings_.framesPerSecond;
    while (carriedRealSeconds_ >= frame) {
        carriedRealSeconds_ -= frame;
        runFrame();
    }
}

double Session::simulatedSecondsPerFrame() const {
    return settings_.speedup / settings_.framesPerSecond;
}

void Session::runFrame() {
    if (!flightRunning() || paused_) {
        return;
    }
    flyFrame();
    sendDueData();
    if (model_->parked()) {
        endFlight();
    }
}

// The frame's simulated time in equal steps of at most
// kLongestModelStepSeconds; every stage passed on the way is noted.
void Session::flyFrame() {
    const double frameSeconds = simulatedSecondsPerFrame();
    // Less a hair before rounding up: 1 s / (1/30 s) computes as a little
    // over 30, which must stay 30 steps of exactly the tuned length.
    const int steps =
        std::max(1, static_cast<int>(std::ceil(frameSeconds / kLongestModelStepSeconds - 1e-9)));
    const double step = frameSeconds / steps;
    for (int i = 0; i < steps && !model_->parked(); ++i) {
        const FlightStage before = model_->state().stage;
        model_->step(step);
        simulatedSeconds_ += step;
        if (model_->state().stage != before) {
            note(std::string("stage: ") + stageName(model_->state().stage));
        }
    }
}

bool Session::periodPassed(DataRequest& request) {
    if (request.period != kPeriodSecond) {
        return true;  // ONCE, VISUAL_FRAME and SIM_FRAME all count frames
    }
    // SECOND counts real seconds, as the frames do: framesPerSecond frames.
    if (++request.framesIntoSecond < settings_.framesPerSecond) {
        return false;
    }
    request.framesIntoSecond = 0;
    return true;
}

std::vector<double> Session::dataBlock(std::uint32_t defineId) const {
    std::vector<double> values;
    const auto definition = definitions_.find(defineId);
    if (definition == definitions_.end()) {
        return values;
    }
    for (const Datum& datum : definition->second) {
        values.push_back(simVariableValue(datum.name, datum.units, model_->state()));
    }
    return values;
}

bool Session::changedSinceLastSent(const DataRequest& request,
                                   const std::vector<double>& values) const {
    if (!request.sentBefore || values.size() != request.lastSent.size()) {
        return true;
    }
    const std::vector<Datum>& data = definitions_.at(request.defineId);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double epsilon = i < data.size() ? data[i].epsilon : 0.0;
        if (std::fabs(values[i] - request.lastSent[i]) > epsilon) {
            return true;
        }
    }
    return false;
}

// A request sends on its first period after `origin` periods have passed,
// then every `interval` + 1 periods, until `limit` blocks (0: no limit).
// With the CHANGED flag a block equal to the last one sent is skipped.
void Session::sendDueData() {
    for (DataRequest& request : requests_) {
        if (!periodPassed(request)) {
            continue;
        }
        const std::uint64_t period = request.periodsElapsed++;
        if (period < request.origin || (period - request.origin) % (request.interval + 1ull) != 0) {
            continue;
        }
        std::vector<double> values = dataBlock(request.defineId);
        if ((request.flags & kFlagChanged) != 0 && !changedSinceLastSent(request, values)) {
            continue;
        }
        SimMessage message;
        message.kind = MessageKind::SimObjectData;
        message.requestId = request.requestId;
        message.objectId = request.objectId;
        message.defineId = request.defineId;
        message.values = values;
        outbox_.push_back(std::move(message));
        ++dataBlocksSent_;
        request.lastSent = std::move(values);
        request.sentBefore = true;
        ++request.sent;
    }
    std::erase_if(requests_, [](const DataRequest& r) {
        return (r.period == kPeriodOnce && r.sent > 0) || (r.limit != 0 && r.sent >= r.limit);
    });
}

double Session::simulatedUtcSeconds() const {
    return settings_.startUtcSeconds + simulatedSeconds_;
}

void Session::note(std::string text) {
    notes_.push_back(std::move(text));
}

std::vector<std::string> Session::takeNotes() {
    std::vector<std::string> notes;
    notes.swap(notes_);
    return notes;
}

std::vector<SimMessage> Session::takeMessages() {
    std::vector<SimMessage> messages;
    messages.swap(outbox_);
    return messages;
}

std::string Session::statusLine() const {
    if (!model_) {
        return opened_ ? "waiting for the flight to start" : "waiting for the program";
    }
    const AircraftState& a = model_->state();
    const long seconds = static_cast<long>(a.elapsedSeconds);
    char line[256];
    std::snprintf(line, sizeof line,
                  "%02ld:%02ld:%02ld %-7s %8.4f %9.4f %6.0f ft %+6.0f fpm  IAS %3.0f TAS %3.0f "
                  "M%.3f GS %3.0f kt  wind %03.0f/%02.0f  thrust %3.0f%%  spoilers %-3s%s",
                  seconds / 3600, (seconds / 60) % 60, seconds % 60, stageName(a.stage),
                  a.position.latitude, a.position.longitude, a.altitudeFeet,
                  a.verticalSpeedFeetPerSecond * 60.0, a.indicatedAirspeedKnots,
                  a.trueAirspeedKnots, a.mach, a.groundSpeedKnots, a.wind.directionDegrees,
                  a.wind.speedKnots, a.throttle * 100.0, a.spoilersDeployed ? "out" : "in",
                  paused_ ? "  PAUSED" : (flightRunning() ? "" : "  flight ended"));
    return line;
}

}  // namespace standin
