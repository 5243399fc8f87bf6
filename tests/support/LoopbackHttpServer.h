#pragma once
// A one-file HTTP server on 127.0.0.1 for tests: every request gets the same
// canned response (status line, headers and body written as given), or no
// answer at all when the response is empty. Requests are counted and the
// last request's head is kept.

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

class LoopbackHttpServer : public QTcpServer {
public:
    explicit LoopbackHttpServer(QObject* parent = nullptr) : QTcpServer(parent)
    {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* peer = nextPendingConnection()) {
                peer->setParent(this);
                connect(peer, &QTcpSocket::readyRead, peer, [this, peer] {
                    head_ += peer->readAll();
                    if (!head_.contains("\r\n\r\n"))
                        return;
                    ++requests_;
                    lastRequest_ = head_;
                    head_.clear();
                    if (response_.isEmpty())
                        return; // silent: keep the connection open, say nothing
                    peer->write(response_);
                    peer->disconnectFromHost();
                });
            }
        });
    }

    // A complete response with a Content-Length and Connection: close.
    void Answer(int status, const QByteArray& reason, const QByteArray& body,
                const QByteArray& extraHeaders = {})
    {
        response_ = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n" + extraHeaders
            + "Content-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size())
            + "\r\nConnection: close\r\n\r\n" + body;
    }
    void StaySilent() { response_.clear(); }

    QString Base() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }
    int Requests() const { return requests_; }
    QByteArray LastRequest() const { return lastRequest_; }

private:
    QByteArray response_;
    QByteArray head_;
    QByteArray lastRequest_;
    int requests_ = 0;
};
