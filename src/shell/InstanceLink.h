#pragma once
// One Pollux per user takes the finger links: a Pollux started for a link
// while another runs (for the same settings store) hands the link over
// through a local socket and ends, and the running one opens it in a tab.

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

// The socket's path: in $XDG_RUNTIME_DIR (else the temporary folder), named
// after the user and the settings folder, so that a test's own store, or a
// second user's, has a Pollux of its own.
QString InstanceSocketPath();

// Gives the expression to the running Pollux; true once it has taken it.
bool HandOverToRunningPollux(const QString& expression, int timeoutMs = 5000);

class TInstanceListener : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QString& expression)>;
    explicit TInstanceListener(Handler handler, QObject* parent = nullptr);
    ~TInstanceListener() override;

    // Starts taking links; false when another Pollux already takes them (or
    // the socket cannot be made).
    bool Listen();

private:
    void accept();

    Handler handler_;
    QLocalServer* server_ = nullptr;
};
