// A finger server for trying Pollux by hand and for the benchmarks:
//   pxtestfingerd [--bind ADDRESS] [--port N] [--reply FILE | --text TEXT]
//                 [--slow CHUNK:DELAY_MS | --silent | --close | --endless | --reset]
// It prints "port N" once it listens, then serves until it is stopped.

#include "FingerServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Loopback finger server for testing Pollux."));
    parser.addHelpOption();
    const QCommandLineOption bind(QStringLiteral("bind"), QStringLiteral("Address to listen on (127.0.0.1)."), QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Port to listen on (0: a free one)."), QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption reply(QStringLiteral("reply"), QStringLiteral("Answer with the bytes of this file."), QStringLiteral("file"));
    const QCommandLineOption text(QStringLiteral("text"), QStringLiteral("Answer with this text."), QStringLiteral("text"));
    const QCommandLineOption slow(QStringLiteral("slow"), QStringLiteral("Answer in chunks of CHUNK bytes, DELAY_MS apart."), QStringLiteral("chunk:delay"));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Accept, read the query, never answer."));
    const QCommandLineOption closeAtOnce(QStringLiteral("close"), QStringLiteral("Accept and close at once."));
    const QCommandLineOption endless(QStringLiteral("endless"), QStringLiteral("Answer without end."));
    const QCommandLineOption reset(QStringLiteral("reset"), QStringLiteral("Answer, then reset the connection (RST) after 200 ms."));
    parser.addOptions({bind, port, reply, text, slow, silent, closeAtOnce, endless, reset});
    parser.process(app);

    QByteArray bytes = "Login: test\r\nNo Plan.\r\n";
    if (parser.isSet(reply)) {
        QFile f(parser.value(reply));
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "pxtestfingerd: cannot read %s\n", qPrintable(parser.value(reply)));
            return 2;
        }
        bytes = f.readAll();
    } else if (parser.isSet(text)) {
        bytes = parser.value(text).toUtf8();
    }

    LoopbackFingerServer server;
    if (parser.isSet(silent)) {
        server.SetSilent();
    } else if (parser.isSet(closeAtOnce)) {
        server.SetCloseAtOnce();
    } else if (parser.isSet(endless)) {
        server.SetEndless();
    } else if (parser.isSet(reset)) {
        server.SetReset(bytes, 200);
    } else if (parser.isSet(slow)) {
        const QStringList parts = parser.value(slow).split(QLatin1Char(':'));
        bool ok1 = false, ok2 = parts.size() == 2;
        const int chunk = parts.value(0).toInt(&ok1);
        const int delay = parts.value(1).toInt(&ok2);
        if (!ok1 || !ok2 || chunk < 1 || delay < 0) {
            std::fprintf(stderr, "pxtestfingerd: --slow wants CHUNK:DELAY_MS\n");
            return 2;
        }
        server.SetSlow(bytes, chunk, delay);
    } else {
        server.SetReply(bytes);
    }

    bool portOk = false;
    const uint portNumber = parser.value(port).toUInt(&portOk);
    QHostAddress address;
    if (!portOk || portNumber > 65535 || !address.setAddress(parser.value(bind))) {
        std::fprintf(stderr, "pxtestfingerd: bad --port or --bind\n");
        return 2;
    }
    if (!server.Listen(address, static_cast<quint16>(portNumber))) {
        std::fprintf(stderr, "pxtestfingerd: cannot listen on %s port %u\n", qPrintable(address.toString()), portNumber);
        return 1;
    }
    std::printf("port %u\n", server.Port());
    std::fflush(stdout);
    return app.exec();
}
