// The text of a result tab held once: its line index, appending, the bound
// with its notice, the shown and received forms, and find.

#include "TestMain.h"

#include "results/ReplyDocument.h"
#include "results/ReplyText.h"

Q_DECLARE_METATYPE(TMemoPos)

namespace {

qint64 sizeOf(const QStringList& lines)
{
    qint64 size = 0;
    for (const QString& line : lines)
        size += line.size() + 1;
    return size;
}

QString notice(qint64 dropped)
{
    return QStringLiteral("[%1]").arg(dropped);
}

const QChar kEsc(0x1B);

QString sgr(const char* params)
{
    return kEsc + QLatin1Char('[') + QLatin1String(params) + QLatin1Char('m');
}

} // namespace

class TestReplyDocument : public QObject {
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void append_data();
    void append();
    void shownAndReceived_data();
    void shownAndReceived();
    void limit_data();
    void limit();
    void find_data();
    void find();
};

// The document splits and decodes a reply exactly as SplitReplyLines does.
void TestReplyDocument::lines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("CR LF, last line without a break") << QByteArray("a\r\nbc\r\nd");
    QTest::newRow("CR, LF and CR LF mixed") << QByteArray("a\rb\nc\r\nd\n\re\r\r\nf");
    QTest::newRow("break at the end") << QByteArray("a\nb\r\n");
    QTest::newRow("only breaks") << QByteArray("\r\n\n\r");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("NUL kept") << QByteArray("x\0y\r\n\0", 6);
    QTest::newRow("byte order mark") << QByteArray("\xef\xbb\xbfhi\r\nyo");
    QTest::newRow("U+FEFF after the first line kept") << QByteArray("a\n\xef\xbb\xbf\xef\xbb\xbf b");
    QTest::newRow("UTF-8 beyond the BMP") << QByteArray("caf\xc3\xa9 \xf0\x9f\x98\x80\nz");
    QTest::newRow("each line decoded on its own") << QByteArray("caf\xc3\xa9\r\nna\xefve\r\n\xef\xbb\xbf");
    QTest::newRow("Windows-1252 with a BOM-like start") << QByteArray("\xef\xbb\xbf\xe9\nb");
}

void TestReplyDocument::lines()
{
    QFETCH(QByteArray, bytes);
    const QStringList expected = SplitReplyLines(bytes);
    TReplyDocument doc;
    doc.LoadBytes(bytes);
    QCOMPARE(doc.LineCount(), expected.size());
    QCOMPARE(doc.ReceivedLines(), expected);
    QCOMPARE(doc.Lines(), expected);
    QCOMPARE(doc.TextSize(), sizeOf(expected));
    QCOMPARE(doc.Line(int(expected.size())), QString()); // past the end
    QCOMPARE(doc.Line(-1), QString());
}

// Each appended reply is split on its own and its lines follow the others,
// whether the document took over the first reply's bytes or not.
void TestReplyDocument::append_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("second");
    QTest::newRow("a break split between replies") << QByteArray("a\r") << QByteArray("\nb");
    QTest::newRow("after a last line without a break") << QByteArray("a") << QByteArray("b\r\nc");
    QTest::newRow("into an empty document") << QByteArray() << QByteArray("x\ny\n");
    QTest::newRow("Windows-1252 after UTF-8") << QByteArray("caf\xc3\xa9\n") << QByteArray("na\xefve\r\nz");
    QTest::newRow("UTF-8 after Windows-1252") << QByteArray("\xe9") << QByteArray("\xef\xbb\xbf\xc3\xa9\r\n");
}

void TestReplyDocument::append()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    const QStringList expected = SplitReplyLines(first) + SplitReplyLines(second);
    TReplyDocument bytes;
    bytes.AppendBytes(first);
    bytes.AppendBytes(second);
    TReplyDocument lines;
    lines.LoadBytes(first);
    lines.AppendLines(SplitReplyLines(second));
    for (const TReplyDocument* doc : {&bytes, &lines}) {
        QCOMPARE(doc->ReceivedLines(), expected);
        QCOMPARE(doc->TextSize(), sizeOf(expected));
    }
}

// SGR sequences are taken out of the shown lines, their state carried from
// line to line; the received lines keep them. Without stripping both are
// the same.
void TestReplyDocument::shownAndReceived_data()
{
    QTest::addColumn<QStringList>("received");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QList<quint32>>("startColours"); // foreground at each line's start
    const quint32 red = sgrIndexed | 1, green = sgrIndexed | 2;
    QTest::newRow("colour carried over plain lines")
        << QStringList{sgr("31") + "red", "still red", "more", sgr("0") + "plain", "plain"}
        << QStringList{"red", "still red", "more", "plain", "plain"}
        << QList<quint32>{sgrDefault, red, red, red, sgrDefault};
    QTest::newRow("changed within a line")
        << QStringList{"a" + sgr("32") + "b" + sgr("31"), "c" + sgr("32"), "d"}
        << QStringList{"ab", "c", "d"} << QList<quint32>{sgrDefault, red, green};
    QTest::newRow("8-bit CSI") << QStringList{QStringLiteral("\u009B32mx"), "y"} << QStringList{"x", "y"}
                               << QList<quint32>{sgrDefault, green};
    QTest::newRow("not SGR stays") << QStringList{kEsc + QStringLiteral("[2Jx"), "y"}
                                   << QStringList{kEsc + QStringLiteral("[2Jx"), "y"}
                                   << QList<quint32>{sgrDefault, sgrDefault};
}

