#include "TestFinger.h"

#include "TestMain.h"
#include "finger/MsTimers.h"
#include "finger/MsWinsock.h"
#include "finger/FingerUrl.h"
#include "finger/QueryExpression.h"

#include <cerrno>
#include <netdb.h>

void TestFinger::splitExpression_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("web");
    QTest::addColumn<QString>("tabKey");
    QTest::newRow("user@host") << "user@server1" << "server1" << "user" << "http://www.server1" << "user-server1";
    QTest::newRow("@host") << "@server1" << "server1" << "" << "http://www.server1" << "server1";
    QTest::newRow("host") << "server1" << "server1" << "" << "http://www.server1" << "server1";
    QTest::newRow("/W switch") << "/W user@server1" << "server1" << "/W user" << "http://www.server1" << "/W user-server1";
    QTest::newRow("second @") << "user@server1@server2" << "server1@server2" << "user" << "http://www.server1@server2" << "user-server1@server2";
    QTest::newRow("port") << "user@server1:7979" << "server1:7979" << "user" << "http://www.server1:7979" << "user-server1:7979";
    QTest::newRow("user@") << "user@" << "" << "user" << "http://www." << "user-";
    QTest::newRow("spaces stay") << " a @ b " << " b " << " a " << "http://www. b " << " a - b ";
    QTest::newRow("commas stay") << "a@x,b@y" << "x,b@y" << "a" << "http://www.x,b@y" << "a-x,b@y";
    QTest::newRow("one space") << " " << " " << "" << "http://www. " << " ";
}

void TestFinger::splitExpression()
{
    QFETCH(QString, expression);
    QFETCH(QString, host);
    QFETCH(QString, user);
    QFETCH(QString, web);
    QFETCH(QString, tabKey);
    const QueryParts parts = SplitQueryExpression(expression);
    QCOMPARE(parts.host, host);
    QCOMPARE(parts.user, user);
    QCOMPARE(WebAddressFor(expression), web);
    QCOMPARE(TabKey(expression), tabKey);
}

void TestFinger::validity()
{
    QVERIFY(!IsValidQueryExpression(QString()));
    QVERIFY(!IsValidQueryExpression(QStringLiteral("")));
    QVERIFY(IsValidQueryExpression(QStringLiteral(" ")));
    QVERIFY(IsValidQueryExpression(QStringLiteral("@")));
}

void TestFinger::splitList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("two") << "a@x,b@y," << QStringList{"a@x", "b@y"};
    QTest::newRow("empty item stays") << "a@x,,b@y," << QStringList{"a@x", "", "b@y"};
    QTest::newRow("no comma") << "a@x" << QStringList{};
    QTest::newRow("tail dropped") << "a@x,b@y" << QStringList{"a@x"};
    QTest::newRow("spaces kept") << " a@x , b@y," << QStringList{" a@x ", " b@y"};
    QTest::newRow("only comma") << "," << QStringList{""};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestFinger::splitList()
{
    QFETCH(QString, text);
    QFETCH(QStringList, items);
    QCOMPARE(SplitQueryList(text), items);
}

