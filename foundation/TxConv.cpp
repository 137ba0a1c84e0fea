#include "TxConv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

struct TUnitDef {
    const char* Label; // UTF-8
    double Factor;     // units of this entry per unit of entry 0
    const char* Format;
};

struct TKindDef {
    const TUnitDef* Units;
    int Count;
    int Metric;
    int Imperial;
};

// Unit groups: label, factor, display format.
// clang-format off
constexpr TUnitDef U1[] = {
    {"m³/s", 1.0, "%0.3f"},
    {"m³/min", 60.0, "%0.2f"},
    {"m³/hr", 3600.0, "%0.0f"},
    {"l/s", 1000.0, "%0.0f"},
    {"cfm", 2118.8800032893155, "%0.2f"},
};
constexpr TUnitDef U2[] = {
    {"l/s", 1.0, "%0.1f"},
    {"m³/min", 0.06, "%0.2f"},
    {"cfm", 2.1188800032893154, "%0.3f"},
};
constexpr TUnitDef U3[] = {
    {"m³/s/m²", 1.0, "%0.3f"},
    {"m³/min/m²", 60.0, "%0.2f"},
    {"m³/hr/m²", 3600.0, "%0.0f"},
    {"l/s/m²", 1000.0, "%0.0f"},
    {"cfm/ft²", 196.8503937007874, "%0.2f"},
};
constexpr TUnitDef U4[] = {
    {"kPa", 1.0, "%0.3f"},
    {"Pa", 1000.0, "%0.0f"},
    {"Psi", 0.1450376807894691, "%0.4f"},
    {"Bar", 0.01, "%0.5f"},
    {"Atm", 0.00986923, "%0.5f"},
    {"InchWg", 4.014630759755623, "%0.4f"},
    {"InchHg", 0.295, "%0.4f"},
    {"mHead", 0.10197162129779283, "%0.4f"},
};
constexpr TUnitDef U5[] = {
    {"m", 1.0, "%0.1f"},
    {"ft", 3.2808398950131235, "%0.1f"},
};
constexpr TUnitDef U6[] = {
    {"rpm", 1.0, "%0.0f"},
    {"Rad/s", 0.10471975511965978, "%0.3f"},
    {"Rev/s", 0.016666666666666666, "%0.0f"},
};
constexpr TUnitDef U7[] = {
    {"m²", 1.0, "%0.1f"},
    {"cm²", 10000.0, "%0.1f"},
    {"mm²", 1000000.0, "%0.0f"},
    {"inch²", 1550.0031000062, "%0.2f"},
    {"ft²", 10.763910416709722, "%0.1f"},
};
constexpr TUnitDef U8[] = {
    {"g/s", 1.0, "%0.1f"},
    {"kg/s", 0.001, "%0.4f"},
    {"kg/min", 0.06, "%0.3f"},
    {"lb/hr", 7.936641438655593, "%0.3f"},
};
constexpr TUnitDef U9[] = {
    {"kW/°C", 1.0, "%0.3f"},
    {"W/°C", 1000.0, "%0.0f"},
    {"MBH/°F", 1.8956339758268757, "%0.3f"},
    {"Btu/h°F", 1895.6339758268755, "%0.0f"},
};
constexpr TUnitDef U10[] = {
    {"W/mK", 1.0, "%0.4g"},
    {"mW/mK", 1000.0, "%0.4g"},
    {"Btu/hr·ft°F", 0.5777007510109763, "%0.4g"},
};
constexpr TUnitDef U11[] = {
    {"kg/m³", 1.0, "%0.4g"},
    {"mg/L", 1000.0, "%0.1g"},
    {"lb/ft³", 0.06242796057614461, "%0.4g"},
};
constexpr TUnitDef U12[] = {
    {"m", 1.0, "%0.3f"},
    {"mm", 1000.0, "%0.0f"},
    {"inch", 39.37007874015748, "%0.2f"},
    {"1/8\"", 314.96062992125985, "%0.0f"},
    {"ft", 3.2808398950131235, "%0.3f"},
};
constexpr TUnitDef U13[] = {
    {"kW", 1.0, "%0.3f"},
    {"W", 1000.0, "%0.0f"},
    {"Btu/hr", 3412.141156488376, "%0.0f"},
    {"MBh", 3.412141156488376, "%0.3f"},
    {"kcal/hr", 859.184, "%0.1f"},
};
constexpr TUnitDef U14[] = {
    {"W/m²", 1.0, "%0.1f"},
    {"kW/m²", 0.001, "%0.3f"},
    {"Btu/hr·ft²", 0.31699828634688587, "%0.1f"},
    {"MBh/ft²", 0.000316998286346886, "%0.3f"},
    {"kcal/hr·ft²", 0.07982080551936, "%0.1f"},
};
constexpr TUnitDef U15[] = {
    {"kJ", 1.0, "%0.3f"},
    {"J", 1000.0, "%0.0f"},
    {"kW-hr", 0.0002777777777777778, "%0.5g"},
    {"W-hr", 0.2777777777777778, "%0.5g"},
    {"Btu", 0.9478169879134378, "%0.5g"},
};
constexpr TUnitDef U16[] = {
    {"kJ/kg", 1.0, "%0.1f"},
    {"Btu/lb", 0.4299226139294927, "%0.1f"},
};
constexpr TUnitDef U17[] = {
    {"fpi", 1.0, "%0.4f"},
    {"fin/mm", 0.03937007874015748, "%0.5f"},
    {"fins/m", 39.37007874015748, "%0.3f"},
    {"fins/ft", 12.0, "%0.3f"},
};
constexpr TUnitDef U18[] = {
    {"kJ/kg/day", 1.0, "%0.2f"},
    {"Btu/lb/day", 0.4299226139294927, "%0.2f"},
};
constexpr TUnitDef U19[] = {
    {"W/m²°C", 1.0, "%0.5g"},
    {"Btu/hr·ft²°F", 0.17611835153222966, "%0.5g"},
};
constexpr TUnitDef U20[] = {
    {"kg/kg", 1.0, "%0.4f"},
    {"g/kg", 1000.0, "%0.2f"},
    {"gr/lb", 7000.0, "%0.1f"},
};
constexpr TUnitDef U21[] = {
    {"m", 1.0, "%0.2f"},
    {"ft", 3.2808398950131235, "%0.1f"},
};
constexpr TUnitDef U22[] = {
    {"m", 1.0, "%0.3f"},
    {"cm", 100.0, "%0.2f"},
    {"mm", 1000.0, "%0.1f"},
    {"inch", 39.37007874015748, "%0.2f"},
    {"ft", 3.2808398950131235, "%0.3f"},
};
constexpr TUnitDef U23[] = {
    {"mm", 1.0, "%0.4f"},
    {"um", 1000.0, "%0.1f"},
    {"Thou\"", 39.37007874015748, "%0.3f"},
};
constexpr TUnitDef U24[] = {
    {"kg", 1.0, "%0.0f"},
    {"ton SI", 0.001, "%0.3f"},
    {"lb", 2.2046226218487757, "%0.1f"},
};
constexpr TUnitDef U25[] = {
    {"kg/s", 1.0, "%0.3f"},
    {"g/s", 1000.0, "%0.0f"},
    {"kg/hr", 3600.0, "%0.1f"},
    {"lb/s", 2.2046226218487757, "%0.4f"},
    {"lb/min", 132.27735731092656, "%0.2f"},
    {"lb/hr", 7936.6414386555925, "%0.0f"},
};
constexpr TUnitDef U26[] = {
    {"kg/m²s", 1.0, "%0.3f"},
    {"g/m²s", 1000.0, "%0.0f"},
    {"kg/m²hr", 3600.0, "%0.1f"},
    {"lb/ft²s", 0.20481614362252168, "%0.4f"},
    {"lb/ft²min", 12.288968617351301, "%0.2f"},
    {"lb/ft²hr", 737.3381170410781, "%0.0f"},
};
constexpr TUnitDef U27[] = {
    {"W/P", 1.0, "%0.1f"},
    {"Btu/hr/P", 3.412141156488376, "%0.0f"},
};
constexpr TUnitDef U28[] = {
    {"m²/P", 1.0, "%0.1f"},
    {"ft²/P", 10.763910416709722, "%0.2f"},
};
constexpr TUnitDef U29[] = {
    {"kW", 1.0, "%0.3f"},
    {"W", 1000.0, "%0.0f"},
    {"HP", 1.341021858656296, "%0.2f"},
};
constexpr TUnitDef U30[] = {
    {"kPa", 1.0, "%0.3f"},
    {"Psi", 0.1450376807894691, "%0.4f"},
    {"Bar", 0.01, "%0.5f"},
    {"Atm", 0.00986923, "%0.5f"},
    {"InchHg", 0.295, "%0.4f"},
    {"mHead", 0.10197162129779283, "%0.4f"},
};
constexpr TUnitDef U31[] = {
    {"Pa/m", 1.0, "%0.2f"},
    {"kPa/m", 0.001, "%0.5f"},
    {"iwg/100'", 0.12236594555735139, "%0.4f"},
    {"Psi/ft", 4.4207485104630184e-05, "%0.6f"},
};
constexpr TUnitDef U32[] = {
    {"fraction", 1.0, "%0.3f"},
    {"%", 100.0, "%0.1f"},
    {"ratio", 1.0, "%0.3f"},
};
constexpr TUnitDef U33[] = {
    {"kJ/kg·K", 1.0, "%0.4g"},
    {"Btu/lb°F", 0.23883448770002388, "%0.4g"},
};
constexpr TUnitDef U34[] = {
    {"m³/kg", 1.0, "%0.3f"},
    {"ft³/lb", 16.018463373960138, "%0.3f"},
};
constexpr TUnitDef U35[] = {
    {"°C", 1.0, "%0.1f"},
    {"°F", 1.8, "%0.1f"},
    {"K", 1.0, "%0.2f"},
};
constexpr TUnitDef U36[] = {
    {"W-hr/m²°C", 1.0, "%0.1f"},
    {"Btu/ft²°F", 0.1761101590816033, "%0.1f"},
};
constexpr TUnitDef U37[] = {
    {"m²°C/W", 1.0, "%0.4f"},
    {"ft²·hr·°F/Btu", 5.678264134306047, "%0.3f"},
};
constexpr TUnitDef U38[] = {
    {"sec", 1.0, "%0.0f"},
    {"min", 0.016666666666666666, "%0.2f"},
    {"hr", 0.0002777777777777778, "%0.4f"},
};
constexpr TUnitDef U39[] = {
    {"m/s", 1.0, "%0.2f"},
    {"fpm", 196.8503937007874, "%0.1f"},
};
constexpr TUnitDef U40[] = {
    {"kg/m·s", 1.0, "%0.4g"},
    {"N·s/m²", 1.0, "%0.4g"},
    {"Pa·s", 1.0, "%0.4g"},
    {"cP", 1000.0, "%0.4g"},
    {"lbm/ft·s", 0.6719689751395068, "%0.4g"},
    {"lbf·s/ft²", 0.020885, "%0.4g"},
    {"lbf·hr/ft²", 5.8014e-06, "%0.4g"},
};
constexpr TUnitDef U41[] = {
    {"m³", 1.0, "%0.4f"},
    {"litre", 1000.0, "%0.2f"},
    {"cc", 1000000.0, "%0.0f"},
    {"ft³", 35.32, "%0.4f"},
    {"inch³", 61023.0, "%0.1f"},
};
constexpr TUnitDef U42[] = {
    {"kl", 1.0, "%0.3f"},
    {"litre", 1000.0, "%0.5g"},
    {"IP Gal", 220.0, "%0.5g"},
    {"US Gal", 264.1720523581484, "%0.5g"},
};
constexpr TUnitDef U43[] = {
    {"l/s", 1.0, "%0.3f"},
    {"l/min", 60.0, "%0.2f"},
    {"dm³/hr", 3600.0, "%0.2f"},
    {"m³/hr", 3.6, "%0.2f"},
    {"m³/s", 0.001, "%0.4f"},
    {"usgpm", 15.850323141488905, "%0.1f"},
};
// clang-format on

