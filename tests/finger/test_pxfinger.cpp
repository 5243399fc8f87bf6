#include "TestFinger.h"

#include "FingerServer.h"
#include "results/DocumentWriter.h"
#include "results/ReplyText.h"
#include "settings/ColourText.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include "RunProgram.h"

namespace {
QString pxfingerPath()
{
    return QStringLiteral(PXFINGER_PATH);
}

ProgramRun runProcess(const QString& program, const QStringList& args, const QByteArray& input = {})
{
    ProgramOptions options;
    options.input = input;
    return RunProgram(program, args, options);
}
} // namespace

void TestFinger::pxfingerUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("outStart");
    QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("Usage: pxfinger");
    QTest::newRow("nothing") << QStringList{} << 2 << QByteArray();
    QTest::newRow("unknown option") << QStringList{"--frob", "x"} << 2 << QByteArray();
    QTest::newRow("timeout without value") << QStringList{"--timeout"} << 2 << QByteArray();
    QTest::newRow("timeout not a number") << QStringList{"--timeout", "soon", "x"} << 2 << QByteArray();
    QTest::newRow("timeout zero") << QStringList{"--timeout=0", "x"} << 2 << QByteArray();
    QTest::newRow("unknown format") << QStringList{"--format", "pdf", "x"} << 2 << QByteArray();
    QTest::newRow("format without value") << QStringList{"x", "--format"} << 2 << QByteArray();
    QTest::newRow("font that is no font text") << QStringList{"--format=html", "--font", "Courier", "x"} << 2
                                               << QByteArray();
}

void TestFinger::pxfingerUsage()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, outStart);
    const ProgramRun r = runProcess(pxfingerPath(), args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY(r.out.startsWith(outStart));
    if (exitCode == 2)
        QVERIFY(r.err.startsWith("pxfinger: "));
}

void TestFinger::pxfingerQueries()
{
    LoopbackFingerServer server;
    static const char raw[] = "Login: carol\r\n\x00\xfe binary stays\n";
    const QByteArray text(raw, sizeof raw - 1);
    server.SetReply(text);
    QVERIFY(server.Listen());
    QStringList queries;
    connect(&server, &LoopbackFingerServer::queryReceived, this, [&](const QByteArray& line) { queries << QString::fromLatin1(line); });
    // The second expression carries no port: the first one's stays in force.
    const ProgramRun r = runProcess(pxfingerPath(), {QStringLiteral("carol@127.0.0.1:%1").arg(server.Port()), QStringLiteral("--"),
                                              QStringLiteral("/W dave@127.0.0.1")});
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, text + text);
    QCOMPARE(queries, (QStringList{"carol\r\n", "/W dave\r\n"}));
}

void TestFinger::pxfingerFormats_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("font");
    QTest::newRow("text") << QStringList{"--format", "text"} << int(TDocumentKind::Text) << QString();
    QTest::newRow("rtf, default font") << QStringList{"--format=rtf"} << int(TDocumentKind::RTF)
                                       << QStringLiteral("Courier New (Size: 10)");
    QTest::newRow("html, a font") << QStringList{"--format", "HTML", "--font", "DejaVu Sans Mono (Size: 12)"}
                                  << int(TDocumentKind::HTML) << QStringLiteral("DejaVu Sans Mono (Size: 12)");
}

