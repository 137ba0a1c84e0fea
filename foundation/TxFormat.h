#pragma once

#include <QString>

#include <cstdint>
#include <initializer_list>

// One argument of Format: an integer, a floating-point value or a text.
class FormatArg {
public:
    enum class Kind { Int, Float, Text };

    FormatArg(int v) : FKind(Kind::Int), FInt(v) {}
    FormatArg(unsigned v) : FKind(Kind::Int), FInt(v) {}
    FormatArg(long v) : FKind(Kind::Int), FInt(v) {}
    FormatArg(long long v) : FKind(Kind::Int), FInt(v) {}
    FormatArg(unsigned long v) : FKind(Kind::Int), FInt(static_cast<int64_t>(v)) {}
    FormatArg(unsigned long long v) : FKind(Kind::Int), FInt(static_cast<int64_t>(v)) {}
    FormatArg(double v) : FKind(Kind::Float), FFloat(v) {}
    FormatArg(long double v) : FKind(Kind::Float), FFloat(static_cast<double>(v)) {}
    FormatArg(const QString& v) : FKind(Kind::Text), FText(&v) {}
    FormatArg(const char* v) : FKind(Kind::Text), FOwned(QString::fromUtf8(v)), FText(&FOwned) {}
    FormatArg(const FormatArg& other);
    FormatArg& operator=(const FormatArg&) = delete;

    Kind kind() const { return FKind; }
    int64_t toInt() const { return FInt; }
    double toFloat() const { return FFloat; }
    const QString& toText() const { return *FText; }

private:
    Kind FKind;
    int64_t FInt = 0;
    double FFloat = 0.0;
    QString FOwned;
    const QString* FText = nullptr;
};

// The program's one number formatter, independent of the locale. Directives:
// "%d" (integer), "%s"/"%S" (text), "%x" (hexadecimal), "%[width][.prec]f"
// (fixed point), "%[width][.prec]g" (general: fixed when the value has at most
// prec digits before the point and is not below 0.00001, else scientific),
// "%%". Exact halves round away from zero and "-0" is never printed. A
// malformed pattern, a missing argument or one of the wrong kind raises
// EConvertError.
QString FormatList(const QString& pattern, std::initializer_list<FormatArg> args);

template <class... Args>
QString Format(const QString& pattern, const Args&... args)
{
    return FormatList(pattern, {FormatArg(args)...});
}

// Fixed-point text of a value with the given number of decimals (halves away
// from zero, never "-0"); the fast path of "%0.Nf".
QString FormatFixed(double value, int decimals);
// The one formatter of every file that stores numbers: as FormatFixed, with
// more decimals where the value needs them to read back exactly (0 decimals:
// the shortest fixed-point text that reads back exactly). A value whose text
// would run beyond 32 characters is written as FloatToStr writes it.
QString FormatFixedExact(double value, int decimals);

// What a text says as a number, by the program's one rule.
enum TEntryCheck {
    ecNumber,     // a number a double holds: the nearest double
    ecNoNumber,   // no number at all
    ecOutOfRange, // a number no double holds (beyond the largest, or not 0 and below the smallest)
    ecNotWhole,   // a number, but a whole one was asked for
};

// The program's one checked number reader: optional sign, digits with an
// optional "." and an optional exponent; no blanks, no group separators, no
// "inf", "nan" or hex. Every reader of numbers (files, the search, typed
// entries after NormaliseNumberText) comes down to it.
TEntryCheck CheckFloat(const char* first, const char* last, double& value);
TEntryCheck CheckFloat(const QString& text, double& value);
// Whether CheckFloat finds a number.
bool TryStrToFloat(const QString& text, double& value);
bool TryAsciiToFloat(const char* first, const char* last, double& value);
double StrToFloat(const QString& text); // raises EConvertError
double StrToFloatDef(const QString& text, double def);
// What a number CheckFloat found says as a whole number (an int): a fraction
// is ecNotWhole, a whole number beyond the ints ecOutOfRange.
TEntryCheck AsWholeNumber(TEntryCheck check, double x, int& value);
// The one reader of whole numbers in files and settings: CheckFloat, then
// AsWholeNumber, so "2", "2.0" and "2e0" all read as 2.
TEntryCheck CheckWholeNumber(const QString& text, int& value);
// Whether CheckWholeNumber finds a whole number.
bool TryStrToInt(const QString& text, int& value);
int StrToInt(const QString& text); // raises EConvertError
int StrToIntDef(const QString& text, int def);

// Shortest text that reads back exactly with StrToFloat ("2.8", "1E-5").
QString FloatToStr(double value);
// The whole number nearest the product of what `a` and `b` say in decimal
// (their shortest texts, as FloatToStr writes them), halves away from zero:
// 0.145 x 100 gives 15, where the double 0.145 times 100 lies below 14.5.
// A product of 2^53 or more (every such double is whole) or one that is not
// finite is a * b.
double RoundDecimalProduct(double a, double b);
QString IntToStr(int64_t value);
