#include "sim/standin/sim_variables.h"

#include <cctype>
#include <numbers>
#include <optional>
#include <string>

namespace standin {
namespace {

// What a variable measures, which fixes the units it may be asked in.
enum class Quantity { Length, Angle, Speed, Temperature, Pressure, Weight, Mach, Ratio };

// Every value is first taken in the base unit of its quantity: feet,
// degrees, knots, degrees Celsius, psi, pounds, Mach, a ratio 0..1.
struct Variable {
    std::string_view name;
    Quantity quantity;
    double (*read)(const AircraftState&);
};

constexpr double kFeetPerSecondPerKnot = 1.0 / 0.592484;  // 1 kt = 1.68781 ft/s

const Variable kVariables[] = {
    {"INDICATED ALTITUDE", Quantity::Length, [](const AircraftState& a) { return a.altitudeFeet; }},
    {"PLANE ALTITUDE", Quantity::Length, [](const AircraftState& a) { return a.altitudeFeet; }},
    {"PLANE LATITUDE", Quantity::Angle, [](const AircraftState& a) { return a.position.latitude; }},
    {"PLANE LONGITUDE", Quantity::Angle,
     [](const AircraftState& a) { return a.position.longitude; }},
    {"PLANE HEADING DEGREES TRUE", Quantity::Angle,
     [](const AircraftState& a) { return a.headingDegrees; }},
    {"GPS GROUND TRUE TRACK", Quantity::Angle,
     [](const AircraftState& a) { return a.courseDegrees; }},
    {"GROUND VELOCITY", Quantity::Speed, [](const AircraftState& a) { return a.groundSpeedKnots; }},
    {"AIRSPEED TRUE", Quantity::Speed, [](const AircraftState& a) { return a.trueAirspeedKnots; }},
    {"AIRSPEED INDICATED", Quantity::Speed,
     [](const AircraftState& a) { return a.indicatedAirspeedKnots; }},
    {"AIRSPEED MACH", Quantity::Mach, [](const AircraftState& a) { return a.mach; }},
    {"VERTICAL SPEED", Quantity::Speed,
     [](const AircraftState& a) { return a.verticalSpeedFeetPerSecond / kFeetPerSecondPerKnot; }},
    {"AMBIENT WIND VELOCITY", Quantity::Speed,
     [](const AircraftState& a) { return a.wind.speedKnots; }},
    {"AMBIENT WIND DIRECTION", Quantity::Angle,
     [](const AircraftState& a) { return a.wind.directionDegrees; }},
    {"AMBIENT TEMPERATURE", Quantity::Temperature,
     [](const AircraftState& a) { return a.temperatureCelsius; }},
    {"FUEL TOTAL QUANTITY WEIGHT", Quantity::Weight,
     [](const AircraftState& a) { return a.fuelPounds; }},
    {"ENG OIL TEMPERATURE", Quantity::Temperature,
     [](const AircraftState& a) { return a.oilTemperatureCelsius; }},
    {"GENERAL ENG OIL TEMPERATURE", Quantity::Temperature,
     [](const AircraftState& a) { return a.oilTemperatureCelsius; }},
    {"ENG OIL PRESSURE", Quantity::Pressure,
     [](const AircraftState& a) { return a.oilPressurePsi; }},
    {"GENERAL ENG OIL PRESSURE", Quantity::Pressure,
     [](const AircraftState& a) { return a.oilPressurePsi; }},
    {"GENERAL ENG THROTTLE LEVER POSITION", Quantity::Ratio,
     [](const AircraftState& a) { return a.throttle; }},
    {"SPOILERS HANDLE POSITION", Quantity::Ratio,
     [](const AircraftState& a) { return a.spoilersDeployed ? 1.0 : 0.0; }},
    {"SIM ON GROUND", Quantity::Ratio,
     [](const AircraftState& a) { return a.onGround ? 1.0 : 0.0; }},
};

std::string canonical(std::string_view text) {
    std::string result;
    for (const char c : text) {
        result += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const auto first = result.find_first_not_of(' ');
    const auto last = result.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : result.substr(first, last - first + 1);
}

const Variable* findVariable(std::string_view name) {
    std::string key = canonical(name);
    const auto colon = key.find(':');
    if (colon != std::string::npos) {
        key.erase(colon);  // the engine or item index
    }
    for (const Variable& variable : kVariables) {
        if (variable.name == key) {
            return &variable;
        }
    }
    return nullptr;
}

bool isOneOf(const std::string& units, std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names) {
        if (units == name) {
            return true;
        }
    }
    return false;
}

// `value` in the base unit of `quantity`, converted to `units` (empty units
// mean the base unit); empty when the units do not suit the quantity.
std::optional<double> convert(double value, Quantity quantity, const std::string& units) {
    if (units.empty()) {
        return value;
    }
    switch (quantity) {
        case Quantity::Length:
            if (isOneOf(units, {"FEET", "FOOT", "FT"})) {
                return value;
            }
            if (isOneOf(units, {"METERS", "METER", "METRES", "METRE", "M"})) {
                return value * 0.3048;
            }
            break;
        case Quantity::Angle:
            if (isOneOf(units, {"DEGREES", "DEGREE"})) {
                return value;
            }
            if (isOneOf(units, {"RADIANS", "RADIAN"})) {
                return value * std::numbers::pi / 180.0;
            }
            break;
        case Quantity::Speed:
            if (isOneOf(units, {"KNOTS", "KNOT", "KT", "KTS"})) {
                return value;
            }
            if (isOneOf(units, {"FEET PER SECOND", "FOOT PER SECOND", "FT/S"})) {
                return value * kFeetPerSecondPerKnot;
            }
            if (isOneOf(units, {"FEET PER MINUTE", "FOOT PER MINUTE", "FT/MIN"})) {
                return value * kFeetPerSecondPerKnot * 60.0;
            }
            if (isOneOf(units, {"METERS PER SECOND", "METRES PER SECOND", "M/S"})) {
                return value * 0.514444;
            }
            if (isOneOf(units, {"KILOMETERS PER HOUR", "KILOMETRES PER HOUR", "KM/H"})) {
                return value * 1.852;
            }
            break;
        case Quantity::Temperature:
            if (isOneOf(units, {"CELSIUS"})) {
                return value;
            }
            if (isOneOf(units, {"FAHRENHEIT"})) {
                return value * 1.8 + 32.0;
            }
            if (isOneOf(units, {"KELVIN"})) {
                return value + 273.15;
            }
            if (isOneOf(units, {"RANKINE"})) {
                return (value + 273.15) * 1.8;
            }
            break;
        case Quantity::Pressure:
            if (isOneOf(units, {"PSI", "POUNDS PER SQUARE INCH"})) {
                return value;
            }
            if (isOneOf(units, {"PSF", "POUNDS PER SQUARE FOOT"})) {
                return value * 144.0;
            }
            if (isOneOf(units, {"PASCAL", "PASCALS", "PA"})) {
                return value * 6894.757;
            }
            break;
        case Quantity::Weight:
            if (isOneOf(units, {"POUNDS", "POUND", "LBS"})) {
                return value;
            }
            if (isOneOf(units, {"KILOGRAMS", "KILOGRAM", "KG"})) {
                return value * 0.45359237;
            }
            break;
        case Quantity::Mach:
            if (isOneOf(units, {"MACH", "NUMBER"})) {
                return value;
            }
            break;
        case Quantity::Ratio:
            if (isOneOf(units, {"PERCENT"})) {
                return value * 100.0;
            }
            if (isOneOf(units, {"PERCENT OVER 100", "NUMBER", "BOOL", "BOOLEAN"})) {
                return value;
            }
            break;
    }
    return std::nullopt;
}

}  // namespace

double simVariableValue(std::string_view name, std::string_view units,
                        const AircraftState& aircraft) {
    const Variable* variable = findVariable(name);
    if (variable == nullptr) {
        return 0.0;
    }
    return convert(variable->read(aircraft), variable->quantity, canonical(units)).value_or(0.0);
}

bool knowsSimVariable(std::string_view name) {
    return findVariable(name) != nullptr;
}

}  // namespace standin
