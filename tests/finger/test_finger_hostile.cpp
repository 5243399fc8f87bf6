// Servers that break off: a reset part-way through a reply is a failure for
// the component and for pxfinger, never a reply taken as whole.

#include "TestFinger.h"

#include "FingerServer.h"
#include "RunProgram.h"

#include <QBuffer>
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

void TestFinger::pxfingerReportsReset()
{
    LoopbackFingerServer server;
    server.SetReset(QByteArray(100, 'r'), 300);
    QVERIFY(server.Listen());
    const ProgramRun r = RunProgram(QStringLiteral(PXFINGER_PATH), {QStringLiteral("cut@127.0.0.1:%1").arg(server.Port())});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, QByteArray("[10054] Connection reset by peer\n"));
    QCOMPARE(r.out, QByteArray()); // a cut reply is not shown as if whole
}
