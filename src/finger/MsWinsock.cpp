#include "finger/MsWinsock.h"

#include "finger/Mssocket.h"

#include <QUrl>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
struct ErrorRow {
    int number;
    const char* text;
};

// Texts exactly as Pollux has always shown them.
constexpr ErrorRow kErrorRows[] = {
    {10000, "[0] No Error"},
    {10004, "[10004] Interrupted function call"},
    {10009, "[10009] Bad file number"},
    {10013, "[10013] Permission denied."},
    {10014, "[10014] Bad address"},
    {10022, "[10022] Invalid argument"},
    {10024, "[10024] Too many open files"},
    {10035, "[10035] Resource temporarily not available"},
    {10036, "[10036] Operation now in progress"},
    {10037, "[10037] Operation already in progress"},
    {10038, "[10038] Socket operation on non-socket"},
    {10039, "[10039] Destination address required"},
    {10040, "[10040] Message too long"},
    {10041, "[10041] Protocol wrong type for socket"},
    {10042, "[10042] Bad protocol option"},
    {10043, "[10043] Protocol not supported"},
    {10044, "[10044] Socket type not supported"},
    {10045, "[10045] Operation not supported"},
    {10046, "[10046] Protocol family not supported"},
    {10047, "[10047] Address family not supported by protocol family"},
    {10048, "[10048] Address already in use"},
    {10049, "[10049] Cannot assign requested address"},
    {10050, "[10050] Network is down"},
    {10051, "[10051] Network is unreachable"},
    {10052, "[10052] Network dropped connection or reset"},
    {10053, "[10053] Software caused connection abort"},
    {10054, "[10054] Connection reset by peer"},
    {10055, "[10055] No buffer space available"},
    {10056, "[10056] Socket is already connected"},
    {10057, "[10057] Socket is not connected"},
    {10058, "[10058] Can't send after socket shutdown"},
    {10059, "[10059] Too many references, can't splice"},
    {10060, "[10060] Connection timed out"},
    {10061, "[10061] Connection refused"},
    {10062, "[10062] Too many levels of symbolic links"},
    {10063, "[10063] File name too long"},
    {10064, "[10064] Host is down"},
    {10065, "[10065] No Route to Host"},
    {10066, "[10066] Directory not empty"},
    {10067, "[10067] Too many processes"},
    {10068, "[10068] Too many users"},
    {10069, "[10069] Disc Quota Exceeded"},
    {10070, "[10070] Stale NFS file handle"},
    {10071, "[10071] Too many levels of remote in path"},
    {10091, "[10091] Network subsystem is unavailable"},
    {10092, "[10092] WINSOCK DLL Version out of range"},
    {10093, "[10093] Successful WSAStartup() not yet performed"},
    {10094, "[10094] Graceful shutdown in progress"},
    {11001, "[11001] Host not found"},
    {11002, "[11002] Non-Authoritative Host not found"},
    {11003, "[11003] Non-Recoverable errors: FORMERR, REFUSED, NOTIMP"},
    {11004, "[11004] Valid name, no data record of requested type"},
};

std::mutex lookupMutex;
TmsWinsock::LookupFunction lookupFunction;

void setPort(TmsAddress& a, quint16 port)
{
    if (a.family() == AF_INET)
        reinterpret_cast<sockaddr_in*>(&a.storage)->sin_port = htons(port);
    else if (a.family() == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&a.storage)->sin6_port = htons(port);
}

// Copies a resolver answer, IPv4 addresses first: the finger world is
// mostly IPv4, and an IPv6 route that does not work should not come first.
void collect(const addrinfo* list, quint16 port, std::vector<TmsAddress>& out)
{
    for (int family : {AF_INET, AF_INET6}) {
        for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
            if (ai->ai_family != family || !ai->ai_addr || ai->ai_addrlen > sizeof(sockaddr_storage))
                continue;
            TmsAddress a;
            std::memcpy(&a.storage, ai->ai_addr, ai->ai_addrlen);
            a.length = ai->ai_addrlen;
            setPort(a, port);
            bool seen = false;
            for (const TmsAddress& b : out)
                seen = seen || (b.length == a.length && std::memcmp(&b.storage, &a.storage, a.length) == 0);
            if (!seen)
                out.push_back(a);
        }
    }
}
} // namespace

TmsWinsock& TmsWinsock::Instance()
{
    static TmsWinsock instance;
    return instance;
}

QString TmsWinsock::ErrorText(int number)
{
    const int n = static_cast<quint16>(number);
    for (const ErrorRow& row : kErrorRows)
        if (row.number == n)
            return QString::fromLatin1(row.text);
    return QStringLiteral("Winsock error no ") + QString::number(n);
}

void TmsWinsock::RaiseSocketError(int number)
{
    throw EWinsockError(ErrorText(number));
}

int TmsWinsock::FromErrno(int err)
{
    switch (err) {
    case 0: return 0;
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES:
    case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE:
    case ENFILE: return 10024;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINPROGRESS: return WsaError::WouldBlock;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET:
    case EPIPE: return 10054; // a send to a peer that has gone
    case ENOBUFS:
    case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETOOMANYREFS: return 10059;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ELOOP: return 10062;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    case ENOTEMPTY: return 10066;
    case EUSERS: return 10068;
    case EDQUOT: return 10069;
    case ESTALE: return 10070;
    case EREMOTE: return 10071;
    default: return err; // shown as "Winsock error no N"
    }
}

