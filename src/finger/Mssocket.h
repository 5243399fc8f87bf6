#pragma once
// The client socket component every finger exchange runs through.
//
// It works on the user-interface thread and starts no thread. Every wait is
// a loop of turns; a turn lets the event loop run and sleeps until something
// happens (socket readiness, the one-second time-out ticker, a user event),
// so a silent server costs no CPU and Cancel can act at any moment. Time-outs
// limit silence, not the length of an exchange: the count restarts whenever
// data moves. Every failure is an exception whose message is what the user
// sees.
//
// This header is the public face used by the main window; members marked
// "internal" may change.

#include "core/Errors.h"

#include <QBuffer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

POLLUX_DECLARE_ERROR(EWinsockError, EPollux)
POLLUX_DECLARE_ERROR(EmsTimedOutError, EPollux)     // "Operation timed out"
POLLUX_DECLARE_ERROR(EmsCanceledError, EPollux)     // "Operation has been canceled"
POLLUX_DECLARE_ERROR(EmsTooMuchDataError, EPollux)  // "Buffer is full. Will disconnect."

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TmsProgressEvent = std::function<void(QObject* Sender, qint32 Perc, qint32 ByteCount, qint32 LineCount)>;

class TmsTimeCounter;
class TmsSocketEngine; // internal: the platform layer's per-socket state

// internal: what the platform reports about a socket
enum class TmsNotification { Read, Write, Oob, Connect, Close };

class TmsSocketBase : public QObject {
    Q_OBJECT
public:
    explicit TmsSocketBase(QObject* owner = nullptr);
    ~TmsSocketBase() override;

    QString Version() const { return QStringLiteral("2.1"); }
    void SetVersion(const QString&) {} // accepted and ignored

protected:
    // The platform's report for this component's socket.
    virtual void HandleNotification(TmsNotification kind, int error);

    // One turn of a wait loop: lets the event loop run (sleeping until
    // something happens when wait is set), then looks at the socket. Throws
    // EmsCanceledError when the component was deleted during the turn; the
    // caller must then touch no member.
    void Turn(bool wait);

    void StartTimeOut();
    void StopTimeOut();
    void ResetTimeOut();
    bool TimedOut() const;

    qint32 BufferSize = 32768;
    qint32 SleepTime = -1;
    int SocketHandle = -1;
    qint32 LastResult = 0;
    quint16 LastAsyncError = 0;
    std::unique_ptr<TmsTimeCounter> TimeCounter;
    std::unique_ptr<TmsSocketEngine> Engine;
};

class TmsSocket : public TmsSocketBase {
    Q_OBJECT
public:
    explicit TmsSocket(QObject* owner = nullptr);
    ~TmsSocket() override;

    qint32 TimeOut() const { return timeOut_; }
    void SetTimeOut(qint32 seconds);

    // Receive bound in bytes; negative means none. Defaults to 64 MiB so that
    // a server that never stops sending cannot exhaust memory.
    qint64 MaxDataSize() const { return maxDataSize_; }
    void SetMaxDataSize(qint64 bytes) { maxDataSize_ = bytes; }

    TNotifyEvent OnConnected;
    TNotifyEvent OnDisconnected;

    void SendLine(const QString& text);       // text (UTF-8) + CR LF
    void SendBuffer(const char* data, qint32 count);
    // Appends everything received to the stream from StartPos on, until the
    // server closes (MaxSize -1 or 0) or MaxSize bytes have come.
    void ReceiveStream(QBuffer& stream, qint32 MaxSize, qint32 StartPos);
    // The same reception without a buffer: each chunk goes to sink as it
    // arrives (sink may throw to stop). Bytes past MaxDataSize are never
    // handed on; the bound is then reported as with ReceiveStream.
    using ChunkSink = std::function<void(const char* data, qint64 count)>;
    void ReceiveChunks(const ChunkSink& sink, qint32 MaxSize = -1);
    void Disconnect();
    void Cancel();
    bool Connected() const { return SocketHandle != -1; }

protected:
    void HandleNotification(TmsNotification kind, int error) override;
    virtual void ResetState();
    // Fired after each received chunk; the client socket hands it to
    // OnTransferProgress.
    virtual void TransferProgress(qint32 Perc, qint32 ByteCount, qint32 LineCount);

    // Marks an operation as waiting; a second one on the same component
    // while it waits fails with "[10037] Operation already in progress".
    class BusyScope {
    public:
        explicit BusyScope(TmsSocket* socket);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        QPointer<TmsSocket> socket_;
    };

    // Closes the socket without raising; fires OnDisconnected.
    void CloseQuietly();
    // Replaces the held socket (if any) with a fresh one of the family.
    void OpenSocket(int family);

    qint32 timeOut_ = 60;
    qint64 maxDataSize_ = 64 * 1024 * 1024;
    qint32 SocketType = 1; // stream
    qint32 Protocol = 0;
    quint16 LingerOn = 0;
    quint16 LingerSeconds = 0;
    qint32 IOFlags = 0;
    bool ConnectSeen = false;
    bool CloseSeen = false;
    bool Canceled = false;
    bool Busy = false;
    int SocketFamily = 0;

private:
    void receive(const ChunkSink& sink, qint32 MaxSize, qint64 startPos);
};

class TmsClientSocket : public TmsSocket {
    Q_OBJECT
public:
    explicit TmsClientSocket(QObject* owner = nullptr);
    ~TmsClientSocket() override;

    QString Host() const { return host_; }
    // A colon sets Port from what follows it (0 when that is no integer, low
    // 16 bits kept); without a colon Port stays as it was. "[v6]" and
    // "[v6]:port" are IPv6 literals.
    void SetHost(const QString& value);
    qint16 Port() const { return port_; }
    void SetPort(qint16 port) { port_ = port; }

    TmsProgressEvent OnTransferProgress;
    TNotifyEvent OnConnecting;

    // Resolves Host (asynchronously, waited on in turns) and connects to
    // Port; returns when the connection is up. Fires OnConnecting, then
    // OnConnected (on the notification and again at the end).
    virtual void Connect();

protected:
    void TransferProgress(qint32 Perc, qint32 ByteCount, qint32 LineCount) override;

private:
    QString host_;
    qint16 port_ = 0;
};