void TestFinger::fingerUrl_data()
{
    // What a link gives: the parts of the equivalent expression, and the
    // host the connection is given (port 79 unless the link names one).
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("connectHost");
    QTest::addColumn<QString>("tabKey");
    QTest::newRow("host") << "finger://server1" << "server1" << "" << "server1:79" << "server1";
    QTest::newRow("host/") << "finger://server1/" << "server1" << "" << "server1:79" << "server1";
    QTest::newRow("request") << "finger://server1/ada" << "server1" << "ada" << "server1:79" << "ada-server1";
    QTest::newRow("port") << "finger://server1:7979/ada" << "server1:7979" << "ada" << "server1:7979" << "ada-server1:7979";
    QTest::newRow("empty port") << "finger://server1:/ada" << "server1" << "ada" << "server1:79" << "ada-server1";
    QTest::newRow("/W escaped") << "finger://server1/%2FW%20ada" << "server1" << "/W ada" << "server1:79" << "/W ada-server1";
    QTest::newRow("/W as a path") << "finger://server1//W%20ada" << "server1" << "/W ada" << "server1:79" << "/W ada-server1";
    QTest::newRow("/W typed with a blank") << "finger://server1//W ada" << "server1" << "/W ada" << "server1:79" << "/W ada-server1";
    QTest::newRow("user@host") << "finger://ada@server1" << "server1" << "ada" << "server1:79" << "ada-server1";
    QTest::newRow("user@host:port") << "finger://ada@server1:7979" << "server1:7979" << "ada" << "server1:7979" << "ada-server1:7979";
    QTest::newRow("user@host/") << "finger://ada@server1/" << "server1" << "ada" << "server1:79" << "ada-server1";
    QTest::newRow("forwarding") << "finger://ada@server2@server1" << "server1" << "ada@server2" << "server1:79" << "ada@server2-server1";
    QTest::newRow("escaped user") << "finger://J%C3%BCrgen@server1" << "server1" << QString::fromUtf8("J\u00fcrgen") << "server1:79" << QString::fromUtf8("J\u00fcrgen-server1");
    QTest::newRow("Latin-1 escape") << "finger://server1/J%FCrgen" << "server1" << QString::fromUtf8("J\u00fcrgen") << "server1:79" << QString::fromUtf8("J\u00fcrgen-server1");
    QTest::newRow("escaped host") << "finger://server%31/" << "server1" << "" << "server1:79" << "server1";
    QTest::newRow("v6") << "finger://[::1]/ada" << "[::1]" << "ada" << "[::1]:79" << "ada-[::1]";
    QTest::newRow("v6 port") << "finger://[::1]:7979/ada" << "[::1]:7979" << "ada" << "[::1]:7979" << "ada-[::1]:7979";
    QTest::newRow("v6 user") << "finger://ada@[fe80::1]:7979" << "[fe80::1]:7979" << "ada" << "[fe80::1]:7979" << "ada-[fe80::1]:7979";
    QTest::newRow("scheme in capitals") << "FINGER://Server1/Ada" << "Server1" << "Ada" << "Server1:79" << "Ada-Server1";
    QTest::newRow("blanks around") << "  finger://server1/ada \t" << "server1" << "ada" << "server1:79" << "ada-server1";
    QTest::newRow("fragment dropped") << "finger://server1/ada#top" << "server1" << "ada" << "server1:79" << "ada-server1";
    QTest::newRow("escaped hash kept") << "finger://server1/a%23b" << "server1" << "a#b" << "server1:79" << "a#b-server1";
    QTest::newRow("escaped @ in request") << "finger://server1/ada%40server2" << "server1" << "ada@server2" << "server1:79" << "ada@server2-server1";
    QTest::newRow("not a link") << "ada@finger:79" << "finger:79" << "ada" << "finger:79" << "ada-finger:79";
}

void TestFinger::fingerUrl()
{
    QFETCH(QString, link);
    QFETCH(QString, host);
    QFETCH(QString, user);
    QFETCH(QString, connectHost);
    QFETCH(QString, tabKey);
    const QueryParts parts = SplitQueryExpression(link);
    QCOMPARE(parts.host, host);
    QCOMPARE(parts.user, user);
    QCOMPARE(parts.connectHost, connectHost);
    QCOMPARE(TabKey(link), tabKey);
    QCOMPARE(WebAddressFor(link), QStringLiteral("http://www.") + host);
}

void TestFinger::badFingerUrl_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("reason");
    QTest::newRow("nothing") << "finger://" << "names no host";
    QTest::newRow("no host") << "finger:///ada" << "names no host";
    QTest::newRow("only a user") << "finger://ada@" << "names no host";
    QTest::newRow("port 0") << "finger://server1:0/" << "port must be";
    QTest::newRow("port too big") << "finger://server1:65536/" << "port must be";
    QTest::newRow("port not a number") << "finger://server1:finger/" << "port must be";
    QTest::newRow("port with sign") << "finger://server1:+79/" << "port must be";
    QTest::newRow("broken escape") << "finger://server1/100%" << "two hexadecimal digits";
    QTest::newRow("bad escape digits") << "finger://server1/%G1" << "two hexadecimal digits";
    QTest::newRow("escaped CR LF") << "finger://server1/ada%0D%0Abob" << "line break";
    QTest::newRow("escaped NUL") << "finger://server1/ada%00" << "line break or a NUL";
    QTest::newRow("user twice") << "finger://ada@server1/bob" << "both before the host and after it";
    QTest::newRow("blank in host") << "finger://server 1/" << "character no host name has";
    QTest::newRow("escaped slash in host") << "finger://a%2Fb/" << "character no host name has";
    QTest::newRow("query mark in host") << "finger://server1?x" << "character no host name has";
    QTest::newRow("unclosed v6") << "finger://[::1/ada" << "IPv6 address";
    QTest::newRow("v6 without colon") << "finger://[server1]/" << "IPv6 address";
    QTest::newRow("junk after v6") << "finger://[::1]x/" << "only a port";
}