template <std::size_t N>
constexpr TKindDef Kind(const TUnitDef (&units)[N], int metric, int imperial)
{
    return {units, static_cast<int>(N), metric, imperial};
}

// Indexed by TUnitsType.
constexpr TKindDef Kinds[] = {
    TKindDef{nullptr, 0, 0, 0}, // utNone: no quantity (plain number)
    Kind(U1, 0, 4),             // utAirFlowPrim: Air Flow - Primary
    Kind(U1, 3, 4),             // utAirFlowSec: Air Flow - Secondary
    Kind(U2, 0, 2),             // utAirFlowSmall: Air Flow - Small
    Kind(U3, 3, 4),             // utAirFlowRate: Air Flow Rate
    Kind(U4, 1, 5),             // utAirPressDrop: Air Pressure Drop
    Kind(U5, 0, 1),             // utAltitude: Altitude
    Kind(U6, 0, 0),             // utAngularSpeed: Angular Speed
    Kind(U7, 0, 4),             // utArea: Area
    Kind(U8, 0, 3),             // utCondensateRate: Condensate Rate
    Kind(U9, 0, 2),             // utConductance: Conductance
    Kind(U10, 0, 2),            // utConductivity: Conductivity
    Kind(U11, 0, 2),            // utDensity: Density
    Kind(U12, 1, 2),            // utDiameter: Diameter
    Kind(U13, 0, 2),            // utDutyPrim: Duty - Primary
    Kind(U13, 1, 2),            // utDutySec: Duty - Secondary
    Kind(U14, 0, 2),            // utDutyRate: Duty Rate
    Kind(U15, 2, 4),            // utEnergy: Energy
    Kind(U16, 0, 1),            // utEnthalpy: Enthalpy
    Kind(U17, 2, 0),            // utFinDensity: Fin Density
    Kind(U18, 0, 1),            // utHeatOfRespir: Heat of Respiration
    Kind(U19, 0, 1),            // utHeatTransCoeff: Heat Transfer Coefficient
    Kind(U20, 1, 2),            // utHumidity: Humidity
    Kind(U21, 0, 1),            // utLengthBig: Length - Big
    Kind(U22, 2, 3),            // utLengthMeasure: Length - Measurement
    Kind(U22, 0, 4),            // utLengthPrim: Length - Primary
    Kind(U22, 2, 3),            // utLengthSec: Length - Secondary
    Kind(U23, 0, 2),            // utLengthSmall: Length - Small
    Kind(U24, 0, 2),            // utMass: Mass
    Kind(U25, 0, 3),            // utMassFlow: MassFlow
    Kind(U25, 2, 5),            // utMassFlowGas: MassFlow - Refrig./Steam
    Kind(U26, 0, 3),            // utMassFlux: MassFlux
    Kind(U27, 0, 1),            // utMetRate: Metabolic Rate
    Kind(U28, 0, 1),            // utPeopleDensity: People Density
    Kind(U29, 0, 2),            // utPower: Power
    Kind(U4, 0, 2),             // utPressure: Pressure - Absolute or Gauge
    Kind(U30, 0, 4),            // utPressureBar: Pressure - Barometric
    Kind(U4, 3, 2),             // utPressureSteam: Pressure - Steam
    Kind(U31, 0, 2),            // utPressureRateGas: Pressure Rate - Gas
    Kind(U31, 1, 3),            // utPressureRateLiquid: Pressure Rate - Liquid
    Kind(U32, 0, 0),            // utProportion: Proportion
    Kind(U33, 0, 1),            // utSpecificHeat: Specific Heat
    Kind(U34, 0, 1),            // utSpecificVol: Specific Volume
    Kind(U35, 0, 1),            // utTemperature: Temperature
    Kind(U35, 0, 1),            // utTemperatureChange: Temperature Change
    Kind(U36, 0, 1),            // utThermalCapacity: Thermal Capacity
    Kind(U37, 0, 1),            // utThermalResist: Thermal Resistance
    Kind(U38, 0, 1),            // utTime: Time
    Kind(U39, 0, 1),            // utVelocity: Velocity
    Kind(U40, 0, 4),            // utViscosity: Viscosity
    Kind(U41, 0, 3),            // utVolume: Volume
    Kind(U42, 0, 3),            // utVolumeFluid: Fluid Volume
    Kind(U43, 0, 5),            // utWaterFlow: Water Flow
    Kind(U4, 0, 2),             // utWaterPressDrop: Water Pressure Drop
};

