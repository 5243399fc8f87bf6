#include "finger/Mssocket.h"

#include "finger/MsSocketEngine.h"
#include "finger/MsTimers.h"
#include "finger/MsWinsock.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <limits>
#include <netinet/in.h>
#include <sys/socket.h>
#include <vector>

namespace {
const QString kTimedOut = QStringLiteral("Operation timed out");
const QString kCanceled = QStringLiteral("Operation has been canceled");
const QString kTooMuch = QStringLiteral("Buffer is full. Will disconnect.");

[[noreturn]] void raiseCanceled()
{
    throw EmsCanceledError(kCanceled);
}

// Unreachable networks and missing address families say little when another
// address of the same host gave a real answer.
bool isRouteError(int n)
{
    return n == WsaError::NetUnreachable || n == WsaError::HostUnreachable || n == WsaError::AddressFamily
        || n == WsaError::AddressNotAvailable || n == 10050 || n == 10043 || n == 10046;
}

// Stops the time-out count on every way out of an operation, unless the
// component has gone meanwhile.
class CountScope {
public:
    explicit CountScope(TmsTimeCounter* counter, QObject* owner) : counter_(counter), owner_(owner) {}
    ~CountScope()
    {
        if (owner_)
            counter_->Stop();
    }

private:
    TmsTimeCounter* counter_;
    QPointer<QObject> owner_;
};
} // namespace

// ---------------------------------------------------------------------------
// TmsSocketBase

TmsSocketBase::TmsSocketBase(QObject* owner)
    : QObject(owner), TimeCounter(std::make_unique<TmsTimeCounter>())
{
    Engine = std::make_unique<TmsSocketEngine>(this, [this](TmsNotification kind, int error) {
        HandleNotification(kind, error);
    });
}

TmsSocketBase::~TmsSocketBase()
{
    // A socket still held is released with the component: nothing else
    // could ever close it.
    Engine.reset();
    if (SocketHandle != -1)
        TmsWinsock::Instance().CloseSocket(SocketHandle);
}

void TmsSocketBase::HandleNotification(TmsNotification, int error)
{
    LastAsyncError = static_cast<quint16>(error);
}

