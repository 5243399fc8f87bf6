// Colour text: whatever reads as a colour writes back as text that reads as
// the same colour, every 32-bit colour round-trips, and the integer reader
// agrees with plain decimal reading.
#include "FuzzCheck.h"
#include "settings/ColourText.h"

#include <QRegularExpression>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = fuzz::Text(data, size);
    try {
        const TColor colour = TextToColour(text);
        FUZZ_CHECK(TextToColour(ColourToText(colour)) == colour);
    } catch (const EConvertError& e) {
        FUZZ_CHECK(e.Message() == QLatin1Char('\'') + text + QStringLiteral("' is not a valid integer value"));
    }

    if (size >= 4) {
        TColor value;
        std::memcpy(&value, data, 4);
        const QString written = ColourToText(value);
        FUZZ_CHECK(TextToColour(written) == value);
        FUZZ_CHECK(written.startsWith(QLatin1String("cl")) || (written.size() == 9 && written == written.toUpper()));
    }

    static const QRegularExpression decimal(QRegularExpression::anchoredPattern(QStringLiteral(" *[+-]?[0-9]+")));
    bool threw = false;
    qint32 parsed = 0;
    try {
        parsed = StrToInt(text);
    } catch (const EConvertError&) {
        threw = true;
    }
    if (decimal.match(text).hasMatch()) {
        bool ok = false;
        const qlonglong wide = text.trimmed().toLongLong(&ok);
        const bool fits = ok && wide >= INT32_MIN && wide <= INT32_MAX;
        FUZZ_CHECK(threw != fits);
        if (fits)
            FUZZ_CHECK(parsed == wide);
    }
    return 0;
}
