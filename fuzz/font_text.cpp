// Font text: what reads as a font writes back as the same font, and every
// name and size written reads back unchanged.
#include "FuzzCheck.h"
#include "settings/ColourText.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = fuzz::Text(data, size);
    QString name;
    int points = 0;
    try {
        ParseFontText(text, name, points);
        QString again;
        int againPoints = 0;
        ParseFontText(FontToText(name, points), again, againPoints);
        FUZZ_CHECK(again == name && againPoints == points);
    } catch (const EConvertError& e) {
        FUZZ_CHECK(e.Message().endsWith(QLatin1String("' is not a valid integer value")));
    }

    if (size >= 4) {
        qint32 written;
        std::memcpy(&written, data, 4);
        const QString writtenName = fuzz::Text(data + 4, size - 4);
        QString read;
        int readPoints = 0;
        ParseFontText(FontToText(writtenName, written), read, readPoints);
        FUZZ_CHECK(read == writtenName && readPoints == written);
    }
    return 0;
}