static_assert(std::size(Kinds) == UnitsTypeCount);

const TKindDef* KindDef(TUnitsType kind)
{
    const int k = static_cast<int>(kind);
    if (k <= 0 || k >= UnitsTypeCount)
        return nullptr;
    return &Kinds[k];
}

const TUnitDef& UnitDef(const TKindDef& def, int index)
{
    return def.Units[std::clamp(index, 0, def.Count - 1)];
}

} // namespace

TUnitsType UnitsTypeFromInt(int value)
{
    return value > 0 && value < UnitsTypeCount ? static_cast<TUnitsType>(value) : utNone;
}

namespace {

// A finite value's shortest decimal that reads back as the value: its
// digits, times ten to the power `exp`.
void ShortestDecimal(double value, std::string& digits, int& exp)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    digits.clear();
    int fraction = 0;
    bool point = false;
    const char* p = buf;
    for (; p != r.ptr && *p != 'e'; ++p) {
        if (*p == '-')
            digits.push_back('-');
        else if (*p == '.')
            point = true;
        else {
            digits.push_back(*p);
            fraction += point ? 1 : 0;
        }
    }
    int exp10 = 0;
    if (p != r.ptr && *++p == '+')
        ++p;
    std::from_chars(p, r.ptr, exp10);
    exp = exp10 - fraction;
}

