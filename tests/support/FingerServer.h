#pragma once
// Finger servers on the loopback interface for the tests (and, through
// pxtestfingerd, for trying the client by hand). They run on the thread that
// creates them, so a client's wait loop, which runs the event loop, drives them.

#include <QByteArray>
#include <QByteArrayList>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>

class LoopbackFingerServer : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        Reply,       // the reply after the query line, then close
        Slow,        // the reply in chunks with a pause before each, then close
        Silent,      // read the query line, answer nothing, keep the connection open
        CloseAtOnce, // accept and close without reading or answering
        Endless,     // after the query line, send without end
        Reset,       // the reply, a pause, then a reset (RST) instead of a close
    };

    explicit LoopbackFingerServer(QObject* parent = nullptr);
    ~LoopbackFingerServer() override;

    // Listens on a free port (or the one given); false when that fails.
    bool Listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 Port() const { return server_.serverPort(); }
    void Close();

    void SetReply(const QByteArray& bytes);
    void SetSlow(const QByteArray& bytes, int chunkSize, int delayMs);
    void SetSilent();
    void SetCloseAtOnce();
    void SetEndless(const QByteArray& pattern = QByteArray(4096, 'x'));
    // Sends `bytes`, waits `delayMs`, then drops the connection with a reset
    // (SO_LINGER 0), as a crashing or hostile server does.
    void SetReset(const QByteArray& bytes, int delayMs);
    // Reply and Slow answer at once on accepting, without waiting for a line.
    void SetAnswerBeforeQuery(bool on) { answerEarly_ = on; }

    Mode CurrentMode() const { return mode_; }
    // Every query line received, CR LF included, in order.
    QByteArrayList Queries() const { return queries_; }
    QByteArray LastQuery() const { return queries_.isEmpty() ? QByteArray() : queries_.last(); }
    int Connections() const { return connections_; }
    // Bytes sent by the endless mode so far (all sessions).
    qint64 EndlessBytesSent() const { return endlessSent_; }

signals:
    void queryReceived(const QByteArray& line);
    void sessionFinished();

private:
    friend class LoopbackFingerSession;
    void accept();

    QTcpServer server_;
    Mode mode_ = Mode::Reply;
    QByteArray reply_;
    int chunkSize_ = 1;
    int delayMs_ = 0;
    bool answerEarly_ = false;
    QByteArrayList queries_;
    int connections_ = 0;
    qint64 endlessSent_ = 0;
};

// A port on 127.0.0.1 where nothing listens: connecting to it is refused.
quint16 RefusingPort();

// A port on 127.0.0.1 where a connection attempt is never answered: the
// listener's queue is kept full, so the kernel drops further handshakes and
// a client's connect stays pending until it gives up.
class UnansweredPort {
public:
    UnansweredPort();
    ~UnansweredPort();
    UnansweredPort(const UnansweredPort&) = delete;
    UnansweredPort& operator=(const UnansweredPort&) = delete;
    bool IsValid() const { return port_ != 0; }
    quint16 Port() const { return port_; }

private:
    int listener_ = -1;
    int filler_ = -1;
    quint16 port_ = 0;
};
