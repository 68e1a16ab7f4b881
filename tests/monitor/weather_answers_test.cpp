#include "monitor/weather_answers.h"

#include <gtest/gtest.h>

#include <cstring>

#include "monitor/simulator_identity.h"

namespace {

TEST(MonitorWeatherAnswers, ThreeUnansweredRecordsInARowEndTheWaitUntilAnObservationComes) {
    WeatherAnswers answers;
    EXPECT_TRUE(recordsWaitForWeather(answers));
    // A late observation between replaced records starts the count again.
    EXPECT_FALSE(noteRecordUnanswered(answers));
    EXPECT_FALSE(noteRecordUnanswered(answers));
    EXPECT_FALSE(noteObservation(answers));
    EXPECT_FALSE(noteRecordUnanswered(answers));
    EXPECT_FALSE(noteRecordUnanswered(answers));
    EXPECT_TRUE(recordsWaitForWeather(answers));

    EXPECT_TRUE(noteRecordUnanswered(answers));  // the third in a row: said once
    EXPECT_FALSE(recordsWaitForWeather(answers));
    EXPECT_TRUE(sendsWeatherRequests(answers));
    EXPECT_FALSE(noteRecordUnanswered(answers));

    EXPECT_TRUE(noteObservation(answers));  // back, said once
    EXPECT_FALSE(noteObservation(answers));
    EXPECT_TRUE(recordsWaitForWeather(answers));
    EXPECT_FALSE(noteRecordUnanswered(answers));
    EXPECT_FALSE(noteRecordUnanswered(answers));
    EXPECT_TRUE(noteRecordUnanswered(answers));
}

TEST(MonitorWeatherAnswers, VersionElevenAndLaterAreNeverAskedForWeather) {
    WeatherAnswers older;
    EXPECT_FALSE(noteApplicationVersion(older, 10));
    EXPECT_TRUE(sendsWeatherRequests(older));
    EXPECT_TRUE(recordsWaitForWeather(older));

    WeatherAnswers newer;
    EXPECT_TRUE(noteApplicationVersion(newer, 11));
    EXPECT_FALSE(sendsWeatherRequests(newer));
    EXPECT_FALSE(recordsWaitForWeather(newer));
    // Nothing such a simulator sends brings the wait back.
    EXPECT_FALSE(noteObservation(newer));
    EXPECT_FALSE(recordsWaitForWeather(newer));
}

TEST(MonitorSimulatorIdentity, NamesTheSimulatorWithinItsField) {
    SIMCONNECT_RECV_OPEN open{};
    std::strcpy(open.szApplicationName, "KittyHawk");
    open.szApplicationName[10] = 'X';  // behind the terminator: not the name's
    open.dwApplicationVersionMajor = 11;
    open.dwApplicationBuildMajor = 282174;
    open.dwApplicationBuildMinor = 999;
    open.dwSimConnectVersionMajor = 11;
    open.dwSimConnectBuildMajor = 62651;
    open.dwSimConnectBuildMinor = 3;
    EXPECT_EQ(simulatorIdentity(open),
              "Simulator: KittyHawk 11.0, build 282174.999; client library 11.0.62651.3");

    std::memset(open.szApplicationName, 'n', sizeof open.szApplicationName);  // no terminator
    const std::string line = simulatorIdentity(open);
    EXPECT_EQ(line.substr(0, 11 + 256 + 1), "Simulator: " + std::string(256, 'n') + " ");
}

}  // namespace
