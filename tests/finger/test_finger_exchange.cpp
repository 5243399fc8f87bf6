#include "TestFinger.h"

#include "FingerServer.h"
#include "core/Guard.h"
#include "finger/MsWinsock.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QScopeGuard>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

namespace {
struct Outcome {
    QString type;    // empty when the step succeeded
    QString message;
};

template <class F>
Outcome attempt(F&& step)
{
    try {
        step();
        return {};
    } catch (const EPollux& e) {
        return {e.TypeName(), e.Message()};
    }
}

QString local(quint16 port)
{
    return QStringLiteral("127.0.0.1:%1").arg(port);
}

// The main window's order: host, Connect, SendLine, ReceiveStream, Disconnect.
Outcome exchange(TmsClientSocket& s, const QString& host, const QString& user, QBuffer& reply)
{
    return attempt([&] {
        s.SetHost(host);
        s.Connect();
        s.SendLine(user);
        s.ReceiveStream(reply, -1, 0);
        s.Disconnect();
    });
}
} // namespace

void TestFinger::normalExchange()
{
    LoopbackFingerServer server;
    const QByteArray text = "Login: alice\r\nName: Alice\r\n\r\nNo Plan.\r\n";
    server.SetReply(text);
    QVERIFY(server.Listen());
    TmsClientSocket s;
    QStringList events;
    Record(s, events);
    QBuffer reply;
    const Outcome o = exchange(s, local(server.Port()), QStringLiteral("alice"), reply);
    QCOMPARE(o.message, QString());
    QCOMPARE(reply.data(), text);
    QCOMPARE(server.LastQuery(), QByteArray("alice\r\n"));
    const QStringList expected{"connecting", "connected", "connected",
                               QStringLiteral("progress:%1:-1:-1").arg(text.size()), "disconnected", "disconnected"};
    QCOMPARE(events, expected);
    QVERIFY(!s.Connected());
    QCOMPARE(s.Host(), QStringLiteral("127.0.0.1"));

    // The port sticks for a host text without one; the component is reusable.
    events.clear();
    QBuffer again;
    QCOMPARE(exchange(s, QStringLiteral("127.0.0.1"), QString(), again).message, QString());
    QCOMPARE(again.data(), text);
    QCOMPARE(server.LastQuery(), QByteArray("\r\n"));
    QCOMPARE(server.Connections(), 2);
}

void TestFinger::emptyReply()
{
    // A server that reads the query and closes without a word.
    LoopbackFingerServer quiet;
    quiet.SetReply(QByteArray());
    QVERIFY(quiet.Listen());
    TmsClientSocket s;
    QStringList events;
    Record(s, events);
    QBuffer nothing;
    QCOMPARE(exchange(s, local(quiet.Port()), QStringLiteral("bob"), nothing).message, QString());
    QCOMPARE(nothing.data(), QByteArray());
    QCOMPARE(events, (QStringList{"connecting", "connected", "connected", "disconnected", "disconnected"}));

    // One that closes before the query arrives: the query may meet a reset
    // connection, but nothing is made up.
    events.clear();
    LoopbackFingerServer server;
    server.SetCloseAtOnce();
    QVERIFY(server.Listen());
    s.SetHost(local(server.Port()));
    QCOMPARE(attempt([&] { s.Connect(); }).message, QString());
    // The query line may meet the closed peer; what matters is the reply.
    attempt([&] { s.SendLine(QStringLiteral("bob")); });
    QBuffer reply;
    const Outcome o = attempt([&] {
        s.ReceiveStream(reply, -1, 0);
        s.Disconnect();
    });
    QVERIFY2(o.type.isEmpty() || o.message == QStringLiteral("[10054] Connection reset by peer"), qPrintable(o.message));
    QCOMPARE(reply.data(), QByteArray());
    for (const QString& e : events)
        QVERIFY2(!e.startsWith(QStringLiteral("progress")), qPrintable(e));
    QVERIFY(!s.Connected() || !o.type.isEmpty());
}

