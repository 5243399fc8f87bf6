// A reply's bytes to lines: the lines are the bytes up to the first NUL cut
// at CR, LF and CR LF, each decoded as UTF-8 when it is UTF-8 and otherwise
// one character per byte; nothing is lost, nothing shown acts on the screen.
#include "FuzzCheck.h"
#include "results/ReplyText.h"

#include <QStringDecoder>

namespace {

bool isUtf8(QByteArrayView bytes, QString* text = nullptr)
{
    // A byte order mark is a character like any other here; only the reply's
    // very first one is dropped, which the caller expects by itself.
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString decoded = utf8.decode(bytes);
    if (text)
        *text = decoded;
    return !utf8.hasError();
}

QList<QByteArray> byteLines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    QByteArray line;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines << line;
            line.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QByteArray loaded = bytes.left(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0'));
    const QStringList lines = SplitReplyLines(bytes);
    QList<QByteArray> expected = byteLines(loaded);
    if (loaded == "\xEF\xBB\xBF")
        expected.clear(); // a byte order mark alone is no text, so no line
    FUZZ_CHECK(lines.size() == expected.size());

    const bool wholeUtf8 = isUtf8(loaded);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
        FUZZ_CHECK(!line.contains(QChar(0)));
        QString asUtf8;
        if (isUtf8(expected[i], &asUtf8)) {
            if (i == 0 && asUtf8.startsWith(QChar(0xFEFF)))
                asUtf8.remove(0, 1);
            FUZZ_CHECK(line == asUtf8);
        } else {
            FUZZ_CHECK(!wholeUtf8);
            // One character per byte, none of them a replacement character.
            FUZZ_CHECK(line.size() == expected[i].size());
            FUZZ_CHECK(!line.contains(QChar(QChar::ReplacementCharacter)));
        }
        const QString shown = VisibleText(line);
        FUZZ_CHECK(!HasControlNotation(shown));
        FUZZ_CHECK((shown == line) == !HasControlNotation(line));
    }

    const QString text = DecodeReplyText(bytes);
    if (!isUtf8(bytes))
        FUZZ_CHECK(text.size() == bytes.size() && !text.contains(QChar(QChar::ReplacementCharacter)));
    return 0;
}
