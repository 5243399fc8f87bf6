// The RTF and HTML writers, byte for byte.

#include "TestMain.h"

#include "results/DocumentWriter.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

namespace {

TDocumentInput Input(const QStringList& lines, int size = 10)
{
    TDocumentInput input;
    input.lines = lines;
    input.font.name = QStringLiteral("Courier New");
    input.font.size = size;
    return input;
}

const QByteArray kHtmlHead = "<Html><Head></Head><Title></Title><Body><font face=\"Times New Roman\">\r\n"
                             "<Body BGCOLOR=\"#FFFFFF\">\r\n"
                             "<font face=\"Courier New\"><font SIZE=\"2\"><font color=\"#000000\">";
const QByteArray kHtmlTail = "</font></font></font></Body></font></Body></Html>";
// A line's first run opens face and size again.
const QByteArray kHtmlLine = "<font face=\"Courier New\"><font SIZE=\"2\"><font color=\"#000000\">";

QByteArray RtfHead(const QByteArray& colours)
{
    return "{\\rtf1\\ansi {\\fonttbl\r\n{\\f0\\fcharset1 \\fnil Times New Roman;}\r\n"
           "{\\f1\\fcharset1 Courier New;}\r\n}\r\n{\\colortbl\r\n" +
           colours + "}\r\n\r\n{\\plain \r\n{\\f1 {\\fs20 \r\n{\\cf0 ";
}
const QByteArray kBlack = "\\red0\\green0\\blue0;\r\n";
const QByteArray kRtfTail = "}}}}}";
const QByteArray kRtfLine = "{\\f1 {\\fs20 \r\n";

bool IsAscii(const QByteArray& bytes)
{
    for (char c : bytes)
        if (quint8(c) > 127)
            return false;
    return true;
}

} // namespace

class TestWriters : public QObject {
    Q_OBJECT
private slots:
    void documents_data();
    void documents();
    void fingerReply();
    void fontSizes_data();
    void fontSizes();
    void withoutRuns();
    void hostileInput_data();
    void hostileInput();
    void savedWholeOrNotAtAll();
    void lineSource_data();
    void lineSource();
};