void TestFinger::largeReplyArrivesWhole()
{
    LoopbackFingerServer server;
    QByteArray text;
    for (int i = 0; text.size() < 1234567; ++i)
        text += QByteArray::number(i) + " \x01\xff\r\n";
    text.truncate(1234567);
    server.SetReply(text);
    QVERIFY(server.Listen());
    TmsClientSocket s;
    QStringList events;
    Record(s, events);
    QBuffer reply;
    QCOMPARE(exchange(s, local(server.Port()), QStringLiteral("x"), reply).message, QString());
    QCOMPARE(reply.data().size(), text.size());
    QVERIFY(reply.data() == text);
    const QStringList progress = events.filter(QStringLiteral("progress"));
    QVERIFY(progress.size() >= 2);
    QCOMPARE(progress.last(), QStringLiteral("progress:1234567:-1:-1"));
    QCOMPARE(events.last(), QStringLiteral("disconnected"));
    QCOMPARE(events.count(QStringLiteral("disconnected")), 2);
}

void TestFinger::refused()
{
    TmsClientSocket s;
    QStringList events;
    Record(s, events);
    s.SetHost(local(RefusingPort()));
    const Outcome o = attempt([&] { s.Connect(); });
    QCOMPARE(o.type, QStringLiteral("EWinsockError"));
    QCOMPARE(o.message, QStringLiteral("[10061] Connection refused"));
    QCOMPARE(events, QStringList{"connecting"});
}

void TestFinger::unknownHost()
{
    TmsClientSocket s;
    QStringList events;
    Record(s, events);
    s.SetHost(QStringLiteral("no-such-host.invalid:79"));
    const Outcome o = attempt([&] { s.Connect(); });
    QCOMPARE(o.type, QStringLiteral("EWinsockError"));
    const QStringList resolverTexts{"[11001] Host not found", "[11002] Non-Authoritative Host not found",
                                    "[11004] Valid name, no data record of requested type"};
    QVERIFY2(resolverTexts.contains(o.message), qPrintable(o.message));
    QCOMPARE(events, QStringList{"connecting"});

    // An expression with a second "@" names no host; nor does an empty host.
    for (const QString& host : {QStringLiteral("server1@server2.invalid"), QString()}) {
        s.SetHost(host);
        const Outcome bad = attempt([&] { s.Connect(); });
        QVERIFY2(resolverTexts.contains(bad.message), qPrintable(bad.message));
    }
}

void TestFinger::dottedAddressNeedsNoLookup()
{
    LoopbackFingerServer server;
    server.SetReply("ok\r\n");
    QVERIFY(server.Listen());
    // A resolver that fails every name: dotted addresses never reach it.
    std::atomic<int> lookups{0};
    TmsWinsock::SetLookupFunction([&lookups](const QByteArray&, quint16, std::vector<TmsAddress>&) {
        ++lookups;
        return int(WsaError::NoRecovery);
    });
    auto restore = qScopeGuard([] { TmsWinsock::SetLookupFunction({}); });
    TmsClientSocket s;
    QBuffer a;
    QCOMPARE(exchange(s, local(server.Port()), QStringLiteral("u"), a).message, QString());
    QCOMPARE(a.data(), QByteArray("ok\r\n"));
    QCOMPARE(lookups.load(), 0);
    s.SetHost(QStringLiteral("localhost"));
    QCOMPARE(attempt([&] { s.Connect(); }).message, QStringLiteral("[11003] Non-Recoverable errors: FORMERR, REFUSED, NOTIMP"));
    QCOMPARE(lookups.load(), 1);

    // The system resolver knows localhost.
    restore.dismiss();
    TmsWinsock::SetLookupFunction({});
    QBuffer b;
    QCOMPARE(exchange(s, QStringLiteral("localhost:%1").arg(server.Port()), QStringLiteral("u"), b).message, QString());
    QCOMPARE(b.data(), QByteArray("ok\r\n"));
}

