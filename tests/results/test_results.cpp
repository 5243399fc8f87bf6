// Reply lines, the HTML tokeniser and the link marker.

#include "TestMain.h"

#include "results/HTMLParser.h"
#include "results/ReplyText.h"
#include "results/SgrParser.h"
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

// A line's shown text with each styled run as "{state}text{}"; a state is
// fgN / fg#rrggbb, bgN / bg#rrggbb and the letters b f i u r s (bold,
// faint, italic, underline, reverse, strike-out).
QString describeColour(const char* side, quint32 colour)
{
    if ((colour & kSgrKindMask) == sgrIndexed)
        return QString::fromLatin1(side) + QString::number(colour & 0xFF);
    return QString::fromLatin1(side) + QStringLiteral("#%1").arg(colour & 0xFFFFFF, 6, 16, QLatin1Char('0'));
}

QString describe(const QString& shown, const QVector<TSgrRun>& runs)
{
    QString out;
    int pos = 0;
    for (const TSgrRun& run : runs) {
        out += shown.mid(pos, run.start - pos);
        QStringList parts;
        if (run.state.fg != sgrDefault)
            parts << describeColour("fg", run.state.fg);
        if (run.state.bg != sgrDefault)
            parts << describeColour("bg", run.state.bg);
        QString letters;
        const char* names = "bfiurs";
        for (int bit = 0; bit < 6; ++bit)
            if (run.state.attributes & (1 << bit))
                letters += QLatin1Char(names[bit]);
        if (!letters.isEmpty())
            parts << letters;
        out += QLatin1Char('{') + parts.join(QLatin1Char(',')) + QLatin1Char('}')
               + shown.mid(run.start, run.length) + QStringLiteral("{}");
        pos = run.start + run.length;
    }
    return out + shown.mid(pos);
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
    void sgr_data();
    void sgr();
    void sgrAcrossLines();
    void sgrManyParameters();
    void fingerLinks_data();
    void fingerLinks();
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
    QTest::newRow("final full stop") << "Mail user@host1.example." << QStringList{"user@host1.example"};
    QTest::newRow("sentence punctuation") << "See https://a.example/x?. Or finger://b.example/ada: ok, www.c.example!"
                                          << QStringList{"https://a.example/x", "finger://b.example/ada", "www.c.example"};
    QTest::newRow("brackets") << "(https://a.example/p) [www.b.example]" << QStringList{"https://a.example/p", "www.b.example"};
    QTest::newRow("only punctuation left") << "mailto:. www.. user@host1." << QStringList{};
    QTest::newRow("https and finger any case") << "HTTPS://A.EXAMPLE Finger://b.example"
                                               << QStringList{"HTTPS://A.EXAMPLE", "Finger://b.example"};
    QTest::newRow("link right after SGR") << QStringLiteral("\x1b[1mhttp://a.example/\x1b[0m and \x1b[4mada@b.example")
                                          << QStringList{"http://a.example/", "ada@b.example"};
    QTest::newRow("https and finger need the slashes") << "https:a.example finger:ada" << QStringList{};
    QTest::newRow("no full stop") << "user@host1" << QStringList{};
    QTest::newRow("two at signs") << "a@b@host1.example" << QStringList{};
    QTest::newRow("hyphen after at") << "user@-host1.example" << QStringList{};
    QTest::newRow("ampersand ends") << "www.host1.example/path?q=1&r=2" << QStringList{"www.host1.example/path?q=1"};
    QTest::newRow("upper case") << "HTTP://HOST1.EXAMPLE" << QStringList{"HTTP://HOST1.EXAMPLE"};
    QTest::newRow("slashes at start") << "//www.host1.example" << QStringList{"www.host1.example"};
    QTest::newRow("slashes after word") << "see //www.host1.example" << QStringList{};
    QTest::newRow("other prefixes") << "ftp://a.example, gopher://b (mailto:c)"
                                    << QStringList{"ftp://a.example", "gopher://b", "mailto:c"};
    QTest::newRow("mailto address") << "MAILTO:user@host1.example" << QStringList{"MAILTO:user@host1.example"};
    QTest::newRow("full stop before at") << "first.last@host1" << QStringList{};
    QTest::newRow("control char ends run") << QStringLiteral("www.a.example\x1b[2J") << QStringList{"www.a.example"};
}

