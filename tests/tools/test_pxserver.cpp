// pxserver: what it answers, its limits, and the ways it is started
// (standalone, inetd through socat, systemd socket activation).

#include "FingerService.h"
#include "PxServer.h"

#include "RunProgram.h"
#include "TestMain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/socket.h>
#include <memory>

namespace {
const QString kSample = QStringLiteral(POLLUX_SOURCE_DIR "/data/pxserver-sample");

QByteArray crlf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The reply the README shows after "$ pxfinger QUERY@127.0.0.1:7979", with
// LF line ends; empty when the README shows no such command.
QByteArray readmeBlock(const QString& query)
{
    const QByteArray readme = readFile(QStringLiteral(POLLUX_SOURCE_DIR "/README.md"));
    QByteArray argument = query.toUtf8() + "@127.0.0.1:7979";
    if (argument.contains(' '))
        argument = "'" + argument + "'";
    const QByteArray command = "$ pxfinger " + argument + "\n";
    qsizetype start = readme.indexOf(command);
    if (start < 0)
        return {};
    start += command.size();
    qsizetype end = start;
    while (end < readme.size() && !readme.mid(end).startsWith("$ ") && !readme.mid(end).startsWith("```")) {
        const qsizetype next = readme.indexOf('\n', end);
        end = next < 0 ? readme.size() : next + 1;
    }
    return readme.mid(start, end - start);
}

// A port nothing listens on at this moment, for programs that must be told
// one (socat, systemd-socket-activate).
quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// One query by a plain socket, waited on in this event loop (so a server
// living in this process keeps serving).
QByteArray exchange(quint16 port, const QByteArray& sent, bool halfClose = false, int timeoutMs = 30000)
{
    QTcpSocket socket;
    QByteArray got;
    bool connected = false;
    QEventLoop loop;
    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] {
        connected = true;
        socket.write(sent);
        if (halfClose) {
            // As socat and nc do: the query, then the end of our side at once.
            socket.flush();
            ::shutdown(int(socket.socketDescriptor()), SHUT_WR);
        }
    });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] { got += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, [&] {
        if (socket.state() == QAbstractSocket::UnconnectedState)
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    socket.connectToHost(QHostAddress::LocalHost, port);
    loop.exec();
    got += socket.readAll();
    return connected ? got : QByteArray("<no connection>");
}

// pxserver started as a daemon on a free port, ended with SIGTERM.
class Daemon {
public:
    explicit Daemon(QStringList args)
    {
        args << QStringLiteral("--port") << QStringLiteral("0") << QStringLiteral("--log") << QStringLiteral("-");
        process.start(QStringLiteral(PXSERVER_PATH), args);
        static const QRegularExpression serving(QStringLiteral("serving .* port (\\d+)"));
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30000 && process.state() != QProcess::NotRunning) {
            process.waitForReadyRead(200);
            log += process.readAllStandardError();
            const auto m = serving.match(QString::fromUtf8(log));
            if (m.hasMatch()) {
                port = quint16(m.captured(1).toUInt());
                break;
            }
        }
    }
    ~Daemon()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    // Ends it with SIGTERM; its exit code, or -1.
    int Terminate()
    {
        ::kill(pid_t(process.processId()), SIGTERM);
        if (!process.waitForFinished(30000))
            return -1;
        log += process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QByteArray Log()
    {
        log += process.readAllStandardError();
        return log;
    }

    QProcess process;
    QByteArray log;
    quint16 port = 0;
};
} // namespace

class TestPxServer : public QObject {
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
    void linksOutOfTheFolder();
    void systemUserPlanMustBeTheirs();
    void sameRepliesAsTheReadme_data();
    void sameRepliesAsTheReadme();
    void limits();
    void twoHundredClientsWithACapOfFifty();
    void inetdOverStandardInput();
    void inetdThroughSocat();
    void socketActivation();
    void usage_data();
    void usage();
};

