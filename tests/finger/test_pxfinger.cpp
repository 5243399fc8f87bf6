#include "TestFinger.h"

#include "FingerServer.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
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
