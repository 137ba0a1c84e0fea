// Band texts as users paste them and field-definition lines: parsing never
// crashes, a failed parse leaves the spectrum alone, what parses is finite and
// survives its own text form.
#include "TxErrors.h"
#include "TxFields.h"
#include "TxFormat.h"
#include "TxPlatform.h"
#include "TxUnitsCtrl.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const TOctave marker{1, 2, 3, 4, 5, 6, 7, 8};
    TOctave s = marker;
    try {
        StrToOctave(text, s);
        QString exact;
        for (double v : s) {
            if (!std::isfinite(v))
                std::abort();
            exact += FloatToStr(v) + QLatin1Char(' ');
        }
        TOctave back{};
        StrToOctave(exact, back);
        if (back != s)
            std::abort();
        (void)OctaveToStr(s, QStringLiteral("%0.1f"));
        (void)OctaveTotal(s);
        (void)OctaveMeetsAll(s, marker);
        try {
            RegenSpectrum(static_cast<int>(size % 5), back, s[0], s[1]);
            for (double v : back)
                if (!std::isfinite(v))
                    std::abort();
        } catch (const EMathError&) {
        }
    } catch (const EConvertError&) {
        if (s != marker)
            std::abort();
    }

    static TRecordingMessageService messages;
    TScopedMessageService scope(messages);
    try {
        const TFieldDef def = ParseFieldDef(text);
        if (!def.Field)
            std::abort();
    } catch (const EConvertError&) {
        // A format that cannot print its default value.
    }
    messages.Clear();
    return 0;
}
