// The reference client for bench/gui/run: a query line and a QPlainTextEdit.
// Return sends "user\r\n" to host:port, reads until the server closes, and
// shows the reply with setPlainText. No history, tabs, colours or bounds: the
// least a Qt finger client does, so its figure is a floor to compare with.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTcpSocket>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Plain finger client"));
    auto* layout = new QVBoxLayout(&window);
    auto* query = new QLineEdit;
    auto* view = new QPlainTextEdit;
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(query);
    layout->addWidget(view);
    QTcpSocket socket;
    QByteArray reply;
    QObject::connect(query, &QLineEdit::returnPressed, [&] {
        const QString text = query->text();
        const qsizetype at = text.lastIndexOf(QLatin1Char('@'));
        const QString hostPort = text.mid(at + 1);
        const qsizetype colon = hostPort.lastIndexOf(QLatin1Char(':'));
        reply.clear();
        socket.abort();
        socket.connectToHost(hostPort.left(colon), colon < 0 ? 79 : hostPort.mid(colon + 1).toUShort());
        socket.write(text.left(std::max<qsizetype>(at, 0)).toUtf8() + "\r\n");
    });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { reply += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::disconnected, [&] {
        reply += socket.readAll();
        view->setPlainText(QString::fromUtf8(reply));
    });
    window.resize(840, 500);
    window.show();
    query->setFocus();
    return app.exec();
}
