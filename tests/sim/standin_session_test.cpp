#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/standin/flight_plan.h"
#include "sim/standin/session.h"

using namespace standin;

namespace {

constexpr std::uint32_t kGroup = 0;

struct Declared {
    const char* name;
    const char* units;
};

// The program's aircraft data definition, in its order.
constexpr Declared kProgramDefinition[] = {
    {"Indicated Altitude", "feet"},
    {"Plane Latitude", "degrees"},
    {"Plane Longitude", "degrees"},
    {"ENG OIL TEMPERATURE:1", "Celsius"},
    {"ENG OIL PRESSURE:1", "Psi"},
    {"GROUND VELOCITY", "Knots"},
    {"PLANE HEADING DEGREES TRUE", "Degrees"},
    {"AIRSPEED TRUE", "Knots"},
    {"AIRSPEED MACH", "Mach"},
    {"AMBIENT WIND VELOCITY", "Knots"},
    {"AMBIENT WIND DIRECTION", "Degrees"},
    {"FUEL TOTAL QUANTITY WEIGHT", "Pounds"},
    {"VERTICAL SPEED", "Feet per second"},
    {"AIRSPEED INDICATED", "Knots"},
    {"AMBIENT TEMPERATURE", "Celsius"},
};

Session demoSession(bool loop = false, double speedup = 1.0) {
    const FlightPlanReading plan = readFlightPlan(CORVESSA_STANDIN_DEMO_PLAN);
    EXPECT_EQ(plan.error, "");
    SessionSettings settings;
    settings.planPath = "/plans/demo.pln";
    settings.loop = loop;
    settings.speedup = speedup;
    return Session(plan.waypoints, settings);
}

void call(Session& session, const std::string& name, std::vector<std::string> fields) {
    EXPECT_TRUE(session.handleCall(name, fields)) << name;
}

// What the program says on connecting.
void connectAsProgram(Session& session) {
    call(session, "Open", {"Devovav Adazova", "0"});
    for (const Declared& d : kProgramDefinition) {
        call(session, "AddToDataDefinition", {"0", d.name, d.units, "4", "0", "4294967295"});
    }
    call(session, "SubscribeToSystemEvent", {"0", "SimStart"});
    call(session, "RequestSystemState", {"9897", "Sim"});
    call(session, "RequestSystemState", {"9898", "FlightPlan"});
}

// What the program does once a flight runs.
void setUpEventsAsProgram(Session& session) {
    call(session, "RequestDataOnSimObject", {"0", "0", "0", "2", "1", "0", "20", "0"});
    const std::vector<std::pair<const char*, const char*>> maps = {
        {"1", "pause_toggle"},    {"3", "pause_off"},     {"2", "pause_on"},
        {"6", "SPOILERS_TOGGLE"}, {"7", "THROTTLE_FULL"}, {"5", "THROTTLE_CUT"}};
    for (const auto& [id, name] : maps) {
        call(session, "MapClientEventToSimEvent", {id, name});
    }
    for (const char* id : {"2", "1", "3", "4", "6"}) {
        call(session, "AddClientEventToNotificationGroup", {"0", id, "0"});
    }
    call(session, "SetNotificationGroupPriority", {"0", "1"});
}

void transmit(Session& session, std::uint32_t eventId) {
    call(session, "TransmitClientEvent", {"0", std::to_string(eventId), "0", "1", "16"});
}

std::vector<SimMessage> ofKind(const std::vector<SimMessage>& messages, MessageKind kind) {
    std::vector<SimMessage> found;
    for (const SimMessage& m : messages) {
        if (m.kind == kind) {
            found.push_back(m);
        }
    }
    return found;
}

// The (group, event) pairs of the EVENT messages.
std::vector<std::pair<std::uint32_t, std::uint32_t>> events(
    const std::vector<SimMessage>& messages) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> found;
    for (const SimMessage& m : ofKind(messages, MessageKind::Event)) {
        found.emplace_back(m.groupId, m.eventId);
    }
    return found;
}

