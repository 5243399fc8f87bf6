#pragma once
// pxserver's listening side: one exchange per connection on the thread that
// runs the event loop, with a cap on the query line, on the clients served at
// once (the rest wait in the listen queue), and on the time a client may sit
// idle.

#include "FingerService.h"

#include <QDateTime>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class PxConnection;

struct ServerLimits {
    int maxClients = 50;
    int maxQueryBytes = 1024;
    int idleSeconds = 10;
};

// One line of the request log.
struct RequestRecord {
    QDateTime when;
    QString peer;
    QByteArray query;   // as received, without CR LF
    QString outcome;    // "ok", "forwarding refused", "query too long", "timed out", ...
    qint64 bytes = 0;   // bytes sent
    qint64 ms = 0;      // from accept to close
};
QString FormatRequestRecord(const RequestRecord& record);

// The reply to a query line longer than the cap.
QByteArray QueryTooLongReply(int maxQueryBytes);

class PxServer : public QObject {
    Q_OBJECT
public:
    PxServer(const FingerService& service, const ServerLimits& limits, QObject* parent = nullptr);
    ~PxServer() override;

    // Listens on the address and port; false with `error` filled on failure.
    bool Listen(const QHostAddress& address, quint16 port, QString* error = nullptr);
    // Serves on a socket that already listens (handed over by systemd).
    bool Adopt(qintptr descriptor, QString* error = nullptr);
    // Stops listening; clients being served finish their exchange.
    void StopListening();
    // Drops every client at once.
    void AbortClients();

    bool IsListening() const { return server_.isListening(); }
    quint16 Port() const { return server_.serverPort(); }
    QHostAddress Address() const { return server_.serverAddress(); }
    int Clients() const { return clients_; }

signals:
    void requestDone(const RequestRecord& record);
    void clientsChanged(int clients);

private:
    friend class PxConnection;
    void acceptPending();
    void connectionEnded(PxConnection* connection);

    FingerService service_;
    ServerLimits limits_;
    QTcpServer server_;
    int clients_ = 0;
    QList<PxConnection*> connections_;
};
