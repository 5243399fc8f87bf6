#include "results/ReplyText.h"

#include <QStringDecoder>

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;
// Stateless: a sequence cut short at the end is an error, not held back.
constexpr auto kDecoderFlags = QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless;

// Windows-1252 comes from ICU; a Qt built without it still loses no byte
// when Latin-1 stands in.
QStringDecoder makeWindows1252Decoder()
{
    QStringDecoder decoder("Windows-1252", kDecoderFlags);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringConverter::Latin1, kDecoderFlags);
    return decoder;
}

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Decodes one piece with decoders the caller reuses from piece to piece.
QString decodePiece(QByteArrayView bytes, QStringDecoder& utf8, QStringDecoder& cp1252)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    utf8.resetState();
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    cp1252.resetState();
    return cp1252.decode(bytes);
}

// Separators that would break the row, and every bidirectional control
// (marks, embeddings, overrides, isolates) that would reorder what the user
// reads.
bool isMarkedFormatCharacter(char16_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2066 && c <= 0x2069);
}

void dropLeadingBom(QString& text)
{
    if (!text.isEmpty() && text.front() == QChar(kByteOrderMark))
        text.remove(0, 1);
}

// Splits at CR, LF or CR LF; a break at the very end gives no empty line.
template <class View, class Take>
void splitLines(View text, Take take)
{
    const qsizetype n = text.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < n) {
        const auto c = text[i];
        if (c == '\r' || c == '\n') {
            take(text.sliced(start, i - start));
            if (c == '\r' && i + 1 < n && text[i + 1] == '\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < n)
        take(text.sliced(start));
}

} // namespace

QString DecodeReplyText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, kDecoderFlags);
    QStringDecoder cp1252 = makeWindows1252Decoder();
    QString text = decodePiece(bytes, utf8, cp1252);
    dropLeadingBom(text);
    return text;
}

QStringList SplitReplyLines(const QByteArray& bytes)
{
    // A NUL is a character like the other controls: it is shown as "^@" and
    // hides nothing that follows it.
    const QByteArrayView data(bytes);

    QStringList lines;
    QStringDecoder utf8(QStringConverter::Utf8, kDecoderFlags);
    QString whole = utf8.decode(data);
    if (!utf8.hasError()) {
        // The common case: one decode, then the lines are cut from the text.
        dropLeadingBom(whole);
        splitLines(QStringView(whole), [&](QStringView line) { lines.append(line.toString()); });
        return lines;
    }
    whole.clear();
    // Mixed text: every line is decoded on its own, so one stray byte does not
    // turn the whole reply into Windows-1252.
    QStringDecoder cp1252 = makeWindows1252Decoder();
    splitLines(data, [&](QByteArrayView line) { lines.append(decodePiece(line, utf8, cp1252)); });
    if (!lines.isEmpty())
        dropLeadingBom(lines.front());
    return lines;
}

TReplyLineDecoder::TReplyLineDecoder()
    : utf8_(QStringConverter::Utf8, kDecoderFlags), cp1252_(makeWindows1252Decoder())
{
}

QString TReplyLineDecoder::decode(QByteArrayView line)
{
    return decodePiece(line, utf8_, cp1252_);
}

QString ControlNotation(char16_t c)
{
    if (c == u'\t')
        return {};
    if (c < 0x20)
        return QStringLiteral("^") + QChar(char16_t(c + 0x40));
    if (c == 0x7F)
        return QStringLiteral("^?");
    if (c >= 0x80 && c <= 0x9F)
        return QStringLiteral("M-^") + QChar(char16_t(c - 0x80 + 0x40));
    if (isMarkedFormatCharacter(c))
        return QStringLiteral("<U+%1>").arg(QString::number(uint(c), 16).toUpper().rightJustified(4, QLatin1Char('0')));
    return {};
}

bool HasControlNotation(QStringView line)
{
    for (QChar ch : line) {
        const char16_t c = ch.unicode();
        if ((c < 0x20 && c != u'\t') || (c >= 0x7F && c <= 0x9F) || isMarkedFormatCharacter(c))
            return true;
    }
    return false;
}

QString VisibleText(QStringView line)
{
    if (!HasControlNotation(line))
        return line.toString();
    QString out;
    out.reserve(line.size() + 16);
    for (QChar ch : line) {
        const QString notation = ControlNotation(ch.unicode());
        if (notation.isEmpty())
            out.append(ch);
        else
            out.append(notation);
    }
    return out;
}