// The frames (from 1) on which data blocks of `requestId` went out.
std::vector<int> blockFrames(Session& session, std::uint32_t requestId, int frames) {
    std::vector<int> found;
    for (int frame = 1; frame <= frames; ++frame) {
        session.runFrame();
        for (const SimMessage& m : ofKind(session.takeMessages(), MessageKind::SimObjectData)) {
            if (m.requestId == requestId) {
                found.push_back(frame);
            }
        }
    }
    return found;
}

using Pairs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

}  // namespace

TEST(StandinSession, AnswersTheProgramsOpeningAndStartsTheFlight) {
    Session session = demoSession();
    connectAsProgram(session);
    const std::vector<SimMessage> opening = session.takeMessages();
    ASSERT_EQ(opening.size(), 3u);
    EXPECT_EQ(opening[0].kind, MessageKind::Open);
    EXPECT_EQ(opening[0].text, "Corvessa stand-in simulator");
    // No flight yet: "Sim" is 0; the plan is loaded all the same.
    EXPECT_EQ(opening[1].requestId, 9897u);
    EXPECT_EQ(opening[1].integer, 0u);
    EXPECT_EQ(opening[2].requestId, 9898u);
    EXPECT_EQ(opening[2].text, "/plans/demo.pln");

    session.startFlight();
    EXPECT_EQ(events(session.takeMessages()), (Pairs{{kNoGroup, 0}}));  // SimStart
    call(session, "RequestSystemState", {"9897", "Sim"});
    EXPECT_EQ(session.takeMessages().at(0).integer, 1u);
    EXPECT_TRUE(session.flightRunning());
}

TEST(StandinSession, SendsTheDeclaredValuesEveryIntervalPlusOneFrames) {
    Session session = demoSession();
    connectAsProgram(session);
    session.startFlight();
    setUpEventsAsProgram(session);
    session.takeMessages();

    session.runFrame();
    const std::vector<SimMessage> first =
        ofKind(session.takeMessages(), MessageKind::SimObjectData);
    ASSERT_EQ(first.size(), 1u);
    const std::vector<double>& v = first[0].values;
    ASSERT_EQ(v.size(), 15u);
    const AircraftState& a = session.model()->state();
    EXPECT_EQ(v[0], a.altitudeFeet);
    EXPECT_EQ(v[0], 13.0);  // San Francisco's elevation
    EXPECT_NEAR(v[1], 37.619, 1e-3);
    EXPECT_NEAR(v[2], -122.375, 1e-3);
    EXPECT_EQ(v[5], a.groundSpeedKnots);
    EXPECT_EQ(v[6], a.headingDegrees);
    EXPECT_EQ(v[10], a.wind.directionDegrees);
    EXPECT_NEAR(v[12], 0.0, 1e-12);  // on the runway
    EXPECT_NEAR(v[14], 15.0, 0.1);   // standard sea-level temperature

    // Interval 20: every 21 frames from the first.
    EXPECT_EQ(blockFrames(session, 0, 63), (std::vector<int>{21, 42, 63}));
}

// Frames run in real time: a request counted in frames arrives at the same
// real rate at any speed-up, and each block covers more flight the faster
// the simulator runs.
TEST(StandinSession, BlocksArriveAtTheRealFrameRateWhateverTheSpeedup) {
    for (const double speedup : {1.0, 30.0, 200.0}) {
        SCOPED_TRACE(speedup);
        Session session = demoSession(false, speedup);
        connectAsProgram(session);
        session.startFlight();
        setUpEventsAsProgram(session);
        session.takeMessages();
        int blocks = 0;
        // 10.5 real seconds in the executable's turns of about 50 ms.
        for (int turn = 0; turn < 210; ++turn) {
            session.advance(0.05);
            blocks +=
                static_cast<int>(ofKind(session.takeMessages(), MessageKind::SimObjectData).size());
        }
        EXPECT_EQ(blocks, 15);  // 315 frames, one block every 21
        EXPECT_NEAR(session.model()->state().elapsedSeconds, 10.5 * speedup, 1e-6 * speedup);
    }
}

