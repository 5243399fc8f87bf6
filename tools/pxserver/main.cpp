// pxserver: the finger server that comes with Pollux.
//
//   pxserver --folder DIR [--port N] [--address A] [--system-users]
//            [--inetd] [--console] [--max-clients N] [--max-query BYTES]
//            [--timeout SECONDS] [--log FILE|-]
//
// Standalone it listens (loopback, port 79 unless told otherwise); started
// by systemd with a socket (LISTEN_FDS) it serves that socket; with --inetd
// it answers one exchange over standard input and output; --console opens
// the window that runs the server.

#include "Inetd.h"
#include "PxServer.h"
#include "RequestLog.h"

#include "core/Version.h"

#include <QCoreApplication>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {
const char kUsage[] =
    "Usage: pxserver --folder DIR [options]\n"
    "       pxserver --console\n"
    "Serve finger (RFC 1288) queries: the user list and each user's plan, from\n"
    "DIR/NAME.plan and DIR/NAME.project.\n"
    "\n"
    "  --folder DIR        the folder of plan files\n"
    "  --system-users      also serve the ~/.plan of this system's users\n"
    "  --port N            the port to listen on (79)\n"
    "  --address A         the address to listen on (127.0.0.1; 0.0.0.0 or :: for all)\n"
    "  --inetd             answer one query on standard input and output\n"
    "  --console           open the server console window\n"
    "  --max-clients N     clients served at once; the others wait (50)\n"
    "  --max-query BYTES   the longest query line answered (1024)\n"
    "  --timeout SECONDS   time a client may stay idle (10)\n"
    "  --log FILE          append the request log to FILE ('-': standard error;\n"
    "                      default: standard error, or syslog with --inetd)\n"
    "  --help, --version\n"
    "\n"
    "Started by systemd with a listening socket (LISTEN_FDS), pxserver serves it\n"
    "and ignores --port and --address. SIGTERM ends it cleanly.\n";

int usageError(const QString& message)
{
    std::fprintf(stderr, "pxserver: %s\nTry 'pxserver --help' for more information.\n", qPrintable(message));
    return 2;
}

int fail(const QString& message)
{
    std::fprintf(stderr, "pxserver: %s\n", qPrintable(message));
    return 1;
}

// The console is a program of its own (it needs widgets, pxserver does
// not): beside pxserver in the build tree, in libexec when installed.
QString consoleProgram()
{
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {dir + QStringLiteral("/pxserver-console"),
                                     dir + QStringLiteral("/../libexec/pollux/pxserver-console")}) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable())
            return info.canonicalFilePath();
    }
    return {};
}

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
    errno = saved;
}

// The socket systemd passed (LISTEN_FDS, LISTEN_PID), or -1.
int activationSocket()
{
    const QByteArray pid = qgetenv("LISTEN_PID");
    const QByteArray fds = qgetenv("LISTEN_FDS");
    if (pid.isEmpty() || fds.isEmpty() || pid.toLongLong() != getpid() || fds.toInt() < 1)
        return -1;
    // Not for the programs this one might start.
    qunsetenv("LISTEN_PID");
    qunsetenv("LISTEN_FDS");
    qunsetenv("LISTEN_FDNAMES");
    return 3; // SD_LISTEN_FDS_START
}