void TestFinger::pxfingerFormats()
{
    QFETCH(QStringList, options);
    QFETCH(int, kind);
    QFETCH(QString, font);
    LoopbackFingerServer server;
    const QByteArray reply = "Login: carol  <b>Name:</b> \"C\" www.host1.example\r\ncaf\xc3\xa9 \t42\r\n";
    server.SetReply(reply);
    QVERIFY(server.Listen());
    const QString at = QStringLiteral("carol@127.0.0.1:%1").arg(server.Port());
    // Two replies, one below the other, as in a result tab.
    TDocumentInput input;
    input.lines = SplitReplyLines(reply) + SplitReplyLines(reply);
    if (!font.isEmpty())
        ParseFontText(font, input.font.name, input.font.size);
    const QByteArray expected = kind == int(TDocumentKind::Text) ? TextDocument(input.lines)
                                : kind == int(TDocumentKind::RTF) ? RTFDocument(input)
                                                                  : HTMLDocument(input);
    const ProgramRun r = runProcess(pxfingerPath(), options + QStringList{at, at});
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, expected);

    // To a file: replaced whole; nothing on standard output.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plan.out"));
    const ProgramRun toFile = runProcess(pxfingerPath(), options + QStringList{"--output", file, at, at});
    QCOMPARE(toFile.exitCode, 0);
    QCOMPARE(toFile.out, QByteArray());
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), expected);
}

void TestFinger::pxfingerOutputFailure()
{
    LoopbackFingerServer server;
    server.SetReply("fine\r\n");
    QVERIFY(server.Listen());
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/plan.html"));
    const ProgramRun r = runProcess(pxfingerPath(), {"--format", "html", "--output", missing,
                                                     QStringLiteral("@127.0.0.1:%1").arg(server.Port())});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, QByteArray("Cannot create file " + missing.toLocal8Bit() + "\n"));
    QVERIFY(!QFile::exists(missing));
}

void TestFinger::pxfingerFailure()
{
    LoopbackFingerServer server;
    server.SetReply("fine\r\n");
    QVERIFY(server.Listen());
    LoopbackFingerServer silent;
    silent.SetSilent();
    QVERIFY(silent.Listen());
    const ProgramRun r = runProcess(pxfingerPath(), {QStringLiteral("--timeout"), QStringLiteral("1"),
                                              QStringLiteral("@127.0.0.1:%1").arg(RefusingPort()), QString(),
                                              QStringLiteral("@127.0.0.1:%1").arg(silent.Port()),
                                              QStringLiteral("@127.0.0.1:%1").arg(server.Port())});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QByteArray("fine\r\n")); // the later query still runs
    QCOMPARE(r.err, QByteArray("[10061] Connection refused\n"
                               "Please enter a valid query expression before continuing!\n"
                               "Operation timed out\n"));
}

void TestFinger::pxfingerMatchesFingerd()
{
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    const QString fingerd = QStringLiteral("/usr/sbin/in.fingerd");
    // in.fingerd answers through the finger program of the finger package.
    if (socat.isEmpty() || !QFile::exists(fingerd) || QStandardPaths::findExecutable(QStringLiteral("finger")).isEmpty())
        QSKIP("socat, in.fingerd or finger is not installed");
    const quint16 port = RefusingPort(); // free a moment ago
    QProcess daemon;
    daemon.start(socat, {QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr,fork").arg(port), QStringLiteral("EXEC:%1,nofork").arg(fingerd)});
    QVERIFY(daemon.waitForStarted());
    auto stop = qScopeGuard([&] {
        daemon.kill();
        daemon.waitForFinished();
    });
    // Wait until it listens.
    QTcpSocket probe;
    QTRY_VERIFY_WITH_TIMEOUT((probe.abort(), probe.connectToHost(QHostAddress::LocalHost, port), probe.waitForConnected(200)), 10000);
    probe.abort();

    for (const QString& user : {QStringLiteral("root"), QString()}) {
        const ProgramRun reference = runProcess(socat, {QStringLiteral("-"), QStringLiteral("TCP:127.0.0.1:%1").arg(port)}, user.toLatin1() + "\r\n");
        QCOMPARE(reference.exitCode, 0);
        QVERIFY(!reference.out.isEmpty());
        const ProgramRun ours = runProcess(pxfingerPath(), {user + QStringLiteral("@127.0.0.1:%1").arg(port)});
        QCOMPARE(ours.err, QByteArray());
        QCOMPARE(ours.exitCode, 0);
        QCOMPARE(ours.out, reference.out);
    }
}
