#include "settings/ColourText.h"

#include <array>
#include <optional>

namespace {

struct NamedColour {
    const char* name;
    TColor value;
};

constexpr std::array<NamedColour, 52> kColourNames{{
    {"clBlack", 0x00000000},
    {"clMaroon", 0x00000080},
    {"clGreen", 0x00008000},
    {"clOlive", 0x00008080},
    {"clNavy", 0x00800000},
    {"clPurple", 0x00800080},
    {"clTeal", 0x00808000},
    {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0},
    {"clRed", 0x000000FF},
    {"clLime", 0x0000FF00},
    {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000},
    {"clFuchsia", 0x00FF00FF},
    {"clAqua", 0x00FFFF00},
    {"clWhite", 0x00FFFFFF},
    {"clMoneyGreen", 0x00C0DCC0},
    {"clSkyBlue", 0x00F0CAA6},
    {"clCream", 0x00F0FBFF},
    {"clMedGray", 0x00A4A0A0},
    {"clActiveBorder", 0x8000000A},
    {"clActiveCaption", 0x80000002},
    {"clAppWorkSpace", 0x8000000C},
    {"clBackground", 0x80000001},
    {"clBtnFace", 0x8000000F},
    {"clBtnHighlight", 0x80000014},
    {"clBtnShadow", 0x80000010},
    {"clBtnText", 0x80000012},
    {"clCaptionText", 0x80000009},
    {"clDefault", 0x20000000},
    {"clGradientActiveCaption", 0x8000001B},
    {"clGradientInactiveCaption", 0x8000001C},
    {"clGrayText", 0x80000011},
    {"clHighlight", 0x8000000D},
    {"clHighlightText", 0x8000000E},
    {"clHotLight", 0x8000001A},
    {"clInactiveBorder", 0x8000000B},
    {"clInactiveCaption", 0x80000003},
    {"clInactiveCaptionText", 0x80000013},
    {"clInfoBk", 0x80000018},
    {"clInfoText", 0x80000017},
    {"clMenu", 0x80000004},
    {"clMenuBar", 0x8000001E},
    {"clMenuHighlight", 0x8000001D},
    {"clMenuText", 0x80000007},
    {"clNone", 0x1FFFFFFF},
    {"clScrollBar", 0x80000000},
    {"cl3DDkShadow", 0x80000015},
    {"cl3DLight", 0x80000016},
    {"clWindow", 0x80000005},
    {"clWindowFrame", 0x80000006},
    {"clWindowText", 0x80000008},
}};

EConvertError notAnInteger(const QString& text)
{
    return EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

int digitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'a' && u <= u'z')
        value = u - u'a' + 10;
    else if (u >= u'A' && u <= u'Z')
        value = u - u'A' + 10;
    return value < base ? value : -1;
}

// The shared integer reader: leading blanks, an optional sign, then decimal
// digits or "$" / "0x" and hexadecimal digits, nothing after them. A decimal
// number must fit a signed 32-bit integer; a hexadecimal one may use all 32
// bits (so $FFFFFFFF is -1). Every step is checked, so no input overflows.
std::optional<qint32> parseInteger(const QString& text)
{
    qsizetype at = 0;
    const qsizetype end = text.size();
    while (at < end && text.at(at) == QLatin1Char(' '))
        ++at;
    bool negative = false;
    if (at < end && (text.at(at) == QLatin1Char('+') || text.at(at) == QLatin1Char('-'))) {
        negative = text.at(at) == QLatin1Char('-');
        ++at;
    }
    int base = 10;
    if (at < end && text.at(at) == QLatin1Char('$')) {
        base = 16;
        ++at;
    } else if (at + 1 < end && text.at(at) == QLatin1Char('0')
               && (text.at(at + 1) == QLatin1Char('x') || text.at(at + 1) == QLatin1Char('X'))) {
        base = 16;
        at += 2;
    }
    if (at == end)
        return std::nullopt;
    const quint64 limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    quint64 value = 0;
    for (; at < end; ++at) {
        const int digit = digitValue(text.at(at), base);
        if (digit < 0)
            return std::nullopt;
        value = value * quint64(base) + quint64(digit);
        if (value > limit)
            return std::nullopt;
    }
    const quint32 bits = negative ? quint32(0u - quint32(value)) : quint32(value);
    return static_cast<qint32>(bits);
}

} // namespace

QString ColourToText(TColor colour)
{
    for (const NamedColour& entry : kColourNames) {
        if (entry.value == colour)
            return QLatin1String(entry.name);
    }
    return QStringLiteral("$%1").arg(colour, 8, 16, QLatin1Char('0')).toUpper();
}

TColor TextToColour(const QString& text)
{
    for (const NamedColour& entry : kColourNames) {
        if (text.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.value;
    }
    const std::optional<qint32> value = parseInteger(text);
    if (!value)
        throw notAnInteger(text);
    return static_cast<TColor>(*value);
}

QStringList ColourNameList()
{
    QStringList names;
    for (const NamedColour& entry : kColourNames)
        names << QLatin1String(entry.name);
    return names;
}

qint32 StrToInt(const QString& text)
{
    const std::optional<qint32> value = parseInteger(text);
    if (!value)
        throw notAnInteger(text);
    return *value;
}

void ParseFontText(const QString& text, QString& name, int& size)
{
    // The last "(Size: " is the one FontToText wrote, so a font whose own
    // name holds a "(" still reads back whole.
    static const QString marker = QStringLiteral("(Size: ");
    const qsizetype open = text.lastIndexOf(marker);
    if (open < 0)
        throw notAnInteger(text);
    const qsizetype sizeStart = open + marker.size();
    const qsizetype close = text.indexOf(QLatin1Char(')'), sizeStart);
    if (close < 0)
        throw notAnInteger(text.mid(sizeStart));
    const qint32 parsed = StrToInt(text.mid(sizeStart, close - sizeStart));
    QString fontName = text.left(open);
    if (fontName.endsWith(QLatin1Char(' ')))
        fontName.chop(1);
    name = fontName;
    size = parsed;
}

QString FontToText(const QString& name, int size)
{
    return name + QStringLiteral(" (Size: ") + QString::number(size) + QLatin1Char(')');
}
