// pxserver-console: the window "pxserver --console" opens.
//
//   pxserver --console [--folder DIR] [--port N] [--address A]
//                      [--system-users] [--start]
//
// Options given here take the place of the remembered choices; --start
// starts serving at once.

#include "TServerConsole.h"

#include "core/Guard.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pollux Server"));
    QApplication::setOrganizationName(QStringLiteral("Marlwick"));
    QGuiApplication::setDesktopFileName(QStringLiteral("pollux"));
    SetErrorHandler([](QObject* sender, const EPollux& failure) {
        QMessageBox::critical(qobject_cast<QWidget*>(sender), QStringLiteral("Error"), failure.Message());
    });

    ConsoleChoices choices = LoadConsoleChoices();
    bool start = false;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--folder") && hasValue) {
            choices.folder = args.at(++i);
        } else if (a == QLatin1String("--address") && hasValue) {
            choices.address = args.at(++i);
        } else if (a == QLatin1String("--port") && hasValue) {
            choices.port = args.at(++i).toInt();
        } else if (a == QLatin1String("--system-users")) {
            choices.systemUsers = true;
        } else if (a == QLatin1String("--start")) {
            start = true;
        } else {
            std::fprintf(stderr, "pxserver --console: unknown argument '%s'\n", qPrintable(a));
            return 2;
        }
    }

    TServerConsole console(choices);
    console.show();
    if (start)
        Guarded(&console, [&] { console.StartServer(); });
    return app.exec();
}
