#include "sim/standin/atmosphere.h"

#include <algorithm>
#include <cmath>

namespace standin {
namespace {

constexpr double kMetresPerFoot = 0.3048;
constexpr double kSeaLevelTemperatureKelvin = 288.15;
constexpr double kSeaLevelPressurePascal = 101325.0;
constexpr double kLapseRateKelvinPerMetre = 0.0065;  // troposphere
constexpr double kTropopauseMetres = 11000.0;
constexpr double kTropopauseTemperatureKelvin = 216.65;  // constant up to 20 km
constexpr double kGravity = 9.80665;                     // m/s²
constexpr double kGasConstantAir = 287.05287;            // J/(kg·K)
constexpr double kHeatCapacityRatio = 1.4;
constexpr double kKnotsPerMetrePerSecond = 1.0 / 0.514444;
constexpr double kLowestFeet = -2000.0;
constexpr double kHighestFeet = 65000.0;  // 19.8 km, still in the constant-temperature layer

double troposphereExponent() {
    return kGravity / (kLapseRateKelvinPerMetre * kGasConstantAir);
}

double tropospherePressure(double temperatureKelvin) {
    return kSeaLevelPressurePascal *
           std::pow(temperatureKelvin / kSeaLevelTemperatureKelvin, troposphereExponent());
}

double speedOfSoundKnots(double temperatureKelvin) {
    return std::sqrt(kHeatCapacityRatio * kGasConstantAir * temperatureKelvin) *
           kKnotsPerMetrePerSecond;
}

// Impact pressure of subsonic flow at `mach` under static pressure `pressure`.
double impactPressure(double mach, double pressure) {
    return pressure * (std::pow(1.0 + 0.2 * mach * mach, 3.5) - 1.0);
}

double machFromImpactPressure(double impact, double pressure) {
    return std::sqrt(5.0 * (std::pow(impact / pressure + 1.0, 2.0 / 7.0) - 1.0));
}

}  // namespace

AtmosphereSample standardAtmosphere(double altitudeFeet) {
    const double metres = std::clamp(altitudeFeet, kLowestFeet, kHighestFeet) * kMetresPerFoot;
    AtmosphereSample sample{};
    if (metres <= kTropopauseMetres) {
        sample.temperatureKelvin = kSeaLevelTemperatureKelvin - kLapseRateKelvinPerMetre * metres;
        sample.pressurePascal = tropospherePressure(sample.temperatureKelvin);
    } else {
        sample.temperatureKelvin = kTropopauseTemperatureKelvin;
        // Continuous at the tropopause: the layer above starts from the
        // pressure the troposphere ends with (22632 Pa).
        sample.pressurePascal = tropospherePressure(kTropopauseTemperatureKelvin) *
                                std::exp(-kGravity * (metres - kTropopauseMetres) /
                                         (kGasConstantAir * kTropopauseTemperatureKelvin));
    }
    sample.speedOfSoundKnots = speedOfSoundKnots(sample.temperatureKelvin);
    return sample;
}

double standardTemperatureCelsius(double altitudeFeet) {
    return standardAtmosphere(altitudeFeet).temperatureKelvin - 273.15;
}

double machFromIndicatedAirspeed(double indicatedKnots, double altitudeFeet) {
    // The airspeed indicator is calibrated against sea-level air, so the
    // impact pressure it measures is found at sea level and then read
    // against the static pressure at altitude.
    const double seaLevelSound = speedOfSoundKnots(kSeaLevelTemperatureKelvin);
    const double impact =
        impactPressure(std::max(indicatedKnots, 0.0) / seaLevelSound, kSeaLevelPressurePascal);
    return machFromImpactPressure(impact, standardAtmosphere(altitudeFeet).pressurePascal);
}

double indicatedAirspeedFromMach(double mach, double altitudeFeet) {
    const double seaLevelSound = speedOfSoundKnots(kSeaLevelTemperatureKelvin);
    const double impact =
        impactPressure(std::max(mach, 0.0), standardAtmosphere(altitudeFeet).pressurePascal);
    return machFromImpactPressure(impact, kSeaLevelPressurePascal) * seaLevelSound;
}

double trueAirspeedFromMach(double mach, double altitudeFeet) {
    return mach * standardAtmosphere(altitudeFeet).speedOfSoundKnots;
}

}  // namespace standin
