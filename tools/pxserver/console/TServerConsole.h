#pragma once
// The server console: a small window that runs pxserver's server in its own
// process, with the folder, address and port it serves, Start and Stop, the
// clients being served and the live request log. Its choices are kept in
// the settings store.

#include "PxServer.h"

#include <QMainWindow>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

struct ConsoleChoices {
    QString folder;
    QString address = QStringLiteral("127.0.0.1");
    int port = 7979;
    bool systemUsers = false;
};

// The stored choices, or the defaults (the sample folder, loopback, 79 for
// root and 7979 otherwise) for what is missing or unusable.
ConsoleChoices LoadConsoleChoices();
void SaveConsoleChoices(const ConsoleChoices& choices);

class TServerConsole : public QMainWindow {
    Q_OBJECT
public:
    explicit TServerConsole(const ConsoleChoices& choices, QWidget* parent = nullptr);
    ~TServerConsole() override;

    ConsoleChoices Choices() const;
    // Starts serving; false (with the reason shown) when it cannot.
    bool StartServer();
    void StopServer();
    bool Serving() const;
    PxServer* Server() const { return server_.get(); }
    QPlainTextEdit* Log() const { return log_; }

    // Message boxes are skipped (for tests): the reason stays in the status line.
    bool Quiet = false;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void browse();
    void updateState();
    void append(const QString& line);
    void showFailure(const QString& text);

    std::unique_ptr<PxServer> server_;
    QLineEdit* folder_ = nullptr;
    QPushButton* browse_ = nullptr;
    QComboBox* address_ = nullptr;
    QSpinBox* port_ = nullptr;
    QCheckBox* systemUsers_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* stop_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* clients_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
};