void TestFinger::silentServerTimesOut()
{
    LoopbackFingerServer server;
    server.SetSilent();
    QVERIFY(server.Listen());
    TmsClientSocket s;
    s.SetTimeOut(2);
    QStringList events;
    Record(s, events);
    s.SetHost(local(server.Port()));
    QCOMPARE(attempt([&] { s.Connect(); s.SendLine(QStringLiteral("quiet")); }).message, QString());
    QBuffer reply;
    QElapsedTimer clock;
    clock.start();
    const Outcome o = attempt([&] { s.ReceiveStream(reply, -1, 0); });
    const qint64 waited = clock.elapsed();
    QCOMPARE(o.type, QStringLiteral("EmsTimedOutError"));
    QCOMPARE(o.message, QStringLiteral("Operation timed out"));
    // Silence of between TimeOut-1 and TimeOut seconds is allowed.
    QVERIFY2(waited >= 900 && waited < 10000, qPrintable(QString::number(waited)));
    QCOMPARE(server.LastQuery(), QByteArray("quiet\r\n"));
    QVERIFY(s.Connected()); // kept until the next Connect or Disconnect
    QCOMPARE(events.count(QStringLiteral("disconnected")), 0);
    s.Disconnect();
    QVERIFY(!s.Connected());
}

void TestFinger::connectTimesOut()
{
    UnansweredPort port;
    if (!port.IsValid())
        QSKIP("cannot make a listener that leaves handshakes unanswered");
    TmsClientSocket s;
    s.SetTimeOut(2);
    QStringList events;
    Record(s, events);
    s.SetHost(local(port.Port()));
    const Outcome o = attempt([&] { s.Connect(); });
    QCOMPARE(o.message, QStringLiteral("Operation timed out"));
    QCOMPARE(events, QStringList{"connecting"});
}

void TestFinger::slowServerIsReadToTheEnd()
{
    // Ten chunks 400 ms apart take four seconds, twice the time-out; the
    // silence between chunks stays well inside it.
    LoopbackFingerServer server;
    const QByteArray text = "0123456789";
    server.SetSlow(text, 1, 400);
    QVERIFY(server.Listen());
    TmsClientSocket s;
    s.SetTimeOut(3);
    QStringList events;
    Record(s, events);
    QBuffer reply;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(exchange(s, local(server.Port()), QStringLiteral("slow"), reply).message, QString());
    QVERIFY(clock.elapsed() > 3000);
    QCOMPARE(reply.data(), text);
    QCOMPARE(events.filter(QStringLiteral("progress")).size(), 10);
    QCOMPARE(events.filter(QStringLiteral("progress")).last(), QStringLiteral("progress:10:-1:-1"));
}

void TestFinger::cancelDuringReceive()
{
    LoopbackFingerServer server;
    server.SetSlow(QByteArray(40, 'c'), 1, 50);
    QVERIFY(server.Listen());
    TmsClientSocket s;
    QStringList events;
    Record(s, events);
    s.SetHost(local(server.Port()));
    QCOMPARE(attempt([&] { s.Connect(); s.SendLine(QStringLiteral("c")); }).message, QString());
    // Cancel comes from the event loop, as the Cancel Query command would.
    s.OnTransferProgress = [&](QObject*, qint32, qint32 bytes, qint32) {
        events << QStringLiteral("progress");
        if (bytes == 3)
            QTimer::singleShot(0, &s, [&] { s.Cancel(); });
    };
    QBuffer reply;
    const Outcome o = attempt([&] { s.ReceiveStream(reply, -1, 0); });
    QCOMPARE(o.type, QStringLiteral("EmsCanceledError"));
    QCOMPARE(o.message, QStringLiteral("Operation has been canceled"));
    QVERIFY(reply.data().size() >= 3 && reply.data().size() < 40);
    QCOMPARE(reply.data(), QByteArray(reply.data().size(), 'c'));
    QCOMPARE(events.last(), QStringLiteral("disconnected"));
    QVERIFY(!s.Connected());
}

void TestFinger::cancelDuringConnect()
{
    UnansweredPort port;
    if (!port.IsValid())
        QSKIP("cannot make a listener that leaves handshakes unanswered");
    TmsClientSocket s;
    QStringList events;
    Record(s, events);
    s.SetHost(local(port.Port()));
    Outcome cancel;
    QTimer::singleShot(200, &s, [&] { cancel = attempt([&] { s.Cancel(); }); });
    QElapsedTimer clock;
    clock.start();
    const Outcome o = attempt([&] { s.Connect(); });
    QCOMPARE(o.message, QStringLiteral("Operation has been canceled"));
    QVERIFY(clock.elapsed() < 30000);
    QCOMPARE(cancel.message, QString()); // the cancel itself reports nothing
    QCOMPARE(events, (QStringList{"connecting", "disconnected"}));
    QVERIFY(!s.Connected());
}

