#include "RunProgram.h"
#include "TestMain.h"

#include "settings/RegUtils.h"

#include <QProcess>

namespace {

ProgramRun pxreg(const QStringList& args, const QByteArray& input = {})
{
    ProgramOptions options;
    options.input = input;
    return RunProgram(QStringLiteral(PXREG_PATH), args, options);
}

const QString kRoot = QStringLiteral("\\Software\\Marlwick\\Pollux\\2.0");

} // namespace

class TestPxreg : public QObject {
    Q_OBJECT

private slots:
    void init() { pollux_test::clearSettingsDir(); }

    void setGetAndExitCodes()
    {
        QCOMPARE(pxreg({"set", kRoot, "Debug", "--dword", "1"}).exitCode, 0);
        QVERIFY(ReadSettingBool(kRoot, QStringLiteral("Debug"))); // the program sees it
        QCOMPARE(ReadSettingInteger(kRoot, QStringLiteral("Debug")), 1);

        // Without the leading "\" and in another case: the same key.
        const ProgramRun got = pxreg({"get", "software\\marlwick\\POLLUX\\2.0", "debug"});
        QCOMPARE(got.exitCode, 0);
        QCOMPARE(got.out, QByteArray("1\n"));

        QCOMPARE(pxreg({"set", kRoot + "\\Configuration", "FontName", "--string", "Courier New (Size: 10)"}).exitCode, 0);
        QCOMPARE(pxreg({"get", kRoot + "\\Configuration", "FontName"}).out, QByteArray("Courier New (Size: 10)\n"));
        QCOMPARE(pxreg({"set", kRoot, "Big", "--dword", "0xFFFFFFFF"}).exitCode, 0);
        QCOMPARE(ReadSettingInteger(kRoot, QStringLiteral("Big")), -1);
        QCOMPARE(pxreg({"set", kRoot, "Neg", "--dword", "-5"}).exitCode, 0);
        QCOMPARE(pxreg({"get", kRoot, "Neg"}).out, QByteArray("-5\n"));

        const ProgramRun missing = pxreg({"get", kRoot, "NoSuchValue"});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.out.isEmpty());
        QVERIFY(missing.err.contains("NoSuchValue"));
        QCOMPARE(pxreg({"get", kRoot + "\\NoSuchKey", "Debug"}).exitCode, 1);
        QCOMPARE(pxreg({"values", kRoot + "\\NoSuchKey"}).exitCode, 1);
    }

    void badUse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList();
        QTest::newRow("unknown command") << QStringList{"frobnicate"};
        QTest::newRow("set without kind") << QStringList{"set", kRoot, "Debug"};
        QTest::newRow("unknown kind") << QStringList{"set", kRoot, "Debug", "--qword", "1"};
        QTest::newRow("not a number") << QStringList{"set", kRoot, "Debug", "--dword", "one"};
        QTest::newRow("too big") << QStringList{"set", kRoot, "Debug", "--dword", "4294967296"};
        QTest::newRow("hex too big") << QStringList{"set", kRoot, "Debug", "--dword", "0x100000000"};
        QTest::newRow("get without name") << QStringList{"get", kRoot};
        QTest::newRow("delete the top") << QStringList{"delete", "\\"};
        QTest::newRow("import missing file") << QStringList{"import", "/nonexistent/settings.txt"};
    }

    void badUse()
    {
        QFETCH(QStringList, args);
        const ProgramRun result = pxreg(args);
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(result.err.startsWith("pxreg: "), result.err.constData());
        QVERIFY(!SettingsValueExists(kRoot, QStringLiteral("Debug")));
    }

    void help()
    {
        const ProgramRun result = pxreg({"--help"});
        QCOMPARE(result.exitCode, 0);
        QVERIFY(result.out.contains("pxreg set KEY NAME --string TEXT"));
        QVERIFY(result.out.contains("Debug --dword 1"));
    }

    void listAndDelete()
    {
        const QString servers = kRoot + QStringLiteral("\\Configuration\\Servers");
        for (const char* name : {"b@host", "a@host", "C:\\path\\x.wav"})
            QCOMPARE(pxreg({"set", servers, name, "--string", "desc"}).exitCode, 0);
        QCOMPARE(pxreg({"set", servers + "\\Sub", "x", "--string", ""}).exitCode, 0);
        QCOMPARE(pxreg({"values", servers}).out, QByteArray("b@host\na@host\nC:\\path\\x.wav\n"));
        QCOMPARE(pxreg({"keys", kRoot + "\\Configuration"}).out, QByteArray("Servers\n"));
        QCOMPARE(pxreg({"keys", servers}).out, QByteArray("Sub\n"));

        QCOMPARE(pxreg({"delete", servers, "A@HOST"}).exitCode, 0);
        QCOMPARE(pxreg({"delete", servers, "A@HOST"}).exitCode, 1);
        QCOMPARE(pxreg({"values", servers}).out, QByteArray("b@host\nC:\\path\\x.wav\n"));
        QCOMPARE(pxreg({"delete", servers}).exitCode, 0);
        QVERIFY(!SettingsKeyExists(servers + QStringLiteral("\\Sub")));
        QVERIFY(SettingsKeyExists(kRoot + QStringLiteral("\\Configuration")));
        QCOMPARE(pxreg({"delete", servers}).exitCode, 1);
    }

    void exportImportRoundTrip()
    {
        const QString configuration = kRoot + QStringLiteral("\\Configuration");
        const QStringList names{
            QStringLiteral("line\nbreak"), QStringLiteral("a=b"), QStringLiteral("\"quoted\""),
            QStringLiteral("back\\slash\\"), QStringLiteral("@"), QStringLiteral("tab\there\r"),
            QStringLiteral("; not a comment"), QStringLiteral("[not a key]"), QStringLiteral("Grüße 😀"),
            QStringLiteral("bell\x07 and del\x7f"),
            QStringLiteral("  padded  "), QString(),
        };
        for (int i = 0; i < names.size(); ++i)
            WriteSettingString(configuration + QStringLiteral("\\Servers"), names[i], names[(i + 1) % names.size()]);
        WriteSettingInteger(kRoot, QStringLiteral("Debug"), 1);
        WriteSettingInteger(configuration + QStringLiteral("\\Positions"), QStringLiteral("Left"), -32);
        WriteSettingInteger(configuration + QStringLiteral("\\Positions"), QStringLiteral("Top"), INT_MIN);
        WriteSettingString(configuration + QStringLiteral("\\Odd\nKey \"name\""), QStringLiteral("v"), QString());
        WriteSettingString(configuration + QStringLiteral("\\[bracketed]"), QStringLiteral("v"), QString());
        WriteSettingEntries(configuration + QStringLiteral("\\Empty"), {});

        const ProgramRun exported = pxreg({"export"});
        QCOMPARE(exported.exitCode, 0);
        QVERIFY(exported.out.startsWith("Pollux Settings Version 1\n"));
        QVERIFY(exported.out.contains("\n[\\Software\\Marlwick\\Pollux\\2.0]\n\"Debug\"=dword:00000001\n"));

        pollux_test::clearSettingsDir();
        QCOMPARE(pxreg({"import", "-"}, exported.out).exitCode, 0);
        QCOMPARE(pxreg({"export"}).out, exported.out);

        QStringList listed;
        QVERIFY(ListSettingValues(configuration + QStringLiteral("\\Servers"), listed));
        QCOMPARE(listed, names);
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(ReadSettingString(configuration + QStringLiteral("\\Servers"), names[i]),
                     names[(i + 1) % names.size()]);
        QCOMPARE(ReadSettingInteger(configuration + QStringLiteral("\\Positions"), QStringLiteral("Top")), INT_MIN);
        QVERIFY(SettingsKeyExists(configuration + QStringLiteral("\\Empty")));
        QVERIFY(SettingsValueExists(configuration + QStringLiteral("\\Odd\nKey \"name\""), QStringLiteral("v")));

        // Exporting one key gives just that branch.
        const ProgramRun part = pxreg({"export", "Software\\Marlwick\\Pollux\\2.0\\Configuration\\Positions"});
        QCOMPARE(part.out, QByteArray("Pollux Settings Version 1\n\n"
                                      "[\\Software\\Marlwick\\Pollux\\2.0\\Configuration\\Positions]\n"
                                      "\"Left\"=dword:ffffffe0\n\"Top\"=dword:80000000\n"));
        QCOMPARE(pxreg({"export", kRoot + "\\Missing"}).exitCode, 1);
    }

    void badImportChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("where");
        QTest::newRow("no header") << QByteArray("[\\A]\n\"x\"=\"y\"\n") << QByteArray("line 1");
        QTest::newRow("value before key") << QByteArray("Pollux Settings Version 1\n\"x\"=\"y\"\n") << QByteArray("line 2");
        QTest::newRow("unclosed quote") << QByteArray("Pollux Settings Version 1\n[\\A]\n\"x\"=\"y\n") << QByteArray("line 4");
        QTest::newRow("bad escape") << QByteArray("Pollux Settings Version 1\n[\\A]\n\"x\\q\"=\"y\"\n") << QByteArray("line 4");
        QTest::newRow("bad dword") << QByteArray("Pollux Settings Version 1\n[\\A]\n\"x\"=dword:123456789\n") << QByteArray("line 4");
        QTest::newRow("junk line") << QByteArray("Pollux Settings Version 1\n[\\A]\n\"x\"=\"y\"\nx=y\n") << QByteArray("line 5");
        QTest::newRow("not UTF-8") << QByteArray("Pollux Settings Version 1\n[\\A]\n\"\xff\"=\"y\"\n") << QByteArray("UTF-8");
    }

    void badImportChangesNothing()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, where);
        // A valid value comes first (line numbers count it): an import stops
        // before writing anything.
        const QByteArray withGoodStart = text.replace("[\\A]\n", "[\\A]\n\"good\"=\"1\"\n");
        const ProgramRun result = pxreg({"import", "-"}, withGoodStart);
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(result.err.contains(where), result.err.constData());
        QVERIFY(!SettingsKeyExists(QStringLiteral("\\A")));
    }

    void importMergesAndAcceptsEditedText()
    {
        WriteSettingString(kRoot, QStringLiteral("Keep"), QStringLiteral("me"));
        const QByteArray text = "; written by hand\r\n"
                                "Pollux Settings Version 1\r\n"
                                "\r\n"
                                "  [\\Software\\Marlwick\\Pollux\\2.0]  \r\n"
                                "\"Debug\" = dword:1\r\n"
                                "@=\"unnamed\"\r\n";
        QCOMPARE(pxreg({"import", "-"}, text).exitCode, 0);
        QCOMPARE(ReadSettingInteger(kRoot, QStringLiteral("Debug")), 1);
        QCOMPARE(ReadSettingString(kRoot, QString()), QStringLiteral("unnamed"));
        QCOMPARE(ReadSettingString(kRoot, QStringLiteral("Keep")), QStringLiteral("me"));
    }
};

POLLUX_TEST_MAIN(TestPxreg)
#include "test_pxreg.moc"
