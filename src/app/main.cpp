// The program entry: the application object, the main window, the event loop.

#include "app/MainFrm.h"
#include "finger/FingerUrl.h"
#include "shell/CommandLine.h"
#include "shell/InstanceLink.h"
#include "ui/DesktopSound.h"

#include <QApplication>
#include <QIcon>
#include <QPointer>
#include <QTimer>

int main(int argc, char** argv)
{
    // --help, --version and the display choice for "/q" come before the
    // application object exists.
    const int rc = PrepareCommandLine(argc, argv);
    if (rc >= 0)
        return rc;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pollux"));
    QApplication::setOrganizationName(QStringLiteral("Marlwick"));
    QGuiApplication::setDesktopFileName(QStringLiteral("pollux"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("pollux"), QIcon(QStringLiteral(":/pollux/icons/pollux.svg"))));

    // A finger link alone on the command line is how the desktop opens a
    // clicked link: it goes to the Pollux already running, if there is one,
    // and otherwise opens in this one after a normal start.
    QString link;
    const QStringList parameters = CommandLineParameters();
    if (parameters.size() == 1 && IsFingerUrl(parameters.first())) {
        link = parameters.first();
        if (HandOverToRunningPollux(link))
            return 0;
        SetCommandLineParameters({});
    }

    InstallDesktopSoundPlayer();

    // Links handed over while the window is still being built (a welcome
    // screen may be waiting for the user) run once it is up.
    QPointer<TMain> target;
    QStringList waiting;
    TInstanceListener links([&target, &waiting](const QString& expression) {
        if (target)
            target->OpenLink(expression);
        else
            waiting << expression;
    });
    const bool unattended = CmdLine().Quit;
    // Two links clicked at once may both find no Pollux; the one that loses
    // the race hands its link to the winner.
    if (!unattended && !links.Listen() && !link.isEmpty() && HandOverToRunningPollux(link))
        return 0;

    TMain window;

    // Unattended runs ("/q") take over here.
    if (CmdLine().Quit)
        return RunUnattended(window);

    target = &window;
    window.show();
    if (!link.isEmpty())
        waiting.prepend(link);
    for (const QString& expression : std::as_const(waiting))
        QTimer::singleShot(0, &window, [&window, expression] { window.OpenLink(expression); });
    return app.exec();
}