// A frame at a high speed-up covers many simulated seconds; the aircraft
// still flies them in short steps, so the flight is the one flown at real
// pace: same landing point, same duration.
TEST(StandinSession, HighSpeedupFliesTheSameFlightInShortSteps) {
    const auto flyAlone = [](double speedup) {
        Session session = demoSession(false, speedup);
        session.startFlight();
        for (int frame = 0; frame < 30 * 7200 && !session.quitSent(); ++frame) {
            session.runFrame();
        }
        EXPECT_TRUE(session.quitSent()) << speedup;
        return session.model()->state();
    };
    const AircraftState atRealPace = flyAlone(1.0);
    const AircraftState atThousand = flyAlone(1000.0);
    EXPECT_NEAR(atThousand.distanceFlownKm, atRealPace.distanceFlownKm, 0.01);
    EXPECT_NEAR(atThousand.fuelPounds, atRealPace.fuelPounds, 1.0);
    // The flight ends within the frame in which it parks.
    EXPECT_GE(atThousand.elapsedSeconds, atRealPace.elapsedSeconds - 1e-6);
    EXPECT_LT(atThousand.elapsedSeconds, atRealPace.elapsedSeconds + 0.1);
}

TEST(StandinSession, ChangedFlagAndEpsilonSkipBlocksThatDidNotChange) {
    Session session = demoSession();
    connectAsProgram(session);
    session.startFlight();
    // Unknown variables read 0 and never change; the latitude moves by far
    // less than a degree during the take-off roll.
    call(session, "AddToDataDefinition", {"1", "CABIN ALTITUDE", "feet", "4", "0", "4294967295"});
    call(session, "AddToDataDefinition",
         {"2", "PLANE LATITUDE", "degrees", "4", "1.0", "4294967295"});
    call(session, "RequestDataOnSimObject", {"10", "1", "0", "2", "1", "0", "0", "0"});
    call(session, "RequestDataOnSimObject", {"11", "1", "0", "2", "0", "0", "0", "0"});
    call(session, "RequestDataOnSimObject", {"12", "2", "0", "2", "1", "0", "0", "0"});
    call(session, "RequestDataOnSimObject", {"13", "0", "0", "2", "1", "0", "0", "0"});
    session.takeMessages();

    std::vector<int> counts(14, 0);
    for (int frame = 0; frame < 30; ++frame) {
        session.runFrame();
        for (const SimMessage& m : ofKind(session.takeMessages(), MessageKind::SimObjectData)) {
            ++counts[m.requestId];
            if (m.requestId == 10) {
                EXPECT_EQ(m.values, std::vector<double>{0.0});
            }
        }
    }
    EXPECT_EQ(counts[10], 1);   // changed-only: the first block only
    EXPECT_EQ(counts[11], 30);  // every frame
    EXPECT_EQ(counts[12], 1);   // within its epsilon
    EXPECT_EQ(counts[13], 30);  // the aircraft moves every frame
}

