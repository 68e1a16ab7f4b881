// corvessa-sim: the stand-in flight simulator. It waits for the program on
// the simulator link, flies a flight plan and answers the program's calls as
// the simulator would; see docs/stand-in-simulator.md.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/console_control.h"
#include "platform/keyboard.h"
#include "platform/sleep.h"
#include "sim/link/link_server.h"
#include "sim/standin/flight_plan.h"
#include "sim/standin/options.h"
#include "sim/standin/session.h"

namespace {

using Clock = std::chrono::steady_clock;

// Exit statuses besides 0.
constexpr int kExitBadCommandLine = 2;
constexpr int kExitBadPlan = 3;
constexpr int kExitCannotListen = 4;

// The loop's pace: often enough that a weather request is answered within a
// few milliseconds, seldom enough to leave the CPU to the program.
constexpr int kLoopSleepMs = 5;
constexpr int kWaitSliceMs = 100;  // how long a wait looks away from the stop flag
// At most this much real time is turned into frames per turn of the loop,
// so that a stalled process does not fly minutes in one burst.
constexpr double kLongestTurnSeconds = 0.25;
// After QUIT, how long the program gets to close the link before we go.
constexpr double kQuitGraceSeconds = 3.0;

std::atomic<bool> stopRequested{false};

// Ctrl-C and its kind: end the flight and tell the program, rather than
// leaving it waiting on a dead link.
bool onConsoleControl(std::uint32_t /*controlType*/) {
    stopRequested = true;
    return true;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void sendMessages(standin::Session& session, sim::LinkServer& link) {
    for (const standin::SimMessage& m : session.takeMessages()) {
        switch (m.kind) {
            case standin::MessageKind::Open:
                link.sendOpen(m.text, sim::ApplicationVersion{m.versionMajor, m.versionMinor});
                break;
            case standin::MessageKind::Quit:
                link.sendQuit();
                break;
            case standin::MessageKind::Exception:
                link.sendException(m.exception, m.sendId, m.index);
                break;
            case standin::MessageKind::Event:
                link.sendEvent(m.groupId, m.eventId, m.data);
                break;
            case standin::MessageKind::SimObjectData:
                link.sendSimObjectData(m.requestId, m.objectId, m.defineId, m.values);
                break;
            case standin::MessageKind::WeatherObservation:
                link.sendWeatherObservation(m.requestId, m.text);
                break;
            case standin::MessageKind::SystemState:
                link.sendSystemState(m.requestId, m.integer, m.floatValue, m.text);
                break;
        }
    }
}

void printNotes(standin::Session& session) {
    for (const std::string& note : session.takeNotes()) {
        std::printf("corvessa-sim: %s\n", note.c_str());
    }
}

// Hands the calls that arrived since the last turn to the session.
void handleNewCalls(standin::Session& session, sim::LinkServer& link, std::size_t& handled) {
    for (const sim::CallLine& call : link.takeCalls()) {
        ++handled;
        if (!session.handleCall(call.name, call.fields)) {
            std::fprintf(stderr, "corvessa-sim: cannot carry out the call %s (call %zu)\n",
                         call.name.c_str(), handled);
        }
    }
}

void handleKey(int key, standin::Session& session) {
    switch (key) {
        case 'p':
        case 'P':
            session.userEvent("pause_toggle");
            break;
        case 's':
        case 'S':
            session.userEvent("SPOILERS_TOGGLE");
            break;
        case 'q':
        case 'Q':
            session.quit();
            break;
        default:
            break;
    }
}

std::string absolutePlanPath(const std::string& chosen) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(chosen, error);
    return error ? chosen : absolute.lexically_normal().string();
}

int fly(const standin::StandinOptions& options, const std::string& planPath,
        std::vector<standin::PlanWaypoint> waypoints) {
    std::unique_ptr<sim::LinkServer> link =
        sim::LinkServer::listen(options.listenHost, options.listenPort);
    if (link == nullptr) {
        std::fprintf(stderr, "corvessa-sim: cannot listen on %s:%d\n", options.listenHost.c_str(),
                     options.listenPort);
        return kExitCannotListen;
    }
    std::printf("corvessa-sim: listening on %s\n", link->address().c_str());
    std::printf("corvessa-sim: plan %s, %zu waypoints, cruise %.0f ft at Mach %.2f, speed-up %g\n",
                planPath.c_str(), waypoints.size(), options.cruiseFeet, options.cruiseMach,
                options.speedup);
    std::printf("corvessa-sim: answers the open as %s %u.%u%s\n", options.applicationName.c_str(),
                options.applicationVersionMajor, options.applicationVersionMinor,
                options.answersWeather ? "" : ", gives no weather observations");

    standin::SessionSettings settings;
    settings.planPath = planPath;
    settings.flight.cruiseAltitudeFeet = options.cruiseFeet;
    settings.flight.cruiseMach = options.cruiseMach;
    settings.loop = options.loop;
    settings.speedup = options.speedup;
    settings.applicationName = options.applicationName;
    settings.applicationVersionMajor = options.applicationVersionMajor;
    settings.applicationVersionMinor = options.applicationVersionMinor;
    settings.answersWeather = options.answersWeather;
    standin::Session session(std::move(waypoints), settings);

    while (!link->waitForProgram(kWaitSliceMs)) {
        if (stopRequested) {
            return 0;
        }
    }
    std::printf("corvessa-sim: the program is connected\n");

    std::unique_ptr<platform::Keyboard> keyboard =
        platform::standardInputIsTerminal() ? platform::Keyboard::open() : nullptr;
    if (keyboard != nullptr) {
        std::printf("corvessa-sim: keys: p pause, s spoilers, q quit\n");
    }

    std::size_t handledCalls = 0;
    Clock::time_point lastTurn = Clock::now();
    Clock::time_point lastStatus = lastTurn;
    std::optional<Clock::time_point> openedAt;
    std::optional<Clock::time_point> quitAt;
    for (;;) {
        handleNewCalls(session, *link, handledCalls);
        if (session.programOpened() && !openedAt) {
            openedAt = Clock::now();
        }
        if (openedAt && session.flightsStarted() == 0 && !session.quitSent() &&
            secondsSince(*openedAt) >= options.startDelaySeconds) {
            session.startFlight();
        }

        const double turnSeconds = std::min(secondsSince(lastTurn), kLongestTurnSeconds);
        lastTurn = Clock::now();
        session.advance(turnSeconds);

        for (int key = keyboard ? keyboard->readKey() : -1; key >= 0; key = keyboard->readKey()) {
            handleKey(key, session);
        }
        if (stopRequested) {
            session.quit();
        }
        sendMessages(session, *link);
        printNotes(session);

        if (secondsSince(lastStatus) >= 1.0) {
            lastStatus = Clock::now();
            std::printf("%s\n", session.statusLine().c_str());
        }
        if (session.quitSent() && !quitAt) {
            quitAt = Clock::now();
        }
        if (!link->connected()) {
            if (!session.quitSent()) {
                std::printf("corvessa-sim: the program left before the end of the flight\n");
            }
            break;
        }
        if (quitAt && (session.programClosed() || secondsSince(*quitAt) >= kQuitGraceSeconds)) {
            break;
        }
        platform::sleepMilliseconds(kLoopSleepMs);
    }
    std::printf("corvessa-sim: aircraft data blocks sent: %llu\n",
                static_cast<unsigned long long>(session.dataBlocksSent()));
    std::printf("corvessa-sim: done\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const standin::ParsedOptions parsed =
        standin::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "corvessa-sim: %s\n%s", parsed.error.c_str(),
                     standin::usageText().c_str());
        return kExitBadCommandLine;
    }
    if (parsed.options.help) {
        std::fputs(standin::usageText().c_str(), stdout);
        return 0;
    }
    const std::string planPath = absolutePlanPath(
        parsed.options.planPath.empty() ? CORVESSA_STANDIN_DEMO_PLAN : parsed.options.planPath);
    standin::FlightPlanReading plan = standin::readFlightPlan(planPath);
    if (!plan.error.empty()) {
        std::fprintf(stderr, "corvessa-sim: %s\n", plan.error.c_str());
        return kExitBadPlan;
    }
    platform::installConsoleControlHandler(onConsoleControl);
    return fly(parsed.options, planPath, std::move(plan.waypoints));
}
