// Number texts as users type them: the normaliser, the value-pair reader and
// the strict parser must never crash, and what the parser accepts is finite.
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
    return 0;
}