void TestPxServer::answers_data()
{
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("reply");
    const QByteArray ada = "Login: ada\nProject: Notes on the Analytical Engine\nPlan:\n" + readFile(kSample + "/ada.plan");
    QTest::newRow("user list") << QByteArray() << QByteArray("Login  Project\nada    Notes on the Analytical Engine\nalan\n"
                                                            "grace  Compilers for business data processing\n");
    QTest::newRow("blanks only") << QByteArray(" \t ") << QByteArray("Login  Project\nada    Notes on the Analytical Engine\nalan\n"
                                                                   "grace  Compilers for business data processing\n");
    QTest::newRow("plan") << QByteArray("ada") << ada;
    QTest::newRow("/W") << QByteArray("/W ada") << ada;
    QTest::newRow("/w, blanks") << QByteArray("  /w   ada ") << ada;
    QTest::newRow("any letter case") << QByteArray("ADA") << ada;
    QTest::newRow("no project") << QByteArray("alan") << "Login: alan\nPlan:\n" + readFile(kSample + "/alan.plan");
    QTest::newRow("two users") << QByteArray("alan ada") << "Login: alan\nPlan:\n" + readFile(kSample + "/alan.plan") + "\n" + ada;
    QTest::newRow("unknown") << QByteArray("bob") << QByteArray("bob: no such user.\n");
    QTest::newRow("path") << QByteArray("../ada") << QByteArray("../ada: no such user.\n");
    QTest::newRow("dot file") << QByteArray(".plan") << QByteArray(".plan: no such user.\n");
    QTest::newRow("escape echoed safely") << QByteArray("a\x1b[2Jb") << QByteArray("a?[2Jb: no such user.\n");
    QTest::newRow("/Wada is a name") << QByteArray("/Wada") << QByteArray("/Wada: no such user.\n");
    QTest::newRow("forwarding") << QByteArray("ada@elsewhere") << QByteArray("Finger forwarding service denied.\n");
    QTest::newRow("forwarding, list") << QByteArray("@elsewhere") << QByteArray("Finger forwarding service denied.\n");
    QTest::newRow("forwarding, /W") << QByteArray("/W ada@a@b") << QByteArray("Finger forwarding service denied.\n");
}

void TestPxServer::answers()
{
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, reply);
    const FingerService service({kSample});
    const ServiceAnswer a = service.Answer(query);
    QCOMPARE(a.reply, crlf(reply));
    QCOMPARE(a.forwardingRefused, reply.startsWith("Finger forwarding"));
}

void TestPxServer::linksOutOfTheFolder()
{
    QTemporaryDir top;
    QVERIFY(top.isValid());
    const QString folder = top.path() + "/plans";
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFile(top.path() + "/secret.txt", "SECRET\n"));
    QVERIFY(writeFile(folder + "/real.plan", "inside\n"));
    // Out of the folder: a direct link, one through a linked folder, and a
    // project line; inside it: a link to another plan is fine.
    QVERIFY(QFile::link(top.path() + "/secret.txt", folder + "/evil.plan"));
    QVERIFY(QFile::link(top.path(), folder + "/up"));
    QVERIFY(QFile::link("up/secret.txt", folder + "/relative.plan"));
    QVERIFY(QFile::link(top.path() + "/secret.txt", folder + "/real.project"));
    QVERIFY(QFile::link("real.plan", folder + "/alias.plan"));
    const FingerService service({folder});
    for (const QByteArray query : {"", "evil", "relative", "real", "alias", "up/secret"})
        QVERIFY2(!service.Answer(query).reply.contains("SECRET"), query.constData());
    QCOMPARE(service.Answer("").reply, QByteArray("Login  Project\r\nalias\r\nreal\r\n"));
    QCOMPARE(service.Answer("evil").reply, QByteArray("evil: no such user.\r\n"));
    QCOMPARE(service.Answer("alias").reply, QByteArray("Login: alias\r\nPlan:\r\ninside\r\n"));
    // The folder itself given through a link is fine.
    QVERIFY(QFile::link(folder, top.path() + "/linked"));
    QCOMPARE(FingerService({top.path() + "/linked"}).Answer("real").reply, QByteArray("Login: real\r\nPlan:\r\ninside\r\n"));
}

