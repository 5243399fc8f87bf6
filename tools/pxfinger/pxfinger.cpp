// pxfinger: finger queries from the shell, made exactly as Pollux makes them.
//
//   pxfinger [--timeout SECONDS] [--format text|rtf|html [--font FONT]]
//            [--output FILE] EXPRESSION...
//
// Each expression is split as in the query box; the reply's bytes go to
// standard output unchanged, a failure's message to standard error. With
// --format or --output the replies are collected first and written as one
// document (FormattedOutput.h).
// Exit status: 0 when every query succeeded, 1 otherwise, 2 for bad usage.

#include "finger/Mssocket.h"
#include "finger/QueryExpression.h"
#include "FormattedOutput.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

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
    "name none, as in Pollux. Failures are reported on standard error; the exit\n"
    "status is 0 when every query succeeded, 1 when one failed, 2 for bad usage.\n";

int usageError(const char* message)
{
    std::fprintf(stderr, "pxfinger: %s\nTry 'pxfinger --help' for more information.\n", message);
    return 2;
}

void writeAll(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
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
            socket.ReceiveStream(reply, -1, 0);
            socket.Disconnect();
        } catch (const EPollux& e) {
            // As in Pollux, a reply that did not arrive whole is not shown.
            report(e.Message());
            status = 1;
            continue;
        }
        if (formatted.Active())
            formatted.Add(reply.data());
        else
            writeAll(reply.data());
    }
    if (formatted.Active() && !formatted.Write()) {
        report(formatted.Error());
        status = 1;
    }
    return status;
}