void TmsSocketBase::Turn(bool wait)
{
    QPointer<TmsSocketBase> alive(this);
    // Without an event loop no notification could ever arrive.
    if (!QCoreApplication::instance())
        TmsWinsock::RaiseSocketError(10093);
    QCoreApplication::processEvents(wait ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
    if (!alive)
        raiseCanceled();
    if (SleepTime >= 0)
        QThread::msleep(static_cast<unsigned long>(SleepTime));
    Engine->Check();
    if (!alive)
        raiseCanceled();
}

void TmsSocketBase::StartTimeOut() { TimeCounter->Start(); }
void TmsSocketBase::StopTimeOut() { TimeCounter->Stop(); }
void TmsSocketBase::ResetTimeOut() { TimeCounter->Reset(); }
bool TmsSocketBase::TimedOut() const { return TimeCounter->Expired(); }

// ---------------------------------------------------------------------------
// TmsSocket

TmsSocket::TmsSocket(QObject* owner) : TmsSocketBase(owner)
{
    TimeCounter->SetInitial(timeOut_);
}

TmsSocket::~TmsSocket() = default;

TmsSocket::BusyScope::BusyScope(TmsSocket* socket) : socket_(socket)
{
    if (socket->Busy)
        TmsWinsock::RaiseSocketError(WsaError::Already);
    socket->Busy = true;
}

TmsSocket::BusyScope::~BusyScope()
{
    if (socket_)
        socket_->Busy = false;
}

void TmsSocket::SetTimeOut(qint32 seconds)
{
    timeOut_ = seconds;
    TimeCounter->SetInitial(seconds);
}

void TmsSocket::ResetState()
{
    ConnectSeen = false;
    CloseSeen = false;
    Canceled = false;
    LastAsyncError = 0;
    ResetTimeOut();
}

void TmsSocket::HandleNotification(TmsNotification kind, int error)
{
    LastAsyncError = static_cast<quint16>(error);
    if (error != 0)
        return;
    switch (kind) {
    case TmsNotification::Connect:
        ConnectSeen = true;
        if (OnConnected)
            OnConnected(this);
        break;
    case TmsNotification::Close:
        CloseSeen = true;
        if (OnDisconnected)
            OnDisconnected(this);
        break;
    default:
        break; // read, write and out-of-band readiness: the wait loops try again anyway
    }
}

void TmsSocket::OpenSocket(int family)
{
    TmsWinsock& ws = TmsWinsock::Instance();
    if (SocketHandle != -1) {
        Engine->Detach();
        ws.CloseSocket(SocketHandle);
        SocketHandle = -1;
    }
    const int fd = ws.Socket(family, SOCK_STREAM, Protocol);
    if (fd < 0)
        TmsWinsock::RaiseSocketError(ws.LastError());
    SocketHandle = fd;
    SocketFamily = family;
    Engine->Attach(fd);
    if (Protocol == 0 && !ws.SetLinger(fd, LingerOn, LingerSeconds))
        TmsWinsock::RaiseSocketError(ws.LastError());
    if (!ws.SetNonBlocking(fd))
        TmsWinsock::RaiseSocketError(ws.LastError());
}

void TmsSocket::SendLine(const QString& text)
{
    QByteArray line = text.toUtf8();
    line.append("\r\n", 2);
    SendBuffer(line.constData(), static_cast<qint32>(std::min<qsizetype>(line.size(), std::numeric_limits<qint32>::max())));
}

void TmsSocket::SendBuffer(const char* data, qint32 count)
{
    BusyScope busy(this);
    CountScope countScope(TimeCounter.get(), this);
    TmsWinsock& ws = TmsWinsock::Instance();
    StartTimeOut();
    qint64 sent = 0;
    while (sent < count && !TimedOut() && !Canceled) {
        const qint64 n = ws.Send(SocketHandle, data + sent, count - sent, IOFlags);
        LastResult = static_cast<qint32>(n);
        const int error = n < 0 ? ws.LastError() : 0;
        Engine->AfterSend(n, error);
        if (n < 0) {
            if (error != WsaError::WouldBlock && !Canceled && !TimedOut())
                TmsWinsock::RaiseSocketError(error);
            Turn(error == WsaError::WouldBlock);
            continue;
        }
        sent += n;
        ResetTimeOut();
        if (sent < count)
            Turn(false);
    }
    StopTimeOut();
    if (sent < count) {
        if (TimedOut())
            throw EmsTimedOutError(kTimedOut);
        if (Canceled)
            raiseCanceled();
    }
}

void TmsSocket::ReceiveStream(QBuffer& stream, qint32 MaxSize, qint32 StartPos)
{
    if (!stream.isOpen() && !stream.open(QIODevice::ReadWrite))
        TmsWinsock::RaiseSocketError(WsaError::InvalidArgument);
    if (!stream.isWritable())
        TmsWinsock::RaiseSocketError(WsaError::InvalidArgument);
    if (StartPos < 0 || !stream.seek(StartPos))
        TmsWinsock::RaiseSocketError(WsaError::InvalidArgument);
    receive(
        [&stream](const char* data, qint64 count) {
            if (stream.write(data, count) != count)
                throw EOutOfMemory(QStringLiteral("Out of memory"));
        },
        MaxSize, StartPos);
}

void TmsSocket::ReceiveChunks(const ChunkSink& sink, qint32 MaxSize)
{
    receive(sink, MaxSize, 0);
}

void TmsSocket::receive(const ChunkSink& sink, qint32 MaxSize, qint64 startPos)
{
    BusyScope busy(this);
    CountScope countScope(TimeCounter.get(), this);
    TmsWinsock& ws = TmsWinsock::Instance();
    QPointer<TmsSocket> alive(this);
    if (MaxSize == 0)
        MaxSize = -1;

    const qint32 bufferSize = std::max<qint32>(BufferSize, 1);
    std::vector<char> buffer(static_cast<size_t>(bufferSize));
    StartTimeOut();
    qint64 total = 0;
    bool complete = false;
    bool tooMuch = false;
    do {
        qint64 ask = bufferSize;
        if (MaxSize > 0)
            ask = std::min<qint64>(MaxSize - total, bufferSize);
        const qint64 n = ws.Recv(SocketHandle, buffer.data(), ask, IOFlags);
        LastResult = static_cast<qint32>(n);
        const int error = n < 0 ? ws.LastError() : 0;
        Engine->AfterRecv(n, error);
        if (Canceled)
            raiseCanceled();
        if (n < 0 && error != WsaError::WouldBlock && !TimedOut())
            TmsWinsock::RaiseSocketError(error);
        // An end of data that came with a reset is a cut reply, not a whole one.
        if (n == 0 && Engine->PeerError() != 0)
            TmsWinsock::RaiseSocketError(Engine->PeerError());
        if (n > 0) {
            qint64 keep = n;
            if (maxDataSize_ >= 0 && startPos + total + n > maxDataSize_) {
                // Only what fits within the bound is handed on.
                keep = std::max<qint64>(0, maxDataSize_ - startPos - total);
                tooMuch = true;
            }
            if (keep > 0)
                sink(buffer.data(), keep);
            const qint64 pos = startPos + total + keep; // where the stream now ends
            total += n;
            qint32 perc = -1;
            if (MaxSize > 0) // halves go to the even neighbour
                perc = static_cast<qint32>(std::nearbyint(double(pos) / double(MaxSize) * 100.0));
            TransferProgress(perc, static_cast<qint32>(std::min<qint64>(pos, std::numeric_limits<qint32>::max())), -1);
            if (!alive)
                raiseCanceled();
            ResetTimeOut();
        }
        if (n == 0)
            CloseSeen = true;
        complete = (CloseSeen && n == 0) || (MaxSize > 0 && total == MaxSize);
        // Sleep only when the socket had nothing to give; after data, let the
        // window catch up and try again at once.
        Turn(n < 0 && !complete && !tooMuch);
    } while (!complete && !Canceled && !TimedOut() && !tooMuch);

    StopTimeOut();
    if (TimedOut())
        throw EmsTimedOutError(kTimedOut);
    if (Canceled)
        raiseCanceled();
    if (tooMuch) {
        CloseQuietly();
        throw EmsTooMuchDataError(kTooMuch);
    }
    if (MaxSize > 0 && total < MaxSize)
        TmsWinsock::RaiseSocketError(WsaError::ConnReset);
}

void TmsSocket::TransferProgress(qint32, qint32, qint32) {}

void TmsClientSocket::TransferProgress(qint32 Perc, qint32 ByteCount, qint32 LineCount)
{
    if (OnTransferProgress)
        OnTransferProgress(this, Perc, ByteCount, LineCount);
}

void TmsSocket::CloseQuietly()
{
    if (SocketHandle == -1)
        return;
    TmsWinsock& ws = TmsWinsock::Instance();
    Engine->Detach();
    ws.Shutdown(SocketHandle);
    ws.CloseSocket(SocketHandle);
    SocketHandle = -1;
    if (OnDisconnected)
        OnDisconnected(this);
}

void TmsSocket::Disconnect()
{
    if (SocketHandle == -1)
        return;
    TmsWinsock& ws = TmsWinsock::Instance();
    const int fd = SocketHandle;
    int failure = 0;
    LastResult = ws.Shutdown(fd);
    // A socket that never connected (a cancel during the lookup or the
    // connect) has nothing to shut down; it is closed all the same.
    if (LastResult < 0 && ws.LastError() != WsaError::NotConnected)
        failure = ws.LastError();
    Engine->Detach();
    const int closed = ws.CloseSocket(fd);
    if (closed < 0 && failure == 0)
        failure = ws.LastError();
    LastResult = closed;
    SocketHandle = -1;
    QPointer<TmsSocket> alive(this);
    if (OnDisconnected)
        OnDisconnected(this);
    if (failure != 0)
        TmsWinsock::RaiseSocketError(failure);
}

void TmsSocket::Cancel()
{
    StopTimeOut();
    Canceled = true;
    Disconnect();
}

// ---------------------------------------------------------------------------
// TmsClientSocket

TmsClientSocket::TmsClientSocket(QObject* owner) : TmsSocket(owner) {}

TmsClientSocket::~TmsClientSocket() = default;

namespace {
// The integer of a port text, or 0 when it is none: optional blanks and
// sign, decimal digits, nothing after them; it must fit 32 bits.
qint32 portValue(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        negative = text.at(i++) == QLatin1Char('-');
    if (i >= text.size())
        return 0;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        value = value * 10 + (c.unicode() - '0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            return 0;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<qint32>::max() || value < std::numeric_limits<qint32>::min())
        return 0;
    return static_cast<qint32>(value);
}
} // namespace

void TmsClientSocket::SetHost(const QString& value)
{
    const QString text = value.left(255);
    qsizetype colon = -1;
    if (text.startsWith(QLatin1Char('['))) {
        // "[v6]" or "[v6]:port": the colons inside the brackets are the address's
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close > 0 && (close == text.size() - 1 || text.at(close + 1) == QLatin1Char(':'))) {
            host_ = text.left(close + 1);
            if (close + 1 < text.size())
                port_ = static_cast<qint16>(portValue(text.mid(close + 2)));
            return;
        }
    }
    colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        host_ = text;
        return;
    }
    host_ = text.left(colon);
    port_ = static_cast<qint16>(portValue(text.mid(colon + 1)));
}

