// Number texts as users type them: the normaliser, the value-pair reader, the
// one number reader, the whole-number reader and the unit conversions must
// never crash; what the reader accepts is finite, and a whole number is the
// number the reader reads.
#include "TxConv.h"
#include "TxErrors.h"
#include "TxFormat.h"
#include "TxString.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const QString normal = NormaliseNumberText(text);
        double a = 0, b = 0;
        ParseValuePair(normal, a, b);
    } catch (const EConvertError&) {
    }
    // A typed number is one a double holds, never one cut into another; the
    // unit conversions of any such value never crash.
    double typed = 0;
    if (CheckTypedFloat(text, typed) == ecNumber) {
        if (!std::isfinite(typed))
            std::abort();
        (void)FromDisplayUnits(typed, 1000.0, 0.0);
        (void)ToDisplayUnits(typed, 1000.0, 0.0);
        (void)FromDisplayUnits(typed, 39.37007874015748, 0.0);
    }
    double v = 0;
    if (TryStrToFloat(text, v)) {
        if (!std::isfinite(v))
            std::abort();
        // What Format writes reads back.
        double back = 0;
        if (!TryStrToFloat(FloatToStr(v), back) || back != v)
            std::abort();
        (void)Format("%0.3g", v);
        (void)Format("%0.4f", v);
    }
    int whole = 0;
    if (CheckWholeNumber(text, whole) == ecNumber) {
        double x = 0;
        if (!TryStrToFloat(text, x) || x != whole || StrToInt(IntToStr(whole)) != whole)
            std::abort();
    }
    return 0;
}