void TestWriters::documents_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QByteArray>("rtf");

    QTest::newRow("empty view") << QStringList{} << kHtmlHead + kHtmlTail << RtfHead(kBlack) + kRtfTail;
    QTest::newRow("one empty line") << QStringList{""} << kHtmlHead + kHtmlTail << RtfHead(kBlack) + kRtfTail;

    // Four runs: a word, a tag, blank-ampersand-blank (class 0: the font's
    // colour), a string.
    QTest::newRow("escapes and runs")
        << QStringList{"a<b & \"c\""}
        << kHtmlHead + kHtmlLine +
               "a</font></font></font><font color=\"#0000FF\">&lt;b</font>"
               "<font color=\"#000000\">&nbsp;&amp;&nbsp;</font><font color=\"#800000\">&quot;c&quot;</font>" +
               kHtmlTail
        << RtfHead(kBlack + "\\red0\\green0\\blue255;\r\n\\red128\\green0\\blue0;\r\n") + kRtfLine +
               "{\\cf0 a}}}{\\cf1 <b}{\\cf0  & }{\\cf2 \"c\"}" + kRtfTail;

    QTest::newRow("rtf escapes, one run")
        << QStringList{"{x}\\y"} << kHtmlHead + kHtmlLine + "{x}\\y</font></font></font>" + kHtmlTail
        << RtfHead(kBlack) + kRtfLine + "{\\cf0 \\{x\\}\\\\y}}}" + kRtfTail;

    QTest::newRow("tab at the start")
        << QStringList{"\tx"}
        << kHtmlHead + kHtmlLine + QByteArray("&nbsp;").repeated(9) + "x</font></font></font>" + kHtmlTail
        << RtfHead(kBlack) + kRtfLine + "{\\cf0 \\tab x}}}" + kRtfTail;
    // Stops at 9, 17, 25: after "abc" a tab reaches column 9; a tab that
    // stands on a stop (17) goes on to the next one.
    QTest::newRow("tab stops")
        << QStringList{"abc\tdefghijk\tx"}
        << kHtmlHead + kHtmlLine + "abc" + QByteArray("&nbsp;").repeated(6) + "defghijk" +
               QByteArray("&nbsp;").repeated(8) + "x</font></font></font>" + kHtmlTail
        << RtfHead(kBlack) + kRtfLine + "{\\cf0 abc\\tab defghijk\\tab x}}}" + kRtfTail;

    // The empty middle line is written inside the first line's last run.
    QTest::newRow("empty middle line")
        << QStringList{"a", "", "b"}
        << kHtmlHead + kHtmlLine + "a<BR>\r\n</font></font></font><BR>\r\n" + kHtmlLine + "b</font></font></font>" +
               kHtmlTail
        << RtfHead(kBlack) + kRtfLine + "{\\cf0 a{\\line \r\n}}}}{\\line \r\n}" + kRtfLine + "{\\cf0 b}}}" + kRtfTail;
    QTest::newRow("empty first and last lines")
        << QStringList{"", "a", ""}
        << kHtmlHead + "<BR>\r\n" + kHtmlLine + "a<BR>\r\n</font></font></font>" + kHtmlTail
        << RtfHead(kBlack) + "{\\line \r\n}" + kRtfLine + "{\\cf0 a{\\line \r\n}}}}" + kRtfTail;

    // Outside ASCII: references, never raw bytes; a character outside the
    // basic plane is one reference in HTML and two \u in RTF.
    QTest::newRow("non-ASCII")
        << QStringList{QStringLiteral("caf\u00e9 \u00ff ") + QString::fromUcs4(U"\U0001F600")}
        << kHtmlHead + kHtmlLine + "caf&#233;&nbsp;&#255;&nbsp;&#128512;</font></font></font>" + kHtmlTail
        << RtfHead(kBlack) + kRtfLine + "{\\cf0 caf\\u233? \\u255? \\u-10179?\\u-8704?}}}" + kRtfTail;

    // A line with a control character is written as the view shows it: the
    // character in caret notation, the line in the plain colour. The tag it
    // opens still colours the next line.
    QTest::newRow("control character")
        << QStringList{"a\x01<b", "x"}
        << kHtmlHead + "a^A&lt;b<BR>\r\n" +
               "<font face=\"Courier New\"><font SIZE=\"2\"><font color=\"#0000FF\">x</font></font></font>" + kHtmlTail
        << RtfHead(kBlack + "\\red0\\green0\\blue255;\r\n") + "a^A<b{\\line \r\n}" + kRtfLine + "{\\cf1 x}}}" +
               kRtfTail;
}

void TestWriters::documents()
{
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, html);
    QFETCH(QByteArray, rtf);
    const TDocumentInput input = Input(lines);
    QCOMPARE(HTMLDocument(input), html);
    QCOMPARE(RTFDocument(input), rtf);
}

