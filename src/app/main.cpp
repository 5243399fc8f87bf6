// The program entry: the application object, the main window, the event loop.

#include "app/MainFrm.h"
#include "shell/CommandLine.h"
#include "shell/UseHTMLHelp.h"
#include "ui/DesktopSound.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    // --help, --version and the display choice for "/q" come before the
    // application object exists.
    const int rc = PrepareCommandLine(argc, argv);
    if (rc >= 0)
        return rc;

    // The web view, loaded on first use, shares its drawing contexts; the
    // attribute must be set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pollux"));
    QApplication::setOrganizationName(QStringLiteral("Marlwick"));
    QGuiApplication::setDesktopFileName(QStringLiteral("pollux"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("pollux"), QIcon(QStringLiteral(":/pollux/icons/pollux.svg"))));

    InstallDesktopSoundPlayer();
    TUseHTMLHelp HtmlHelpRouter;

    TMain window;

    // Unattended runs ("/q") take over here.
    if (CmdLine().Quit)
        return RunUnattended(window);

    window.show();
    return app.exec();
}
