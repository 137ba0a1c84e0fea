#include "TxFormat.h"

#include "TxErrors.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

FormatArg::FormatArg(const FormatArg& other)
    : FKind(other.FKind), FInt(other.FInt), FFloat(other.FFloat), FOwned(other.FOwned),
      FText(other.FText == &other.FOwned ? &FOwned : other.FText)
{
}

namespace {

// True when |value| * 10^decimals lies exactly half-way between two integers.
// With value = m * 2^e that is the case when m * 2^(e + 1 + decimals) * 5^decimals
// is an odd integer, i.e. when m has exactly -(e + 1 + decimals) trailing zero bits.
bool IsExactHalf(double value, int decimals)
{
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const int expBits = static_cast<int>((bits >> 52) & 0x7FF);
    uint64_t mant = bits & ((uint64_t(1) << 52) - 1);
    int e;
    if (expBits == 0) {
        e = -1074;
    } else {
        mant |= uint64_t(1) << 52;
        e = expBits - 1075;
    }
    if (mant == 0)
        return false;
    const int t = e + 1 + decimals;
    return t <= 0 && std::countr_zero(mant) == -t;
}

// Adds one unit in the last place of a string of digits (a "." may be inside);
// returns the string with a new leading "1" when the carry runs out.
void IncrementDigits(std::string& digits)
{
    for (auto i = digits.size(); i-- > 0;) {
        char& c = digits[i];
        if (c == '.')
            continue;
        if (c == '9') {
            c = '0';
        } else {
            ++c;
            return;
        }
    }
    digits.insert(digits.begin(), '1');
}

bool AllZero(const std::string& digits)
{
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0' || c == '.'; });
}

// |value| in fixed point with `decimals` decimals, halves away from zero.
std::string FixedMagnitude(double magnitude, int decimals)
{
    char buf[400];
    if (!IsExactHalf(magnitude, decimals)) {
        auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, decimals);
        return std::string(buf, r.ptr);
    }
    // An exact half has exactly decimals + 1 decimals, so this text is exact.
    auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, decimals + 1);
    std::string s(buf, r.ptr);
    s.pop_back(); // the final '5'
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    IncrementDigits(s);
    return s;
}

std::string FixedText(double value, int decimals)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    decimals = std::clamp(decimals, 0, 18);
    std::string s = FixedMagnitude(std::fabs(value), decimals);
    if (std::signbit(value) && !AllZero(s))
        s.insert(s.begin(), '-');
    return s;
}

// Rounds |value| to `sig` significant digits (halves away from zero): the
// digits without a point and the decimal exponent of the first one.
void RoundSignificant(double magnitude, int sig, std::string& digits, int& exponent)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, sig - 1);
    std::string s(buf, r.ptr);
    const auto ePos = s.find('e');
    int exp10 = 0;
    std::from_chars(s.data() + ePos + 1 + (s[ePos + 1] == '+' ? 1 : 0), s.data() + s.size(), exp10);
    const int decimals = sig - 1 - exp10;
    if (decimals >= 0 && IsExactHalf(magnitude, decimals)) {
        std::string fixed = FixedMagnitude(magnitude, decimals);
        fixed.erase(std::remove(fixed.begin(), fixed.end(), '.'), fixed.end());
        const auto first = fixed.find_first_not_of('0');
        const int intDigits = static_cast<int>(fixed.size()) - decimals;
        fixed.erase(0, first);
        exponent = intDigits - 1 - static_cast<int>(first);
        digits = fixed.substr(0, static_cast<size_t>(sig));
        return;
    }
    if (decimals < 0 && magnitude == std::floor(magnitude)) {
        // An integer rounded to tens, hundreds...: exact digits, round by hand.
        char wide[400];
        auto ri = std::to_chars(wide, wide + sizeof wide, magnitude, std::chars_format::fixed, 0);
        std::string whole(wide, ri.ptr);
        const size_t keep = whole.size() - static_cast<size_t>(-decimals);
        std::string head = whole.substr(0, keep);
        const std::string tail = whole.substr(keep);
        if (tail[0] >= '5')
            IncrementDigits(head);
        exponent = static_cast<int>(whole.size()) - 1 + (head.size() > keep ? 1 : 0);
        digits = head.substr(0, static_cast<size_t>(sig));
        return;
    }
    digits.clear();
    for (size_t i = 0; i < ePos; ++i)
        if (s[i] != '.')
            digits.push_back(s[i]);
    exponent = exp10;
}