// A finger reply with tags, a number, a link and blanks, in a scheme whose
// text colour is not black, so class 0 shows where it is written.
void TestWriters::fingerReply()
{
    TDocumentInput input = Input({"Plan: <b>x</b> 2.5", "mail alice@host1.example"});
    input.foreground = 0x800000; // navy
    input.background = 0xE0FFFF; // light yellow
    const QByteArray line = "<font face=\"Courier New\"><font SIZE=\"2\"><font color=\"#000000\">";
    QCOMPARE(HTMLDocument(input),
             "<Html><Head></Head><Title></Title><Body><font face=\"Times New Roman\">\r\n"
             "<Body BGCOLOR=\"#FFFFE0\">\r\n"
             "<font face=\"Courier New\"><font SIZE=\"2\"><font color=\"#000080\">" +
                 line + "Plan:&nbsp;</font></font></font><font color=\"#0000FF\">&lt;b&gt;</font>"
                        "<font color=\"#000000\">x</font><font color=\"#0000FF\">&lt;/b&gt;</font>"
                        "<font color=\"#000080\">&nbsp;</font><font color=\"#008000\">2.5</font><BR>\r\n" +
                 line + "mail&nbsp;</font></font></font><U><font color=\"#0000FF\">alice@host1.example</font></U>" +
                 kHtmlTail);
    QCOMPARE(RTFDocument(input),
             RtfHead("\\red0\\green0\\blue128;\r\n" + kBlack +
                     "\\red0\\green0\\blue255;\r\n\\red0\\green128\\blue0;\r\n") +
                 kRtfLine + "{\\cf1 Plan: }}}{\\cf2 <b>}{\\cf1 x}{\\cf2 </b>}{\\cf0  }{\\cf3 2.5}{\\line \r\n}" +
                 kRtfLine + "{\\cf1 mail }}}{\\ul \r\n{\\cf2 alice@host1.example}}" + kRtfTail);
}

void TestWriters::fontSizes_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("htmlSize");
    QTest::newRow("8") << 8 << 1;
    QTest::newRow("10") << 10 << 2;
    QTest::newRow("12") << 12 << 3;
    QTest::newRow("17") << 17 << 4;
    QTest::newRow("23") << 23 << 5;
    QTest::newRow("35") << 35 << 6;
    QTest::newRow("36") << 36 << 7;
}

void TestWriters::fontSizes()
{
    QFETCH(int, points);
    QFETCH(int, htmlSize);
    const TDocumentInput input = Input({"x"}, points);
    QVERIFY(HTMLDocument(input).contains("<font SIZE=\"" + QByteArray::number(htmlSize) + "\">"));
    QVERIFY(RTFDocument(input).contains("{\\fs" + QByteArray::number(2 * points) + " \r\n"));
}

void TestWriters::withoutRuns()
{
    // Link highlighting off: the font's marks once, each line whole.
    TDocumentInput input = Input({"a<b", "", "\"c\""});
    input.highlightUrls = false;
    input.font.bold = true;
    QCOMPARE(HTMLDocument(input),
             QByteArray("<Html><Head></Head><Title></Title><Body><font face=\"Times New Roman\">\r\n"
                        "<Body BGCOLOR=\"#FFFFFF\">\r\n"
                        "<font face=\"Courier New\"><font SIZE=\"2\"><B><font color=\"#000000\">"
                        "a&lt;b<BR>\r\n<BR>\r\n&quot;c&quot;</font></B></font></font></Body></font></Body></Html>"));
    QCOMPARE(RTFDocument(input), RtfHead(kBlack).replace("{\\cf0 ", "{\\b \r\n{\\cf0 ") +
                                     "a<b{\\line \r\n}{\\line \r\n}\"c\"}}}}" + "}}");
}

void TestWriters::hostileInput_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QList<QByteArray>>("classes");
    QTest::addColumn<QString>("fontName");
    QTest::newRow("classes short and out of range")
        << QStringList{"abc", "defgh"} << QList<QByteArray>{QByteArray("\x0c"), QByteArray("\xff\x0d\x0c")}
        << QStringLiteral("Courier New");
    QTest::newRow("lone and split surrogates")
        << QStringList{QString(QChar(0xD800)) + "x" + QChar(0xDC00), QString::fromUcs4(U"a\U0001F600b")}
        << QList<QByteArray>{QByteArray(), QByteArray("\x00\x01\x02\x03", 4)} << QStringLiteral("Courier New");
    QTest::newRow("font name that would break out")
        << QStringList{"x"} << QList<QByteArray>{} << QStringLiteral("F\"><script>;}{\\\u00e9");
    QTest::newRow("control characters")
        << QStringList{QStringLiteral("\x1b[31mred\x7f\x01"), QString::fromUtf16(u"\u202Eevil\u2029 \x0c\x00!", 11)}
        << QList<QByteArray>{} << QStringLiteral("Mono");
}