// A factor written with at most 15 significant digits, as the unit tables
// write theirs: that decimal as an integer and a power of ten.
bool ShortDecimal(double factor, uint64_t& mantissa, int& exp)
{
    // The decimals of the last few factors: a column or an edit converts
    // many values with one factor, a list row a few quantities in turn.
    struct TEntry {
        double Factor = 1.0;
        bool Short = true;
        uint64_t Mantissa = 1;
        int Exp = 0;
    };
    thread_local TEntry cache[4];
    thread_local unsigned oldest = 0;
    TEntry* entry =
        std::find_if(std::begin(cache), std::end(cache), [&](const TEntry& e) { return e.Factor == factor; });
    if (entry == std::end(cache)) {
        entry = &cache[oldest];
        oldest = (oldest + 1) % std::size(cache);
        entry->Factor = factor;
        entry->Short = factor > 0.0 && std::isfinite(factor);
        if (entry->Short) {
            std::string digits;
            ShortestDecimal(factor, digits, entry->Exp);
            entry->Short = digits.size() <= 15;
            entry->Mantissa = 0;
            for (const char c : digits)
                entry->Mantissa = entry->Mantissa * 10 + static_cast<uint64_t>(c - '0');
        }
    }
    mantissa = entry->Mantissa;
    exp = entry->Exp;
    return entry->Short;
}

