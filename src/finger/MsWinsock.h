#pragma once
// The platform layer under the socket component: POSIX non-blocking sockets
// speaking in Windows Sockets error numbers, because those numbers are the
// keys of the messages the user sees and of the would-block test.

#include <QString>
#include <QtGlobal>
#include <functional>
#include <sys/socket.h>
#include <vector>

// The Windows Sockets numbers the component reasons about.
namespace WsaError {
constexpr int NoError = 10000;
constexpr int Interrupted = 10004;
constexpr int BadFile = 10009;
constexpr int InvalidArgument = 10022;
constexpr int WouldBlock = 10035;
constexpr int InProgress = 10036;
constexpr int Already = 10037;
constexpr int NotSocket = 10038;
constexpr int AddressFamily = 10047;
constexpr int AddressNotAvailable = 10049;
constexpr int NetUnreachable = 10051;
constexpr int ConnReset = 10054;
constexpr int NoBuffers = 10055;
constexpr int NotConnected = 10057;
constexpr int TimedOut = 10060;
constexpr int ConnRefused = 10061;
constexpr int HostUnreachable = 10065;
constexpr int HostNotFound = 11001;
constexpr int TryAgain = 11002;
constexpr int NoRecovery = 11003;
constexpr int NoData = 11004;
} // namespace WsaError

// One address to try, as the resolver gave it.
struct TmsAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
    int family() const { return storage.ss_family; }
};

// The host part split for the platform: the name (without the brackets of
// an IPv6 literal) and whether it was bracketed.
struct TmsHostName {
    QByteArray name;  // what goes to the resolver
    bool bracketed = false;
    bool valid = true; // false when the text cannot be a host name at all
};

class TmsWinsock {
public:
    // The one instance of the process.
    static TmsWinsock& Instance();

    // The user's message for a Windows Sockets error number (taken as 16 bits).
    static QString ErrorText(int number);
    // Raises EWinsockError with ErrorText(number).
    [[noreturn]] static void RaiseSocketError(int number);

    // errno and getaddrinfo results as Windows Sockets numbers.
    static int FromErrno(int err);
    static int FromResolver(int gaiResult, int err);

    // The number of the last failed call of this layer.
    int LastError() const { return lastError_; }
    void SetLastError(int number) { lastError_ = number; }

    // Socket calls: -1 (or false) on failure, LastError() then holds the number.
    int Socket(int family, int type, int protocol);
    bool SetLinger(int fd, quint16 on, quint16 seconds);
    bool SetNonBlocking(int fd);
    int Connect(int fd, const TmsAddress& address);
    int PendingConnectError(int fd); // SO_ERROR as a Windows Sockets number, 0 when none
    qint64 Send(int fd, const char* data, qint64 count, int flags);
    qint64 Recv(int fd, char* data, qint64 count, int flags);
    int Shutdown(int fd);
    int CloseSocket(int fd);

    // The host text as the resolver needs it; IDN names go out in their ASCII form.
    static TmsHostName PrepareHost(const QString& host);
    // A numeric address (dotted IPv4, or an IPv6 literal when bracketed) with
    // its port, or nothing when the name needs a lookup.
    static bool NumericAddress(const TmsHostName& host, quint16 port, std::vector<TmsAddress>& out);
    // The blocking lookup; the socket component runs it off the user-interface
    // thread. Answers 0 and the addresses (IPv4 first, then IPv6), or the
    // Windows Sockets number of the failure.
    static int Lookup(const QByteArray& name, quint16 port, std::vector<TmsAddress>& out);

    // Replaces the system resolver (tests: slow or scripted answers). The
    // function runs on the lookup thread; an empty one restores the system's.
    using LookupFunction = std::function<int(const QByteArray& name, quint16 port, std::vector<TmsAddress>& out)>;
    static void SetLookupFunction(LookupFunction lookup);

private:
    TmsWinsock() = default;
    int fail(int err);
    int lastError_ = 0;
};