void TestFinger::cancelDuringLookup()
{
    // Cancel from OnConnecting's follow-up: the lookup of a name may be
    // quick or slow, but a cancel posted before it runs must end it.
    TmsClientSocket s;
    s.SetHost(QStringLiteral("localhost:79"));
    s.OnConnecting = [&](QObject*) { QTimer::singleShot(0, &s, [&] { s.Cancel(); }); };
    const Outcome o = attempt([&] { s.Connect(); });
    // The cancel lands in the lookup's first turn.
    QCOMPARE(o.message, QStringLiteral("Operation has been canceled"));
    QVERIFY(!s.Connected());
}

namespace {
// A resolver that answers only after a long pause, on its own thread.
struct SlowResolver {
    SlowResolver()
    {
        TmsWinsock::SetLookupFunction([](const QByteArray&, quint16, std::vector<TmsAddress>&) {
            QThread::sleep(4);
            return int(WsaError::HostNotFound);
        });
    }
    ~SlowResolver() { TmsWinsock::SetLookupFunction({}); }
};
} // namespace

void TestFinger::slowLookupIsWaitedOnInTurns()
{
    SlowResolver resolver;
    TmsClientSocket s;
    s.SetHost(QStringLiteral("slow.example"));
    // The event loop keeps running during the lookup.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    ticker.start(50);

    // Cancel reaches it.
    QTimer::singleShot(300, &s, [&] { s.Cancel(); });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(attempt([&] { s.Connect(); }).message, QStringLiteral("Operation has been canceled"));
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(ticks >= 2);

    // So does the time-out.
    s.SetTimeOut(1);
    clock.restart();
    QCOMPARE(attempt([&] { s.Connect(); }).message, QStringLiteral("Operation timed out"));
    QVERIFY2(clock.elapsed() < 3500, qPrintable(QString::number(clock.elapsed())));
}

void TestFinger::otherAddressesAreTried()
{
    LoopbackFingerServer six;
    six.SetReply("via six\r\n");
    if (!six.Listen(QHostAddress::LocalHostIPv6))
        QSKIP("no IPv6 loopback here");
    const quint16 refusing = RefusingPort();
    // The name has an IPv4 address that refuses and an IPv6 one that answers.
    TmsWinsock::SetLookupFunction([refusing, port = six.Port()](const QByteArray&, quint16, std::vector<TmsAddress>& out) {
        std::vector<TmsAddress> four, v6;
        TmsWinsock::NumericAddress({"127.0.0.1", false}, refusing, four);
        TmsWinsock::NumericAddress({"::1", true}, port, v6);
        out = {four.at(0), v6.at(0)};
        return 0;
    });
    auto restore = qScopeGuard([] { TmsWinsock::SetLookupFunction({}); });
    TmsClientSocket s;
    QStringList events;
    Record(s, events);
    QBuffer reply;
    QCOMPARE(exchange(s, QStringLiteral("dual.example"), QStringLiteral("x"), reply).message, QString());
    QCOMPARE(reply.data(), QByteArray("via six\r\n"));
    QCOMPARE(events.mid(0, 3), (QStringList{"connecting", "connected", "connected"}));

    // When every address fails, the first one's answer is the one shown.
    six.Close();
    QCOMPARE(attempt([&] { s.Connect(); }).message, QStringLiteral("[10061] Connection refused"));
}

void TestFinger::handlerFailureIsReported()
{
    // A handler that fails inside a notification ends up in the error
    // report; the exchange itself goes on.
    QStringList reported;
    SetErrorHandler([&](QObject*, const EPollux& e) { reported << e.Message(); });
    auto restore = qScopeGuard([] { SetErrorHandler({}); });
    LoopbackFingerServer server;
    server.SetSlow("abc", 1, 30);
    QVERIFY(server.Listen());
    TmsClientSocket s;
    int closes = 0;
    s.OnDisconnected = [&](QObject*) {
        if (++closes == 1)
            throw EConvertError(QStringLiteral("'x' is not a valid integer value"));
    };
    QBuffer reply;
    QCOMPARE(exchange(s, local(server.Port()), QString(), reply).message, QString());
    QCOMPARE(reply.data(), QByteArray("abc"));
    QCOMPARE(closes, 2);
    QCOMPARE(reported, QStringList{"'x' is not a valid integer value"});
}

