#pragma once

// The stand-in simulator's side of one connection: what it does with each
// call of the program and what it sends back, frame by frame. No sockets and
// no clock here: the executable feeds the program's calls in and the real
// time forward, and sends the messages out; tests do the same by hand.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/standin/flight_model.h"
#include "sim/standin/flight_plan.h"
#include "sim/standin/route_path.h"
#include "sim/standin/wind_field.h"

namespace standin {

enum class MessageKind {
    Open,
    Quit,
    Exception,
    Event,
    SimObjectData,
    WeatherObservation,
    SystemState
};

// One message to the program; only the fields of its kind are used.
struct SimMessage {
    MessageKind kind = MessageKind::Open;
    std::uint32_t requestId = 0;  // SimObjectData, WeatherObservation, SystemState
    std::uint32_t objectId = 0;   // SimObjectData
    std::uint32_t defineId = 0;   // SimObjectData
    std::uint32_t groupId = 0;    // Event
    std::uint32_t eventId = 0;    // Event
    std::uint32_t data = 0;       // Event
    std::uint32_t exception = 0;  // Exception
    std::uint32_t sendId = 0;     // Exception: the number of the failed call, from 1
    std::uint32_t index = 0;      // Exception: the failed field, from 1; 0 for the call itself
    std::uint32_t integer = 0;    // SystemState
    float floatValue = 0.0f;      // SystemState
    std::string text;             // Open: application; WeatherObservation: METAR; SystemState
    std::vector<double> values;   // SimObjectData

    // Open: the application's version.
    std::uint32_t versionMajor = 0;
    std::uint32_t versionMinor = 0;
};

// The group id of system event notifications, which belong to no group.
constexpr std::uint32_t kNoGroup = 0xFFFFFFFFu;
// The stand-in's one exception number: the call could not be carried out.
constexpr std::uint32_t kCallFailed = 1;

struct SessionSettings {
    std::string planPath;  // absolute: the "FlightPlan" system state
    FlightSettings flight;
    bool loop = false;  // fly the plan again after landing instead of quitting
    // Visual frames per REAL second, whatever the speed-up: a simulator draws
    // its frames at the screen's pace, so data requests counted in frames
    // arrive at the same real rate at any time acceleration.
    int framesPerSecond = 30;
    double speedup = 1.0;  // simulated seconds per real second
    std::string applicationName = "Corvessa stand-in simulator";
    std::uint32_t applicationVersionMajor = 0;
    std::uint32_t applicationVersionMinor = 0;
    // False plays the newer simulators: weather requests are taken and never
    // answered.
    bool answersWeather = true;
    double startUtcSeconds = (8 * 86400) + (15 * 3600) + (30 * 60);  // day 09, 15:30Z
};

// Where along the route the wind front stands, as a share of its length:
// past the middle, so that on the demo plan the aircraft meets it in cruise.
constexpr double kFrontRouteShare = 0.55;

// Thread safety: none; one thread owns a session.
class Session {
  public:
    // The plan must hold at least two waypoints (readFlightPlan sees to it).
    Session(std::vector<PlanWaypoint> plan, SessionSettings settings);

    // One call line of the program, by name and fields. False when the call
    // is unknown or malformed; the program is then sent an exception.
    bool handleCall(std::string_view name, const std::vector<std::string>& fields);

    // Starts a flight at the first waypoint: "Sim" becomes 1 and the
    // program is told "SimStart" if it subscribed.
    void startFlight();
    // Runs the frames that fall into `realSeconds` more of real time (the
    // rest is carried to the next call).
    void advance(double realSeconds);
    // One visual frame: the aircraft flies speedup / framesPerSecond
    // simulated seconds, in short steps, and the data blocks due go out.
    // Nothing happens while no flight runs or while paused.
    void runFrame();
    // The simulated seconds one visual frame covers.
    double simulatedSecondsPerFrame() const;

