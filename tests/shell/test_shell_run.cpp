// The command line with the real main window and the real program: the
// repeat timer, the help request, "/q" from a shell without a display.

#include "TestMain.h"

#include "FingerServer.h"
#include "app/MainFrm.h"
#include "core/Guard.h"
#include "shell/CommandLine.h"
#include "shell/CommandLineHelpFrm.h"
#include "shell/CritError.h"
#include "shell/InstanceLink.h"
#include "settings/RegUtils.h"
#include "ui/TDCMemo.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "ModalHelper.h"
#include "RunProgram.h"

#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <memory>
#include <vector>

namespace {
// The runs here wait on real queries, so their dialogs may take longer to come.
template <class T>
void whenModalLong(std::function<void(T*)> act)
{
    WhenModal<T>(std::move(act), 1500);
}

// Builds the main window as if the program had been started with `params`.
std::unique_ptr<TMain> startWith(const QStringList& params)
{
    std::vector<QByteArray> storage{QByteArray("pollux")};
    for (const QString& p : params)
        storage.push_back(p.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    [&] { QCOMPARE(PrepareCommandLine(int(storage.size()), argv.data()), -1); }();
    SetCommandLineParameters(params);
    return std::make_unique<TMain>();
}

QString fileText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing>");
    return QString::fromLocal8Bit(file.readAll());
}

QString host(quint16 port)
{
    return QStringLiteral("@127.0.0.1:") + QString::number(port);
}

struct Recorded {
    QStringList modules;
    QStringList messages;
};

void recordFailures(Recorded& into)
{
    SetErrorHandler([&into](QObject* sender, const EPollux& failure) {
        into.modules << ReportModuleLine(sender);
        into.messages << failure.Message();
    });
}

// A store on which the start-up shows no welcome screen.
void settledStore()
{
    WriteSettingBool(kConfigurationKey, QStringLiteral("PXRun"), true);
    WriteSettingBool(kConfigurationKey, QStringLiteral("DisplaySplash"), false);
}

QProcessEnvironment offscreenEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

struct RunResult {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the program the way cron would: no display, no platform chosen. The
// test's servers keep serving while it waits.
RunResult runPollux(const QStringList& args, const QString& workDir)
{
    ProgramOptions options;
    options.environment = QProcessEnvironment::systemEnvironment();
    options.environment.remove(QStringLiteral("DISPLAY"));
    options.environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    options.environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    options.workingDirectory = workDir;
    const ProgramRun run = RunProgram(QStringLiteral(POLLUX_PATH), args, options);
    return {run.exitCode, QString::fromLocal8Bit(run.out), QString::fromLocal8Bit(run.err)};
}
} // namespace

class TestShellRun : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void repeatSaves_data();
    void repeatSaves();
    void tickWaitsBehindAUserQuery();
    void timerFailureReportedWithoutModule_data();
    void timerFailureReportedWithoutModule();
    void badIntervalReportedForMain();
    void unattendedRun_data();
    void unattendedRun();
    void versionAndHelp();
    void linksOpenAsTabs();
    void linkHandedToTheRunningPollux();
    void secondPolluxHandsItsLinkOver();
    void staleLinkSocketReplaced();

    // Last: once the program has been told to end, no event loop of this
    // process runs again.
    void helpEndsTheProgram();

private:
    QTemporaryDir work_;
};

void TestShellRun::init()
{
    pollux_test::clearSettingsDir();
    SetUnattendedErrors(false);
    CmdLine() = CommandLineState{};
}

void TestShellRun::cleanup()
{
    SetErrorHandler({});
}

void TestShellRun::repeatSaves_data()
{
    QTest::addColumn<bool>("cls");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("/cls: only the latest") << true << QStringList{"reply 3"};
    QTest::newRow("accumulating") << false << QStringList{"reply 1", "reply 2", "reply 3"};
}

