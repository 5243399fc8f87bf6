// Colour scheme files without a window: reading, writing, the two folders,
// and the colour links get on each shipped scheme's background.

#include "TestMain.h"

#include "settings/ColourScheme.h"
#include "ui/Colours.h"

#include <sys/stat.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestSchemeFiles : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        pollux_test::clearSettingsDir();
        qunsetenv("POLLUX_DATA_DIR");
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("badText");
        QTest::addColumn<QString>("first");

        const QByteArray eight = "clWhite\r\nCLNAVY\r\n$00FF8000\r\nclgray\r\n0x00123456\r\n-1\r\n16777215\r\nclBlack\r\n";
        QTest::newRow("upper-case name and hex") << ";Pollux - Colour Scheme File\r\n" + eight << 8 << QString() << "clWhite";
        QTest::newRow("header ignored, whatever it holds") << "anything at all\r\n" + eight << 8 << QString() << "clWhite";
        QTest::newRow("LF line ends") << QByteArray(";h\n" + QByteArray(eight).replace("\r\n", "\n")) << 8 << QString() << "clWhite";
        QTest::newRow("CR line ends") << QByteArray(";h\r" + QByteArray(eight).replace("\r\n", "\r")) << 8 << QString() << "clWhite";
        QTest::newRow("further lines ignored") << ";h\r\n" + eight + "garbage\r\nmore\r\n" << 8 << QString() << "clWhite";
        QTest::newRow("no last line end") << ";h\r\n" + eight.chopped(2) << 8 << QString() << "clWhite";
        QTest::newRow("a name without cl") << QByteArray(";h\r\nclWhite\r\nnavy\r\n") << 1 << "navy" << "clWhite";
        QTest::newRow("short file: the missing line is empty") << QByteArray(";h\r\nclWhite\r\nclBlack\r\n") << 2 << ""
                                                               << "clWhite";
        QTest::newRow("empty file") << QByteArray() << 0 << "" << QString();
        QTest::newRow("blank colour line") << QByteArray(";h\r\n \r\n") << 0 << " " << QString();
        QTest::newRow("NUL in a line") << QByteArray(";h\r\nclWhi\0te\r\n", 14) << 0 << QString::fromLatin1("clWhi\0te", 8)
                                       << QString();
        QTest::newRow("trailing blank") << QByteArray(";h\r\nclWhite \r\n") << 0 << "clWhite " << QString();
    }

    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, count);
        QFETCH(QString, badText);
        QFETCH(QString, first);
        const TSchemeParse parsed = ParseColourScheme(bytes);
        QCOMPARE(parsed.count, count);
        QCOMPARE(parsed.Complete(), count == kSchemeColourCount);
        if (count < kSchemeColourCount) {
            QCOMPARE(parsed.badText, badText);
            QCOMPARE(parsed.Error().Message(), QStringLiteral("'%1' is not a valid integer value").arg(badText));
        }
        if (count > 0)
            QCOMPARE(ColourToText(parsed.colours[0]), first);
        if (count == kSchemeColourCount) {
            QCOMPARE(parsed.colours[scText], 0x00800000u);
            QCOMPARE(parsed.colours[scGutter], 0x00FF8000u);
            QCOMPARE(parsed.colours[scSelText], 0xFFFFFFFFu);
        }
    }

    void longLineShortenedInMessage()
    {
        const TSchemeParse parsed = ParseColourScheme(";h\r\n" + QByteArray(100000, 'x'));
        QCOMPARE(parsed.count, 0);
        QVERIFY(parsed.Error().Message().size() < 200);
    }

    void writtenText()
    {
        const TSchemeColours colours{0x00FFFFFF, 0, 0x8000000F, 0x00808080, 0x00800000, 0x00FFFFFF, 0, 0x00123456};
        QCOMPARE(ColourSchemeText(colours),
                 QByteArray(";Pollux - Colour Scheme File\r\nclWhite\r\nclBlack\r\nclBtnFace\r\nclGray\r\nclNavy\r\n"
                            "clWhite\r\nclBlack\r\n$00123456\r\n"));
        const QString path = UserSchemeFolder() + QStringLiteral("/Round.csf");
        QDir().mkpath(UserSchemeFolder());
        WriteColourSchemeFile(path, colours);
        QByteArray bytes;
        QVERIFY(ReadColourSchemeFile(path, bytes));
        const TSchemeParse back = ParseColourScheme(bytes);
        QVERIFY(back.Complete());
        QVERIFY(back.colours == colours);
    }

    void writeIntoMissingFolderFails()
    {
        QVERIFY_THROWS_EXCEPTION(EInOutError,
                                 WriteColourSchemeFile(UserSchemeFolder() + QStringLiteral("/no/such/x.csf"), {}));
    }

    void bothFolders()
    {
        QTemporaryDir shipped;
        qputenv("POLLUX_DATA_DIR", shipped.path().toLocal8Bit());
        const QByteArray scheme = ColourSchemeText({});
        writeFile(shipped.path() + QStringLiteral("/ColourSchemes/Ocean.csf"), scheme);
        writeFile(shipped.path() + QStringLiteral("/ColourSchemes/Alpha.CSF"), scheme);
        writeFile(shipped.path() + QStringLiteral("/ColourSchemes/notes.txt"), scheme);
        writeFile(UserSchemeFolder() + QStringLiteral("/Night.csf"), scheme);
        writeFile(UserSchemeFolder() + QStringLiteral("/Ocean.csf"), scheme);

        QCOMPARE(ListColourSchemes(), (QStringList{"Alpha", "Ocean", "Night"}));
        // The user's own scheme hides the shipped one of that name.
        QCOMPARE(ColourSchemePath(QStringLiteral("Ocean")), UserSchemeFolder() + QStringLiteral("/Ocean.csf"));
        QCOMPARE(ColourSchemePath(QStringLiteral("Alpha")), shipped.path() + QStringLiteral("/ColourSchemes/Alpha.CSF"));
        for (const QString& name : {QStringLiteral("Missing"), QStringLiteral(" "), QString(), QStringLiteral("../Night"),
                                    QStringLiteral("..")})
            QVERIFY2(ColourSchemePath(name).isEmpty(), qPrintable(name));

        // A FIFO named like a scheme is never opened (it would wait for ever).
        const QString fifo = UserSchemeFolder() + QStringLiteral("/Pipe.csf");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QByteArray bytes;
        QVERIFY(!ReadColourSchemeFile(fifo, bytes));
        QVERIFY(ColourSchemePath(QStringLiteral("Pipe")).isEmpty());
        qunsetenv("POLLUX_DATA_DIR");
    }

    void linkColours_data()
    {
        QTest::addColumn<QString>("scheme");
        const QDir dir(QStringLiteral(SHIPPED_DATA_DIR "/ColourSchemes"));
        const QStringList files = dir.entryList({QStringLiteral("*.csf")}, QDir::Files);
        QVERIFY(files.contains(QStringLiteral("Default.csf")));
        QVERIFY(files.contains(QStringLiteral("Twilight.csf")));
        QVERIFY(files.contains(QStringLiteral("Ocean.csf")));
        for (const QString& file : files)
            QTest::newRow(qPrintable(file)) << dir.filePath(file);
    }

    // Every shipped scheme reads whole, and its links can be read: blue on
    // a light background, a lighter blue on a dark one.
    void linkColours()
    {
        QFETCH(QString, scheme);
        QByteArray bytes;
        QVERIFY(ReadColourSchemeFile(scheme, bytes));
        const TSchemeParse parsed = ParseColourScheme(bytes);
        QVERIFY(parsed.Complete());
        const QColor background = ColourToQColor(parsed.colours[scBackground], Qt::white);
        const QColor link = ReadableLinkColour(background);
        QVERIFY2(ContrastRatio(link, background) >= 4.5, qPrintable(link.name()));
        QVERIFY(link.blue() == 255);
        if (ContrastRatio(QColor(0, 0, 255), background) >= 4.5)
            QCOMPARE(link, QColor(0, 0, 255));
        // The text is readable too.
        QVERIFY(ContrastRatio(ColourToQColor(parsed.colours[scText]), background) >= 4.5);
    }

    void linkColourOnMidGrey()
    {
        // No blue reaches 4.5:1 on mid grey; the best one is taken.
        const QColor grey(0x80, 0x80, 0x80);
        const QColor link = ReadableLinkColour(grey);
        QVERIFY(ContrastRatio(link, grey) > ContrastRatio(QColor(0, 0, 255), grey));
    }
};

int RunSchemeFileTests(int argc, char** argv)
{
    TestSchemeFiles tc;
    return QTest::qExec(&tc, argc, argv);
}

#include "test_scheme_files.moc"
