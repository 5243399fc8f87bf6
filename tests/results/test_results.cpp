// Reply lines, the HTML tokeniser and the link marker.

#include "TestMain.h"

#include "results/HTMLParser.h"
#include "results/ReplyText.h"
#include "results/TextStyles.h"

#include <QUrl>

Q_DECLARE_METATYPE(ParserState)

namespace {

QByteArray classify(const QString& line, ParserState& state)
{
    QByteArray classes = THTMLParser().TokenizeLine(line, state);
    MarkLinks(line, classes);
    return classes;
}

// Checks a line against "token class|token class|..."; every character
// between the listed tokens must be class 0.
void verifyTokens(const QString& line, const QByteArray& classes, const QString& expected)
{
    QCOMPARE(classes.size(), line.size());
    qsizetype pos = 0;
    for (const QString& item : expected.split(QLatin1Char('|'))) {
        const qsizetype space = item.lastIndexOf(QLatin1Char(' '));
        const QString token = item.left(space);
        const int cls = item.mid(space + 1).toInt();
        const qsizetype at = line.indexOf(token, pos);
        QVERIFY2(at >= 0, qPrintable(QStringLiteral("token '%1' missing").arg(token)));
        for (qsizetype i = pos; i < at; ++i)
            QVERIFY2(classes[i] == 0, qPrintable(QStringLiteral("gap before '%1' not class 0").arg(token)));
        for (qsizetype i = at; i < at + token.size(); ++i)
            QVERIFY2(quint8(classes[i]) == cls,
                     qPrintable(QStringLiteral("'%1' at %2: class %3, expected %4")
                                    .arg(token).arg(i).arg(int(classes[i])).arg(cls)));
        pos = at + token.size();
    }
    for (qsizetype i = pos; i < line.size(); ++i)
        QCOMPARE(int(classes[i]), 0);
}

} // namespace

class TestResults : public QObject {
    Q_OBJECT
private slots:
    void tokens_data();
    void tokens();
    void commentAcrossLines();
    void endStateMatchesTokenizer();
    void links_data();
    void links();
    void linkTargets_data();
    void linkTargets();
    void splitLines_data();
    void splitLines();
    void decoding_data();
    void decoding();
    void visibleText_data();
    void visibleText();
    void textStyles();
};

void TestResults::tokens_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("tokens");
    QTest::addColumn<ParserState>("endState");
    const auto T = ParserState::Text;
    QTest::newRow("tags, words, link") << "<b>Plan:</b> see www.host1.example"
                                       << "<b 10|> 10|Plan 3|: 7|</b 10|> 10|see 3|www.host1.example 12" << T;
    QTest::newRow("tag parameters") << "<font size=2>" << "<font 10|size 11|= 0|2 4|> 10" << T;
    QTest::newRow("numbers") << "Idle 12.5e3 and 42" << "Idle 3|12.5e3 5|and 3|42 4" << T;
    QTest::newRow("address in brackets") << "<user@host1.example>" << "< 10|user@host1.example 12|> 10" << T;
    QTest::newRow("open tag") << "a < b" << "a 3|< 10|b 11" << ParserState::Tag;
    QTest::newRow("string") << "say \"hello\" now" << "say 3|\"hello\" 1|now 3" << T;
    QTest::newRow("unpaired quote") << "x \"open <b> 12" << "x 3|\"open <b> 12 1" << T;
    QTest::newRow("doubled quote") << "\"a\"\"b\" c" << "\"a\"\"b\" 1|c 3" << T;
    QTest::newRow("string ends at control")
        << QStringLiteral("\"ab\x1b" "cd") << "\"ab 1|cd 3" << T;
    QTest::newRow("empty comment") << "<!--> x" << "<!--> 2|x 3" << T;
    QTest::newRow("comment") << "<!-- note -->done" << "<!- 2|- 2|note --> 2|done 3" << T;
    QTest::newRow("floats and fractions") << "1e5 3.x 7E-2" << "1e5 5|3 4|. 7|x 3|7E-2 5" << T;
    QTest::newRow("tag with string") << "<a href=\"x\">" << "<a 10|href 11|= 0|\"x\" 1|> 10" << T;
    QTest::newRow("delimiters") << QStringLiteral("a+b \u00e9") << QStringLiteral("a 3|+ 7|b 3|\u00e9 7") << T;
    QTest::newRow("lt inside tag") << "<a <b>" << "<a 10|< 0|b 11|> 10" << T;
    QTest::newRow("identifier with digits") << "_x9 9x" << "_x9 3|9 4|x 3" << T;
}

void TestResults::tokens()
{
    QFETCH(QString, line);
    QFETCH(QString, tokens);
    QFETCH(ParserState, endState);
    ParserState state = ParserState::Text;
    const QByteArray classes = classify(line, state);
    verifyTokens(line, classes, tokens);
    QCOMPARE(state, endState);
}

