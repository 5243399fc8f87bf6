#include "Inetd.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Waits until `fd` is ready for `events` or the deadline passes.
bool waitFor(int fd, short events, const QElapsedTimer& clock, qint64 deadlineMs)
{
    for (;;) {
        const qint64 left = deadlineMs - clock.elapsed();
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int n = poll(&p, 1, int(qMin<qint64>(left, 1000 * 60)));
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            return false;
    }
}

qint64 writeAll(int fd, const QByteArray& bytes, const QElapsedTimer& clock, int idleMs)
{
    qint64 sent = 0;
    qint64 deadline = clock.elapsed() + idleMs;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + sent, size_t(bytes.size() - sent));
        if (n > 0) {
            sent += n;
            deadline = clock.elapsed() + idleMs; // progress renews the time
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLOUT, clock, deadline))
            continue;
        break; // the peer went, or it stopped reading for the whole idle time
    }
    return sent;
}
} // namespace

QString PeerOf(int in)
{
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    if (getpeername(in, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        char text[INET6_ADDRSTRLEN] = {};
        if (address.ss_family == AF_INET) {
            inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&address)->sin_addr, text, sizeof text);
            return QString::fromLatin1(text);
        }
        if (address.ss_family == AF_INET6) {
            const in6_addr& a6 = reinterpret_cast<sockaddr_in6*>(&address)->sin6_addr;
            if (IN6_IS_ADDR_V4MAPPED(&a6))
                inet_ntop(AF_INET, &a6.s6_addr[12], text, sizeof text);
            else
                inet_ntop(AF_INET6, &a6, text, sizeof text);
            return QString::fromLatin1(text);
        }
    }
    const QString socat = qEnvironmentVariable("SOCAT_PEERADDR");
    return socat.isEmpty() ? QStringLiteral("-") : socat;
}

RequestRecord RunOneExchange(const FingerService& service, const ServerLimits& limits, int in, int out)
{
    RequestRecord record;
    record.when = QDateTime::currentDateTime();
    record.peer = PeerOf(in);
    QElapsedTimer clock;
    clock.start();
    const qint64 idleMs = qint64(limits.idleSeconds) * 1000;
    const int cap = limits.maxQueryBytes;

    QByteArray buffer;
    bool lineEnded = false;
    bool ended = false;
    while (!lineEnded && !ended) {
        if (!waitFor(in, POLLIN, clock, idleMs)) {
            record.outcome = QStringLiteral("timed out");
            record.ms = clock.elapsed();
            return record;
        }
        char chunk[512];
        const ssize_t n = ::read(in, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            ended = true;
            break;
        }
        buffer.append(chunk, n);
        const qsizetype end = buffer.indexOf('\n');
        if (end >= 0) {
            buffer.truncate(end);
            lineEnded = true;
        } else if (buffer.size() - (buffer.endsWith('\r') ? 1 : 0) > cap) {
            break;
        }
    }
    if (buffer.endsWith('\r'))
        buffer.chop(1);

    QByteArray reply;
    if (buffer.size() > cap) {
        record.query = buffer.left(80);
        record.outcome = QStringLiteral("query too long");
        reply = QueryTooLongReply(cap);
    } else if (!lineEnded && buffer.isEmpty()) {
        record.outcome = QStringLiteral("closed without a query");
        record.ms = clock.elapsed();
        return record;
    } else {
        record.query = buffer;
        const ServiceAnswer a = service.Answer(buffer);
        record.outcome = a.forwardingRefused ? QStringLiteral("forwarding refused") : QStringLiteral("ok");
        reply = a.reply;
    }
    record.bytes = writeAll(out, reply, clock, int(idleMs));
    if (record.bytes < reply.size())
        record.outcome = QStringLiteral("connection error");
    record.ms = clock.elapsed();
    return record;
}

void EndExchange(int in, int out)
{
    // On a socket, end our side and read what the client still sends until
    // it closes (briefly): leaving with its bytes unread would reset the
    // connection, and a reset can destroy the reply before it is read.
    if (::shutdown(out, SHUT_WR) != 0)
        return;
    QElapsedTimer clock;
    clock.start();
    char sink[512];
    while (waitFor(in, POLLIN, clock, 2000)) {
        const ssize_t n = ::read(in, sink, sizeof sink);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
            break;
    }
}