void TestPxServer::systemUserPlanMustBeTheirs()
{
    // Only users with a ~/.plan of their own are served; the test runs as
    // whoever runs it, so it checks that nobody else's file is given out.
    const FingerService service({QString(), true});
    const QByteArray list = service.Answer("").reply;
    QVERIFY(!list.contains("root"));
    QCOMPARE(service.Answer("root").reply, QByteArray("root: no such user.\r\n"));
    QCOMPARE(service.Answer("nobody").reply, QByteArray("nobody: no such user.\r\n"));
}

void TestPxServer::sameRepliesAsTheReadme_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("fingerArgs");
    QTest::newRow("user list") << QString() << QStringList{"@127.0.0.1"};
    QTest::newRow("plan") << QStringLiteral("ada") << QStringList{"ada@127.0.0.1"};
    QTest::newRow("/W") << QStringLiteral("/W grace") << QStringList{"-l", "grace@127.0.0.1"};
}

void TestPxServer::sameRepliesAsTheReadme()
{
    QFETCH(QString, query);
    QFETCH(QStringList, fingerArgs);
    const QByteArray shown = readmeBlock(query);
    QVERIFY2(!shown.isEmpty(), "the README shows this query");

    Daemon daemon({QStringLiteral("--folder"), kSample});
    QVERIFY2(daemon.port != 0, daemon.log.constData());

    const ProgramRun px = RunProgram(QStringLiteral(PXFINGER_PATH), {query + QStringLiteral("@127.0.0.1:%1").arg(daemon.port)});
    QCOMPARE(px.exitCode, 0);
    QCOMPARE(px.out, crlf(shown));

    const QString finger = QStandardPaths::findExecutable(QStringLiteral("finger"));
    if (finger.isEmpty())
        QSKIP("Debian's finger client is not installed");
    ProgramOptions options;
    options.environment = QProcessEnvironment::systemEnvironment();
    options.environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(FINGERPORT_PATH));
    options.environment.insert(QStringLiteral("PX_FINGER_PORT"), QString::number(daemon.port));
    const ProgramRun bsd = RunProgram(finger, fingerArgs, options);
    QCOMPARE(bsd.exitCode, 0);
    QCOMPARE(bsd.out, shown);

    QCOMPARE(daemon.Terminate(), 0);
    const QByteArray log = daemon.Log();
    QVERIFY2(log.contains("127.0.0.1 \"" + query.toUtf8() + "\" ok " + QByteArray::number(px.out.size()) + " bytes"),
             log.constData());
    QVERIFY2(log.contains("pxserver: stopped"), log.constData());
}