void TestShellRun::repeatSaves()
{
    QFETCH(bool, cls);
    QFETCH(QStringList, expected);
    LoopbackFingerServer server;
    QVERIFY(server.Listen());
    int session = 1;
    server.SetReply("reply 1\r\n");
    connect(&server, &LoopbackFingerServer::sessionFinished, this,
            [&] { server.SetReply("reply " + QByteArray::number(++session) + "\r\n"); });

    const QString out = work_.filePath(QStringLiteral("out-%1.txt").arg(cls));
    QStringList params{"/f:" + host(server.Port()), "/t:1", "/s:" + out};
    if (cls)
        params << "/cls";
    Recorded failures;
    auto window = startWith(params);
    recordFailures(failures);
    QCOMPARE(window->QueryComboBox->currentText(), host(server.Port()));
    QVERIFY(window->Timer1->isActive());
    QCOMPARE(window->Timer1->interval(), 1000);
    // no query at once: the first comes one interval later
    QCOMPARE(server.Connections(), 0);

    connect(&server, &LoopbackFingerServer::queryReceived, this, [&] {
        if (server.Queries().size() >= 3)
            window->Timer1->stop();
    });
    QTRY_COMPARE_WITH_TIMEOUT(server.Queries().size(), 3, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(fileText(out).contains("reply 3"), 10000);
    QCOMPARE(failures.messages, QStringList());
    QCOMPARE(server.LastQuery(), QByteArray("\r\n"));

    QCOMPARE(window->PageControl1->count(), 1);
    QStringList shown = window->ActiveView()->Lines();
    while (!shown.isEmpty() && shown.last().isEmpty())
        shown.removeLast();
    QCOMPARE(shown, expected);
    QCOMPARE(fileText(out).split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts), expected);
}

// Starts a query the way a command does, from the event loop.
static void startUserQuery(TMain& window, const QString& expression)
{
    QPointer<TMain> target(&window);
    QTimer::singleShot(0, &window, [target, expression] {
        if (target)
            target->RunQueryJob(target, [target, expression] {
                target->ExecuteFingerQuery(expression, false, false, false, QString());
            });
    });
}

void TestShellRun::tickWaitsBehindAUserQuery()
{
    // A user's query that takes about 3 s while the timer ticks every second:
    // the ticks in that time make one run of the box's queries, not several.
    LoopbackFingerServer slow;
    QVERIFY(slow.Listen());
    slow.SetSlow(QByteArray("slow reply\r\n").repeated(6), 12, 500);
    LoopbackFingerServer box;
    QVERIFY(box.Listen());
    box.SetReply("box reply\r\n");
    Recorded failures;
    auto window = startWith({"/f:" + host(box.Port()), "/t:1"});
    recordFailures(failures);
    int ticks = 0;
    int ticksDuringSlow = 0;
    bool slowRunning = false;
    connect(window->Timer1, &QTimer::timeout, this, [&] {
        ++ticks;
        ticksDuringSlow += slowRunning;
    });
    connect(&slow, &LoopbackFingerServer::queryReceived, this, [&] { slowRunning = true; });
    connect(&slow, &LoopbackFingerServer::sessionFinished, this, [&] {
        slowRunning = false;
        window->Timer1->stop();
    });
    startUserQuery(*window, host(slow.Port()));

    QTRY_COMPARE_WITH_TIMEOUT(slow.Connections(), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!window->Timer1->isActive(), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!window->QueryInProgress(), 20000);
    QVERIFY2(ticksDuringSlow >= 2, qPrintable(QString::number(ticksDuringSlow)));
    QCOMPARE(box.Queries().size(), 1);
    QCOMPARE(failures.messages, QStringList());

    // and the timer's next tick runs again
    window->Timer1->start();
    QTRY_COMPARE_WITH_TIMEOUT(box.Queries().size(), 2, 10000);
    window->Timer1->stop();
    QTRY_VERIFY_WITH_TIMEOUT(!window->QueryInProgress(), 20000);
    QCOMPARE(failures.messages, QStringList());
}