void TestFinger::badFingerUrl()
{
    QFETCH(QString, link);
    QFETCH(QString, reason);
    FingerUrl url;
    QString error;
    QVERIFY(!ParseFingerUrl(link, url, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY2(error.contains(link.trimmed()), qPrintable(error));
    QVERIFY_THROWS_EXCEPTION(EFingerUrlError, SplitQueryExpression(link));
}

void TestFinger::defaults()
{
    TmsClientSocket s;
    QCOMPARE(s.Version(), QStringLiteral("2.1"));
    s.SetVersion(QStringLiteral("9.9"));
    QCOMPARE(s.Version(), QStringLiteral("2.1"));
    QCOMPARE(s.TimeOut(), 60);
    QCOMPARE(s.Host(), QString());
    QCOMPARE(s.Port(), qint16(0));
    QCOMPARE(s.MaxDataSize(), qint64(64) * 1024 * 1024);
    QVERIFY(!s.Connected());
}

void TestFinger::hostRule_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port"); // the Port property after writing Host, from 79
    QTest::newRow("name") << "server1" << "server1" << 79;
    QTest::newRow("name:7979") << "server1:7979" << "server1" << 7979;
    QTest::newRow("name:79x") << "server1:79x" << "server1" << 0;
    QTest::newRow("name:") << "server1:" << "server1" << 0;
    QTest::newRow("low 16 bits") << "server1:70000" << "server1" << 4464;
    QTest::newRow("65535 as signed") << "server1:65535" << "server1" << -1;
    QTest::newRow("negative") << "server1:-2" << "server1" << -2;
    QTest::newRow("too big for 32 bits") << "server1:99999999999" << "server1" << 0;
    QTest::newRow("first colon") << "a:b:79" << "a" << 0;
    QTest::newRow("bare v6 uses the first colon") << "::1" << "" << 0;
    QTest::newRow("[v6]") << "[::1]" << "[::1]" << 79;
    QTest::newRow("[v6]:port") << "[::1]:7979" << "[::1]" << 7979;
    QTest::newRow("[v6]:bad") << "[fe80::1%lo]:x" << "[fe80::1%lo]" << 0;
    QTest::newRow("[v6]junk") << "[::1]x:80" << "[" << 0;
    QTest::newRow("spaces stay") << " server1 " << " server1 " << 79;
    QTest::newRow("255 cut") << QString(300, QLatin1Char('h')) << QString(255, QLatin1Char('h')) << 79;
    QTest::newRow("colon past 255") << QString(255, QLatin1Char('h')) + ":7979" << QString(255, QLatin1Char('h')) << 79;
}

void TestFinger::hostRule()
{
    QFETCH(QString, value);
    QFETCH(QString, host);
    QFETCH(int, port);
    TmsClientSocket s;
    s.SetPort(79);
    s.SetHost(value);
    QCOMPARE(s.Host(), host);
    QCOMPARE(int(s.Port()), port);
}

void TestFinger::portSticksWithoutColon()
{
    TmsClientSocket s;
    s.SetPort(79);
    s.SetHost(QStringLiteral("server1:7979"));
    s.SetHost(QStringLiteral("other"));
    QCOMPARE(s.Host(), QStringLiteral("other"));
    QCOMPARE(int(s.Port()), 7979);
}

void TestFinger::errorTexts_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("10000") << 10000 << "[0] No Error";
    QTest::newRow("10013") << 10013 << "[10013] Permission denied.";
    QTest::newRow("10035") << 10035 << "[10035] Resource temporarily not available";
    QTest::newRow("10054") << 10054 << "[10054] Connection reset by peer";
    QTest::newRow("10058") << 10058 << "[10058] Can't send after socket shutdown";
    QTest::newRow("10061") << 10061 << "[10061] Connection refused";
    QTest::newRow("10065") << 10065 << "[10065] No Route to Host";
    QTest::newRow("10069") << 10069 << "[10069] Disc Quota Exceeded";
    QTest::newRow("10093") << 10093 << "[10093] Successful WSAStartup() not yet performed";
    QTest::newRow("11001") << 11001 << "[11001] Host not found";
    QTest::newRow("11003") << 11003 << "[11003] Non-Recoverable errors: FORMERR, REFUSED, NOTIMP";
    QTest::newRow("11004") << 11004 << "[11004] Valid name, no data record of requested type";
    QTest::newRow("no row 10101") << 10101 << "Winsock error no 10101";
    QTest::newRow("no row 10072") << 10072 << "Winsock error no 10072";
    QTest::newRow("no row 0") << 0 << "Winsock error no 0";
    QTest::newRow("16 bits") << 10000 + 65536 << "[0] No Error";
}