void TestFinger::endlessServerStopsAtBound()
{
    LoopbackFingerServer server;
    server.SetEndless();
    QVERIFY(server.Listen());
    TmsClientSocket s;
    s.SetMaxDataSize(1024 * 1024);
    QStringList events;
    Record(s, events);
    s.SetHost(local(server.Port()));
    QBuffer reply;
    const Outcome o = attempt([&] {
        s.Connect();
        s.SendLine(QStringLiteral("more"));
        s.ReceiveStream(reply, -1, 0);
    });
    QCOMPARE(o.type, QStringLiteral("EmsTooMuchDataError"));
    QCOMPARE(o.message, QStringLiteral("Buffer is full. Will disconnect."));
    QCOMPARE(reply.data().size(), 1024 * 1024); // never a byte past the bound
    QVERIFY(!s.Connected());
    QCOMPARE(events.last(), QStringLiteral("disconnected"));
}

void TestFinger::receiveWithExpectedSize()
{
    LoopbackFingerServer server;
    server.SetReply("0123456789");
    QVERIFY(server.Listen());
    TmsClientSocket s;
    QStringList events;
    Record(s, events);

    // Exactly the expected size: complete without waiting for the close.
    s.SetHost(local(server.Port()));
    QBuffer four;
    QCOMPARE(attempt([&] { s.Connect(); s.SendLine(QString()); s.ReceiveStream(four, 4, 0); s.Disconnect(); }).message, QString());
    QCOMPARE(four.data(), QByteArray("0123"));
    QVERIFY(events.contains(QStringLiteral("progress:4:100:-1")));

    // More expected than comes: reset by peer; what came is kept. A start
    // position leaves the bytes before it alone.
    events.clear();
    QBuffer more;
    more.setData("ab");
    QCOMPARE(attempt([&] { s.Connect(); s.SendLine(QString()); s.ReceiveStream(more, 40, 2); }).message,
             QStringLiteral("[10054] Connection reset by peer"));
    QCOMPARE(more.data(), QByteArray("ab0123456789"));
    QCOMPARE(events.filter(QStringLiteral("progress")).last(), QStringLiteral("progress:12:30:-1"));

    // 0 is taken as -1: read to the close.
    events.clear();
    QBuffer zero;
    QCOMPARE(attempt([&] { s.Connect(); s.SendLine(QString()); s.ReceiveStream(zero, 0, 0); s.Disconnect(); }).message, QString());
    QCOMPARE(zero.data(), QByteArray("0123456789"));
    QCOMPARE(events.filter(QStringLiteral("progress")).last(), QStringLiteral("progress:10:-1:-1"));
}

void TestFinger::disconnectWithoutSocket()
{
    TmsClientSocket s;
    QStringList events;
    Record(s, events);
    s.Disconnect();
    s.Cancel();
    QCOMPARE(events, QStringList());
}

void TestFinger::secondOperationWhileWaiting()
{
    LoopbackFingerServer server;
    server.SetSilent();
    QVERIFY(server.Listen());
    TmsClientSocket s;
    s.SetHost(local(server.Port()));
    QCOMPARE(attempt([&] { s.Connect(); s.SendLine(QStringLiteral("x")); }).message, QString());
    Outcome second, third;
    QTimer::singleShot(100, &s, [&] {
        QBuffer other;
        second = attempt([&] { s.ReceiveStream(other, -1, 0); });
        third = attempt([&] { s.Connect(); });
        s.Cancel();
    });
    QBuffer reply;
    const Outcome first = attempt([&] { s.ReceiveStream(reply, -1, 0); });
    QCOMPARE(second.message, QStringLiteral("[10037] Operation already in progress"));
    QCOMPARE(third.message, QStringLiteral("[10037] Operation already in progress"));
    QCOMPARE(first.message, QStringLiteral("Operation has been canceled"));
    // Afterwards the component works again.
    server.SetReply("fine");
    QBuffer ok;
    QCOMPARE(exchange(s, local(server.Port()), QString(), ok).message, QString());
    QCOMPARE(ok.data(), QByteArray("fine"));
}

