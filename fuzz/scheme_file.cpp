// Colour scheme files: the reader takes lines 2 to 9 as colours in order and
// stops at the first that is not one, whatever the bytes; whatever colours
// are written read back the same; a scheme name accepted as a file name
// cannot leave its folder.
#include "FuzzCheck.h"
#include "settings/ColourScheme.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const TSchemeParse parse = ParseColourScheme(bytes);
    FUZZ_CHECK(parse.count >= 0 && parse.count <= kSchemeColourCount);
    FUZZ_CHECK(parse.Complete() == (parse.count == kSchemeColourCount));
    // Lines end at CR LF, LF or CR; a missing line is empty.
    const QList<QByteArray> lines = fuzz::ByteLines(bytes, true);
    for (int i = 0; i < parse.count; ++i) {
        // Colour text is ASCII, so how the line's bytes are decoded does not
        // change the colour it names.
        const TColor expected = TextToColour(QString::fromLatin1(lines.value(i + 1)));
        FUZZ_CHECK(parse.colours[size_t(i)] == expected);
    }
    if (!parse.Complete()) {
        bool threw = false;
        try {
            TextToColour(parse.badText);
        } catch (const EConvertError&) {
            threw = true;
        }
        FUZZ_CHECK(threw);
        FUZZ_CHECK(parse.Error().Message().endsWith(QLatin1String("' is not a valid integer value")));
    }

    if (size >= sizeof(TSchemeColours)) {
        TSchemeColours colours;
        std::memcpy(colours.data(), data, sizeof(TSchemeColours));
        const TSchemeParse back = ParseColourScheme(ColourSchemeText(colours));
        FUZZ_CHECK(back.Complete() && back.colours == colours);
    }

    const QString name = fuzz::Text(data, size);
    if (IsSchemeFileName(name)) {
        FUZZ_CHECK(!name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0)));
        FUZZ_CHECK(name != QLatin1String(".") && name != QLatin1String(".."));
    }
    return 0;
}
