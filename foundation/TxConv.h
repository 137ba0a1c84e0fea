#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

// Quantity kinds. The numeric values are stored in INI files and window
// layouts, so the order is fixed.
enum TUnitsType : uint8_t {
    utNone, // a plain number without units
    utAirFlowPrim,
    utAirFlowSec,
    utAirFlowSmall,
    utAirFlowRate,
    utAirPressDrop,
    utAltitude,
    utAngularSpeed,
    utArea,
    utCondensateRate,
    utConductance,
    utConductivity,
    utDensity,
    utDiameter,
    utDutyPrim,
    utDutySec,
    utDutyRate,
    utEnergy,
    utEnthalpy,
    utFinDensity,
    utHeatOfRespir,
    utHeatTransCoeff,
    utHumidity,
    utLengthBig,
    utLengthMeasure,
    utLengthPrim,
    utLengthSec,
    utLengthSmall,
    utMass,
    utMassFlow,
    utMassFlowGas,
    utMassFlux,
    utMetRate,
    utPeopleDensity,
    utPower,
    utPressure,
    utPressureBar,
    utPressureSteam,
    utPressureRateGas,
    utPressureRateLiquid,
    utProportion,
    utSpecificHeat,
    utSpecificVol,
    utTemperature,
    utTemperatureChange,
    utThermalCapacity,
    utThermalResist,
    utTime,
    utVelocity,
    utViscosity,
    utVolume,
    utVolumeFluid,
    utWaterFlow,
    utWaterPressDrop,
};

constexpr int UnitsTypeCount = utWaterPressDrop + 1;

// Additive offsets of "°C", "°F" and "K"; used by utTemperature only, a
// temperature change has none.
inline constexpr std::array<double, 3> TempOffsets{0.0, 32.0, 273.15};

// A kind read from a file as an integer; anything out of range is utNone.
TUnitsType UnitsTypeFromInt(int value);

// value * factor + offset and (value - offset) / factor. Where the factor
// (or, back to the stored unit, its reciprocal) is a decimal of at most 15
// digits and there is no offset, the result is the double nearest the exact
// decimal product of the value's shortest text and that decimal: 900.45 mm
// is 0.90045 m, not 0.9004500000000001.
double ToDisplayUnits(double value, double factor, double offset);
double FromDisplayUnits(double value, double factor, double offset);

// Table look-ups. Unit indices are limited to the kind's list first (see
// ClampUnitsIndex), so an index from a hand-edited file never reads outside
// the tables; a kind outside the enumeration counts as utNone.
int GetUnitsCount(TUnitsType kind);                 // 0 for utNone
QString GetUnitsLabel(TUnitsType kind, int index);  // empty for utNone
QString GetUnitsFormat(TUnitsType kind, int index); // "%0.1f" for utNone
QStringList GetUnitsLabels(TUnitsType kind);        // empty for utNone
int ClampUnitsIndex(TUnitsType kind, int index);    // utNone: unchanged
int DefaultMetricUnits(TUnitsType kind);
int DefaultImperialUnits(TUnitsType kind);

// How to show a value stored in unit `base` in unit `index`: shown =
// ToDisplayUnits(stored, factor, offset). For utNone `factor` and `offset`
// keep what the caller holds.
void GetUnitsConversion(TUnitsType kind, int index, int base, QString& label, double& factor, double& offset,
                        QString& format);
