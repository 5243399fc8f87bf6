// The RTF and HTML writers, given any lines, class strings (of any length,
// with classes outside the table), font and colours: both documents are
// ASCII; the HTML document's tags nest and close, and its text read back is
// the lines' text; the RTF document's groups nest and close; streaming gives
// the same bytes as writing whole.
#include "FuzzCheck.h"
#include "results/DocumentWriter.h"
#include "results/ReplyText.h"

#include <QBuffer>

#include <cstring>

namespace {

bool isAscii(const QByteArray& bytes)
{
    for (char c : bytes)
        if (quint8(c) >= 0x80)
            return false;
    return true;
}

// The text a reader sees, less blanks, tabs and line ends, which the writer
// spreads as it must (tab stops, &nbsp;, CR LF after <BR>).
QString withoutBlanks(QString text)
{
    text.remove(QLatin1Char(' '));
    text.remove(QLatin1Char('\t'));
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

// Checks the nesting of the HTML document and gives its text back.
QString htmlText(const QByteArray& html)
{
    QStringList open;
    QString text;
    qsizetype i = 0;
    while (i < html.size()) {
        const char c = html[i];
        if (c == '<') {
            const qsizetype end = html.indexOf('>', i);
            FUZZ_CHECK(end > i);
            const QByteArray tag = html.mid(i + 1, end - i - 1);
            const bool closing = tag.startsWith('/');
            const QString name = QString::fromLatin1(tag.mid(closing ? 1 : 0).split(' ').value(0)).toLower();
            if (name == QLatin1String("br")) {
                text += QLatin1Char('\n');
            } else if (closing) {
                FUZZ_CHECK(!open.isEmpty() && open.last() == name);
                open.removeLast();
            } else {
                open << name;
            }
            i = end + 1;
        } else if (c == '&') {
            const qsizetype end = html.indexOf(';', i);
            FUZZ_CHECK(end > i);
            const QByteArray entity = html.mid(i + 1, end - i - 1);
            if (entity == "nbsp")
                text += QLatin1Char(' ');
            else if (entity == "quot")
                text += QLatin1Char('"');
            else if (entity == "amp")
                text += QLatin1Char('&');
            else if (entity == "lt")
                text += QLatin1Char('<');
            else if (entity == "gt")
                text += QLatin1Char('>');
            else {
                FUZZ_CHECK(entity.startsWith('#'));
                bool ok = false;
                const uint code = entity.mid(1).toUInt(&ok);
                FUZZ_CHECK(ok);
                text += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
            }
            i = end + 1;
        } else {
            FUZZ_CHECK(c != '>' && c != '"');
            text += QLatin1Char(c);
            ++i;
        }
    }
    // Head and Title are opened and closed at once; what is left open is
    // nothing: the document ends with </Body></Html>.
    FUZZ_CHECK(open.isEmpty());
    return text;
}

void checkRtf(const QByteArray& rtf)
{
    FUZZ_CHECK(rtf.startsWith("{\\rtf1\\ansi "));
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '\\') {
            ++i; // an escaped character or the first letter of a control word
            continue;
        }
        if (c == '{')
            ++depth;
        else if (c == '}')
            --depth;
        FUZZ_CHECK(depth >= 0);
        if (depth == 0)
            FUZZ_CHECK(i == rtf.size() - 1);
    }
    FUZZ_CHECK(depth == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 12)
        return -1;
    // 12 bytes of settings, then the lines; with bit 0 of the flags the
    // classes are given, one byte per character, from the text's own bytes.
    const quint8 flags = data[0];
    TDocumentInput input;
    input.font.size = qint8(data[1]);
    input.font.bold = flags & 2;
    input.font.italic = flags & 4;
    input.font.underline = flags & 8;
    input.font.strikeOut = flags & 16;
    input.highlightUrls = !(flags & 32);
    std::memcpy(&input.foreground, data + 2, 4);
    std::memcpy(&input.background, data + 6, 4);
    input.foreground &= 0xFFFFFF;
    input.background &= 0xFFFFFF;
    input.font.charset = data[10];
    const QStringList parts = fuzz::Texts(data + 12, size - 12);
    input.font.name = parts.size() > 1 ? parts.first() : QStringLiteral("Courier New");
    input.lines = fuzz::Lines(parts.last());
    if (flags & 1) {
        const QByteArray raw = fuzz::Bytes(data + 12, size - 12);
        qsizetype at = 0;
        for (const QString& line : input.lines) {
            // Deliberately ragged: a class string may be longer or shorter
            // than its line, and hold classes outside the table.
            const qsizetype n = qMax<qsizetype>(0, line.size() + qsizetype(data[11] % 5) - 2);
            input.classes << raw.mid(at % qMax<qsizetype>(1, raw.size()), n);
            at += n + 1;
        }
    }

    const QByteArray html = HTMLDocument(input);
    const QByteArray rtf = RTFDocument(input);
    FUZZ_CHECK(isAscii(html) && isAscii(rtf));
    // The page reads back as the view shows the lines: control characters
    // in their notation.
    QStringList shown;
    for (const QString& line : input.lines)
        shown << VisibleText(line);
    FUZZ_CHECK(withoutBlanks(htmlText(html)) == withoutBlanks(shown.join(QLatin1Char('\n'))));
    checkRtf(rtf);

    QBuffer streamed;
    streamed.open(QIODevice::WriteOnly);
    FUZZ_CHECK(WriteHTMLDocument(input, streamed) && streamed.data() == html);
    QBuffer streamedRtf;
    streamedRtf.open(QIODevice::WriteOnly);
    FUZZ_CHECK(WriteRTFDocument(input, streamedRtf) && streamedRtf.data() == rtf);

    // The same lines handed out one at a time make the same documents.
    TDocumentInput source = input;
    source.lineCount = input.lines.size();
    source.lineAt = [&lines = input.lines](qsizetype index) { return lines.at(index); };
    source.lines.clear();
    FUZZ_CHECK(HTMLDocument(source) == html);
    FUZZ_CHECK(RTFDocument(source) == rtf);
    FUZZ_CHECK(TextDocument(input.lines) == [&] {
        QBuffer text;
        text.open(QIODevice::WriteOnly);
        WriteTextDocument(source, text);
        return text.data();
    }());
    return 0;
}