void TestWriters::hostileInput()
{
    QFETCH(QStringList, lines);
    QFETCH(QList<QByteArray>, classes);
    QFETCH(QString, fontName);
    TDocumentInput input = Input(lines);
    input.classes = classes;
    input.font.name = fontName;
    const QByteArray html = HTMLDocument(input);
    const QByteArray rtf = RTFDocument(input);
    QVERIFY(IsAscii(html));
    QVERIFY(IsAscii(rtf));
    QVERIFY(html.endsWith("</Body></Html>"));
    QVERIFY(!html.contains("<script>"));
    QVERIFY(!html.contains("&#55296;")); // no half pair reaches the page
    // No control byte but the documents' own line ends; no character that
    // turns text around or breaks it where the view does not.
    for (const QByteArray& document : {html, rtf}) {
        for (char c : document)
            QVERIFY2(quint8(c) >= 0x20 || c == '\r' || c == '\n', qPrintable(QString::number(quint8(c))));
    }
    QVERIFY(!html.contains("&#8238;") && !html.contains("&#8233;"));
    // The RTF groups balance, escaped braces aside.
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
            continue;
        }
        depth += rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
        QVERIFY(depth >= 0);
    }
    QCOMPARE(depth, 0);
}

void TestWriters::savedWholeOrNotAtAll()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("kept.html");
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    const TDocumentInput input = Input({"new"});
    // A folder that does not exist: the error names the file, nothing written.
    const QString missing = dir.filePath("no/such/folder/x.rtf");
    try {
        SaveDocument(TDocumentKind::RTF, input, missing);
        QFAIL("no failure");
    } catch (const EInOutError& e) {
        QCOMPARE(e.Message(), QStringLiteral("Cannot create file ") + missing);
    }
    SaveDocument(TDocumentKind::HTML, input, path);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), HTMLDocument(input));
    SaveDocument(TDocumentKind::Text, Input({"a", "b\tc", ""}), path);
    saved.close();
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("a\r\nb\tc\r\n"));
}

POLLUX_TEST_MAIN(TestWriters)
// A result handed out a line at a time gives the document a list of the
// same lines gives, and no line is made more often than the writer walks
// the lines (RTF walks twice: its colour table comes first), but the empty
// ones the tokeniser steps over.
void TestWriters::lineSource_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("none") << QStringList{};
    QTest::newRow("a comment across empty lines")
        << QStringList{"<!-- open", "", "", "still inside -->", "www.host.example <b>x</b>", ""};
    QTest::newRow("empty runs first and last") << QStringList{"", "", "a \"quoted", "", "text\" 12", "", ""};
    QTest::newRow("links and non-ASCII") << QStringList{"caf\u00e9 http://host.example/p?q=1.", "\u00fc", ""};
    QTest::newRow("a control character inside a tag") << QStringList{"<i", "a\x01b", "", "x>y"};
}

void TestWriters::lineSource()
{
    QFETCH(QStringList, lines);
    const TDocumentInput list = Input(lines);
    TDocumentInput source = Input({});
    QList<int> asked(lines.size(), 0);
    source.lineCount = lines.size();
    source.lineAt = [&](qsizetype index) {
        ++asked[index];
        return lines.at(index);
    };
    auto madePerWalk = [&](int walks) {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (!lines.at(i).isEmpty() && asked.at(i) != walks)
                return false;
        }
        asked.fill(0);
        return true;
    };
    QCOMPARE(HTMLDocument(source), HTMLDocument(list));
    QVERIFY(madePerWalk(1));
    QCOMPARE(RTFDocument(source), RTFDocument(list));
    QVERIFY(madePerWalk(2));
    QByteArray text;
    QBuffer buffer(&text);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(WriteTextDocument(source, buffer));
    QCOMPARE(text, TextDocument(lines));
    QVERIFY(madePerWalk(1));
}

#include "test_writers.moc"
