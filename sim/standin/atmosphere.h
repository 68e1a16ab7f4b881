#pragma once

// The International Standard Atmosphere below 20 km (the troposphere and the
// lower stratosphere, where an airliner flies) and the airspeed conversions
// that follow from it: the stand-in flies indicated airspeed or Mach and
// derives every other speed from them, as an air data computer does.

namespace standin {

struct AtmosphereSample {
    double temperatureKelvin;
    double pressurePascal;
    double speedOfSoundKnots;
};

// Altitudes are pressure altitudes in feet; below -2000 ft and above 65000 ft
// the values of those limits are returned.
AtmosphereSample standardAtmosphere(double altitudeFeet);
double standardTemperatureCelsius(double altitudeFeet);

// Calibrated airspeed is taken as indicated airspeed (no instrument error).
// Subsonic flow only: the stand-in never flies faster than Mach 1.
double machFromIndicatedAirspeed(double indicatedKnots, double altitudeFeet);
double indicatedAirspeedFromMach(double mach, double altitudeFeet);
double trueAirspeedFromMach(double mach, double altitudeFeet);

}  // namespace standin