std::string GeneralText(double value, int sig)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    sig = std::clamp(sig, 1, 17);
    if (value == 0.0)
        return "0";
    std::string digits;
    int exponent = 0;
    RoundSignificant(std::fabs(value), sig, digits, exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    // Built in a buffer: at most 17 digits, a sign, a point, an exponent or
    // five leading zeros.
    char buf[48];
    size_t n = 0;
    auto put = [&](char c) { buf[n++] = c; };
    const int count = static_cast<int>(digits.size());
    if (std::signbit(value))
        put('-');
    if (exponent >= -5 && exponent < sig) {
        if (exponent < 0) {
            put('0');
            put('.');
            for (int i = 0; i < -exponent - 1; ++i)
                put('0');
            for (char c : digits)
                put(c);
        } else {
            for (int i = 0; i <= exponent || i < count; ++i) {
                if (i == exponent + 1)
                    put('.');
                put(i < count ? digits[static_cast<size_t>(i)] : '0');
            }
        }
    } else {
        put(digits[0]);
        if (count > 1) {
            put('.');
            for (int i = 1; i < count; ++i)
                put(digits[static_cast<size_t>(i)]);
        }
        put('E');
        auto r = std::to_chars(buf + n, buf + sizeof buf, exponent);
        n = static_cast<size_t>(r.ptr - buf);
    }
    return std::string(buf, n);
}

// Beyond this a file's number is written with an exponent ("3.5E-301").
constexpr size_t kLongestFixedExact = 32;

[[noreturn]] void BadFormat(const QString& pattern)
{
    throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(pattern));
}

QString Pad(QString text, int width, bool left)
{
    if (text.size() >= width)
        return text;
    const QString fill(width - text.size(), QLatin1Char(' '));
    return left ? text + fill : fill + text;
}

} // namespace

QString FormatFixed(double value, int decimals)
{
    return QString::fromLatin1(FixedText(value, decimals));
}

QString FormatFixedExact(double value, int decimals)
{
    std::string s = FixedText(value, decimals);
    double back = 0.0;
    if (!std::isfinite(value) || (TryAsciiToFloat(s.data(), s.data() + s.size(), back) && back == value)) {
        if (s.size() <= kLongestFixedExact)
            return QString::fromLatin1(s);
    } else {
        // The shortest fixed-point text that reads back exactly, padded to
        // the decimals asked for.
        char buf[400];
        const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
        s.assign(buf, r.ptr);
        const auto point = s.find('.');
        const int have = point == std::string::npos ? 0 : static_cast<int>(s.size() - point - 1);
        if (have < decimals)
            s.append(point == std::string::npos ? "." : "").append(static_cast<size_t>(decimals - have), '0');
        if (s.size() <= kLongestFixedExact)
            return QString::fromLatin1(s);
    }
    // Hundreds of zeros say less than an exponent does.
    return FloatToStr(value);
}