void TestShellRun::timerFailureReportedWithoutModule_data()
{
    QTest::addColumn<bool>("behindUserQuery");
    QTest::newRow("tick runs at once") << false;
    QTest::newRow("tick waited behind a query") << true;
}

void TestShellRun::timerFailureReportedWithoutModule()
{
    QFETCH(bool, behindUserQuery);
    LoopbackFingerServer good;
    QVERIFY(good.Listen());
    good.SetReply("fine\r\n");
    LoopbackFingerServer slow;
    QVERIFY(slow.Listen());
    slow.SetSlow(QByteArray("slow reply\r\n").repeated(5), 12, 500);
    const quint16 refused = RefusingPort();
    auto window = startWith({"/f:" + host(refused) + "," + host(good.Port()), "/t:1"});
    if (behindUserQuery)
        startUserQuery(*window, host(slow.Port()));

    // The real report, each kept open for 2.5 s while the timer goes on.
    int reports = 0;
    int mostOpenAtOnce = 0;
    int ticksWhileOpen = 0;
    QStringList moduleLines;
    QStringList messages;
    connect(window->Timer1, &QTimer::timeout, this, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            ticksWhileOpen += qobject_cast<TCriticalError*>(w) && w->isVisible();
    });
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&] {
        QList<TCriticalError*> open;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* report = qobject_cast<TCriticalError*>(w); report && report->isVisible())
                open << report;
        mostOpenAtOnce = qMax(mostOpenAtOnce, int(open.size()));
        if (open.size() > 1) // stacked reports: close them all so the test can end
            for (TCriticalError* report : open)
                report->reject();
    });
    probe.start(20);
    std::function<void(TCriticalError*)> keepOpen = [&](TCriticalError* report) {
        ++reports;
        moduleLines << report->lblModule->text();
        messages << report->lblMessage->text();
        QTimer::singleShot(2500, report, [report] { report->cmdOK->click(); });
    };
    whenModalLong<TCriticalError>(keepOpen);
    QTRY_COMPARE_WITH_TIMEOUT(reports, 1, 20000);
    // the timer goes on after the report is closed
    whenModalLong<TCriticalError>(keepOpen);
    QTRY_COMPARE_WITH_TIMEOUT(reports, 2, 20000);
    window->Timer1->stop();
    QTRY_COMPARE_WITH_TIMEOUT(mostOpenAtOnce > 0 && !QApplication::activeModalWidget(), true, 10000);

    QCOMPARE(mostOpenAtOnce, 1);
    if (behindUserQuery)
        QVERIFY2(ticksWhileOpen >= 1, "no tick came while the report was open");
    const QString unknown = QStringLiteral("An error has occured in an unknown module.");
    QCOMPARE(moduleLines, (QStringList{unknown, unknown}));
    const QString refusedText = QStringLiteral("[10061] Connection refused");
    QCOMPARE(messages, (QStringList{refusedText, refusedText}));
    // the piece after the failing one never ran
    QCOMPARE(good.Connections(), 0);
    QCOMPARE(slow.Connections(), behindUserQuery ? 1 : 0);
}

void TestShellRun::badIntervalReportedForMain()
{
    QStringList modules;
    QStringList messages;
    QStringList versions;
    whenModalLong<TCriticalError>([&](TCriticalError* report) {
        modules << report->lblModule->text();
        messages << report->lblMessage->text();
        versions << report->lblVersion->text();
        report->cmdOK->click();
    });
    auto window = startWith({"/f:user@host.example", "/t5", "/p"});
    QCOMPARE(modules, QStringList{"An error has occured in the following module: Main."});
    QCOMPARE(messages, QStringList{"'' is not a valid integer value"});
    QCOMPARE(versions, QStringList{"Pollux Professional"});
    QCOMPARE(window->QueryComboBox->currentText(), QStringLiteral("user@host.example"));
    QVERIFY(!window->Timer1->isActive());
    QVERIFY(!CmdLine().CmdLinePrint); // not examined after the failure
}