// The double nearest the exact product of `value`'s decimal and a short
// decimal: a digit string times a number below 10^15, rounded once.
bool MultiplyDecimal(double value, uint64_t mantissa, int exp, double& result)
{
    std::string digits;
    int valueExp = 0;
    ShortestDecimal(value, digits, valueExp);
    const bool negative = digits.front() == '-';
    std::string product;
    uint64_t carry = 0; // stays below `mantissa`
    for (auto i = digits.size(); i-- > (negative ? 1u : 0u);) {
        const uint64_t x = static_cast<uint64_t>(digits[i] - '0') * mantissa + carry;
        product.push_back(static_cast<char>('0' + x % 10));
        carry = x / 10;
    }
    for (; carry; carry /= 10)
        product.push_back(static_cast<char>('0' + carry % 10));
    if (negative)
        product.push_back('-');
    std::reverse(product.begin(), product.end());
    product += 'e' + std::to_string(valueExp + exp);
    double v = 0.0;
    const auto r = std::from_chars(product.data(), product.data() + product.size(), v);
    if (r.ec != std::errc() || !std::isfinite(v))
        return false;
    result = v;
    return true;
}

} // namespace

double ToDisplayUnits(double value, double factor, double offset)
{
    uint64_t mantissa = 0;
    int exp = 0;
    double result = 0.0;
    if (factor != 1.0 && offset == 0.0 && value != 0.0 && std::isfinite(value) && ShortDecimal(factor, mantissa, exp) &&
        MultiplyDecimal(value, mantissa, exp, result))
        return result;
    return value * factor + offset;
}