void TestResults::links()
{
    QFETCH(QString, line);
    QFETCH(QStringList, marked);
    TSgrState state;
    line = StripSgr(line, state); // as the view holds it
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
    QTest::newRow("https kept") << "https://host1.example/a" << "https://host1.example/a" << "https://host1.example/a";
    QTest::newRow("finger not mail") << "finger://ada@host1.example" << "finger://ada@host1.example"
                                     << "finger://ada@host1.example";
    QTest::newRow("no host") << "http://" << "http://" << "";
    QTest::newRow("https without host") << "https://" << "https://" << "";
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

void TestResults::sgr_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("shown"); // describe(): the text with its styled runs
    auto row = [](const char* name, const char* line, const char* shown) {
        QTest::newRow(name) << QString::fromUtf8(line) << QString::fromUtf8(shown);
    };
    row("plain", "abc", "abc");
    row("each attribute", "\x1b[1mb\x1b[0;2mf\x1b[0;3mi\x1b[0;4mu\x1b[0;7mr\x1b[0;9ms\x1b[0m.",
        "{b}b{}{f}f{}{i}i{}{u}u{}{r}r{}{s}s{}.");
    row("standard colours", "\x1b[30ma\x1b[37mb\x1b[90mc\x1b[97md\x1b[40me\x1b[107mf",
        "{fg0}a{}{fg7}b{}{fg8}c{}{fg15}d{}{fg15,bg0}e{}{fg15,bg15}f{}");
    row("resets one by one", "\x1b[1;3;4;7;9;31;42ma\x1b[22mb\x1b[23;24mc\x1b[27;29md\x1b[39me\x1b[49mf",
        "{fg1,bg2,biurs}a{}{fg1,bg2,iurs}b{}{fg1,bg2,rs}c{}{fg1,bg2}d{}{bg2}e{}f");
    row("22 ends faint too", "\x1b[1;2ma\x1b[22mb", "{bf}a{}b");
    row("empty is reset", "\x1b[1;31ma\x1b[mb\x1b[;4mc", "{fg1,b}a{}b{u}c{}");
    row("256 colours", "\x1b[38;5;196ma\x1b[48;5;21mb\x1b[38;5;0mc", "{fg196}a{}{fg196,bg21}b{}{fg0,bg21}c{}");
    row("true colour", "\x1b[38;2;255;128;0ma\x1b[48;2;1;2;3mb", "{fg#ff8000}a{}{fg#ff8000,bg#010203}b{}");
    row("colon forms", "\x1b[38:2::10:20:30ma\x1b[38:5:100;4mb\x1b[4:0mc\x1b[48:2:1:2:3md",
        "{fg#0a141e}a{}{fg100,u}b{}{fg100}c{}{fg100,bg#010203}d{}");
    row("extended colour then more", "\x1b[38;5;1;1ma\x1b[58;5;3;3mb", "{fg1,b}a{}{fg1,bi}b{}");
    row("8-bit introducer", "\xc2\x9b" "31ma\xc2\x9b" "0mb", "{fg1}a{}b");
    row("colour out of range", "\x1b[38;5;256ma\x1b[38;2;300;0;0mb\x1b[48;5;999;1mc", "ab{b}c{}");
    row("colour cut short", "\x1b[38;5ma\x1b[38;2;1;2mb\x1b[48;2m", "ab");
    row("huge number", "\x1b[99999999999999999999;1ma", "{b}a{}");
    row("unknown codes passed over", "\x1b[5;8;53;1ma", "{b}a{}");
    row("unterminated at line end", "a\x1b[31", "a\x1b[31");
    row("lone escape", "a\x1b", "a\x1b");
    row("cursor move and clear stay", "\x1b[5;10Ha\x1b[2Jb\x1b[K", "\x1b[5;10Ha\x1b[2Jb\x1b[K");
    row("private and intermediate forms stay", "\x1b[?25ma\x1b[>4;1mb\x1b[1 mc", "\x1b[?25ma\x1b[>4;1mb\x1b[1 mc");
    row("OSC 8 and title stay", "\x1b]8;;http://a.example\x07x\x1b]0;title\x07",
        "\x1b]8;;http://a.example\x07x\x1b]0;title\x07");
    row("other byte cuts the sequence", "\x1b[31\x1b[1mx", "\x1b[31{b}x{}");
    row("no change makes no run", "\x1b[0ma\x1b[39;49mb", "ab");
}