void TestResults::commentAcrossLines()
{
    const QStringList lines = {"x <!-- start", "middle <b> text", "end --> after", "<i>"};
    ParserState state = ParserState::Text;
    verifyTokens(lines[0], classify(lines[0], state), "x 3|<!- 2|- 2|start 2");
    QCOMPARE(state, ParserState::Comment);
    verifyTokens(lines[1], classify(lines[1], state), "middle <b> text 2");
    QCOMPARE(state, ParserState::Comment);
    verifyTokens(lines[2], classify(lines[2], state), "end --> 2|after 3");
    QCOMPARE(state, ParserState::Text);
    verifyTokens(lines[3], classify(lines[3], state), "<i 10|> 10");

    // A line starts in the state its predecessor ended in: a tag left open.
    state = ParserState::Text;
    classify("a < b", state);
    verifyTokens("c> d", classify("c> d", state), "c 11|> 10|d 3");
}

void TestResults::endStateMatchesTokenizer()
{
    const QStringList lines = {"<a href=\"x", "y\">", "<!-- a", "- b --", "-->", "<", "\"", "x"};
    const THTMLParser parser;
    for (ParserState start : {ParserState::Text, ParserState::Tag, ParserState::Comment}) {
        for (const QString& line : lines) {
            ParserState full = start;
            parser.TokenizeLine(line, full);
            QCOMPARE(parser.EndState(line, start), full);
        }
    }
}

void TestResults::links_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("marked");
    QTest::newRow("final full stop") << "Mail user@host1.example." << QStringList{"user@host1.example."};
    QTest::newRow("no full stop") << "user@host1" << QStringList{};
    QTest::newRow("two at signs") << "a@b@host1.example" << QStringList{};
    QTest::newRow("hyphen after at") << "user@-host1.example" << QStringList{};
    QTest::newRow("ampersand ends") << "www.host1.example/path?q=1&r=2" << QStringList{"www.host1.example/path?q=1"};
    QTest::newRow("https not listed") << "https://host1.example/" << QStringList{};
    QTest::newRow("upper case") << "HTTP://HOST1.EXAMPLE" << QStringList{"HTTP://HOST1.EXAMPLE"};
    QTest::newRow("slashes at start") << "//www.host1.example" << QStringList{"www.host1.example"};
    QTest::newRow("slashes after word") << "see //www.host1.example" << QStringList{};
    QTest::newRow("other prefixes") << "ftp://a.example, gopher://b (mailto:c)"
                                    << QStringList{"ftp://a.example", "gopher://b", "mailto:c"};
    QTest::newRow("mailto address") << "MAILTO:user@host1.example" << QStringList{"MAILTO:user@host1.example"};
    QTest::newRow("full stop before at") << "first.last@host1" << QStringList{};
    QTest::newRow("control char ends run") << QStringLiteral("www.a.example\x1b[0m") << QStringList{"www.a.example"};
}

void TestResults::links()
{
    QFETCH(QString, line);
    QFETCH(QStringList, marked);
    QStringList found;
    for (const auto& [start, length] : FindLinks(line))
        found.append(line.mid(start, length));
    QCOMPARE(found, marked);

    QByteArray classes(line.size(), char(tcIdentifier));
    MarkLinks(line, classes);
    int urlChars = 0;
    for (char c : classes)
        urlChars += c == char(tcUrl);
    int expected = 0;
    for (const QString& m : marked)
        expected += int(m.size());
    QCOMPARE(urlChars, expected);
}

void TestResults::linkTargets_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("url"); // empty: refused
    QTest::newRow("mail") << "user@host1.example" << "mailto:user@host1.example" << "mailto:user@host1.example";
    QTest::newRow("mailto kept") << "MAILTO:user@host1.example" << "MAILTO:user@host1.example"
                                 << "mailto:user@host1.example";
    QTest::newRow("www gets http") << "www.host1.example" << "http://www.host1.example" << "http://www.host1.example";
    QTest::newRow("http kept") << "HTTP://HOST1.EXAMPLE/a?b=1" << "HTTP://HOST1.EXAMPLE/a?b=1"
                               << "http://host1.example/a?b=1";
    QTest::newRow("user in web address") << "ftp://user@ftp.host1.example/" << "ftp://user@ftp.host1.example/"
                                         << "ftp://user@ftp.host1.example/";
    QTest::newRow("no host") << "http://" << "http://" << "";
    QTest::newRow("mailto without address") << "MAILTO:" << "MAILTO:" << "";
    QTest::newRow("not a link") << "file:///etc/passwd" << "file:///etc/passwd" << "";
    QTest::newRow("other scheme") << "javascript:alert(1)" << "javascript:alert(1)" << "";
    QTest::newRow("space inside") << "www.a.example x" << "http://www.a.example x" << "";
}