TEST(StandinSession, PeriodsOriginLimitOnceAndNever) {
    Session session = demoSession();
    connectAsProgram(session);
    session.startFlight();
    call(session, "RequestDataOnSimObject", {"20", "0", "0", "4", "0", "0", "0", "0"});  // SECOND
    call(session, "RequestDataOnSimObject", {"21", "0", "0", "2", "0", "2", "0", "0"});  // origin 2
    call(session, "RequestDataOnSimObject", {"22", "0", "0", "2", "0", "0", "0", "2"});  // limit 2
    call(session, "RequestDataOnSimObject", {"23", "0", "0", "1", "0", "0", "0", "0"});  // ONCE
    session.takeMessages();

    std::vector<std::vector<int>> frames(24);
    for (int frame = 1; frame <= 90; ++frame) {
        session.runFrame();
        for (const SimMessage& m : ofKind(session.takeMessages(), MessageKind::SimObjectData)) {
            frames[m.requestId].push_back(frame);
        }
        if (frame == 5) {
            call(session, "RequestDataOnSimObject", {"21", "0", "0", "0", "0", "0", "0", "0"});
        }
    }
    EXPECT_EQ(frames[20], (std::vector<int>{30, 60, 90}));
    EXPECT_EQ(frames[21], (std::vector<int>{3, 4, 5}));  // then NEVER ended it
    EXPECT_EQ(frames[22], (std::vector<int>{1, 2}));
    EXPECT_EQ(frames[23], (std::vector<int>{1}));

    // An undefined definition or another object cannot be served.
    EXPECT_FALSE(
        session.handleCall("RequestDataOnSimObject", {"24", "7", "0", "2", "0", "0", "0", "0"}));
    EXPECT_FALSE(
        session.handleCall("RequestDataOnSimObject", {"25", "0", "3", "2", "0", "0", "0", "0"}));
    const std::vector<SimMessage> refused = ofKind(session.takeMessages(), MessageKind::Exception);
    ASSERT_EQ(refused.size(), 2u);
    EXPECT_EQ(refused[0].index, 2u);
    EXPECT_EQ(refused[1].index, 3u);
}

TEST(StandinSession, PauseFreezesTheFlightAndItsData) {
    Session session = demoSession();
    connectAsProgram(session);
    session.startFlight();
    setUpEventsAsProgram(session);
    call(session, "SubscribeToSystemEvent", {"9", "Pause"});
    session.advance(5.0);
    session.takeMessages();

    transmit(session, 1);  // pause_toggle
    EXPECT_EQ(events(session.takeMessages()), (Pairs{{kGroup, 1}, {kNoGroup, 9}}));
    EXPECT_TRUE(session.paused());
    const double distance = session.model()->state().distanceFlownKm;
    session.advance(10.0);
    EXPECT_TRUE(ofKind(session.takeMessages(), MessageKind::SimObjectData).empty());
    EXPECT_EQ(session.model()->state().distanceFlownKm, distance);

    transmit(session, 2);  // pause_on: stays paused, the group still hears of it
    EXPECT_EQ(events(session.takeMessages()), (Pairs{{kGroup, 2}}));
    transmit(session, 3);  // pause_off
    const std::vector<SimMessage> resumed = session.takeMessages();
    EXPECT_EQ(events(resumed), (Pairs{{kGroup, 3}, {kNoGroup, 9}}));
    EXPECT_EQ(ofKind(resumed, MessageKind::Event).back().data, 0u);
    session.advance(1.0);
    EXPECT_FALSE(ofKind(session.takeMessages(), MessageKind::SimObjectData).empty());
    EXPECT_GT(session.model()->state().distanceFlownKm, distance);
}

TEST(StandinSession, EventsActOnTheAircraftAndNotifyOnlyTheirGroup) {
    Session session = demoSession();
    connectAsProgram(session);
    session.startFlight();
    setUpEventsAsProgram(session);
    session.takeMessages();

    transmit(session, 5);  // THROTTLE_CUT: not in the group
    EXPECT_TRUE(events(session.takeMessages()).empty());
    EXPECT_EQ(session.model()->state().throttle, 0.0);
    transmit(session, 7);  // THROTTLE_FULL
    EXPECT_TRUE(events(session.takeMessages()).empty());
    EXPECT_EQ(session.model()->state().throttle, 1.0);

    transmit(session, 6);  // SPOILERS_TOGGLE
    EXPECT_EQ(events(session.takeMessages()), (Pairs{{kGroup, 6}}));
    EXPECT_TRUE(session.model()->state().spoilersDeployed);

    // The program's SpoilersRetracted is mapped to nothing: its group hears
    // of it, but the simulator does nothing.
    transmit(session, 4);
    EXPECT_EQ(events(session.takeMessages()), (Pairs{{kGroup, 4}}));
    EXPECT_TRUE(session.model()->state().spoilersDeployed);

    transmit(session, 99);  // neither mapped nor in a group
    EXPECT_TRUE(session.takeMessages().empty());

    // The user's keys do what the same events do, and the program hears.
    session.userEvent("SPOILERS_TOGGLE");
    EXPECT_EQ(events(session.takeMessages()), (Pairs{{kGroup, 6}}));
    EXPECT_FALSE(session.model()->state().spoilersDeployed);
    session.userEvent("pause_toggle");
    EXPECT_EQ(events(session.takeMessages()), (Pairs{{kGroup, 1}}));
    EXPECT_TRUE(session.paused());
}