void TestFinger::deletedWhileWaiting()
{
    LoopbackFingerServer server;
    server.SetSilent();
    QVERIFY(server.Listen());
    auto* s = new TmsClientSocket;
    s->SetHost(local(server.Port()));
    QCOMPARE(attempt([&] { s->Connect(); s->SendLine(QStringLiteral("x")); }).message, QString());
    QPointer<TmsClientSocket> watch(s);
    QTimer::singleShot(100, [s] { delete s; });
    QBuffer reply;
    const Outcome o = attempt([&] { s->ReceiveStream(reply, -1, 0); });
    QCOMPARE(o.type, QStringLiteral("EmsCanceledError"));
    QVERIFY(watch.isNull());

    // Deleted from its own event handler in the middle of a receive.
    server.SetSlow("abcdef", 1, 20);
    auto* t = new TmsClientSocket;
    t->SetHost(local(server.Port()));
    QCOMPARE(attempt([&] { t->Connect(); t->SendLine(QStringLiteral("x")); }).message, QString());
    t->OnTransferProgress = [t](QObject*, qint32, qint32, qint32) { delete t; };
    QBuffer part;
    QCOMPARE(attempt([&] { t->ReceiveStream(part, -1, 0); }).type, QStringLiteral("EmsCanceledError"));
    QCOMPARE(part.data(), QByteArray("a"));
}

void TestFinger::failedExchangeKeepsSocketUntilNextConnect()
{
    LoopbackFingerServer silent;
    silent.SetSilent();
    QVERIFY(silent.Listen());
    TmsClientSocket s;
    s.SetTimeOut(1);
    s.SetHost(local(silent.Port()));
    QBuffer reply;
    QCOMPARE(attempt([&] { s.Connect(); s.SendLine(QString()); s.ReceiveStream(reply, -1, 0); }).message,
             QStringLiteral("Operation timed out"));
    QVERIFY(s.Connected());
    // The next Connect replaces the held socket; the silent server sees its
    // first connection end.
    QSignalSpy ended(&silent, &LoopbackFingerServer::sessionFinished);
    LoopbackFingerServer good;
    good.SetReply("again");
    QVERIFY(good.Listen());
    s.SetTimeOut(20);
    QBuffer next;
    QCOMPARE(exchange(s, local(good.Port()), QString(), next).message, QString());
    QCOMPARE(next.data(), QByteArray("again"));
    QTRY_COMPARE(ended.count(), 1);
}

void TestFinger::ipv6Literal()
{
    LoopbackFingerServer server;
    server.SetReply("six\r\n");
    if (!server.Listen(QHostAddress::LocalHostIPv6))
        QSKIP("no IPv6 loopback here");
    TmsClientSocket s;
    QBuffer reply;
    QCOMPARE(exchange(s, QStringLiteral("[::1]:%1").arg(server.Port()), QStringLiteral("v6"), reply).message, QString());
    QCOMPARE(reply.data(), QByteArray("six\r\n"));
    QCOMPARE(s.Host(), QStringLiteral("[::1]"));
    QCOMPARE(server.LastQuery(), QByteArray("v6\r\n"));
    // A bad literal is no host.
    s.SetHost(QStringLiteral("[::zz]:79"));
    QCOMPARE(attempt([&] { s.Connect(); }).message, QStringLiteral("[11001] Host not found"));
}

void TestFinger::sendToClosedPeerDoesNotKill()
{
    LoopbackFingerServer server;
    server.SetCloseAtOnce();
    QVERIFY(server.Listen());
    TmsClientSocket s;
    s.SetHost(local(server.Port()));
    QCOMPARE(attempt([&] { s.Connect(); }).message, QString());
    QTest::qWait(200); // the peer has closed and reset by now
    // Sending into a connection the peer has torn down fails with a message,
    // never with SIGPIPE.
    QString last;
    for (int i = 0; i < 5; ++i)
        last = attempt([&] { s.SendBuffer(QByteArray(65536, 'z').constData(), 65536); }).message;
    QCOMPARE(last, QStringLiteral("[10054] Connection reset by peer"));
}
