#include "TxUnitsCtrl.h"

#include "TxFormat.h"
#include "TxString.h"

#include <cmath>

// ---------------------------------------------------------------------------
// Octave spectra

QString OctaveToStr(const TOctave& s, const QString& format)
{
    const QString separated = format + QStringLiteral(", ");
    QString text;
    for (int i = 0; i < OctaveBands - 1; ++i)
        text += Format(separated, s[i]);
    text += Format(format, s[OctaveBands - 1]);
    return text;
}

QString OctaveToExactStr(const TOctave& s, int decimals)
{
    QStringList texts;
    for (const double band : s)
        texts.append(FormatFixedExact(band, decimals));
    return texts.join(QStringLiteral(", "));
}

void StrToOctave(const QString& text, TOctave& s)
{
    const QStringList items = CommaTextToList(text);
    TOctave read{};
    const qsizetype count = std::min<qsizetype>(items.size(), OctaveBands);
    for (qsizetype i = 0; i < count; ++i)
        read[i] = StrToFloat(Trim(items[i]));
    s = read;
}

double AddDecibels(double a, double b)
{
    const long double sum = std::pow(10.0L, a / 10.0L) + std::pow(10.0L, b / 10.0L);
    return static_cast<double>(10.0L * std::log10(sum));
}

double OctaveTotal(const TOctave& s)
{
    const double t0 = AddDecibels(s[0], s[1]);
    const double t1 = AddDecibels(s[2], s[3]);
    const double t2 = AddDecibels(s[4], s[5]);
    const double t3 = AddDecibels(s[6], s[7]);
    const double t4 = AddDecibels(t0, t1);
    const double t5 = AddDecibels(t2, t3);
    return AddDecibels(t4, t5);
}

bool OctaveMeetsAll(const TOctave& a, const TOctave& b)
{
    for (int i = 0; i < OctaveBands; ++i)
        if (!(a[i] >= b[i]))
            return false;
    return true;
}

void FillOctave(TOctave& s, double value)
{
    s.fill(value);
}

void OffsetOctave(const TOctave& row, TOctave& s, double offset)
{
    const TOctave copy = row;
    for (int i = 0; i < OctaveBands; ++i)
        s[i] = offset + copy[i];
}

void RegenSpectrum(int modules, TOctave& s, double dim, double v)
{
    // The logarithms below would quietly give -inf or NaN; the caller relies
    // on an error to fall back to a zero spectrum.
    if (modules <= 0)
        throw EMathError(Format("Invalid floating point operation: %d modules", modules));
    if (!std::isfinite(dim) || dim <= 0)
        throw EMathError(Format("Invalid floating point operation: dimension %s", FloatToStr(dim)));
    if (!std::isfinite(v) || v <= 0)
        throw EMathError(Format("Invalid floating point operation: velocity %s", FloatToStr(v)));

    const double l1 = static_cast<double>(10.0L * std::log10(static_cast<long double>(dim)) + 47.0L);
    const double l2 = static_cast<double>(50.0L * std::log10(static_cast<long double>(v) / 10.0L) + l1);
    const double l3 = static_cast<double>(10.0L * std::log10(static_cast<long double>(modules) / 10.0L) + 10.0L);
    const TOctave& r = v < 8 ? RegenCorrections[0] : (v <= 32 ? RegenCorrections[1] : RegenCorrections[2]);
    for (int i = 0; i < OctaveBands; ++i)
        s[i] = static_cast<double>((static_cast<long double>(l2) + l3) + r[i]);
}

// ---------------------------------------------------------------------------
// Display quantities

QString AutoFormatString(TUnitsType kind, const QString& format, int extra, double d)
{
    Q_UNUSED(format);
    if (kind == utPressureBar && extra == 0)
        extra = 3;
    double a = std::fabs(d);
    if (a < 1e-9)
        a = 0;
    const double i = std::trunc(std::fabs(d));
    const bool general = a != 0 && (i >= 1e9 || a < 0.001);
    int n;
    if (a == 0 || i >= 100)
        n = 0;
    else if (i >= 10)
        n = 1;
    else if (i >= 1)
        n = 2;
    else if (a >= 0.1)
        n = 3;
    else if (a >= 0.01)
        n = 4;
    else if (a >= 0.001)
        n = 5;
    else
        n = 3;
    return QStringLiteral("%0.") + QString::number(std::max(n + extra, 0)) + QLatin1Char(general ? 'g' : 'f');
}

TUnitsCtrl::TUnitsCtrl(const QString& group, const QString& name, TUnitsType unitsType, int baseIndex, int unitIndex,
                       bool fixedFormat)
    : Group(group), Name(name), Field(fkPlain, QStringLiteral("%0.1f"), 0, 0, 0), FixedFormat(fixedFormat)
{
    Field.UnitsType = unitsType;
    Field.UnitsValue = ClampUnitsIndex(unitsType, unitIndex);
    Field.UnitsBase = ClampUnitsIndex(unitsType, baseIndex);
    UpdateConversion();
}

void TUnitsCtrl::UpdateConversion()
{
    GetUnitsConversion(Field.UnitsType, Field.UnitsValue, Field.UnitsBase, Label, Factor, Offset, Format);
}

void TUnitsCtrl::SetUnitIndex(int index)
{
    Field.UnitsValue = ClampUnitsIndex(Field.UnitsType, index);
    UpdateConversion();
}

void TUnitsCtrl::SetMetric()
{
    SetUnitIndex(DefaultMetricUnits(Field.UnitsType));
}

void TUnitsCtrl::SetImperial()
{
    SetUnitIndex(DefaultImperialUnits(Field.UnitsType));
}

QString TUnitsCtrl::FormatValue(int decimals, double value) const
{
    const double d = ToDisplayUnits(value, Factor, Offset);
    const QString pattern = FixedFormat ? Format : AutoFormatString(Field.UnitsType, Format, decimals, d);
    return ::Format(pattern, d);
}

QString TUnitsCtrl::FormatWithLabel(const QString& sep, int decimals, double value) const
{
    return FormatValue(decimals, value) + sep + Label;
}
