#include "PxServer.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

namespace {
// Enough for the cap's clients and a crowd behind them: the kernel keeps
// these waiting while the cap is reached.
constexpr int kListenBacklog = 512;
// How long a client that has its whole reply may take to close.
constexpr int kLingerMs = 2000;

QString peerText(const QTcpSocket* socket)
{
    QHostAddress address = socket->peerAddress();
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    if (mapped)
        address = QHostAddress(v4);
    return address.toString();
}

// A query from the network, fit for one log line: quotes, backslashes and
// everything unprintable escaped, and no longer than a line should be.
QString loggedQuery(const QByteArray& query)
{
    constexpr qsizetype kShown = 80;
    QString out;
    for (qsizetype i = 0; i < query.size() && i < kShown; ++i) {
        const auto c = static_cast<unsigned char>(query.at(i));
        if (c == '"' || c == '\\')
            out += QLatin1Char('\\') + QString(QLatin1Char(char(c)));
        else if (c < 0x20 || c > 0x7e)
            out += QStringLiteral("\\x%1").arg(c, 2, 16, QLatin1Char('0'));
        else
            out += QLatin1Char(char(c));
    }
    if (query.size() > kShown)
        out += QStringLiteral("...");
    return out;
}
} // namespace

QString FormatRequestRecord(const RequestRecord& r)
{
    return QStringLiteral("%1 %2 \"%3\" %4 %5 bytes %6 ms")
        .arg(r.when.toString(Qt::ISODate), r.peer, loggedQuery(r.query), r.outcome)
        .arg(r.bytes)
        .arg(r.ms);
}

QByteArray QueryTooLongReply(int maxQueryBytes)
{
    return "pxserver: the query is longer than " + QByteArray::number(maxQueryBytes)
        + " bytes; nothing is answered.\r\n";
}

// One client, from accept to close.
class PxConnection : public QObject {
public:
    PxConnection(PxServer* server, QTcpSocket* socket)
        : QObject(server), server_(server), socket_(socket)
    {
        const int cap = server_->limits_.maxQueryBytes;
        socket_->setParent(this);
        // The toolkit buffers no more than a query line could need.
        socket_->setReadBufferSize(cap + 64);
        record_.when = QDateTime::currentDateTime();
        record_.peer = peerText(socket_);
        clock_.start();
        idle_.setSingleShot(true);
        idle_.setInterval(server_->limits_.idleSeconds * 1000);
        connect(&idle_, &QTimer::timeout, this, [this] {
            // Once the whole reply is out, the wait was only for the client to close.
            Finish(replyEnded_ ? QString() : QStringLiteral("timed out"));
        });
        connect(socket_, &QTcpSocket::readyRead, this, [this] { read(); });
        connect(socket_, &QTcpSocket::bytesWritten, this, [this] {
            sent_ = replySize_ - socket_->bytesToWrite();
            idle_.start(); // a slow reader that still reads keeps its time
            if (socket_->bytesToWrite() == 0)
                endReply();
        });
        connect(socket_, &QTcpSocket::readChannelFinished, this, [this] {
            // A client that ends its side without a line end asked what it sent.
            read();
            if (!answered_ && buffer_.isEmpty())
                Finish(QStringLiteral("closed without a query"));
            else if (!answered_)
                answerLine(buffer_);
            else if (replyEnded_)
                Finish(QString());
        });
        connect(socket_, &QTcpSocket::disconnected, this, [this] { Finish(QString()); });
        connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
            if (e != QAbstractSocket::RemoteHostClosedError)
                Finish(QStringLiteral("connection error"));
        });
        // The idle time counts from the accept and is not renewed by a
        // trickle of query bytes.
        idle_.start();
        read();
    }

    ~PxConnection() override
    {
        // Going with the server: the socket's last signals reach no one.
        socket_->disconnect(this);
    }

    void Finish(const QString& outcome)
    {
        if (finished_)
            return;
        finished_ = true;
        idle_.stop();
        if (!outcome.isEmpty() && (record_.outcome.isEmpty() || outcome != QLatin1String("connection error")))
            record_.outcome = outcome;
        if (record_.outcome.isEmpty())
            record_.outcome = QStringLiteral("closed without a query");
        record_.bytes = sent_;
        record_.ms = clock_.elapsed();
        socket_->disconnect(this);
        socket_->abort();
        PxServer* server = server_;
        deleteLater();
        emit server->requestDone(record_);
        server->connectionEnded(this);
    }

