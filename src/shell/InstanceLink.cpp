#include "shell/InstanceLink.h"

#include "core/Guard.h"
#include "core/Paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <unistd.h>

namespace {
const QByteArray kVerb = QByteArrayLiteral("PXLINK ");
const QByteArray kTaken = QByteArrayLiteral("OK\n");
// A link is a line; anything longer is no message of ours.
constexpr qint64 kMaxMessage = 64 * 1024;
constexpr int kPeerTimeoutMs = 5000;
} // namespace

QString InstanceSocketPath()
{
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        dir = QDir::tempPath();
    const QByteArray store = QFile::encodeName(QDir(ConfigDir()).absolutePath());
    const QString tag = QString::fromLatin1(QCryptographicHash::hash(store, QCryptographicHash::Sha256).toHex().left(16));
    return QStringLiteral("%1/pollux-%2-%3.sock").arg(dir).arg(getuid()).arg(tag);
}

bool HandOverToRunningPollux(const QString& expression, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(InstanceSocketPath());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kVerb + expression.toUtf8().toBase64() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QByteArray answer;
    while (!answer.contains('\n')) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
        answer += socket.readAll();
    }
    return answer == kTaken;
}

TInstanceListener::TInstanceListener(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler))
{
}

TInstanceListener::~TInstanceListener() = default;

bool TInstanceListener::Listen()
{
    const QString path = InstanceSocketPath();
    server_ = new QLocalServer(this);
    connect(server_, &QLocalServer::newConnection, this, [this] { accept(); });
    // A plain listen fails while the socket file exists, so two copies can
    // never both take links (the toolkit's access options would replace
    // the file instead). Only the user may connect: the file is made the
    // user's alone at once, and normally lies in the user's own runtime folder.
    auto listen = [&] {
        if (!server_->listen(path))
            return false;
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return true;
    };
    if (listen())
        return true;
    // A socket left by a Pollux that crashed answers nobody: take its place.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(1000))
        return false;
    QLocalServer::removeServer(path);
    return listen();
}

void TInstanceListener::accept()
{
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
        peer->setParent(this);
        auto* timer = new QTimer(peer);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, peer, [peer] { peer->abort(); });
        timer->start(kPeerTimeoutMs);
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        // The message is read whole before anything is done with it.
        auto buffer = std::make_shared<QByteArray>();
        connect(peer, &QLocalSocket::readyRead, this, [this, peer, buffer] {
            *buffer += peer->read(kMaxMessage + 1 - buffer->size());
            const qsizetype end = buffer->indexOf('\n');
            if (end < 0) {
                if (buffer->size() > kMaxMessage)
                    peer->abort();
                return;
            }
            const QByteArray line = buffer->left(end);
            if (!line.startsWith(kVerb)) {
                peer->abort();
                return;
            }
            const QString expression = QString::fromUtf8(QByteArray::fromBase64(line.mid(kVerb.size())));
            peer->write(kTaken);
            peer->disconnectFromServer();
            // The link runs from the event loop, after the sender has its answer.
            QPointer<TInstanceListener> self(this);
            QTimer::singleShot(0, this, [self, expression] {
                if (self && self->handler_)
                    Guarded(nullptr, [&] { self->handler_(expression); });
            });
        });
    }
}