bool readNumber(const QString& text, int low, int high, int& out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    out = v;
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    // SIGPIPE would end the server when a client goes while it is answered.
    std::signal(SIGPIPE, SIG_IGN);

    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--console") == 0) {
            QCoreApplication app(argc, argv);
            const QString console = consoleProgram();
            if (console.isEmpty())
                return fail(QStringLiteral("the server console is not installed beside %1")
                                .arg(QCoreApplication::applicationFilePath()));
            const QByteArray path = QFile::encodeName(console);
            std::vector<char*> args{const_cast<char*>(path.constData())};
            for (int j = 1; j < argc; ++j) {
                if (j != i)
                    args.push_back(argv[j]);
            }
            args.push_back(nullptr);
            ::execv(path.constData(), args.data());
            return fail(QStringLiteral("cannot start %1: %2").arg(console, QString::fromLocal8Bit(std::strerror(errno))));
        }
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pxserver"));

    ServiceOptions service;
    ServerLimits limits;
    QString address = QStringLiteral("127.0.0.1");
    int port = 79;
    bool inetd = false;
    QString logTarget;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        auto value = [&](QString& out) {
            if (i + 1 >= args.size())
                return false;
            out = args.at(++i);
            return true;
        };
        QString v;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == QLatin1String("--version")) {
            std::printf("pxserver %s\n", qPrintable(CompiledVersion()));
            return 0;
        } else if (a == QLatin1String("--folder")) {
            if (!value(service.folder))
                return usageError(QStringLiteral("--folder needs a folder"));
        } else if (a == QLatin1String("--system-users")) {
            service.systemUsers = true;
        } else if (a == QLatin1String("--inetd")) {
            inetd = true;
        } else if (a == QLatin1String("--address")) {
            if (!value(address))
                return usageError(QStringLiteral("--address needs an address"));
        } else if (a == QLatin1String("--port")) {
            if (!value(v) || !readNumber(v, 0, 65535, port))
                return usageError(QStringLiteral("--port needs a number from 0 to 65535"));
        } else if (a == QLatin1String("--max-clients")) {
            if (!value(v) || !readNumber(v, 1, 10000, limits.maxClients))
                return usageError(QStringLiteral("--max-clients needs a number from 1 to 10000"));
        } else if (a == QLatin1String("--max-query")) {
            if (!value(v) || !readNumber(v, 16, 65536, limits.maxQueryBytes))
                return usageError(QStringLiteral("--max-query needs a number of bytes from 16 to 65536"));
        } else if (a == QLatin1String("--timeout")) {
            if (!value(v) || !readNumber(v, 1, 3600, limits.idleSeconds))
                return usageError(QStringLiteral("--timeout needs a number of seconds from 1 to 3600"));
        } else if (a == QLatin1String("--log")) {
            if (!value(logTarget))
                return usageError(QStringLiteral("--log needs a file name or -"));
        } else {
            return usageError(QStringLiteral("unknown argument '%1'").arg(a));
        }
    }
    if (service.folder.isEmpty() && !service.systemUsers)
        return usageError(QStringLiteral("give --folder DIR, --system-users or both"));
    if (!service.folder.isEmpty() && !QFileInfo(service.folder).isDir())
        return fail(QStringLiteral("%1 is not a folder").arg(service.folder));

    RequestLog log;
    QString logError;
    if (!log.Open(logTarget.isEmpty() ? (inetd ? RequestLog::Syslog : RequestLog::Stderr) : RequestLog::File,
                  logTarget, &logError))
        return fail(logError);

    const FingerService finger(service);
    if (inetd) {
        log.Write(RunOneExchange(finger, limits, STDIN_FILENO, STDOUT_FILENO));
        EndExchange(STDIN_FILENO, STDOUT_FILENO);
        return 0;
    }

    PxServer server(finger, limits);
    QObject::connect(&server, &PxServer::requestDone, &app, [&log](const RequestRecord& r) { log.Write(r); });
    QString error;
    const int activated = activationSocket();
    if (activated >= 0) {
        if (!server.Adopt(activated, &error))
            return fail(error);
    } else {
        QHostAddress host;
        if (!host.setAddress(address))
            return usageError(QStringLiteral("'%1' is not an IP address").arg(address));
        if (!server.Listen(host, quint16(port), &error))
            return fail(QStringLiteral("cannot listen on %1 port %2: %3").arg(address).arg(port).arg(error));
    }
    log.Note(QStringLiteral("serving %1 on %2 port %3")
                 .arg(service.folder.isEmpty() ? QStringLiteral("the system users' plans")
                                               : QDir(service.folder).absolutePath(),
                      server.Address().toString())
                 .arg(server.Port()));

    // SIGTERM and SIGINT end the server from its own event loop: no new
    // clients, the ones being answered get a moment to finish.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return fail(QStringLiteral("cannot set up signal handling"));
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &c, 1);
        notifier.setEnabled(false);
        server.StopListening();
        log.Note(QStringLiteral("stopping"));
        if (server.Clients() == 0) {
            QCoreApplication::quit();
            return;
        }
        QObject::connect(&server, &PxServer::clientsChanged, &app, [](int clients) {
            if (clients == 0)
                QCoreApplication::quit();
        });
        QTimer::singleShot(2000, &app, [&server] {
            server.AbortClients();
            QCoreApplication::quit();
        });
    });
    const int rc = app.exec();
    log.Note(QStringLiteral("stopped"));
    return rc;
}