void TestShellRun::helpEndsTheProgram()
{
    bool helpShown = false;
    whenModalLong<TCLHelp>([&](TCLHelp* help) {
        helpShown = true;
        help->OKBtn->click();
    });
    auto window = startWith({"/p", "/?", "/f:user@host.example", "/t:60"});
    QVERIFY(helpShown);
    // the switches around it are recorded all the same
    QVERIFY(CmdLine().CmdLinePrint);
    QCOMPARE(window->QueryComboBox->currentText(), QStringLiteral("user@host.example"));

    window->show();
    QEventLoop programLoop;
    QTimer::singleShot(20000, &programLoop, [&] { programLoop.exit(2); });
    QCOMPARE(programLoop.exec(), 0);
}

void TestShellRun::unattendedRun_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stderrHas");

    QTest::newRow("reply saved") << "ok" << 0 << QString();
    QTest::newRow("two queries, one file") << "two" << 0 << QString();
    QTest::newRow("refused port") << "refused" << 1 << "[10061] Connection refused";
    QTest::newRow("failure does not stop the rest") << "refused-then-ok" << 1 << "[10061] Connection refused";
    QTest::newRow("nothing to finger") << "empty" << 1
                                       << "Please enter a valid query expression before continuing!";
    QTest::newRow("bad interval") << "bad-t" << 1 << "'' is not a valid integer value";
}

void TestShellRun::unattendedRun()
{
    QFETCH(QString, kind);
    LoopbackFingerServer server;
    QVERIFY(server.Listen());
    server.SetReply("Login: root\r\nName: root\r\n");
    const QString good = host(server.Port());
    const QString refused = host(RefusingPort());
    const QString out = work_.filePath("q-" + kind + ".txt");
    QFile::remove(out);

    QStringList args;
    if (kind == "ok")
        args << "/f:" + good;
    else if (kind == "two")
        args << "/f:" + good + ",root" + good;
    else if (kind == "refused")
        args << "/f:" + refused;
    else if (kind == "refused-then-ok")
        args << "/f:" + refused + "," + good;
    else if (kind == "bad-t")
        args << "/f:" + good << "/t5";
    args << "/s:" + out << "/q";

    const RunResult r = runPollux(args, work_.path());
    QTEST(r.exitCode, "exitCode");
    QFETCH(QString, stderrHas);
    if (stderrHas.isEmpty())
        QCOMPARE(r.err.trimmed(), QString());
    else
        QVERIFY2(r.err.contains(stderrHas), qPrintable(r.err));

    if (kind == "ok" || kind == "two" || kind == "refused-then-ok") {
        const QStringList lines = fileText(out).split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines, (QStringList{"Login: root", "Name: root"}));
        QCOMPARE(server.Queries().size(), kind == "two" ? 2 : 1);
    } else {
        QVERIFY(!QFile::exists(out));
        QCOMPARE(server.Connections(), 0);
    }
}

void TestShellRun::versionAndHelp()
{
    RunResult r = runPollux({"--version"}, work_.path());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QStringLiteral("Pollux 2.0.0.327\n"));

    // without a display --help prints and does not wait for a window
    r = runPollux({"/s:never.txt", "--help"}, work_.path());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("Usage: pollux"));
    QVERIFY(r.out.contains("/t:nnn"));
    QVERIFY(!QFile::exists(work_.filePath("never.txt")));

    // "/?" in an unattended run: the help on standard output, no query
    r = runPollux({"/f:" + host(RefusingPort()), "/?", "/q"}, work_.path());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.contains("/t:nnn"));
    QCOMPARE(r.err, QString());
}

POLLUX_GUI_TEST_MAIN(TestShellRun)
#include "test_shell_run.moc"