TEST(StandinSession, AnswersWeatherForThePointAndAltitudeAsked) {
    Session session = demoSession();
    connectAsProgram(session);
    session.takeMessages();
    const auto metar = [&](const char* latitude, const char* longitude, const char* metres) {
        call(session, "WeatherRequestInterpolatedObservation", {"1", latitude, longitude, metres});
        const std::vector<SimMessage> answers = session.takeMessages();
        EXPECT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers.at(0).requestId, 1u);
        return answers.at(0).text;
    };
    // Over Salinas, before the front, and over Gaviota, beyond it.
    const std::string north = metar("36.66", "-121.60", "10668");
    const std::string south = metar("34.53", "-120.09", "10668");
    int northDirection = 0, northSpeed = 0, southDirection = 0, southSpeed = 0;
    ASSERT_EQ(std::sscanf(north.c_str(), "ZZZZ 091530Z %3d%dKT", &northDirection, &northSpeed), 2)
        << north;
    ASSERT_EQ(std::sscanf(south.c_str(), "ZZZZ 091530Z %3d%dKT", &southDirection, &southSpeed), 2)
        << south;
    EXPECT_GT(std::abs(northDirection - southDirection), 90);
    EXPECT_GT(southSpeed, northSpeed + 30);
    EXPECT_NE(north.find(" M54/M58 Q1013"), std::string::npos) << north;  // FL350
    EXPECT_NE(metar("34.53", "-120.09", "0").find(" 15/11 Q1013"), std::string::npos);
}

// The newer simulators: named and versioned at the open, and silent on weather.
TEST(StandinSession, PlaysANewerSimulatorThatNeverAnswersWeather) {
    const FlightPlanReading plan = readFlightPlan(CORVESSA_STANDIN_DEMO_PLAN);
    SessionSettings settings;
    settings.applicationName = "KittyHawk";
    settings.applicationVersionMajor = 11;
    settings.answersWeather = false;
    Session session(plan.waypoints, settings);
    connectAsProgram(session);
    const SimMessage open = session.takeMessages().at(0);
    EXPECT_EQ(open.text, "KittyHawk");
    EXPECT_EQ(open.versionMajor, 11u);
    EXPECT_EQ(open.versionMinor, 0u);

    call(session, "WeatherRequestInterpolatedObservation", {"1", "36.66", "-121.60", "10668"});
    EXPECT_TRUE(session.takeMessages().empty());
    // A malformed request is still refused.
    EXPECT_FALSE(session.handleCall("WeatherRequestInterpolatedObservation", {"1", "x", "0", "0"}));
}

TEST(StandinSession, RefusesUnknownAndMalformedCalls) {
    Session session = demoSession();
    EXPECT_FALSE(session.handleCall("Teleport", {"1"}));
    EXPECT_FALSE(session.handleCall("TransmitClientEvent", {"0", "six", "0", "1", "16"}));
    EXPECT_FALSE(
        session.handleCall("WeatherRequestInterpolatedObservation", {"1", "95", "0", "0"}));
    EXPECT_FALSE(session.handleCall("RequestSystemState", {"9897"}));
    const std::vector<SimMessage> refused = session.takeMessages();
    ASSERT_EQ(refused.size(), 4u);
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
        {1, 0}, {2, 2}, {3, 2}, {4, 2}};
    for (std::size_t i = 0; i < refused.size(); ++i) {
        EXPECT_EQ(refused[i].kind, MessageKind::Exception);
        EXPECT_EQ(refused[i].exception, kCallFailed);
        EXPECT_EQ(std::make_pair(refused[i].sendId, refused[i].index), expected[i]) << i;
    }
}

