#include "TxFields.h"

#include "TxErrors.h"
#include "TxFormat.h"
#include "TxPlatform.h"
#include "TxString.h"

#include <utility>

TField::TField(uint8_t kind, const QString& formatStr) : FormatStr(formatStr), Kind(kind) {}

TField::~TField() = default;

TNumField::TNumField(uint8_t kind, const QString& formatStr, double low, double high, double step)
    : TField(kind, formatStr), Low(low), High(high), Step(step), Decimals(DecimalsOfFormat(formatStr))
{
}

void TNumField::UpdateDecimals()
{
    Decimals = DecimalsOfFormat(FormatStr);
}

TEnumField::TEnumField(QStringList items) : TField(fkEnum, QString()), Items(std::move(items)) {}

QStringList SplitFieldDef(const QString& line, QChar delim)
{
    QStringList parts;
    QString rest = line;
    while (!rest.isEmpty()) {
        const qsizetype at = rest.indexOf(delim);
        if (at < 0) {
            parts.append(Trim(rest));
            break;
        }
        parts.append(Trim(rest.left(at)));
        rest.remove(0, at + 1);
    }
    return parts;
}

namespace {

bool HasAnyOf(const QString& text, const char* letters)
{
    for (const char* c = letters; *c; ++c)
        if (text.contains(QLatin1Char(*c)))
            return true;
    return false;
}

void PadTo(QStringList& parts, qsizetype count)
{
    while (parts.size() < count)
        parts.append(QString());
}

} // namespace

TFieldDef ParseFieldDef(const QString& line, QChar delim)
{
    QStringList parts = SplitFieldDef(line, delim);
    if (parts.size() < 4)
        PadTo(parts, 6);

    uint8_t kind = fkPlain;
    if (SameText(parts[3], QStringLiteral("PE")))
        kind = fkPropEditor;
    else if (SameText(parts[3], QStringLiteral("Spin")))
        kind = fkSpin;

    const QString format = parts[1];
    const bool isInteger = HasAnyOf(format, "dD");
    const bool isFloating = HasAnyOf(format, "fFgG");
    const bool isNumeric = isInteger || isFloating;
    const bool isPair = isNumeric && format.contains(QLatin1Char('/'));
    const bool isEnum = !isNumeric && SameText(format, QStringLiteral("enum"));

    TFieldDef def;
    try {
        if (isNumeric) {
            if (parts.size() < 7)
                PadTo(parts, 8);
            const double step = parts[6].isEmpty() ? 1.0 : StrToFloat(parts[6]);
            const double low = StrToFloat(parts[4]);
            const double high = StrToFloat(parts[5]);
            if (isPair)
                def.Field = std::make_unique<TDelimNumField>(kind, format, low, high, step);
            else
                def.Field = std::make_unique<TNumField>(kind, format, low, high, step);
        } else if (isEnum) {
            def.Field = std::make_unique<TEnumField>(parts.mid(3));
        } else {
            def.Field = std::make_unique<TField>(kind, format);
        }
    } catch (const Exception&) {
        def.Field = std::make_unique<TField>(kind, QStringLiteral("%S"));
        Messages().ShowError(QStringLiteral("Error initialising ") + parts[0]);
    }

    def.Caption = parts[2].isEmpty() ? parts[0] : parts[0] + QLatin1Char(',') + parts[2];
    if (isPair)
        def.DefaultText = Format(format, 0.0, 0.0);
    else if (isInteger)
        def.DefaultText = Format(format, 0);
    else if (isFloating)
        def.DefaultText = Format(format, 0.0);
    else if (isEnum && parts.size() > 3)
        def.DefaultText = parts[3];
    return def;
}