void TestShellRun::linksOpenAsTabs()
{
    LoopbackFingerServer server;
    server.SetReply("Plan: fine\r\n");
    QVERIFY(server.Listen());
    settledStore();
    auto window = startWith({});
    Recorded failures;
    recordFailures(failures);
    window->show();
    const QString base = QStringLiteral("finger://127.0.0.1:%1/").arg(server.Port());
    const QString at = QStringLiteral("-127.0.0.1:%1").arg(server.Port());
    window->OpenLink(base + "ada");
    window->OpenLink(base + "%2FW%20bob");
    window->OpenLink(base + "ada");
    QTRY_COMPARE(server.Queries().size(), 3);
    QVERIFY2(failures.messages.isEmpty(), qPrintable(failures.messages.join('\n')));
    QCOMPARE(server.Queries(), (QByteArrayList{"ada\r\n", "/W bob\r\n", "ada\r\n"}));
    QCOMPARE(window->PageControl1->count(), 2);
    QCOMPARE(window->PageControl1->tabText(0), "ada" + at);
    QCOMPARE(window->PageControl1->tabText(1), "/W bob" + at);
    QCOMPARE(window->QueryComboBox->currentText(), base + "ada");

    // A link that cannot be read is reported and opens nothing.
    window->OpenLink(QStringLiteral("finger://127.0.0.1:99999/x"));
    QTRY_COMPARE(failures.messages.size(), 1);
    QVERIFY2(failures.messages.first().contains("port must be a number"), qPrintable(failures.messages.first()));
    QCOMPARE(window->PageControl1->count(), 2);
    QCOMPARE(server.Queries().size(), 3);
}

void TestShellRun::linkHandedToTheRunningPollux()
{
    LoopbackFingerServer server;
    server.SetReply("x\r\n");
    QVERIFY(server.Listen());
    QStringList taken;
    TInstanceListener listener([&taken](const QString& expression) { taken << expression; });
    QVERIFY(listener.Listen());
    // Another copy for the same store finds it taken.
    TInstanceListener second({});
    QVERIFY(!second.Listen());

    const QString link = QStringLiteral("finger://127.0.0.1:%1/ada").arg(server.Port());
    ProgramOptions options;
    options.environment = offscreenEnvironment();
    const ProgramRun run = RunProgram(QStringLiteral(POLLUX_PATH), {link}, options);
    QCOMPARE(run.exitCode, 0);
    QTRY_COMPARE(taken, QStringList{link});
    // The program that handed it over asked nothing itself.
    QCOMPARE(server.Connections(), 0);
}

void TestShellRun::secondPolluxHandsItsLinkOver()
{
    LoopbackFingerServer server;
    server.SetReply("Plan: fine\r\n");
    QVERIFY(server.Listen());
    settledStore();
    const QString base = QStringLiteral("finger://127.0.0.1:%1/").arg(server.Port());
    QProcess first;
    first.setProcessEnvironment(offscreenEnvironment());
    first.start(QStringLiteral(POLLUX_PATH), {base + "ada"});
    QVERIFY(first.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(server.Queries().size(), 1, 60000);

    ProgramOptions options;
    options.environment = offscreenEnvironment();
    const ProgramRun second = RunProgram(QStringLiteral(POLLUX_PATH), {base + "bob"}, options);
    QCOMPARE(second.exitCode, 0);
    QTRY_COMPARE_WITH_TIMEOUT(server.Queries().size(), 2, 60000);
    QCOMPARE(server.Queries(), (QByteArrayList{"ada\r\n", "bob\r\n"}));
    QCOMPARE(first.state(), QProcess::Running);
    first.terminate();
    if (!first.waitForFinished(20000)) {
        first.kill();
        first.waitForFinished();
    }
}

void TestShellRun::staleLinkSocketReplaced()
{
    // What a Pollux that crashed leaves behind: a socket file nobody listens on.
    const QByteArray path = QFile::encodeName(InstanceSocketPath());
    QFile::remove(QString::fromLocal8Bit(path));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    QVERIFY(size_t(path.size()) < sizeof address.sun_path);
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    QVERIFY(QFile::exists(QString::fromLocal8Bit(path)));

    QVERIFY(!HandOverToRunningPollux(QStringLiteral("finger://h/ada"), 2000));
    TInstanceListener listener({});
    QVERIFY(listener.Listen());
}
