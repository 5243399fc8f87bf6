// A result view holding a real finger reply (Debian's in.fingerd for root,
// run on a socket pair by socat, when both are installed) and lines with links and control characters.
//
//   view_demo [screenshot.png]   with a file name: saves the window and quits

#include "results/ResultView.h"
#include "ui/TDCMemo.h"

#include <QApplication>
#include <QMainWindow>
#include <QProcess>
#include <QTimer>

namespace {

QByteArray fingerReply()
{
    QProcess fingerd;
    fingerd.start(QStringLiteral("socat"), {QStringLiteral("-"), QStringLiteral("EXEC:/usr/sbin/in.fingerd")});
    if (fingerd.waitForStarted(2000)) {
        fingerd.write("root\r\n");
        fingerd.closeWriteChannel();
        if (fingerd.waitForFinished(5000)) {
            const QByteArray out = fingerd.readAllStandardOutput();
            if (!out.isEmpty())
                return out;
        }
    }
    return "Login: root           \t\t\tName: root\r\nDirectory: /root                    \tShell: /bin/bash\r\n"
           "Never logged in.\r\nNo mail.\r\nNo Plan.\r\n";
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Pollux result view"));
    auto* sheet = new QWidget;
    window.setCentralWidget(sheet);
    TDCMemo* view = CreateResultView(sheet, {});
    view->LoadFromBytes(fingerReply());
    view->AppendLines({
        QString(),
        QStringLiteral("Project: see www.host1.example/pollux?v=2&lang=en or HTTP://HOST1.EXAMPLE/FAQ"),
        QStringLiteral("Mail user@host1.example. or MAILTO:support@host1.example, not user@host1"),
        QStringLiteral("Files:\tftp://ftp.host1.example/pub/\tgopher://gopher.host1.example"),
        QStringLiteral("\x1b[1;31mColoured\x1b[0m plan with a bell\x07 and a backspace\x08!"),
        QStringLiteral("<b>Plan:</b> <!-- a comment --> \"a string\" 12.5e3 caf\u00e9 \u20ac"),
        QStringLiteral("A very long line that runs past the right margin at column eighty, so the margin line crosses it."),
    });
    view->SetSelection({1, 0}, {1, 0});
    view->GotoLine(3);
    window.resize(820, 420);
    window.show();
    view->setFocus();
    if (argc > 1) {
        const QString path = QString::fromLocal8Bit(argv[1]);
        QTimer::singleShot(500, [&window, path] {
            window.grab().save(path);
            QApplication::quit();
        });
    }
    return app.exec();
}