TEST(StandinSession, QuitsAfterLandingOrFliesAgainWhenLooping) {
    for (const bool loop : {false, true}) {
        // Thirty times real time: each frame flies a simulated second.
        Session session = demoSession(loop, 30.0);
        connectAsProgram(session);
        call(session, "SubscribeToSystemEvent", {"8", "SimStop"});
        session.startFlight();
        session.takeMessages();
        std::vector<SimMessage> messages;
        for (int frame = 0; frame < 7200 && session.flightsStarted() == 1 && !session.quitSent();
             ++frame) {
            session.runFrame();
            for (SimMessage& m : session.takeMessages()) {
                if (m.kind != MessageKind::SimObjectData) {
                    messages.push_back(m);
                }
            }
        }
        const Pairs endEvents = events(messages);
        if (loop) {
            EXPECT_EQ(endEvents, (Pairs{{kNoGroup, 8}, {kNoGroup, 0}}));  // SimStop, SimStart
            EXPECT_FALSE(session.quitSent());
            EXPECT_EQ(session.model()->state().stage, FlightStage::TakeoffRoll);
        } else {
            EXPECT_EQ(endEvents, (Pairs{{kNoGroup, 8}}));
            ASSERT_FALSE(messages.empty());
            EXPECT_EQ(messages.back().kind, MessageKind::Quit);
            EXPECT_TRUE(session.quitSent());
            EXPECT_TRUE(session.model()->parked());
        }
    }
}

namespace {

// Plays the program's flight monitor against the session: its phase rule,
// its weather look-ahead and its three speed-control rules, with the limits
// "-spoilerControl 250 0.78 300 0.82" and "-altitude 35000".
class ProgramDouble {
  public:
    explicit ProgramDouble(Session& session) : session_(session) {}

    int overSpeed = 0;
    int underSpeed = 0;
    int windChange = 0;
    bool sawPhase[4] = {};

    void handle(const SimMessage& m) {
        if (m.kind == MessageKind::Event && m.eventId == 0 && !mapped_) {
            mapped_ = true;
            setUpEventsAsProgram(session_);
        } else if (m.kind == MessageKind::Event && m.eventId == 6) {
            spoilers_ = !spoilers_;
        } else if (m.kind == MessageKind::Event && m.eventId == 4) {
            spoilers_ = false;
        } else if (m.kind == MessageKind::SimObjectData && m.requestId == 0) {
            sample(m.values);
        } else if (m.kind == MessageKind::WeatherObservation && pending_) {
            observe(m.text);
        }
    }

  private:
    void sample(const std::vector<double>& v) {
        sample_ = v;
        pending_ = true;
        const double lat = v[1] * M_PI / 180, lon = v[2] * M_PI / 180, bearing = v[6] * M_PI / 180;
        const double d = 10.0 / 6371.01;
        const double lat2 = std::asin(std::sin(lat) * std::cos(d) +
                                      std::cos(lat) * std::sin(d) * std::cos(bearing));
        const double lon2 = lon + std::atan2(std::sin(bearing) * std::sin(d) * std::cos(lat),
                                             std::cos(d) - std::sin(lat2) * std::sin(lat));
        char text[3][32];
        std::snprintf(text[0], 32, "%.9g", static_cast<float>(lat2 * 180 / M_PI));
        std::snprintf(text[1], 32, "%.9g", static_cast<float>(lon2 * 180 / M_PI));
        std::snprintf(text[2], 32, "%.9g", static_cast<float>(v[0] * 0.3048));
        session_.handleCall("WeatherRequestInterpolatedObservation",
                            {"1", text[0], text[1], text[2]});
        if (static_cast<int>(v[0]) >= 35000) {
            phase_ = 2;
        } else if (v[0] >= previousAltitude_) {
            phase_ = 1;
        } else if (previousAltitude_ - v[0] >= 3.0) {
            phase_ = 3;
        }
        previousAltitude_ = v[0];
        sawPhase[phase_] = true;
    }

