// Servers that break off: a reset part-way through a reply is a failure for
// the component and for pxfinger, never a reply taken as whole. pxfinger
// streams, so what came before the failure has already been written.

#include "TestFinger.h"

#include "FingerServer.h"
#include "RunProgram.h"

#include <QBuffer>
#include <QProcess>
#include <QTest>

void TestFinger::resetEndsInFailure()
{
    LoopbackFingerServer server;
    server.SetReset(QByteArray(100, 'r'), 300);
    QVERIFY(server.Listen());
    TmsClientSocket s;
    QStringList events;
    Record(s, events);
    QBuffer reply;
    QString failure;
    try {
        s.SetHost(QStringLiteral("127.0.0.1:%1").arg(server.Port()));
        s.Connect();
        s.SendLine(QStringLiteral("cut"));
        s.ReceiveStream(reply, -1, 0);
    } catch (const EWinsockError& e) {
        failure = e.Message();
    }
    QCOMPARE(failure, QStringLiteral("[10054] Connection reset by peer"));
    QVERIFY(events.contains(QStringLiteral("progress:100:-1:-1")));
}

void TestFinger::pxfingerCutReply_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QByteArray>("err");
    QTest::newRow("reset") << "reset" << QByteArray("[10054] Connection reset by peer\n");
    QTest::newRow("silence") << "slow" << QByteArray("Operation timed out\n");
}

void TestFinger::pxfingerCutReply()
{
    QFETCH(QString, server);
    QFETCH(QByteArray, err);
    LoopbackFingerServer peer;
    const QByteArray first = "Login: cut\r\n";
    // The first line, then a reset, or more silence than the time-out allows.
    peer.SetReset(first, server == QLatin1String("reset") ? 300 : 5000);
    QVERIFY(peer.Listen());
    const ProgramRun r = RunProgram(QStringLiteral(PXFINGER_PATH),
                                    {QStringLiteral("--timeout=1"), QStringLiteral("cut@127.0.0.1:%1").arg(peer.Port())});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, err);
    QCOMPARE(r.out, first); // written as it came, and kept
}

void TestFinger::pxfingerReaderGoes()
{
    // A reader that stops early (as head does) ends pxfinger at once, quietly,
    // even on a server that never stops sending.
    LoopbackFingerServer peer;
    peer.SetEndless();
    QVERIFY(peer.Listen());
    QProcess finger;
    QProcess head;
    finger.setStandardOutputProcess(&head);
    head.start(QStringLiteral("head"), {QStringLiteral("-c"), QStringLiteral("5")});
    finger.start(QStringLiteral(PXFINGER_PATH), {QStringLiteral("@127.0.0.1:%1").arg(peer.Port())});
    QVERIFY(finger.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(finger.state() == QProcess::NotRunning, 30000);
    QCOMPARE(finger.exitStatus(), QProcess::NormalExit);
    QCOMPARE(finger.exitCode(), 1);
    QCOMPARE(finger.readAllStandardError(), QByteArray());
    QTRY_VERIFY(head.state() == QProcess::NotRunning);
    QCOMPARE(head.readAllStandardOutput(), QByteArray("xxxxx"));
}
