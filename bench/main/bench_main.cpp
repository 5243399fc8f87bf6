// Enter in the query box to the reply shown in its tab, for a large reply
// served from the same process over loopback.
//
//   bench_main [MiB]        (default 16; run under a display or offscreen)

#include "app/MainFrm.h"
#include "settings/RegUtils.h"
#include "ui/TDCMemo.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    QTemporaryDir settings;
    qputenv("POLLUX_CONFIG_DIR", settings.path().toLocal8Bit());
    QApplication app(argc, argv);
    const int mib = argc > 1 ? QByteArray(argv[1]).toInt() : 16;

    // A finger-like reply: lines of about 70 characters.
    QByteArray reply;
    const QByteArray line = "Login: user%05d          Name: Some Body        Idle 3:14  Host tty1\r\n";
    int n = 0;
    while (reply.size() < mib * 1024 * 1024)
        reply += QByteArray(line).replace("%05d", QByteArray::number(n++).rightJustified(5, '0'));
    reply.truncate(mib * 1024 * 1024);

    QTcpServer server;
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

    // A later run without the welcome screen, which would wait for a click.
    WriteSettingBool(kConfigurationKey, QStringLiteral("PXRun"), true);
    WriteSettingBool(kConfigurationKey, QStringLiteral("DisplaySplash"), false);
    TMain window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "the window was not shown\n");

    int activityTexts = 0;
    qint64 lastActivityMs = -1;
    QElapsedTimer clock;
    QObject::connect(&window, &TMain::ActivityChanged, [&](const QString&) {
        ++activityTexts;
        lastActivityMs = clock.elapsed();
    });

    window.QueryComboBox->setEditText(QStringLiteral("user@127.0.0.1:") + QString::number(server.serverPort()));
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

    std::printf("reply: %d MiB, %d lines\n", mib, view->LineCount());
    std::printf("Enter to reply loaded: %lld ms\n", static_cast<long long>(loaded));
    std::printf("Enter to shown (painted): %lld ms\n", static_cast<long long>(shown));
    std::printf("activity texts: %d, the last at %lld ms: %s\n", activityTexts, static_cast<long long>(lastActivityMs),
                qPrintable(window.StatusPanel(0)->text()));

    clock.restart();
    view->GotoLine(view->LineCount() - 1);
    view->viewport()->repaint();
    std::printf("jump to the end and paint: %lld ms\n", static_cast<long long>(clock.elapsed()));
    return 0;
}