void TestPxServer::limits()
{
    Daemon daemon({QStringLiteral("--folder"), kSample, QStringLiteral("--max-query"), QStringLiteral("100"),
                   QStringLiteral("--timeout"), QStringLiteral("1")});
    QVERIFY2(daemon.port != 0, daemon.log.constData());
    const QByteArray tooLong = QueryTooLongReply(100);
    // Over the cap without a line end: answered and closed without waiting
    // for the rest; a line of exactly the cap is a query.
    QCOMPARE(exchange(daemon.port, QByteArray(101, 'a')), tooLong);
    QCOMPARE(exchange(daemon.port, QByteArray(5000, 'a') + "\r\n"), tooLong);
    QCOMPARE(exchange(daemon.port, QByteArray(100, 'a') + "\r\n"), QByteArray(64, 'a') + ": no such user.\r\n");
    QCOMPARE(exchange(daemon.port, QByteArray(99, ' ') + "\r\n").left(5), QByteArray("Login"));
    // Idle: nothing sent, or half a line, and the server closes.
    QCOMPARE(exchange(daemon.port, QByteArray()), QByteArray());
    QCOMPARE(exchange(daemon.port, QByteArray("ad")), QByteArray());
    // A client that ends its side right after the query still gets the reply;
    // one that sends nothing at all gets nothing.
    QCOMPARE(exchange(daemon.port, "alan\r\n", true), crlf("Login: alan\nPlan:\n" + readFile(kSample + "/alan.plan")));
    QCOMPARE(exchange(daemon.port, QByteArray(), true), QByteArray());
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    if (!socat.isEmpty()) {
        ProgramOptions piped;
        piped.input = "alan\r\n";
        const ProgramRun r = RunProgram(socat, {"-t", "5", "-", QStringLiteral("TCP:127.0.0.1:%1").arg(daemon.port)}, piped);
        QCOMPARE(r.out, crlf("Login: alan\nPlan:\n" + readFile(kSample + "/alan.plan")));
    }
    // A bare LF ends a line too.
    QCOMPARE(exchange(daemon.port, "alan\n"), crlf("Login: alan\nPlan:\n" + readFile(kSample + "/alan.plan")));
    QCOMPARE(daemon.Terminate(), 0);
    const QByteArray log = daemon.Log();
    QVERIFY2(log.contains("query too long"), log.constData());
    QVERIFY2(log.contains("timed out"), log.constData());
    QVERIFY2(log.contains("\"\" closed without a query"), log.constData());
}

void TestPxServer::twoHundredClientsWithACapOfFifty()
{
    ServerLimits limits;
    limits.maxClients = 50;
    PxServer server(FingerService({kSample}), limits);
    QVERIFY(server.Listen(QHostAddress::LocalHost, 0));
    int most = 0;
    connect(&server, &PxServer::clientsChanged, this, [&](int n) { most = qMax(most, n); });

    const QByteArray expected = FingerService({kSample}).Answer("ada").reply;
    constexpr int kClients = 200;
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    std::vector<QByteArray> replies(kClients);
    int done = 0;
    for (int i = 0; i < kClients; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        QTcpSocket* s = socket.get();
        connect(s, &QTcpSocket::connected, s, [s] { s->write("ada\r\n"); });
        connect(s, &QTcpSocket::readyRead, s, [s, &replies, i] { replies[size_t(i)] += s->readAll(); });
        connect(s, &QTcpSocket::disconnected, s, [&done] { ++done; });
        connect(s, &QTcpSocket::errorOccurred, s, [s, &done](QAbstractSocket::SocketError e) {
            if (e != QAbstractSocket::RemoteHostClosedError && s->state() == QAbstractSocket::UnconnectedState)
                ++done;
        });
        s->connectToHost(QHostAddress::LocalHost, server.Port());
        sockets.push_back(std::move(socket));
    }
    QTRY_COMPARE_WITH_TIMEOUT(done, kClients, 90000);
    QVERIFY(most <= 50);
    QVERIFY(most > 0);
    int whole = 0;
    for (const QByteArray& r : replies) {
        // Each client got the whole reply or nothing (waited out, refused).
        QVERIFY(r.isEmpty() || r == expected);
        whole += r == expected ? 1 : 0;
    }
    QVERIFY(whole > 0);
    QTRY_COMPARE_WITH_TIMEOUT(server.Clients(), 0, 30000);
    QVERIFY(server.IsListening());
    QCOMPARE(exchange(server.Port(), "ada\r\n"), expected);
}

void TestPxServer::inetdOverStandardInput()
{
    QTemporaryDir dir;
    const QString log = dir.filePath("requests.log");
    ProgramOptions options;
    options.input = "/W ada\r\n";
    ProgramRun r = RunProgram(QStringLiteral(PXSERVER_PATH), {"--inetd", "--folder", kSample, "--log", log}, options);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, FingerService({kSample}).Answer("ada").reply);
    QVERIFY2(readFile(log).contains(" - \"/W ada\" ok "), readFile(log).constData());

    options.input = "ada@far.example\r\n";
    r = RunProgram(QStringLiteral(PXSERVER_PATH), {"--inetd", "--folder", kSample, "--log", log}, options);
    QCOMPARE(r.out, FingerService::ForwardingRefusal());
    QVERIFY(readFile(log).contains("forwarding refused"));
}