private:
    void read()
    {
        if (finished_)
            return;
        if (answered_) {
            socket_->readAll(); // anything after the query line is not read
            return;
        }
        const int cap = server_->limits_.maxQueryBytes;
        // A line of the cap's length, its CR LF and one byte more tell
        // everything there is to know.
        buffer_ += socket_->read(qMax<qint64>(0, cap + 3 - buffer_.size()));
        const qsizetype end = buffer_.indexOf('\n');
        if (end >= 0) {
            answerLine(buffer_.left(end));
            return;
        }
        const bool crLast = buffer_.endsWith('\r');
        if (buffer_.size() - (crLast ? 1 : 0) > cap)
            answerLine(buffer_);
    }

    void answerLine(QByteArray line)
    {
        if (answered_)
            return;
        if (line.endsWith('\r'))
            line.chop(1);
        const int cap = server_->limits_.maxQueryBytes;
        if (line.size() > cap) {
            record_.query = line.left(80);
            respond(QueryTooLongReply(cap), QStringLiteral("query too long"));
            return;
        }
        record_.query = line;
        const ServiceAnswer a = server_->service_.Answer(line);
        respond(a.reply, a.forwardingRefused ? QStringLiteral("forwarding refused") : QStringLiteral("ok"));
    }

    void respond(const QByteArray& reply, const QString& outcome)
    {
        answered_ = true;
        record_.outcome = outcome;
        buffer_.clear();
        idle_.start();
        // What the client still sends is read and dropped from now on.
        socket_->setReadBufferSize(0);
        socket_->readAll();
        socket_->write(reply);
        // Out to the kernel at once: a client that ended its side after the
        // query (socat, nc) has its end seen next, and the toolkit then
        // closes the socket with whatever it still holds unsent.
        socket_->flush();
        replySize_ = reply.size();
        sent_ = replySize_ - socket_->bytesToWrite();
        if (socket_->bytesToWrite() == 0)
            endReply();
    }

    // The reply is out: end our side and let the client close. Closing at
    // once while its unread query bytes wait here would reset the
    // connection, and a reset can destroy the reply before it is read.
    void endReply()
    {
        if (replyEnded_ || !answered_)
            return;
        replyEnded_ = true;
        socket_->flush();
        ::shutdown(int(socket_->socketDescriptor()), SHUT_WR);
        idle_.start(kLingerMs);
    }

    PxServer* server_;
    QTcpSocket* socket_;
    QByteArray buffer_;
    QTimer idle_;
    QElapsedTimer clock_;
    RequestRecord record_;
    qint64 sent_ = 0;
    qint64 replySize_ = 0;
    bool answered_ = false;
    bool replyEnded_ = false;
    bool finished_ = false;
};

PxServer::PxServer(const FingerService& service, const ServerLimits& limits, QObject* parent)
    : QObject(parent), service_(service), limits_(limits)
{
    server_.setMaxPendingConnections(limits_.maxClients);
    server_.setListenBacklogSize(kListenBacklog);
    connect(&server_, &QTcpServer::newConnection, this, [this] { acceptPending(); });
}

PxServer::~PxServer()
{
    server_.close();
}

bool PxServer::Listen(const QHostAddress& address, quint16 port, QString* error)
{
    if (server_.listen(address, port))
        return true;
    if (error)
        *error = server_.errorString();
    return false;
}

bool PxServer::Adopt(qintptr descriptor, QString* error)
{
    int listening = 0;
    socklen_t size = sizeof listening;
    if (getsockopt(int(descriptor), SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || !listening) {
        if (error)
            *error = QStringLiteral("the socket handed over is not a listening socket");
        return false;
    }
    if (server_.setSocketDescriptor(descriptor))
        return true;
    if (error)
        *error = server_.errorString();
    return false;
}

void PxServer::StopListening()
{
    server_.close();
}

void PxServer::AbortClients()
{
    const QList<PxConnection*> connections = connections_;
    for (PxConnection* c : connections)
        c->Finish(QStringLiteral("server stopped"));
}

void PxServer::acceptPending()
{
    while (clients_ < limits_.maxClients && server_.hasPendingConnections()) {
        QTcpSocket* socket = server_.nextPendingConnection();
        if (!socket)
            break;
        ++clients_;
        connections_ << new PxConnection(this, socket);
        emit clientsChanged(clients_);
    }
    // At the cap, the others wait in the kernel's queue until a place is free.
    if (clients_ >= limits_.maxClients)
        server_.pauseAccepting();
}

void PxServer::connectionEnded(PxConnection* connection)
{
    connections_.removeOne(connection);
    --clients_;
    emit clientsChanged(clients_);
    if (server_.isListening()) {
        server_.resumeAccepting();
        acceptPending();
    }
}
