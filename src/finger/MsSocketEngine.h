#pragma once
// Socket notifications for the component, standing in for the hidden window
// that Windows Sockets posts its FD_* messages to: connect completion with its
// error number, the peer's close, and read/write readiness. Each kind is
// reported once and armed again by the call that consumes it (a receive arms
// read, a send that would block arms write), so a socket with unread data or
// free buffer space never keeps the event loop spinning.

#include "finger/MsWinsock.h"
#include "finger/Mssocket.h"

#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <vector>

class TmsSocketEngine : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(TmsNotification kind, int error)>;

    // Failures of the handler go to the error report with the owner of the
    // component (its window) as sender.
    TmsSocketEngine(QObject* component, Handler handler);
    ~TmsSocketEngine() override;

    void Attach(int fd); // a new socket: nothing armed yet
    void Detach();       // the socket is going: notifiers off, nothing pending
    int Fd() const { return fd_; }

    void ExpectConnect();        // before connect(): completion is reported
    void AfterRecv(qint64 result, int error);
    void AfterSend(qint64 result, int error);

    // Looks at the socket once and reports what is due; the wait loops call
    // it after every turn so nothing depends on a notifier having fired.
    void Check();

    // The error the peer's close came with (a reset: 10054), or 0. Looking
    // at the socket for the close takes its pending error, after which a
    // receive sees a plain end of data: the receive asks here instead.
    int PeerError() const { return peerError_; }

private:
    enum class State { Idle, Connecting, Connected };
    void readable();
    void writable();
    void armRead(bool on);
    void armWrite(bool on);
    bool deliver(TmsNotification kind, int error); // false when this engine is gone

    QPointer<QObject> reportTo_;
    Handler handler_;
    int fd_ = -1;
    State state_ = State::Idle;
    bool closeNotified_ = false;
    bool closePending_ = false;
    int peerError_ = 0;
    std::unique_ptr<QSocketNotifier> read_;
    std::unique_ptr<QSocketNotifier> write_;
};

// A host name lookup off the user-interface thread. The wait loops poll
// Done() between turns; the notifier wakes them when the answer is in. An
// abandoned lookup (time-out, cancel, the component deleted) finishes on its
// own thread and frees what it shares when it ends.
class TmsLookup : public QObject {
    Q_OBJECT
public:
    TmsLookup(const QByteArray& name, quint16 port);
    ~TmsLookup() override;

    bool Done() const;
    int Error() const;                      // Windows Sockets number, 0 for success
    std::vector<TmsAddress> Addresses() const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<QSocketNotifier> notifier_;
};