QString FormatList(const QString& pattern, std::initializer_list<FormatArg> args)
{
    QString out;
    out.reserve(pattern.size() + 16);
    auto arg = args.begin();
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = pattern[i];
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        if (++i >= n)
            BadFormat(pattern);
        if (pattern[i] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            continue;
        }
        bool leftAlign = false;
        if (pattern[i] == QLatin1Char('-')) {
            leftAlign = true;
            ++i;
        }
        int width = 0;
        while (i < n && pattern[i].isDigit() && pattern[i].unicode() < 128)
            width = std::min(width * 10 + (pattern[i++].unicode() - '0'), 1000);
        int prec = -1;
        if (i < n && pattern[i] == QLatin1Char('.')) {
            ++i;
            prec = 0;
            while (i < n && pattern[i].isDigit() && pattern[i].unicode() < 128)
                prec = std::min(prec * 10 + (pattern[i++].unicode() - '0'), 1000);
        }
        if (i >= n || arg == args.end())
            BadFormat(pattern);
        const FormatArg& a = *arg++;
        QString piece;
        switch (pattern[i].toLower().unicode()) {
        case 'd': {
            if (a.kind() != FormatArg::Kind::Int)
                BadFormat(pattern);
            const int64_t v = a.toInt();
            QString digits = QString::number(v < 0 ? -static_cast<uint64_t>(v) : static_cast<uint64_t>(v));
            if (prec > digits.size())
                digits = QString(prec - digits.size(), QLatin1Char('0')) + digits;
            piece = v < 0 ? QLatin1Char('-') + digits : digits;
            break;
        }
        case 'x': {
            if (a.kind() != FormatArg::Kind::Int)
                BadFormat(pattern);
            piece = QString::number(static_cast<uint64_t>(a.toInt()), 16);
            if (pattern[i] == QLatin1Char('X'))
                piece = piece.toUpper();
            if (prec > piece.size())
                piece = QString(prec - piece.size(), QLatin1Char('0')) + piece;
            break;
        }
        case 's':
            if (a.kind() != FormatArg::Kind::Text)
                BadFormat(pattern);
            piece = prec >= 0 ? a.toText().left(prec) : a.toText();
            break;
        case 'f':
            if (a.kind() != FormatArg::Kind::Float)
                BadFormat(pattern);
            piece = QString::fromLatin1(FixedText(a.toFloat(), prec < 0 ? 2 : prec));
            break;
        case 'g':
            if (a.kind() != FormatArg::Kind::Float)
                BadFormat(pattern);
            piece = QString::fromLatin1(GeneralText(a.toFloat(), prec < 0 ? 15 : prec));
            break;
        default:
            BadFormat(pattern);
        }
        out += Pad(piece, width, leftAlign);
    }
    return out;
}

TEntryCheck CheckFloat(const char* first, const char* last, double& value)
{
    // Syntax first: from_chars alone would take "inf", "nan" and "1e". The
    // mantissa's digits are gathered on the way (beyond 19 they wrap, but
    // then they are not used).
    const char* p = first;
    if (p != last && (*p == '+' || *p == '-'))
        ++p;
    uint64_t digits = 0;
    int mantDigits = 0;
    int decimals = 0;
    for (; p != last && static_cast<unsigned>(*p - '0') < 10u; ++p, ++mantDigits)
        digits = digits * 10 + static_cast<unsigned>(*p - '0');
    if (p != last && *p == '.') {
        for (++p; p != last && static_cast<unsigned>(*p - '0') < 10u; ++p, ++mantDigits, ++decimals)
            digits = digits * 10 + static_cast<unsigned>(*p - '0');
    }
    if (mantDigits == 0)
        return ecNoNumber;
    // Most numbers are short decimals without an exponent: an integer of at
    // most 15 digits divided by an exact power of ten is the correctly
    // rounded value, with no need for the general conversion.
    if (p == last && mantDigits <= 15) {
        static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const double magnitude = static_cast<double>(digits) / kPowers[decimals];
        value = *first == '-' ? -magnitude : magnitude;
        return ecNumber;
    }
    if (p != last && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p != last && (*p == '+' || *p == '-'))
            ++p;
        const char* expDigits = p;
        while (p != last && *p >= '0' && *p <= '9')
            ++p;
        if (p == expDigits)
            return ecNoNumber;
    }
    if (p != last)
        return ecNoNumber;

    double v = 0.0;
    const char* from = *first == '+' ? first + 1 : first;
    const auto r = std::from_chars(from, last, v, std::chars_format::general);
    // Beyond the largest double, or below the smallest one without being 0:
    // no double holds it, and none may stand in for it.
    if (r.ec == std::errc::result_out_of_range)
        return ecOutOfRange;
    if (r.ec != std::errc() || r.ptr != last)
        return ecNoNumber;
    if (!std::isfinite(v))
        return ecOutOfRange;
    value = v;
    return ecNumber;
}

TEntryCheck CheckFloat(const QString& text, double& value)
{
    const qsizetype n = text.size();
    std::string ascii(static_cast<size_t>(n), '\0');
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 128)
            return ecNoNumber;
        ascii[static_cast<size_t>(i)] = static_cast<char>(c);
    }
    return CheckFloat(ascii.data(), ascii.data() + ascii.size(), value);
}

bool TryAsciiToFloat(const char* first, const char* last, double& value)
{
    return CheckFloat(first, last, value) == ecNumber;
}

bool TryStrToFloat(const QString& text, double& value)
{
    return CheckFloat(text, value) == ecNumber;
}