void TmsClientSocket::Connect()
{
    BusyScope busy(this);
    CountScope countScope(TimeCounter.get(), this);
    QPointer<TmsClientSocket> alive(this);
    TmsWinsock& ws = TmsWinsock::Instance();

    ResetState();
    if (OnConnecting) {
        OnConnecting(this);
        if (!alive)
            raiseCanceled();
    }
    if (Canceled)
        raiseCanceled();
    // A socket kept from a failed exchange is replaced here.
    OpenSocket(AF_INET);
    int fd = SocketHandle;

    const quint16 port = static_cast<quint16>(port_);
    const TmsHostName name = TmsWinsock::PrepareHost(host_);
    std::vector<TmsAddress> addresses;
    if (!name.valid || name.name.isEmpty()) {
        TmsWinsock::RaiseSocketError(WsaError::HostNotFound);
    } else if (!TmsWinsock::NumericAddress(name, port, addresses)) {
        TmsLookup lookup(name.name, port);
        StartTimeOut();
        while (!lookup.Done() && !TimedOut() && !Canceled && SocketHandle == fd)
            Turn(true);
        StopTimeOut();
        if (!lookup.Done()) {
            if (TimedOut())
                throw EmsTimedOutError(kTimedOut);
            if (Canceled)
                raiseCanceled();
            TmsWinsock::RaiseSocketError(WsaError::NotSocket);
        }
        if (lookup.Error() != 0)
            TmsWinsock::RaiseSocketError(lookup.Error());
        addresses = lookup.Addresses();
    }
    if (addresses.empty())
        TmsWinsock::RaiseSocketError(WsaError::HostNotFound);

    // Each address in turn (IPv4 first) until one connects.
    int failure = 0;
    bool connected = false;
    bool exhausted = true;
    StartTimeOut();
    for (size_t i = 0; i < addresses.size(); ++i) {
        if (Canceled) {
            exhausted = false;
            break;
        }
        if (i > 0 || addresses[i].family() != SocketFamily) {
            OpenSocket(addresses[i].family());
            fd = SocketHandle;
        }
        ConnectSeen = false;
        LastAsyncError = 0;
        Engine->ExpectConnect();
        LastResult = ws.Connect(fd, addresses[i]);
        int error = 0;
        if (LastResult < 0 && ws.LastError() != WsaError::WouldBlock) {
            error = ws.LastError();
        } else {
            while (!ConnectSeen && LastAsyncError == 0 && !TimedOut() && !Canceled && SocketHandle == fd)
                Turn(true);
            if (ConnectSeen && LastAsyncError == 0 && SocketHandle == fd && !Canceled) {
                connected = true;
                break;
            }
            if (LastAsyncError == 0 || Canceled || SocketHandle != fd) {
                exhausted = false;
                break; // timed out, canceled, or the socket closed under the wait
            }
            error = LastAsyncError;
        }
        if (failure == 0 || (isRouteError(failure) && !isRouteError(error)))
            failure = error;
    }
    StopTimeOut();
    if (!connected) {
        if (exhausted && failure != 0)
            TmsWinsock::RaiseSocketError(failure);
        if (TimedOut())
            throw EmsTimedOutError(kTimedOut);
        if (Canceled)
            raiseCanceled();
        TmsWinsock::RaiseSocketError(failure != 0 ? failure : WsaError::NotSocket);
    }
    if (OnConnected)
        OnConnected(this);
}