void TestResults::sgr()
{
    QFETCH(QString, line);
    QFETCH(QString, shown);
    TSgrState state;
    QVector<TSgrRun> runs;
    const QString text = StripSgr(line, state, &runs);
    QCOMPARE(describe(text, runs), shown);
    // The shown text is the same without runs asked for, and the end state
    // is that of the last run (default after a plain end).
    TSgrState again;
    QCOMPARE(StripSgr(line, again), text);
    QCOMPARE(again, state);
}

void TestResults::sgrAcrossLines()
{
    TSgrLines sgr;
    const QStringList received{"plain", QStringLiteral("\x1b[31mred"), QStringLiteral("still red \x1b["),
                               QStringLiteral("1mnot bold\x1b[0m"), "plain again"};
    QStringList shown = sgr.append(received.mid(0, 3));
    shown += sgr.append(received.mid(3));
    QCOMPARE(shown, (QStringList{"plain", "red", QStringLiteral("still red \x1b["), "1mnot bold", "plain again"}));
    QVERIFY(sgr.active());
    QStringList described;
    for (int i = 0; i < received.size(); ++i)
        described << describe(shown[i], sgr.runs(i, received[i]));
    QCOMPARE(described, (QStringList{"plain", "{fg1}red{}", QStringLiteral("{fg1}still red \x1b[{}"),
                                     "{fg1}1mnot bold{}", "plain again"}));

    TSgrLines none;
    QCOMPARE(none.append({"a", "b"}), (QStringList{"a", "b"}));
    QVERIFY(!none.active());
    QVERIFY(none.runs(0, "a").isEmpty());
}

void TestResults::sgrManyParameters()
{
    QString params;
    for (int i = 0; i < 9999; ++i)
        params += QStringLiteral("38;5;") + QString::number(i % 256) + QLatin1Char(';');
    TSgrState state;
    QVector<TSgrRun> runs;
    const QString text = StripSgr(QStringLiteral("\x1b[") + params + QStringLiteral("1mx"), state, &runs);
    QCOMPARE(describe(text, runs), QStringLiteral("{fg14,b}x{}"));

    const QString ones = QStringLiteral("1;").repeated(9999) + QStringLiteral("1");
    state = {};
    QCOMPARE(StripSgr(QStringLiteral("\x1b[") + ones + QStringLiteral("mx"), state), QStringLiteral("x"));
    QCOMPARE(state.attributes, quint16(sgrBold));
    // A sequence of a million empty parameters, each a reset, then bold.
    state = {};
    QCOMPARE(StripSgr(QStringLiteral("\x1b[") + QString(1000000, QLatin1Char(';')) + QStringLiteral("1mx"), state),
             QStringLiteral("x"));
    QCOMPARE(state.attributes, quint16(sgrBold));
    // Runs asked for the start of a long line stop there.
    state = {};
    runs.clear();
    const QString shown = StripSgr(QStringLiteral("\x1b[31ma\x1b[32mb").repeated(100000), state, &runs, 4);
    QCOMPARE(describe(shown, runs), QStringLiteral("{fg1}a{}{fg2}b{}{fg1}a{}{fg2}b{}"));
    // A final empty parameter is a 0, which resets.
    QCOMPARE(StripSgr(QStringLiteral("\x1b[") + ones + QStringLiteral(";mx"), state), QStringLiteral("x"));
    QVERIFY(state.isDefault());
}

void TestResults::fingerLinks_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("query"); // empty: refused
    QTest::newRow("host and user") << "finger://host1.example/ada" << "ada@host1.example";
    QTest::newRow("user before host") << "FINGER://ada@host1.example/" << "ada@host1.example";
    QTest::newRow("host alone") << "finger://host1.example" << "@host1.example";
    QTest::newRow("port kept") << "finger://host1.example:7979/ada" << "ada@host1.example:7979";
    QTest::newRow("two users") << "finger://bob@host1.example/ada" << "";
    QTest::newRow("deeper path") << "finger://host1.example/a/b" << "";
    QTest::newRow("gateway in user") << "finger://host1.example/ada@host2.example" << "";
    QTest::newRow("no host") << "finger:///ada" << "";
    QTest::newRow("query part") << "finger://host1.example/ada?x=1" << "";
}

void TestResults::fingerLinks()
{
    QFETCH(QString, link);
    QFETCH(QString, query);
    QCOMPARE(FingerLinkQuery(link), query);
    QCOMPARE(LinkUrl(link).isValid(), !query.isEmpty());
}

POLLUX_TEST_MAIN(TestResults)
#include "test_results.moc"
