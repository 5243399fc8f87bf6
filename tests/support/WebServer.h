#pragma once
// A loopback HTTP/1.1 server for tests: fixed pages by path, every request
// counted; anything else is 404. One request per connection.

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

class LoopbackWebServer : public QObject {
public:
    LoopbackWebServer()
    {
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* peer = server_.nextPendingConnection()) {
                QObject::connect(peer, &QTcpSocket::disconnected, peer, &QObject::deleteLater);
                QObject::connect(peer, &QTcpSocket::readyRead, peer, [this, peer] { Serve(peer); });
            }
        });
    }

    bool Listen() { return server_.listen(QHostAddress::LocalHost, 0); }
    quint16 Port() const { return server_.serverPort(); }
    QString Base() const { return QStringLiteral("http://127.0.0.1:") + QString::number(Port()); }

    void SetPage(const QByteArray& path, const QByteArray& html) { pages_[path] = html; }
    int Requests(const QByteArray& path) const { return requests_.value(path); }

private:
    void Serve(QTcpSocket* peer)
    {
        QByteArray& seen = pending_[peer];
        seen += peer->readAll();
        if (!seen.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> requestLine = seen.left(seen.indexOf("\r\n")).split(' ');
        pending_.remove(peer);
        const QByteArray path = requestLine.value(1);
        ++requests_[path];
        const auto page = pages_.constFind(path);
        const QByteArray body = page != pages_.constEnd() ? page.value() : QByteArray("<html><body>not here</body></html>");
        QByteArray reply = page != pages_.constEnd() ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n";
        reply += "Content-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\nConnection: close\r\n";
        reply += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
        peer->write(reply);
        peer->disconnectFromHost();
    }

    QTcpServer server_;
    QHash<QByteArray, QByteArray> pages_;
    QHash<QByteArray, int> requests_;
    QHash<QTcpSocket*, QByteArray> pending_;
};
