#pragma once

#include "TxConv.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

// How a numeric edit or a grid field formats a value.
enum TFormatType : uint8_t { ft_Auto, ft_Fixed, ft_AutoOverride, ft_Manual };

// Field kinds: how a grid edits the field's cells.
constexpr uint8_t fkPlain = 0;
constexpr uint8_t fkPropEditor = 1;
constexpr uint8_t fkEnum = 2;
constexpr uint8_t fkSpin = 3;

// One field (one grid column): its format and whether the user may edit it.
// The destructor is virtual only so that a grid can own fields of every class
// through one pointer and tell them apart.
class TField {
public:
    TField(uint8_t kind, const QString& formatStr);
    virtual ~TField();

    QString FormatStr;
    uint8_t Kind = fkPlain;
    bool Editable = true;
};

// A number with bounds and spin step (in base units) and its display unit.
class TNumField : public TField {
public:
    TNumField(uint8_t kind, const QString& formatStr, double low, double high, double step);
    // Decimals follow FormatStr after a grid replaces it.
    void UpdateDecimals();

    double Low = 0;
    double High = 0;
    double Step = 0;
    TUnitsType UnitsType = utNone;
    int UnitsValue = 0;  // index of the display unit
    int UnitsBase = 0;   // index of the unit values are stored in
    double Factor = 1.0; // shown = stored * Factor + Offset
    double Offset = 0.0;
    int Decimals = 0;
    TFormatType FormatType = ft_Fixed;
    int SigDigs = 5;
};

// Two numbers written as "a/b".
class TDelimNumField : public TNumField {
public:
    using TNumField::TNumField;
};

// A choice from a list.
class TEnumField : public TField {
public:
    explicit TEnumField(QStringList items);

    QStringList Items;
};

// A field-definition line split at `delim`, every part trimmed. An empty line
// gives no parts; a delimiter at the end adds no empty part.
QStringList SplitFieldDef(const QString& line, QChar delim);

// What a field-definition line defines: the field, the column caption (with
// the unit text appended after a ",") and the default text of its cells.
struct TFieldDef {
    std::unique_ptr<TField> Field;
    QString Caption;
    QString DefaultText;
};

// Builds the field of one line "caption;format;unit;editor;low;high;step;...",
// or for choices "caption;enum;unit;choice;choice;...". A numeric field whose
// bounds or step do not read as numbers becomes a "%S" text field and the
// message "Error initialising <caption>" is shown; the caption and default
// text are still built. A format that cannot format its default value raises
// EConvertError.
TFieldDef ParseFieldDef(const QString& line, QChar delim = QLatin1Char(';'));