int TmsWinsock::FromResolver(int gaiResult, int err)
{
    switch (gaiResult) {
    case 0: return 0;
    case EAI_NONAME: return WsaError::HostNotFound;
    case EAI_AGAIN: return WsaError::TryAgain;
    case EAI_FAIL: return WsaError::NoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA: return WsaError::NoData;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY: return WsaError::NoData;
#endif
    case EAI_FAMILY: return WsaError::AddressFamily;
    case EAI_SOCKTYPE: return 10044;
    case EAI_MEMORY: return WsaError::NoBuffers;
    case EAI_SYSTEM: {
        const int n = FromErrno(err);
        return n ? n : WsaError::NoRecovery;
    }
    default: return WsaError::NoRecovery;
    }
}

int TmsWinsock::fail(int err)
{
    lastError_ = FromErrno(err);
    return -1;
}

int TmsWinsock::Socket(int family, int type, int protocol)
{
    const int fd = ::socket(family, type | SOCK_CLOEXEC, protocol);
    if (fd < 0)
        return fail(errno);
    return fd;
}

bool TmsWinsock::SetLinger(int fd, quint16 on, quint16 seconds)
{
    linger l{};
    l.l_onoff = on;
    l.l_linger = seconds;
    if (::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l) < 0)
        return fail(errno), false;
    return true;
}

bool TmsWinsock::SetNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return fail(errno), false;
    return true;
}

int TmsWinsock::Connect(int fd, const TmsAddress& address)
{
    // An interrupted connect goes on in the background, like one in progress.
    // EAGAIN from a TCP connect is no attempt at all but a lack of local
    // resources, which must not be waited on.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address.storage), address.length) < 0) {
        if (errno == EAGAIN)
            return lastError_ = WsaError::NoBuffers, -1;
        return fail(errno == EINTR ? EINPROGRESS : errno);
    }
    return 0;
}

int TmsWinsock::PendingConnectError(int fd)
{
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) < 0)
        err = errno;
    return FromErrno(err);
}

qint64 TmsWinsock::Send(int fd, const char* data, qint64 count, int flags)
{
    if (fd < 0)
        return lastError_ = WsaError::NotSocket, -1;
    qint64 r;
    do
        r = ::send(fd, data, static_cast<size_t>(count), flags | MSG_NOSIGNAL);
    while (r < 0 && errno == EINTR);
    if (r < 0)
        return fail(errno);
    return r;
}

qint64 TmsWinsock::Recv(int fd, char* data, qint64 count, int flags)
{
    if (fd < 0)
        return lastError_ = WsaError::NotSocket, -1;
    qint64 r;
    do
        r = ::recv(fd, data, static_cast<size_t>(count), flags);
    while (r < 0 && errno == EINTR);
    if (r < 0)
        return fail(errno);
    return r;
}

int TmsWinsock::Shutdown(int fd)
{
    if (::shutdown(fd, SHUT_WR) < 0)
        return fail(errno);
    return 0;
}

int TmsWinsock::CloseSocket(int fd)
{
    // The descriptor is released even when close reports a failure; it must
    // never be closed twice.
    if (::close(fd) < 0 && errno != EINTR)
        return fail(errno);
    return 0;
}

TmsHostName TmsWinsock::PrepareHost(const QString& host)
{
    TmsHostName out;
    QString name = host;
    if (name.size() >= 2 && name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']'))) {
        out.bracketed = true;
        name = name.mid(1, name.size() - 2);
    }
    if (name.contains(QChar(0))) {
        out.valid = false;
        return out;
    }
    bool ascii = true;
    for (QChar c : name)
        ascii = ascii && c.unicode() < 0x80;
    if (!ascii && !out.bracketed) {
        const QByteArray ace = QUrl::toAce(name);
        if (!ace.isEmpty()) {
            out.name = ace;
            return out;
        }
    }
    out.name = name.toUtf8();
    return out;
}

bool TmsWinsock::NumericAddress(const TmsHostName& host, quint16 port, std::vector<TmsAddress>& out)
{
    out.clear();
    if (!host.bracketed) {
        TmsAddress a;
        auto* sin = reinterpret_cast<sockaddr_in*>(&a.storage);
        if (::inet_pton(AF_INET, host.name.constData(), &sin->sin_addr) != 1)
            return false;
        sin->sin_family = AF_INET;
        sin->sin_port = htons(port);
        a.length = sizeof(sockaddr_in);
        out.push_back(a);
        return true;
    }
    // An IPv6 literal (with a scope, perhaps): parsed without any lookup.
    addrinfo hints{};
    hints.ai_family = AF_INET6;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* list = nullptr;
    if (::getaddrinfo(host.name.constData(), nullptr, &hints, &list) != 0 || !list)
        return true; // no address: the caller reports the host as not found
    collect(list, port, out);
    ::freeaddrinfo(list);
    return true;
}

void TmsWinsock::SetLookupFunction(LookupFunction lookup)
{
    std::lock_guard lock(lookupMutex);
    lookupFunction = std::move(lookup);
}

int TmsWinsock::Lookup(const QByteArray& name, quint16 port, std::vector<TmsAddress>& out)
{
    out.clear();
    LookupFunction replacement;
    {
        std::lock_guard lock(lookupMutex);
        replacement = lookupFunction;
    }
    if (replacement)
        return replacement(name, port, out);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    errno = 0;
    const int r = ::getaddrinfo(name.constData(), nullptr, &hints, &list);
    if (r != 0)
        return FromResolver(r, errno);
    collect(list, port, out);
    ::freeaddrinfo(list);
    return out.empty() ? WsaError::NoData : 0;
}
