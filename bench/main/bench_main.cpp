// Start-up to the main window shown, then Enter in the query box to the reply
// shown in its tab, for a large reply served from the same process over
// loopback, and the memory the process needed for it.
//
//   bench_main [MiB [PORT]]   (default 16; run under a display or offscreen)
//
// With PORT the reply comes from a finger server already listening on that
// loopback port (scripts/bench starts pxtestfingerd), so the memory figure is
// the client's alone; without it a reply of MiB is served from this process.

#include "app/MainFrm.h"
#include "settings/RegUtils.h"
#include "shell/CritError.h"
#include "ui/TDCMemo.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <QFile>
#include <QRegularExpression>

#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

// Milliseconds since the process was started by the kernel (in clock ticks,
// so to 10 ms), which takes in loading the program and its libraries.
double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double started = fields.value(19).toDouble() / double(sysconf(_SC_CLK_TCK)); // field 22
    const double now = uptime.readAll().split(' ').value(0).toDouble();
    return (now - started) * 1000.0;
}

// The peak resident memory of the process so far, in MiB.
double peakResidentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression hwm(QStringLiteral("VmHWM:\\s+(\\d+) kB"));
    const QRegularExpressionMatch m = hwm.match(QString::fromLatin1(status.readAll()));
    return m.hasMatch() ? m.captured(1).toDouble() / 1024.0 : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir settings;
    qputenv("POLLUX_CONFIG_DIR", settings.path().toLocal8Bit());
    QApplication app(argc, argv);
    // A failed query is reported on standard error, not in a window no one
    // will close.
    SetUnattendedErrors(true);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int mib = argc > 1 ? QByteArray(argv[1]).toInt() : 16;
    const int outsidePort = argc > 2 ? QByteArray(argv[2]).toInt() : 0;

    // A later run without the welcome screen, which would wait for a click.
    WriteSettingBool(kConfigurationKey, QStringLiteral("PXRun"), true);
    WriteSettingBool(kConfigurationKey, QStringLiteral("DisplaySplash"), false);
    TMain window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "the window was not shown\n");
    const double startup = msSinceProcessStart();
    std::printf("process start to window shown: %.0f ms\n", startup);
    std::printf("figure startup_ms %.0f\n", startup);
    const double residentBefore = peakResidentMiB();

    // A finger-like reply: lines of about 70 characters.
    QByteArray reply;
    const QByteArray line = "Login: user%05d          Name: Some Body        Idle 3:14  Host tty1\r\n";
    int n = 0;
    while (outsidePort == 0 && reply.size() < mib * 1024 * 1024)
        reply += QByteArray(line).replace("%05d", QByteArray::number(n++).rightJustified(5, '0'));
    reply.truncate(mib * 1024 * 1024);

    QTcpServer server;
    if (outsidePort == 0)
        server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket* peer = server.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer, &reply] {
            if (!peer->canReadLine())
                return;
            peer->readAll();
            peer->write(reply);
            peer->disconnectFromHost();
        });
        QObject::connect(peer, &QTcpSocket::disconnected, peer, &QObject::deleteLater);
    });

    int activityTexts = 0;
    qint64 lastActivityMs = -1;
    QElapsedTimer clock;
    QObject::connect(&window, &TMain::ActivityChanged, [&](const QString&) {
        ++activityTexts;
        lastActivityMs = clock.elapsed();
    });

    const int port = outsidePort ? outsidePort : server.serverPort();
    window.QueryComboBox->setEditText(QStringLiteral("user@127.0.0.1:") + QString::number(port));
    clock.start();
    QTest::keyClick(window.QueryComboBox, Qt::Key_Return);
    const qint64 loaded = clock.elapsed();
    TDCMemo* view = window.ActiveView();
    if (!view) {
        std::fprintf(stderr, "no result view: the query failed\n");
        return 1;
    }
    view->viewport()->repaint();
    window.repaint();
    const qint64 shown = clock.elapsed();

    std::printf("reply: %d lines%s\n", view->LineCount(), outsidePort ? "" : qPrintable(QStringLiteral(", %1 MiB").arg(mib)));
    std::printf("Enter to reply loaded: %lld ms\n", static_cast<long long>(loaded));
    std::printf("Enter to shown (painted): %lld ms\n", static_cast<long long>(shown));
    std::printf("figure enter_to_shown_ms %lld\n", static_cast<long long>(shown));
    std::printf("activity texts: %d, the last at %lld ms: %s\n", activityTexts, static_cast<long long>(lastActivityMs),
                qPrintable(window.StatusPanel(0)->text()));

    clock.restart();
    view->GotoLine(view->LineCount() - 1);
    view->viewport()->repaint();
    std::printf("jump to the end and paint: %lld ms\n", static_cast<long long>(clock.elapsed()));
    // Without an outside server the serving side's copies count too.
    const double peak = peakResidentMiB();
    std::printf("peak resident memory: %.0f MiB (%.0f MiB with the window up, before the query)\n", peak,
                residentBefore);
    std::printf("figure peak_rss_mib %.0f\n", peak);
    std::printf("figure window_rss_mib %.0f\n", residentBefore);
    return 0;
}
