#include "sim/standin/weather_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace standin {
namespace {

// The air aloft is dry: the dew point stays 4 °C under the temperature.
constexpr double kDewPointSpreadCelsius = 4.0;
constexpr long kSecondsPerDay = 86400;
constexpr long kDaysPerMonth = 30;  // the report's day runs 01-30

std::string temperatureGroup(double celsius) {
    const long whole = std::lround(celsius);
    char text[8];
    if (whole < 0 || (whole == 0 && celsius < 0.0)) {
        std::snprintf(text, sizeof text, "M%02ld", std::labs(whole) % 100);
    } else {
        std::snprintf(text, sizeof text, "%02ld", whole % 100);
    }
    return text;
}

std::string windGroup(const Wind& wind) {
    const long speed = std::lround(wind.speedKnots);
    if (speed <= 0) {
        return "00000KT";
    }
    long direction = std::lround(wind.directionDegrees) % 360;
    if (direction <= 0) {
        direction += 360;  // north is 360; 000 means calm
    }
    char text[16];
    std::snprintf(text, sizeof text, "%03ld%02ldKT", direction, speed % 1000);
    return text;
}

}  // namespace

std::string weatherReport(double simulatedUtcSeconds, const Wind& wind, double temperatureCelsius) {
    const long total = static_cast<long>(std::floor(std::max(simulatedUtcSeconds, 0.0)));
    const long day = 1 + (total / kSecondsPerDay) % kDaysPerMonth;
    const long hour = (total % kSecondsPerDay) / 3600;
    const long minute = (total % 3600) / 60;
    char time[16];
    std::snprintf(time, sizeof time, "%02ld%02ld%02ldZ", day, hour, minute);
    return "ZZZZ " + std::string(time) + " " + windGroup(wind) + " 9999 FEW040 " +
           temperatureGroup(temperatureCelsius) + "/" +
           temperatureGroup(temperatureCelsius - kDewPointSpreadCelsius) + " Q1013";
}

}  // namespace standin