    // A simulator event done by the user (a key): it acts and notifies the
    // program exactly as when the program transmits it.
    void userEvent(std::string_view simEventName);
    // Ends the session: QUIT to the program.
    void quit();

    std::vector<SimMessage> takeMessages();
    // What happened since the last call, one line each, for the console:
    // flight start and end, stage changes and the simulator events done.
    std::vector<std::string> takeNotes();

    bool programOpened() const { return opened_; }
    bool programClosed() const { return closed_; }
    bool flightRunning() const { return model_.has_value() && flightRunning_; }
    bool paused() const { return paused_; }
    bool quitSent() const { return quitSent_; }
    int flightsStarted() const { return flightsStarted_; }
    // Aircraft data blocks sent, all flights.
    std::uint64_t dataBlocksSent() const { return dataBlocksSent_; }
    // The aircraft of the current or last flight; null before the first.
    const FlightModel* model() const { return model_ ? &*model_ : nullptr; }
    std::string statusLine() const;

  private:
    struct Datum {
        std::string name;
        std::string units;
        double epsilon;
    };
    struct DataRequest {
        std::uint32_t requestId = 0;
        std::uint32_t defineId = 0;
        std::uint32_t objectId = 0;
        std::uint32_t period = 0;
        std::uint32_t flags = 0;
        std::uint32_t origin = 0;
        std::uint32_t interval = 0;
        std::uint32_t limit = 0;
        std::uint64_t periodsElapsed = 0;
        int framesIntoSecond = 0;
        std::uint32_t sent = 0;
        std::vector<double> lastSent;
        bool sentBefore = false;
    };

    bool handleOpen(const std::vector<std::string>& fields);
    bool handleAddToDataDefinition(const std::vector<std::string>& fields);
    bool handleSubscribeToSystemEvent(const std::vector<std::string>& fields);
    bool handleRequestSystemState(const std::vector<std::string>& fields);
    bool handleRequestDataOnSimObject(const std::vector<std::string>& fields);
    bool handleMapClientEventToSimEvent(const std::vector<std::string>& fields);
    bool handleAddClientEventToNotificationGroup(const std::vector<std::string>& fields);
    bool handleSetNotificationGroupPriority(const std::vector<std::string>& fields);
    bool handleTransmitClientEvent(const std::vector<std::string>& fields);
    bool handleWeatherRequest(const std::vector<std::string>& fields);

    bool fail(std::uint32_t fieldIndex);
    void performSimEvent(const std::string& name, std::uint32_t data, std::string_view by);
    void note(std::string text);
    void notifyMapped(const std::string& name, std::uint32_t data);
    void fireSystemEvent(std::string_view name, std::uint32_t data);
    void sendDueData();
    bool periodPassed(DataRequest& request);
    std::vector<double> dataBlock(std::uint32_t defineId) const;
    bool changedSinceLastSent(const DataRequest& request, const std::vector<double>& values) const;
    void flyFrame();
    void endFlight();
    double simulatedUtcSeconds() const;

    SessionSettings settings_;
    RoutePath route_;
    WindField wind_;
    std::optional<FlightModel> model_;
    bool flightRunning_ = false;
    bool paused_ = false;
    bool opened_ = false;
    bool closed_ = false;
    bool quitSent_ = false;
    int flightsStarted_ = 0;
    std::uint64_t dataBlocksSent_ = 0;
    std::uint32_t callCount_ = 0;
    double simulatedSeconds_ = 0.0;  // flown since the session began, all flights
    double carriedRealSeconds_ = 0.0;

    std::map<std::uint32_t, std::vector<Datum>> definitions_;
    std::vector<DataRequest> requests_;
    std::map<std::uint32_t, std::string> mappedEvents_;   // client event -> simulator event
    std::map<std::uint32_t, std::uint32_t> eventGroups_;  // client event -> notification group
    std::map<std::string, std::vector<std::uint32_t>>
        subscriptions_;  // system event -> client events
    std::vector<SimMessage> outbox_;
    std::vector<std::string> notes_;
};

}  // namespace standin
