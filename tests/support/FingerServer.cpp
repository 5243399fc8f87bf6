#include "FingerServer.h"

#include <QTcpSocket>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class LoopbackFingerSession : public QObject {
    Q_OBJECT
public:
    LoopbackFingerSession(LoopbackFingerServer* server, QTcpSocket* socket)
        : QObject(server), server_(server), socket_(socket)
    {
        socket_->setParent(this);
        connect(socket_, &QTcpSocket::readyRead, this, &LoopbackFingerSession::read);
        connect(socket_, &QTcpSocket::disconnected, this, &LoopbackFingerSession::finish);
        connect(socket_, &QTcpSocket::bytesWritten, this, &LoopbackFingerSession::written);
        connect(&timer_, &QTimer::timeout, this, &LoopbackFingerSession::nextChunk);
        timer_.setSingleShot(true);

        switch (server_->mode_) {
        case LoopbackFingerServer::Mode::CloseAtOnce:
            socket_->close();
            QTimer::singleShot(0, this, &LoopbackFingerSession::finish);
            break;
        case LoopbackFingerServer::Mode::Reply:
        case LoopbackFingerServer::Mode::Slow:
            if (server_->answerEarly_)
                answer();
            break;
        default:
            break;
        }
    }

private:
    void read()
    {
        if (lineDone_) {
            socket_->readAll(); // anything after the query line is ignored
            return;
        }
        line_ += socket_->readAll();
        const qsizetype lf = line_.indexOf('\n');
        if (lf < 0)
            return;
        line_.truncate(lf + 1);
        lineDone_ = true;
        server_->queries_ << line_;
        emit server_->queryReceived(line_);
        if (!answered_)
            answer();
    }

    void answer()
    {
        answered_ = true;
        switch (server_->mode_) {
        case LoopbackFingerServer::Mode::Reply:
            socket_->write(server_->reply_);
            socket_->disconnectFromHost(); // closes once everything is written
            break;
        case LoopbackFingerServer::Mode::Slow:
            pending_ = server_->reply_;
            timer_.start(server_->delayMs_);
            break;
        case LoopbackFingerServer::Mode::Endless:
            endless_ = true;
            written();
            break;
        case LoopbackFingerServer::Mode::Reset:
            socket_->write(server_->reply_);
            socket_->flush();
            QTimer::singleShot(server_->delayMs_, this, &LoopbackFingerSession::reset);
            break;
        default:
            break;
        }
    }

    void reset()
    {
        if (socket_->state() != QAbstractSocket::ConnectedState)
            return;
        // With a zero linger time the close sends RST, not FIN.
        const linger drop{1, 0};
        ::setsockopt(int(socket_->socketDescriptor()), SOL_SOCKET, SO_LINGER, &drop, sizeof drop);
        socket_->abort();
        finish();
    }

    void nextChunk()
    {
        if (!socket_ || socket_->state() != QAbstractSocket::ConnectedState)
            return;
        const QByteArray chunk = pending_.left(std::max(1, server_->chunkSize_));
        pending_.remove(0, chunk.size());
        socket_->write(chunk);
        socket_->flush();
        if (pending_.isEmpty())
            socket_->disconnectFromHost();
        else
            timer_.start(server_->delayMs_);
    }

    void written()
    {
        if (!endless_ || socket_->state() != QAbstractSocket::ConnectedState)
            return;
        while (socket_->bytesToWrite() < 256 * 1024) {
            socket_->write(server_->reply_);
            server_->endlessSent_ += server_->reply_.size();
        }
    }

    void finish()
    {
        if (finished_)
            return;
        finished_ = true;
        timer_.stop();
        endless_ = false;
        emit server_->sessionFinished();
        deleteLater();
    }

    LoopbackFingerServer* server_;
    QTcpSocket* socket_;
    QTimer timer_;
    QByteArray line_;
    QByteArray pending_;
    bool lineDone_ = false;
    bool answered_ = false;
    bool endless_ = false;
    bool finished_ = false;
};

LoopbackFingerServer::LoopbackFingerServer(QObject* parent) : QObject(parent)
{
    connect(&server_, &QTcpServer::newConnection, this, &LoopbackFingerServer::accept);
}

LoopbackFingerServer::~LoopbackFingerServer() = default;

bool LoopbackFingerServer::Listen(const QHostAddress& address, quint16 port)
{
    return server_.listen(address, port);
}

void LoopbackFingerServer::Close()
{
    server_.close();
}

void LoopbackFingerServer::SetReply(const QByteArray& bytes)
{
    mode_ = Mode::Reply;
    reply_ = bytes;
}

void LoopbackFingerServer::SetSlow(const QByteArray& bytes, int chunkSize, int delayMs)
{
    mode_ = Mode::Slow;
    reply_ = bytes;
    chunkSize_ = chunkSize;
    delayMs_ = delayMs;
}

void LoopbackFingerServer::SetSilent()
{
    mode_ = Mode::Silent;
}

void LoopbackFingerServer::SetCloseAtOnce()
{
    mode_ = Mode::CloseAtOnce;
}

void LoopbackFingerServer::SetEndless(const QByteArray& pattern)
{
    mode_ = Mode::Endless;
    reply_ = pattern.isEmpty() ? QByteArray(1, 'x') : pattern;
}

void LoopbackFingerServer::SetReset(const QByteArray& bytes, int delayMs)
{
    mode_ = Mode::Reset;
    reply_ = bytes;
    delayMs_ = delayMs;
}

void LoopbackFingerServer::accept()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++connections_;
        new LoopbackFingerSession(this, socket);
    }
}

quint16 RefusingPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 1; // nothing listens on port 1 of a test machine either
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

UnansweredPort::UnansweredPort()
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0)
        return;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0 || ::listen(listener_, 0) < 0
        || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) < 0)
        return;
    // One connection fills a queue of length zero; it is never accepted.
    filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (filler_ < 0 || ::connect(filler_, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0)
        return;
    port_ = ntohs(a.sin_port);
}

UnansweredPort::~UnansweredPort()
{
    if (filler_ >= 0)
        ::close(filler_);
    if (listener_ >= 0)
        ::close(listener_);
}

#include "FingerServer.moc"
