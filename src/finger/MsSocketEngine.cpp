#include "finger/MsSocketEngine.h"

#include "core/Guard.h"

#include <cerrno>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

TmsSocketEngine::TmsSocketEngine(QObject* component, Handler handler)
    : reportTo_(component), handler_(std::move(handler))
{
}

TmsSocketEngine::~TmsSocketEngine() = default;

void TmsSocketEngine::Attach(int fd)
{
    Detach();
    fd_ = fd;
    read_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    read_->setEnabled(false);
    connect(read_.get(), &QSocketNotifier::activated, this, [this] { readable(); });
    write_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    write_->setEnabled(false);
    connect(write_.get(), &QSocketNotifier::activated, this, [this] { writable(); });
}

void TmsSocketEngine::Detach()
{
    read_.reset();
    write_.reset();
    fd_ = -1;
    state_ = State::Idle;
    closeNotified_ = false;
    closePending_ = false;
    peerError_ = 0;
}

void TmsSocketEngine::armRead(bool on)
{
    if (read_ && read_->isEnabled() != on)
        read_->setEnabled(on);
}

void TmsSocketEngine::armWrite(bool on)
{
    if (write_ && write_->isEnabled() != on)
        write_->setEnabled(on);
}

void TmsSocketEngine::ExpectConnect()
{
    state_ = State::Connecting;
    closeNotified_ = false;
    closePending_ = false;
    peerError_ = 0;
    armRead(false);
    armWrite(true);
}

void TmsSocketEngine::AfterRecv(qint64 result, int error)
{
    if (state_ != State::Connected || closeNotified_)
        return;
    if (result == 0) {
        // The peer's close, seen by the receive itself before the notifier
        // told of it: reported at the next turn, as the close message would be.
        armRead(false);
        closeNotified_ = true;
        closePending_ = true;
    } else if (result < 0 && error == WsaError::WouldBlock) {
        armRead(true); // after data the loop tries again at once; no wake-up needed
    }
}

void TmsSocketEngine::AfterSend(qint64 result, int error)
{
    if (state_ == State::Connected && result < 0 && error == WsaError::WouldBlock)
        armWrite(true);
}

bool TmsSocketEngine::deliver(TmsNotification kind, int error)
{
    QPointer<TmsSocketEngine> alive(this);
    const Handler handler = handler_; // the engine may go while it runs
    Guarded(reportTo_ ? reportTo_->parent() : nullptr, [&] {
        if (handler)
            handler(kind, error);
    });
    return !alive.isNull();
}

void TmsSocketEngine::readable()
{
    if (state_ != State::Connected || closeNotified_ || fd_ < 0) {
        armRead(false);
        return;
    }
    char probe;
    const ssize_t r = ::recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (r > 0) {
        armRead(false); // armed again by the next receive
        deliver(TmsNotification::Read, 0);
    } else if (r == 0) {
        armRead(false);
        closeNotified_ = true;
        deliver(TmsNotification::Close, 0);
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        armRead(false);
        closeNotified_ = true;
        peerError_ = TmsWinsock::FromErrno(errno);
        deliver(TmsNotification::Close, peerError_);
    }
}

void TmsSocketEngine::writable()
{
    armWrite(false);
    if (fd_ < 0)
        return;
    if (state_ == State::Connecting) {
        const int error = TmsWinsock::Instance().PendingConnectError(fd_);
        if (error == 0) {
            state_ = State::Connected;
            armRead(true);
        } else {
            state_ = State::Idle;
        }
        deliver(TmsNotification::Connect, error);
    } else if (state_ == State::Connected) {
        deliver(TmsNotification::Write, 0);
    }
}

void TmsSocketEngine::Check()
{
    QPointer<TmsSocketEngine> alive(this);
    if (closePending_) {
        closePending_ = false;
        if (!deliver(TmsNotification::Close, 0))
            return;
    }
    if (fd_ < 0)
        return;
    const bool wantRead = read_ && read_->isEnabled();
    const bool wantWrite = write_ && write_->isEnabled();
    if (!wantRead && !wantWrite)
        return;
    pollfd p{fd_, static_cast<short>((wantRead ? POLLIN : 0) | (wantWrite ? POLLOUT : 0)), 0};
    if (::poll(&p, 1, 0) <= 0)
        return;
    if (wantWrite && (p.revents & (POLLOUT | POLLERR | POLLHUP))) {
        writable();
        if (!alive)
            return;
    }
    if (wantRead && (p.revents & (POLLIN | POLLERR | POLLHUP)))
        readable();
}

// ---------------------------------------------------------------------------

struct TmsLookup::Shared {
    std::mutex mutex;
    bool done = false;
    int error = 0;
    std::vector<TmsAddress> addresses;
    int wake = -1; // eventfd written when the answer is in

    ~Shared()
    {
        if (wake >= 0)
            ::close(wake);
    }

    void finish(int e, std::vector<TmsAddress> a)
    {
        {
            std::lock_guard lock(mutex);
            done = true;
            error = e;
            addresses = std::move(a);
        }
        if (wake >= 0) {
            const quint64 one = 1;
            [[maybe_unused]] ssize_t w = ::write(wake, &one, sizeof one);
        }
    }
};

TmsLookup::TmsLookup(const QByteArray& name, quint16 port) : shared_(std::make_shared<Shared>())
{
    shared_->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (shared_->wake >= 0) {
        try {
            std::thread([s = shared_, name, port] {
                std::vector<TmsAddress> out;
                const int e = TmsWinsock::Lookup(name, port, out);
                s->finish(e, std::move(out));
            }).detach();
            notifier_ = std::make_unique<QSocketNotifier>(shared_->wake, QSocketNotifier::Read);
            connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
                quint64 count;
                [[maybe_unused]] ssize_t r = ::read(shared_->wake, &count, sizeof count);
                notifier_->setEnabled(false);
            });
            return;
        } catch (const std::system_error&) {
            // no thread to be had: look up in place below
        }
    }
    std::vector<TmsAddress> out;
    const int e = TmsWinsock::Lookup(name, port, out);
    shared_->finish(e, std::move(out));
}

TmsLookup::~TmsLookup()
{
    notifier_.reset(); // before the shared eventfd can go
}

bool TmsLookup::Done() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->done;
}

int TmsLookup::Error() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->error;
}

std::vector<TmsAddress> TmsLookup::Addresses() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->addresses;
}
