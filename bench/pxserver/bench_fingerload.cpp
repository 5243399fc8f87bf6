// bench_fingerload PORT SECONDS CLIENTS QUERY
// Keeps CLIENTS connections to 127.0.0.1:PORT busy for SECONDS: each sends
// QUERY, reads the reply to the close and connects again. Prints the
// finished exchanges per second, and the failed ones.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fputs("Usage: bench_fingerload PORT SECONDS CLIENTS QUERY\n", stderr);
        return 2;
    }
    const quint16 port = quint16(atoi(argv[1]));
    const int seconds = atoi(argv[2]);
    const int clients = atoi(argv[3]);
    const QByteArray query = QByteArray(argv[4]) + "\r\n";

    qint64 done = 0;
    qint64 failed = 0;
    qint64 bytes = 0;
    bool running = true;
    QElapsedTimer clock;
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    for (int i = 0; i < clients; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        QTcpSocket* s = socket.get();
        auto got = std::make_shared<qint64>(0);
        QObject::connect(s, &QTcpSocket::connected, s, [s, query] { s->write(query); });
        QObject::connect(s, &QTcpSocket::readyRead, s, [s, got] { *got += s->readAll().size(); });
        QObject::connect(s, &QTcpSocket::disconnected, s, [&, s, got] {
            if (*got > 0)
                ++done;
            else
                ++failed;
            bytes += *got;
            *got = 0;
            if (running)
                QTimer::singleShot(0, s, [s, port] { s->connectToHost(QStringLiteral("127.0.0.1"), port); });
        });
        QObject::connect(s, &QTcpSocket::errorOccurred, s, [&, s](QAbstractSocket::SocketError e) {
            if (e == QAbstractSocket::RemoteHostClosedError || s->state() != QAbstractSocket::UnconnectedState)
                return;
            ++failed;
            if (running)
                QTimer::singleShot(10, s, [s, port] { s->connectToHost(QStringLiteral("127.0.0.1"), port); });
        });
        sockets.push_back(std::move(socket));
    }
    clock.start();
    for (auto& s : sockets)
        s->connectToHost(QStringLiteral("127.0.0.1"), port);
    QTimer::singleShot(seconds * 1000, &app, [&] {
        running = false;
        const double elapsed = clock.elapsed() / 1000.0;
        std::printf("%.0f requests/s (%lld in %.1f s, %lld failed, %.0f bytes each)\n", done / elapsed,
                    static_cast<long long>(done), elapsed, static_cast<long long>(failed),
                    done ? double(bytes) / double(done) : 0.0);
        app.quit();
    });
    return app.exec();
}