void TestResults::linkTargets()
{
    QFETCH(QString, link);
    QFETCH(QString, target);
    QFETCH(QString, url);
    QCOMPARE(LinkTarget(link), target);
    const QUrl opened = LinkUrl(link);
    QCOMPARE(opened.isValid(), !url.isEmpty());
    if (!url.isEmpty())
        QCOMPARE(opened.toString(), url);
}

void TestResults::splitLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    // A NUL hides nothing after it: it is a character of its line.
    QTest::newRow("nul kept") << QByteArray("a\r\nb\0c", 6) << QStringList{"a", QString::fromUtf16(u"b\0c", 3)};
    QTest::newRow("trailing CR LF") << QByteArray("a\r\n") << QStringList{"a"};
    QTest::newRow("lone CR") << QByteArray("a\rb") << QStringList{"a", "b"};
    QTest::newRow("LF lines") << QByteArray("a\n\nb\n") << QStringList{"a", "", "b"};
    QTest::newRow("CR then CR LF") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("LF CR") << QByteArray("a\n\r") << QStringList{"a", ""};
    QTest::newRow("empty") << QByteArray() << QStringList{};
    QTest::newRow("one break") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("nul first") << QByteArray("\0abc", 4) << QStringList{QString::fromUtf16(u"\0abc", 4)};
    QTest::newRow("nul in Windows-1252") << QByteArray("\xe9\0\r\nz", 5) << QStringList{QString::fromUtf16(u"\u00e9\0", 2), "z"};
    QTest::newRow("tabs kept") << QByteArray("\tx\t") << QStringList{"\tx\t"};
}

void TestResults::splitLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(SplitReplyLines(bytes), lines);
}

void TestResults::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9") << QStringList{QStringLiteral("caf\u00e9")};
    QTest::newRow("windows-1252") << QByteArray("caf\xe9 \x80 \x93q\x94") << QStringList{QStringLiteral("caf\u00e9 \u20ac \u201cq\u201d")};
    QTest::newRow("undefined 1252 bytes kept") << QByteArray("\x81\x8d\x9d")
                                               << QStringList{QStringLiteral("\u0081\u008d\u009d")};
    QTest::newRow("each line on its own") << QByteArray("caf\xc3\xa9\r\nna\xefve")
                                          << QStringList{QStringLiteral("caf\u00e9"), QStringLiteral("na\u00efve")};
    QTest::newRow("byte order mark") << QByteArray("\xef\xbb\xbfhi\nyo") << QStringList{"hi", "yo"};
    QTest::newRow("truncated sequence") << QByteArray("a\xc3") << QStringList{QStringLiteral("a\u00c3")};
}

void TestResults::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    const QStringList got = SplitReplyLines(bytes);
    QCOMPARE(got, lines);
    for (const QString& line : got)
        QVERIFY(!line.contains(QChar(QChar::ReplacementCharacter)));
    if (!bytes.contains('\n') && !bytes.contains('\r'))
        QCOMPARE(DecodeReplyText(bytes), lines.value(0));
}

void TestResults::visibleText_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("shown");
    QTest::newRow("escape sequence") << QStringLiteral("a\x1b[1mb") << "a^[[1mb";
    QTest::newRow("bell, backspace") << QStringLiteral("\x07x\x08") << "^Gx^H";
    QTest::newRow("delete") << QStringLiteral("\x7f") << "^?";
    QTest::newRow("C1 CSI") << QStringLiteral("\u009b2J") << "M-^[2J";
    QTest::newRow("tab kept") << QStringLiteral("a\tb") << "a\tb";
    QTest::newRow("override") << QStringLiteral("x\u202ey") << "x<U+202E>y";
    QTest::newRow("separator") << QStringLiteral("x\u2028y") << "x<U+2028>y";
    QTest::newRow("nul") << QString::fromUtf16(u"a\0b", 3) << "a^@b";
    QTest::newRow("bidi marks") << QStringLiteral("\u200ex\u200f\u061cy\u2067")
                                << "<U+200E>x<U+200F><U+061C>y<U+2067>";
    QTest::newRow("plain") << QStringLiteral("caf\u00e9 \u20ac") << QStringLiteral("caf\u00e9 \u20ac");
}

void TestResults::visibleText()
{
    QFETCH(QString, line);
    QFETCH(QString, shown);
    QCOMPARE(VisibleText(line), shown);
    QCOMPARE(HasControlNotation(line), line != shown);
}

void TestResults::textStyles()
{
    QCOMPARE(QString::fromLatin1(DefaultTextStyle(tcUrl).name), QStringLiteral("Url"));
    QVERIFY(DefaultTextStyle(tcUrl).underline);
    QCOMPARE(DefaultTextStyle(tcUrl).colour, TColor(0xFF0000));
    QCOMPARE(DefaultTextStyle(tcString).colour, TColor(0x000080));
    QVERIFY(DefaultTextStyle(tcComment).italic);
    QCOMPARE(DefaultTextStyle(99).name, DefaultTextStyle(0).name);
}

POLLUX_TEST_MAIN(TestResults)
#include "test_results.moc"
