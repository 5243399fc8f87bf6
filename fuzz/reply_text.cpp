// A reply's bytes to lines: the lines are the bytes cut at CR, LF and CR LF
// (a NUL is a character like any other and shown as "^@"), each decoded as
// UTF-8 when it is UTF-8 and otherwise one character per byte; nothing is
// lost, nothing shown acts on the screen, and the reply document, which
// keeps the text in one buffer, holds the same lines.
#include "FuzzCheck.h"
#include "results/ReplyDocument.h"
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QByteArray& loaded = bytes;
    const QStringList lines = SplitReplyLines(bytes);
    QList<QByteArray> expected = fuzz::ByteLines(loaded, false);
    if (loaded == "\xEF\xBB\xBF")
        expected.clear(); // a byte order mark alone is no text, so no line
    FUZZ_CHECK(lines.size() == expected.size());

    const bool wholeUtf8 = isUtf8(loaded);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
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
        FUZZ_CHECK(!HasControlNotation(shown) && !shown.contains(QChar(0)));
        FUZZ_CHECK((shown == line) == !HasControlNotation(line));
    }

    // The document's lines, loaded whole and appended in two parts cut at a
    // line break, are the split's; shown and received agree without SGR.
    TReplyDocument whole;
    whole.SetStripsSgr(false);
    whole.LoadBytes(bytes);
    FUZZ_CHECK(whole.Lines() == lines);
    FUZZ_CHECK(whole.ReceivedLines() == lines);
    const qsizetype cut = bytes.indexOf('\n');
    if (cut >= 0 && !bytes.mid(cut + 1).startsWith("\xEF\xBB\xBF")) {
        TReplyDocument parts;
        parts.SetStripsSgr(false);
        parts.AppendBytes(bytes.left(cut + 1));
        parts.AppendBytes(bytes.mid(cut + 1));
        FUZZ_CHECK(parts.LineCount() == whole.LineCount());
        if (wholeUtf8)
            FUZZ_CHECK(parts.Lines() == lines);
    }

    const QString text = DecodeReplyText(bytes);
    if (!isUtf8(bytes))
        FUZZ_CHECK(text.size() == bytes.size() && !text.contains(QChar(QChar::ReplacementCharacter)));
    return 0;
}