void TestPxServer::inetdThroughSocat()
{
    const QString socat = QStandardPaths::findExecutable(QStringLiteral("socat"));
    if (socat.isEmpty())
        QSKIP("socat is not installed");
    QTemporaryDir dir;
    const QString log = dir.filePath("requests.log");
    // socat is told a port; if another program takes it first, try another.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const quint16 port = freePort();
        QProcess relay;
        relay.start(socat, {QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr,fork").arg(port),
                            QStringLiteral("EXEC:%1 --inetd --folder %2 --log %3").arg(QStringLiteral(PXSERVER_PATH), kSample, log)});
        QVERIFY(relay.waitForStarted());
        QByteArray reply;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 20000 && relay.state() == QProcess::Running) {
            reply = exchange(port, "grace\r\n");
            if (reply != "<no connection>")
                break;
            QTest::qWait(100);
        }
        const bool running = relay.state() == QProcess::Running;
        relay.kill();
        relay.waitForFinished();
        if (!running)
            continue; // the port was taken
        QCOMPARE(reply, FingerService({kSample}).Answer("grace").reply);
        // The line is written once the exchange is over on pxserver's side.
        QTRY_VERIFY2_WITH_TIMEOUT(readFile(log).contains("127.0.0.1 \"grace\" ok"), readFile(log).constData(), 20000);
        return;
    }
    QFAIL("socat could not listen on a free port");
}

void TestPxServer::socketActivation()
{
    const QString activate = QStandardPaths::findExecutable(QStringLiteral("systemd-socket-activate"));
    if (activate.isEmpty())
        QSKIP("systemd-socket-activate is not installed");
    for (int attempt = 0; attempt < 5; ++attempt) {
        const quint16 port = freePort();
        QProcess process;
        process.start(activate, {QStringLiteral("--listen=127.0.0.1:%1").arg(port), QStringLiteral(PXSERVER_PATH),
                                 QStringLiteral("--folder"), kSample, QStringLiteral("--port"), QStringLiteral("1")});
        QVERIFY(process.waitForStarted());
        QByteArray reply;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 20000 && process.state() == QProcess::Running) {
            reply = exchange(port, "ada\r\n");
            if (reply != "<no connection>")
                break;
            QTest::qWait(100);
        }
        if (process.state() != QProcess::Running)
            continue; // the port was taken
        // Served on the socket handed over, not on the port it was told.
        QCOMPARE(reply, FingerService({kSample}).Answer("ada").reply);
        QCOMPARE(exchange(port, "\r\n").left(5), QByteArray("Login"));
        ::kill(pid_t(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(process.readAllStandardError().contains("pxserver: stopped"));
        return;
    }
    QFAIL("systemd-socket-activate could not listen on a free port");
}

void TestPxServer::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("help") << QStringList{"--help"} << 0;
    QTest::newRow("nothing to serve") << QStringList{} << 2;
    QTest::newRow("no such folder") << QStringList{"--folder", "/nonexistent/plans", "--inetd"} << 1;
    QTest::newRow("bad port") << QStringList{"--folder", ".", "--port", "70000"} << 2;
    QTest::newRow("bad address") << QStringList{"--folder", ".", "--address", "here", "--port", "0"} << 2;
    QTest::newRow("unknown") << QStringList{"--frob"} << 2;
}

void TestPxServer::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    const ProgramRun r = RunProgram(QStringLiteral(PXSERVER_PATH), args);
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode != 0)
        QVERIFY(r.err.startsWith("pxserver: "));
}

POLLUX_TEST_MAIN(TestPxServer)
#include "test_pxserver.moc"