    void observe(const std::string& metar) {
        pending_ = false;
        char group[20] = {};
        std::sscanf(metar.c_str(), "%*s %*s %19s", group);
        const int aheadDirection = std::atoi(std::string(group, 3).c_str());
        const int aheadSpeed = std::atoi(group + 3);
        const auto& v = sample_;
        const int machMilli = static_cast<int>(v[8] * 1000), ias = static_cast<int>(v[13]);
        if ((machMilli > 820 || ias > 300) && phase_ == 2 && !spoilers_) {
            transmit(session_, 5);
            transmit(session_, 6);
            ++overSpeed;
        }
        if ((machMilli < 780 || ias < 250) && phase_ == 2 && spoilers_) {
            transmit(session_, 7);
            transmit(session_, 6);
            ++underSpeed;
        }
        int d = std::abs(aheadDirection - static_cast<int>(v[10])) % 360;
        d = d > 180 ? 360 - d : d;
        if (d > 10 || std::abs(aheadSpeed - static_cast<int>(v[9])) > 10) {
            const double head =
                aheadSpeed * std::cos((static_cast<int>(v[6]) - aheadDirection) * M_PI / 180);
            const double mach = (static_cast<int>(v[7]) + head) /
                                (39.0 * std::sqrt(static_cast<int>(v[14]) + 273.0));
            if (mach * 1000.0 > 820.0 && !spoilers_) {
                transmit(session_, 6);
                ++windChange;
            }
        }
    }

    Session& session_;
    bool mapped_ = false;
    bool spoilers_ = false;
    bool pending_ = false;
    int phase_ = 0;
    double previousAltitude_ = -9999.0;
    std::vector<double> sample_;
};

}  // namespace

// The demo's promise: with the demo limits the flight shows every kind of
// correction, each a handful of times rather than a flurry, at the speed-ups
// the demo and its test fly (a sample every 21 or 42 simulated seconds).
// The demo's promise: with the demo limits the flight shows every kind of
// correction, each a handful of times rather than a flurry. At the demo's
// speed-ups a sample comes every 21 or 42 simulated seconds, and where the
// samples fall depends on when the program's request arrived: every such
// phase must still see the wind front and cross the window both ways.
TEST(StandinDemoFlight, CrossesTheSpeedWindowBothWaysAndMeetsTheWindFront) {
    for (const double speedup : {1.0, 30.0, 60.0}) {
        for (const int lateFrames : {0, 7, 14}) {
            SCOPED_TRACE(testing::Message() << "speed-up " << speedup << ", program late by "
                                            << lateFrames << " frames");
            Session session = demoSession(false, speedup);
            ProgramDouble program(session);
            connectAsProgram(session);
            session.startFlight();
            const std::vector<SimMessage> simStart = session.takeMessages();
            for (int frame = 0; frame < lateFrames; ++frame) {
                session.runFrame();
            }
            for (const SimMessage& m : simStart) {
                program.handle(m);
            }
            for (int frame = 0; frame < 30 * 7200 && !session.quitSent(); ++frame) {
                session.runFrame();
                for (std::vector<SimMessage> messages = session.takeMessages(); !messages.empty();
                     messages = session.takeMessages()) {
                    for (const SimMessage& m : messages) {
                        program.handle(m);
                    }
                }
            }
            EXPECT_TRUE(session.quitSent());
            EXPECT_TRUE(program.sawPhase[1] && program.sawPhase[2] && program.sawPhase[3]);
            EXPECT_GE(program.overSpeed, 1);
            EXPECT_GE(program.underSpeed, 1);
            EXPECT_EQ(program.windChange, 1);
            EXPECT_LE(program.overSpeed + program.underSpeed + program.windChange, 12);
        }
    }
}
