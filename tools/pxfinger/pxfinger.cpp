// pxfinger: finger queries from the shell, made exactly as Pollux makes them.
//
//   pxfinger [--timeout SECONDS] [--format text|rtf|html [--font FONT]]
//            [--output FILE] EXPRESSION...
//
// Each expression is split as in the query box; the reply's bytes go to
// standard output unchanged as they arrive, a failure's message to standard
// error (a reply cut short keeps the bytes that came before the failure).
// With --format or --output the replies are collected first and written as
// one document (FormattedOutput.h).
// Exit status: 0 when every query succeeded, 1 otherwise, 2 for bad usage.

#include "finger/Mssocket.h"
#include "finger/QueryExpression.h"
#include "FormattedOutput.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QStringList>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {
const char kUsage[] =
    "Usage: pxfinger [--timeout SECONDS] [--format text|rtf|html [--font FONT]]\n"
    "                [--output FILE] EXPRESSION...\n"
    "Finger each EXPRESSION (user@host, @host or host, with an optional\n"
    ":port after the host; [v6-address]:port for IPv6; or a link such as\n"
    "finger://host:port/user) as Pollux would, and write the replies unchanged\n"
    "to standard output.\n"
    "\n"
    "  --timeout SECONDS  seconds of silence allowed before a query fails (20)\n"
    "  --format KIND      write the replies as one document, as Pollux saves a\n"
    "                     result: text (UTF-8, CR LF), rtf or html, in the result\n"
    "                     view's default colours\n"
    "  --font FONT        the document's font, as \"Courier New (Size: 10)\"\n"
    "  --output FILE      write to FILE instead of standard output; the file is\n"
    "                     replaced only when complete\n"
    "  --help             show this help\n"
    "  --                 end of options: everything after it is an expression\n"
    "\n"
    "A port written after a host stays in force for the later expressions that\n"
    "name none, as in Pollux. Replies are written as they arrive; a reply cut\n"
    "short keeps what came before the failure. Failures are reported on standard\n"
    "error; the exit status is 0 when every query succeeded, 1 when one failed,\n"
    "2 for bad usage.\n";

int usageError(const char* message)
{
    std::fprintf(stderr, "pxfinger: %s\nTry 'pxfinger --help' for more information.\n", message);
    return 2;
}

// Standard output could not take the reply (a closed pipe, a full disk):
// nothing more can be delivered.
struct OutputFailure {
    int error;
};

void writeOut(const char* data, qint64 count)
{
    while (count > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, static_cast<size_t>(count));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw OutputFailure{errno};
        }
        data += n;
        count -= n;
    }
}

void report(const QString& message)
{
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // A reader that goes away shows as EPIPE from write(), handled below.
    std::signal(SIGPIPE, SIG_IGN);

    qint32 timeOut = 20;
    FormattedOutput formatted;
    QStringList expressions;
    bool optionsDone = false;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (!optionsDone && a == QLatin1String("--")) {
            optionsDone = true;
        } else if (!optionsDone && (a == QLatin1String("--help") || a == QLatin1String("-h"))) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (!optionsDone && (a == QLatin1String("--timeout") || a.startsWith(QLatin1String("--timeout=")))) {
            QString value;
            if (a.startsWith(QLatin1String("--timeout="))) {
                value = a.mid(10);
            } else {
                if (i + 1 >= args.size())
                    return usageError("--timeout needs a number of seconds");
                value = args.at(++i);
            }
            bool ok = false;
            timeOut = value.toInt(&ok);
            if (!ok || timeOut < 1)
                return usageError("--timeout needs a whole number of seconds, 1 or more");
        } else if (!optionsDone && IsFormattedOption(a)) {
            QString value;
            const qsizetype eq = a.indexOf(QLatin1Char('='));
            if (eq >= 0) {
                value = a.mid(eq + 1);
            } else {
                if (i + 1 >= args.size())
                    return usageError(qPrintable(a + QStringLiteral(" needs a value")));
                value = args.at(++i);
            }
            const QString error = formatted.SetOption(eq >= 0 ? a.left(eq) : a, value);
            if (!error.isEmpty())
                return usageError(qPrintable(error));
        } else if (!optionsDone && a.startsWith(QLatin1String("--"))) {
            return usageError(qPrintable(QStringLiteral("unknown option '%1'").arg(a)));
        } else {
            expressions << a;
        }
    }
    if (expressions.isEmpty())
        return usageError("no query expression given");

    TmsClientSocket socket;
    socket.SetPort(79);
    socket.SetTimeOut(timeOut);

    int status = 0;
    for (const QString& expression : expressions) {
        if (!IsValidQueryExpression(expression)) {
            report(QStringLiteral("Please enter a valid query expression before continuing!"));
            status = 1;
            continue;
        }
        QBuffer reply;
        try {
            const QueryParts parts = SplitQueryExpression(expression);
            socket.SetHost(parts.connectHost.left(255));
            socket.Connect();
            socket.SendLine(parts.user);
            if (formatted.Active())
                socket.ReceiveStream(reply, -1, 0);
            else
                socket.ReceiveChunks(writeOut);
            socket.Disconnect();
        } catch (const EPollux& e) {
            // The bytes already written stay; a document shows only whole replies.
            report(e.Message());
            status = 1;
            continue;
        } catch (const OutputFailure& failure) {
            // A reader that stopped reading (as head does) wants no more and
            // no message; any other failure to write is reported.
            if (failure.error != EPIPE)
                report(QStringLiteral("pxfinger: standard output: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(failure.error))));
            return 1;
        }
        if (formatted.Active())
            formatted.Add(reply.data());
    }
    if (formatted.Active() && !formatted.Write()) {
        report(formatted.Error());
        status = 1;
    }
    return status;
}
