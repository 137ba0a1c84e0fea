#pragma once

#include "TxConv.h"
#include "TxErrors.h"
#include "TxFields.h"

#include <QString>

#include <array>

// ---------------------------------------------------------------------------
// Octave spectra: eight levels in dB for the bands 63 Hz .. 8 kHz.

constexpr int OctaveBands = 8;
using TOctave = std::array<double, OctaveBands>;

inline constexpr std::array<const char*, OctaveBands> BandLabels{"63", "125", "250", "500", "1K", "2K", "4K", "8K"};
// Text of a selection's shape byte: 0 circular (or annular), 1 rectangular.
inline constexpr std::array<const char*, 2> ShapeNames{"Circular", "Rectangular"};
inline constexpr TOctave ZeroOctave{};

// Band corrections of the regenerated-noise estimate, by passage velocity:
// row 0 below 8 m/s, row 1 from 8 to 32 m/s, row 2 above 32 m/s.
inline constexpr std::array<TOctave, 3> RegenCorrections{{
    {-2, -6, -7, -10, -12, -16, -19, -22},
    {-3, -5, -8, -7, -8, -10, -13, -15},
    {-3, -6, -10, -7, -7, -8, -10, -12},
}};

// A calculation whose inputs lie outside its domain (a logarithm of zero or
// of a negative value, an infinite or NaN input).
class EMathError : public Exception {
public:
    using Exception::Exception;
};

// The eight values, each printed with `format`, joined by ", ".
QString OctaveToStr(const TOctave& s, const QString& format);
// The same for files: each band as FormatFixedExact with `decimals`.
QString OctaveToExactStr(const TOctave& s, int decimals);
// Reads values separated by commas or blanks; missing upper bands become 0,
// items after the eighth are ignored. An item that is not a number raises
// EConvertError and leaves `s` as it was.
void StrToOctave(const QString& text, TOctave& s);
// 10 log10(10^(a/10) + 10^(b/10)), in extended precision.
double AddDecibels(double a, double b);
// Logarithmic sum of the eight bands. The pairing order fixes the last bits
// of the result, which show in totals printed side by side.
double OctaveTotal(const TOctave& s);
// True when a[i] >= b[i] in every band; a NaN on either side fails the band.
bool OctaveMeetsAll(const TOctave& a, const TOctave& b);
void FillOctave(TOctave& s, double value);
// s[i] = offset + row[i]; `s` may be `row`.
void OffsetOctave(const TOctave& row, TOctave& s, double offset);
// Regenerated sound power of a silencer of `modules` modules, characteristic
// dimension `dim` (m) and passage velocity `v` (m/s). Raises EMathError when
// a count, dimension or velocity is not positive and finite.
void RegenSpectrum(int modules, TOctave& s, double dim, double v);

// ---------------------------------------------------------------------------
// Display quantities

// A format whose decimals suit the magnitude of the display value `d`, plus
// `extra` decimals; tiny values get three significant digits. `format` is
// not used: callers pass the unit's own format for symmetry with it.
QString AutoFormatString(TUnitsType kind, const QString& format, int extra, double d);

// One quantity the program shows in many places in one unit the user picks
// for the whole program. Values handed to it are in its base unit.
class TUnitsCtrl {
public:
    TUnitsCtrl(const QString& group, const QString& name, TUnitsType unitsType, int baseIndex, int unitIndex,
               bool fixedFormat);
    TUnitsCtrl(const TUnitsCtrl&) = delete;
    TUnitsCtrl& operator=(const TUnitsCtrl&) = delete;

    // Refreshes Factor, Offset, Format and Label from the field's units.
    void UpdateConversion();
    // The index is limited to the kind's list: it may come from a file.
    void SetUnitIndex(int index);
    int GetUnitIndex() const { return Field.UnitsValue; }
    void SetMetric();
    void SetImperial();
    QString GetLabel() const { return Label; }
    QString GetBracketLabel() const { return QLatin1Char('[') + Label + QLatin1Char(']'); }
    // `value` in the display unit, with the unit's format or, unless
    // FixedFormat, with decimals from its magnitude plus `decimals`.
    QString FormatValue(int decimals, double value) const;
    // FormatValue + sep + label.
    QString FormatWithLabel(const QString& sep, int decimals, double value) const;

    // A cache of the conversion of the field's units.
    double Factor = 1.0;
    double Offset = 0.0;
    QString Format;
    QString Label;

    QString Group;   // heading in the unit-settings dialog
    QString Name;    // also the key in the INI section "Units"
    TNumField Field; // holds the kind, the chosen unit and the base unit
    bool FixedFormat = false;
};
