// Start-up with 1,000 history entries and 50 favourites in the store, to the
// main window shown; then the first web item (the web engine's start, a page
// from a local HTTP server) and a second one. Prints times and resident
// memory, and whether the web engine is mapped at each point.
//
//   bench_startup            (run under a display, or QT_QPA_PLATFORM=offscreen)

#include "app/MainFrm.h"
#include "settings/RegUtils.h"
#include "ui/SideBar.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest/QTest>

#include <cstdio>

namespace {
long ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

bool WebEngineMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngine");
}
} // namespace

int main(int argc, char** argv)
{
    QElapsedTimer total;
    total.start();
    QTemporaryDir settings;
    qputenv("POLLUX_CONFIG_DIR", settings.path().toLocal8Bit());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const qint64 appMs = total.elapsed();

    const QString config = kConfigurationKey;
    WriteSettingBool(config, QStringLiteral("PXRun"), true);
    WriteSettingBool(config, QStringLiteral("DisplaySplash"), false);
    for (int i = 0; i < 1000; ++i)
        WriteSettingString(config + QStringLiteral("\\Query"), QStringLiteral("user%1@host%2.example").arg(i).arg(i % 37),
                           QString());
    for (int i = 0; i < 50; ++i)
        WriteSettingString(config + QStringLiteral("\\Servers"), QStringLiteral("@server%1.example").arg(i),
                           QStringLiteral("Server %1").arg(i));

    QElapsedTimer clock;
    QTcpServer http;
    http.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&http, &QTcpServer::newConnection, [&] {
        QTcpSocket* peer = http.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer, &clock] {
            const QByteArray request = peer->readAll();
            std::printf("  %s at %lld ms\n", request.left(request.indexOf('\r')).constData(),
                        static_cast<long long>(clock.elapsed()));
            const QByteArray body = "<html><body><h1>Pollux news</h1><p>Nothing new.</p></body></html>";
            peer->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: "
                        + QByteArray::number(body.size()) + "\r\n\r\n" + body);
            peer->disconnectFromHost();
        });
        QObject::connect(peer, &QTcpSocket::disconnected, peer, &QObject::deleteLater);
    });
    qputenv("POLLUX_VENDOR_URL", "http://127.0.0.1:" + QByteArray::number(http.serverPort()));

    const long rssBefore = ResidentKiB();
    clock.start();
    TMain window;
    const qint64 createdMs = clock.elapsed();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "the window was not shown\n");
    const qint64 shownMs = clock.elapsed();
    const long rssShown = ResidentKiB();

    std::printf("application object: %lld ms\n", static_cast<long long>(appMs));
    std::printf("history entries in the box: %d\n", window.QueryComboBox->count());
    std::printf("main window created: %lld ms, shown: %lld ms\n", static_cast<long long>(createdMs),
                static_cast<long long>(shownMs));
    std::printf("resident memory: %ld KiB before the window, %ld KiB shown; web engine mapped: %s\n", rssBefore, rssShown,
                WebEngineMapped() ? "yes" : "no");

    bool done = false;
    QObject::connect(&window, &TMain::ActivityChanged, [&](const QString& text) {
        if (text == QLatin1String("Done"))
            done = true;
    });
    QToolButton* news = window.dxSideBar1->Item(QStringLiteral("Pollux News"));
    for (int round = 1; round <= 2; ++round) {
        done = false;
        clock.restart();
        news->click();
        const qint64 createdWeb = clock.elapsed();
        (void)QTest::qWaitFor([&] { return done; }, 60000);
        std::printf("web item %d: view ready %lld ms, page done %lld ms (%s); resident memory %ld KiB; mapped: %s\n",
                    round, static_cast<long long>(createdWeb), static_cast<long long>(clock.elapsed()),
                    done ? "loaded" : "NOT loaded", ResidentKiB(), WebEngineMapped() ? "yes" : "no");
    }
    window.close();
    return 0;
}