void TestReplyDocument::shownAndReceived()
{
    QFETCH(QStringList, received);
    QFETCH(QStringList, shown);
    QFETCH(QList<quint32>, startColours);
    QByteArray bytes = received.join(QStringLiteral("\r\n")).toUtf8();
    TReplyDocument doc;
    doc.LoadBytes(bytes);
    QCOMPARE(doc.ReceivedLines(), received);
    QCOMPARE(doc.Lines(), shown);
    QCOMPARE(doc.TextSize(), sizeOf(shown));
    for (int i = 0; i < received.size(); ++i) {
        QCOMPARE(doc.StartState(i).fg, startColours[i]);
        QCOMPARE(doc.Line(i), shown[i]); // one at a time, as painting asks
    }
    doc.SetStripsSgr(false);
    QCOMPARE(doc.Lines(), received);
    QCOMPARE(doc.TextSize(), sizeOf(received));
    QVERIFY(doc.Runs(0).isEmpty());
    doc.SetStripsSgr(true);
    QCOMPARE(doc.Lines(), shown);
}

// Past the bound the oldest lines go and one notice line says how many.
void TestReplyDocument::limit_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("appended");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("greenLine"); // a line that must start green, -1 for none
    const QStringList four{"aaaa", "bbbb", "cccc", "dddd"};
    QTest::newRow("within the bound") << QStringList{"a", "b"} << QStringList{} << qint64(4) << QStringList{"a", "b"} << -1;
    QTest::newRow("oldest dropped") << four << QStringList{} << qint64(12) << QStringList{"[2]", "cccc", "dddd"} << -1;
    QTest::newRow("notice replaced, count grows")
        << four << QStringList{"eeee"} << qint64(12) << QStringList{"[3]", "dddd", "eeee"} << -1;
    QTest::newRow("newest line stays however long")
        << QStringList{"a", "bbbbbbbbbbbb"} << QStringList{} << qint64(5) << QStringList{"[1]", "bbbbbbbbbbbb"} << -1;
    QTest::newRow("colour kept for the lines that stay")
        << QStringList{sgr("32") + "a", "b", "c"} << QStringList{"d"} << qint64(5)
        << QStringList{"[2]", "c", "d"} << 1;
}

void TestReplyDocument::limit()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, appended);
    QFETCH(qint64, limit);
    QFETCH(QStringList, expected);
    QFETCH(int, greenLine);
    TReplyDocument doc;
    doc.SetLines(lines);
    doc.EnforceLimit(limit, 0, notice);
    if (!appended.isEmpty()) {
        doc.AppendLines(appended);
        doc.EnforceLimit(limit, 0, notice);
    }
    QCOMPARE(doc.Lines(), expected);
    QCOMPARE(doc.ReceivedLines().mid(1), expected.mid(1));
    QCOMPARE(doc.TextSize(), sizeOf(expected));
    QCOMPARE(doc.StartState(0), TSgrState{});
    if (greenLine >= 0) {
        QCOMPARE(doc.StartState(greenLine).fg, quint32(sgrIndexed | 2));
        QCOMPARE(doc.Runs(greenLine).size(), 1);
    }
}

void TestReplyDocument::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("flags"); // 1 case sensitive, 2 whole words, 4 expression, 8 backward
    QTest::addColumn<TMemoPos>("from");
    QTest::addColumn<TMemoPos>("start"); // line -1: not found
    QTest::addColumn<int>("length");
    const TMemoPos none{-1, 0};
    QTest::newRow("first") << "alpha" << 0 << TMemoPos{0, 0} << TMemoPos{0, 0} << 5;
    QTest::newRow("after the caret") << "alpha" << 0 << TMemoPos{0, 1} << TMemoPos{1, 6} << 5;
    QTest::newRow("case sensitive") << "alpha" << 1 << TMemoPos{0, 0} << TMemoPos{2, 0} << 5;
    QTest::newRow("whole words") << "alpha" << 3 << TMemoPos{2, 0} << TMemoPos{3, 5} << 5;
    QTest::newRow("columns count UTF-16") << "alpha" << 3 << TMemoPos{3, 6} << TMemoPos{4, 3} << 5;
    QTest::newRow("backward from the end") << "alpha" << 8 << TMemoPos{4, 8} << TMemoPos{4, 3} << 5;
    QTest::newRow("backward: starts before the caret") << "alpha" << 8 << TMemoPos{1, 6} << TMemoPos{0, 0} << 5;
    QTest::newRow("expression") << "b.t" << 4 << TMemoPos{0, 0} << TMemoPos{0, 6} << 3;
    QTest::newRow("invalid expression") << "(" << 4 << TMemoPos{0, 0} << none << 0;
    QTest::newRow("empty matches find nothing") << "q*" << 4 << TMemoPos{0, 0} << none << 0;
    QTest::newRow("not found") << "zeta" << 0 << TMemoPos{0, 0} << none << 0;
}

void TestReplyDocument::find()
{
    QFETCH(QString, text);
    QFETCH(int, flags);
    QFETCH(TMemoPos, from);
    QFETCH(TMemoPos, start);
    QFETCH(int, length);
    TReplyDocument doc;
    doc.LoadBytes(QStringLiteral("Alpha beta\r\ngamma ALPHA\nalphabet\rcaf\u00e9 alpha\n\U0001F600 alpha").toUtf8());
    TSearchOptions options;
    options.text = text;
    options.caseSensitive = flags & 1;
    options.wholeWords = flags & 2;
    options.regularExpression = flags & 4;
    options.backward = flags & 8;
    const auto match = doc.Find(options, from, {0, 0}, {4, 8});
    if (start.line < 0) {
        QVERIFY(!match);
        return;
    }
    QVERIFY(match);
    QCOMPARE(match->first, start);
    QCOMPARE(match->second, (TMemoPos{start.line, start.col + length}));
}

POLLUX_TEST_MAIN(TestReplyDocument)
#include "test_reply_document.moc"