void TestFinger::errorTexts()
{
    QFETCH(int, number);
    QFETCH(QString, text);
    QCOMPARE(TmsWinsock::ErrorText(number), text);
    try {
        TmsWinsock::RaiseSocketError(number);
        QFAIL("nothing raised");
    } catch (const EWinsockError& e) {
        QCOMPARE(e.Message(), text);
        QCOMPARE(e.TypeName(), QStringLiteral("EWinsockError"));
    }
}

void TestFinger::errnoNumbers_data()
{
    QTest::addColumn<int>("err");
    QTest::addColumn<int>("number");
    QTest::newRow("ECONNREFUSED") << ECONNREFUSED << 10061;
    QTest::newRow("ETIMEDOUT") << ETIMEDOUT << 10060;
    QTest::newRow("ECONNRESET") << ECONNRESET << 10054;
    QTest::newRow("EPIPE") << EPIPE << 10054;
    QTest::newRow("ENETUNREACH") << ENETUNREACH << 10051;
    QTest::newRow("EHOSTUNREACH") << EHOSTUNREACH << 10065;
    QTest::newRow("EAGAIN") << EAGAIN << 10035;
    QTest::newRow("EINPROGRESS") << EINPROGRESS << 10035;
    QTest::newRow("EALREADY") << EALREADY << 10037;
    QTest::newRow("ENOTSOCK") << ENOTSOCK << 10038;
    QTest::newRow("EBADF") << EBADF << 10009;
    QTest::newRow("EADDRNOTAVAIL") << EADDRNOTAVAIL << 10049;
    QTest::newRow("EAFNOSUPPORT") << EAFNOSUPPORT << 10047;
    QTest::newRow("ENOTCONN") << ENOTCONN << 10057;
    QTest::newRow("EMFILE") << EMFILE << 10024;
    QTest::newRow("EACCES") << EACCES << 10013;
}

void TestFinger::errnoNumbers()
{
    QFETCH(int, err);
    QFETCH(int, number);
    QCOMPARE(TmsWinsock::FromErrno(err), number);
}

void TestFinger::resolverNumbers_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("number");
    QTest::newRow("EAI_NONAME") << EAI_NONAME << 11001;
    QTest::newRow("EAI_AGAIN") << EAI_AGAIN << 11002;
    QTest::newRow("EAI_FAIL") << EAI_FAIL << 11003;
#ifdef EAI_NODATA
    QTest::newRow("EAI_NODATA") << EAI_NODATA << 11004;
#endif
    QTest::newRow("EAI_MEMORY") << EAI_MEMORY << 10055;
}

void TestFinger::resolverNumbers()
{
    QFETCH(int, result);
    QFETCH(int, number);
    QCOMPARE(TmsWinsock::FromResolver(result, 0), number);
}

void TestFinger::timeCounter()
{
    TmsTimeCounter c;
    QCOMPARE(c.Initial(), 60);
    QVERIFY(!c.Timer().Running());
    c.SetInitial(2);
    c.Start();
    QVERIFY(c.Timer().Running());
    QCOMPARE(c.Remaining(), 2);
    c.Tick();
    QVERIFY(!c.Expired());
    c.Tick();
    QVERIFY(c.Expired());
    c.Tick(); // the ticker goes on; Expired stays
    QVERIFY(c.Expired());
    c.Start(); // a Start does not clear it
    QVERIFY(c.Expired());
    QCOMPARE(c.Remaining(), 2);
    c.Stop();
    QVERIFY(!c.Timer().Running());
    c.Reset();
    QVERIFY(!c.Expired());
    QVERIFY(c.Timer().Running());
    QCOMPARE(c.Remaining(), 2);

    TmsTimer t;
    QCOMPARE(t.Interval(), 1000);
    QVERIFY(t.Enabled());
    QVERIFY(!t.Running()); // no handler yet
    t.SetOnTimer([] {});
    QVERIFY(t.Running());
    t.SetInterval(0);
    QVERIFY(!t.Running());
}

QStringList& Record(TmsClientSocket& socket, QStringList& events)
{
    socket.OnConnecting = [&events](QObject*) { events << QStringLiteral("connecting"); };
    socket.OnConnected = [&events](QObject*) { events << QStringLiteral("connected"); };
    socket.OnDisconnected = [&events](QObject*) { events << QStringLiteral("disconnected"); };
    socket.OnTransferProgress = [&events](QObject*, qint32 perc, qint32 bytes, qint32 lines) {
        events << QStringLiteral("progress:%1:%2:%3").arg(bytes).arg(perc).arg(lines);
    };
    return events;
}

POLLUX_TEST_MAIN(TestFinger)
