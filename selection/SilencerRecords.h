#pragma once

#include "TxUnitsCtrl.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <type_traits>

// A text of at most `Capacity` UTF-16 units held inside the record, so that
// records copy by plain assignment. A longer text is cut when stored, never
// between the two halves of a surrogate pair.
template <int Capacity>
class TFixedText {
    static_assert(Capacity > 0);

public:
    TFixedText() = default;
    TFixedText(const QString& text) { Assign(text); }
    TFixedText& operator=(const QString& text)
    {
        Assign(text);
        return *this;
    }

    void Assign(const QString& text)
    {
        qsizetype n = std::min<qsizetype>(text.size(), Capacity);
        if (n < text.size() && text[n - 1].isHighSurrogate())
            --n;
        std::fill(std::begin(FChars), std::end(FChars), u'\0');
        std::copy_n(reinterpret_cast<const char16_t*>(text.constData()), n, FChars);
        FLength = static_cast<int32_t>(n);
    }

    QString Text() const { return QString(reinterpret_cast<const QChar*>(FChars), FLength); }
    int Length() const { return FLength; }
    bool IsEmpty() const { return FLength == 0; }
    static constexpr int MaxLength = Capacity;

    friend bool operator==(const TFixedText&, const TFixedText&) = default;

private:
    int32_t FLength = 0;
    char16_t FChars[Capacity] = {};
};

// The duty of one search, in SI units.
struct TSpecificationRec {
    double airflow = 0;  // m³/s
    double maxdP = 0;    // Pa
    double width = 0;    // m; 0: no size test
    double height = 0;   // m; 0: no size test
    double diameter = 0; // m; 0: no size test
    TOctave atten{};     // required attenuation, dB

    friend bool operator==(const TSpecificationRec&, const TSpecificationRec&) = default;
};

// One accepted silencer. Holds no references: readers that keep one copy it.
struct TSelectionRec {
    TFixedText<16> prefix;
    TFixedText<48> model;
    TFixedText<96> rangedesc;
    TFixedText<96> size;
    uint8_t shape = 0;  // index into ShapeNames
    double widdiam = 0; // m
    int32_t nmodules = 0;
    double height = 0; // m; 0 for circular bodies
    double length = 0; // m
    double weight = 0;
    TOctave atten{}; // dB
    TOctave regen{}; // dB
    double dp = 0;   // Pa
    double db = 0;   // dB
    double vp = 0;   // m/s
    TFixedText<96> photo;
    TFixedText<96> ga;
    TFixedText<16> page;

    friend bool operator==(const TSelectionRec&, const TSelectionRec&) = default;
};

static_assert(std::is_trivially_copyable_v<TSpecificationRec>);
static_assert(std::is_trivially_copyable_v<TSelectionRec>);