double FromDisplayUnits(double value, double factor, double offset)
{
    // Dividing by a factor whose reciprocal is a short decimal (1000: 0.001,
    // inch per metre: 0.0254) multiplies by that decimal.
    const double reciprocal = 1.0 / factor;
    uint64_t mantissa = 0;
    int exp = 0;
    double result = 0.0;
    if (factor != 1.0 && offset == 0.0 && value != 0.0 && std::isfinite(value) &&
        ShortDecimal(reciprocal, mantissa, exp) && std::fabs(reciprocal * factor - 1.0) <= 4e-16 &&
        MultiplyDecimal(value, mantissa, exp, result))
        return result;
    return (value - offset) / factor;
}

int GetUnitsCount(TUnitsType kind)
{
    const TKindDef* def = KindDef(kind);
    return def ? def->Count : 0;
}

QString GetUnitsLabel(TUnitsType kind, int index)
{
    const TKindDef* def = KindDef(kind);
    return def ? QString::fromUtf8(UnitDef(*def, index).Label) : QString();
}

QString GetUnitsFormat(TUnitsType kind, int index)
{
    const TKindDef* def = KindDef(kind);
    return def ? QString::fromLatin1(UnitDef(*def, index).Format) : QStringLiteral("%0.1f");
}

QStringList GetUnitsLabels(TUnitsType kind)
{
    QStringList labels;
    if (const TKindDef* def = KindDef(kind))
        for (int i = 0; i < def->Count; ++i)
            labels.append(QString::fromUtf8(def->Units[i].Label));
    return labels;
}

int ClampUnitsIndex(TUnitsType kind, int index)
{
    const TKindDef* def = KindDef(kind);
    return def ? std::clamp(index, 0, def->Count - 1) : index;
}

int DefaultMetricUnits(TUnitsType kind)
{
    const TKindDef* def = KindDef(kind);
    return def ? def->Metric : 0;
}

int DefaultImperialUnits(TUnitsType kind)
{
    const TKindDef* def = KindDef(kind);
    return def ? def->Imperial : 0;
}

void GetUnitsConversion(TUnitsType kind, int index, int base, QString& label, double& factor, double& offset,
                        QString& format)
{
    label = GetUnitsLabel(kind, index);
    format = GetUnitsFormat(kind, index);
    const TKindDef* def = KindDef(kind);
    if (!def)
        return;
    index = ClampUnitsIndex(kind, index);
    base = ClampUnitsIndex(kind, base);
    factor = static_cast<double>(static_cast<long double>(def->Units[index].Factor) / def->Units[base].Factor);
    offset = 0.0;
    // A temperature stored in a unit with its own offset (K, °F) loses that
    // offset before the display unit's is added; for a base of °C this is
    // just the display unit's offset.
    if (kind == utTemperature)
        offset = static_cast<double>(TempOffsets[index] - static_cast<long double>(TempOffsets[base]) * factor);
}