double StrToFloat(const QString& text)
{
    double v = 0.0;
    if (!TryStrToFloat(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return v;
}

double StrToFloatDef(const QString& text, double def)
{
    double v = 0.0;
    return TryStrToFloat(text, v) ? v : def;
}

TEntryCheck AsWholeNumber(TEntryCheck check, double x, int& value)
{
    if (check != ecNumber)
        return check;
    if (x != std::trunc(x))
        return ecNotWhole;
    if (!(x >= std::numeric_limits<int>::min() && x <= std::numeric_limits<int>::max()))
        return ecOutOfRange;
    value = static_cast<int>(x);
    return ecNumber;
}

TEntryCheck CheckWholeNumber(const QString& text, int& value)
{
    double x = 0.0;
    const TEntryCheck check = CheckFloat(text, x);
    return AsWholeNumber(check, x, value);
}

bool TryStrToInt(const QString& text, int& value)
{
    return CheckWholeNumber(text, value) == ecNumber;
}

int StrToInt(const QString& text)
{
    int v = 0;
    if (!TryStrToInt(text, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
}

int StrToIntDef(const QString& text, int def)
{
    int v = 0;
    return TryStrToInt(text, v) ? v : def;
}

QString FloatToStr(double value)
{
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NAN") : (value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF"));
    if (value == 0.0)
        return QStringLiteral("0");
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    std::string s(buf, r.ptr);
    const auto ePos = s.find('e');
    if (ePos != std::string::npos) {
        int exp10 = 0;
        const char* expStart = s.data() + ePos + 1;
        if (*expStart == '+')
            ++expStart;
        std::from_chars(expStart, s.data() + s.size(), exp10);
        s = s.substr(0, ePos) + "E" + std::to_string(exp10);
    }
    return QString::fromLatin1(s);
}

namespace {

// A finite, positive double as its shortest text says it: Digits x 10^Exponent.
struct TShortestDecimal {
    uint64_t Digits = 0;
    int Exponent = 0;
};

TShortestDecimal ShortestDecimal(double magnitude)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
    TShortestDecimal d;
    const char* p = buf;
    int count = 0;
    for (; p != r.ptr && *p != 'e'; ++p) {
        if (*p != '.') {
            d.Digits = d.Digits * 10 + static_cast<unsigned>(*p - '0');
            ++count;
        }
    }
    if (p != r.ptr && *++p == '+')
        ++p;
    int exp10 = 0;
    std::from_chars(p, r.ptr, exp10);
    d.Exponent = exp10 - (count - 1);
    return d;
}

} // namespace

double RoundDecimalProduct(double a, double b)
{
    const double product = a * b;
    if (!std::isfinite(product) || std::fabs(product) >= 0x1p53)
        return product;
    if (a == 0 || b == 0)
        return 0.0;
    // With a whole factor, most products need no texts: when the other is
    // the double nearest whole / factor, the decimal product lies within a
    // few units of the last place of `whole`, far from any half.
    const double factor = b == std::trunc(b) ? b : a;
    if (factor == std::trunc(factor)) {
        const double whole = std::round(product);
        if (std::fabs(whole) < 0x1p50 && whole / factor == (factor == b ? a : b))
            return whole;
    }
    // Two texts of at most 17 digits: their product has at most 34, which
    // the wide integer holds, as it does 10^34.
    __extension__ typedef unsigned __int128 TWide;
    const TShortestDecimal x = ShortestDecimal(std::fabs(a));
    const TShortestDecimal y = ShortestDecimal(std::fabs(b));
    TWide digits = TWide(x.Digits) * y.Digits;
    int exponent = x.Exponent + y.Exponent;
    for (; exponent > 0; --exponent) // the product is below 2^53, so few
        digits *= 10;
    if (exponent <= -35)
        return 0.0; // below 0.1
    TWide unit = 1;
    for (; exponent < 0; ++exponent)
        unit *= 10;
    TWide whole = digits / unit;
    if (2 * (digits % unit) >= unit)
        ++whole;
    if (whole == 0)
        return 0.0;
    const double magnitude = static_cast<double>(whole);
    return (a < 0) != (b < 0) ? -magnitude : magnitude;
}

QString IntToStr(int64_t value)
{
    return QString::number(value);
}
