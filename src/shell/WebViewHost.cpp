#include "shell/WebViewHost.h"

#include "core/Errors.h"
#include "core/Version.h"
#include "settings/DebugLog.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <unistd.h>

namespace {
const char kPluginFile[] = "libpollux_webview.so";

// The web engine's sandbox cannot start for root; without it the engine
// refuses to run at all. Only then is it switched off.
void PrepareEngineEnvironment()
{
    if (geteuid() != 0 || qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        return;
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    LogDebug(QStringLiteral(" - Running as root: web engine sandbox disabled"));
}
} // namespace

QString WebViewPluginPath()
{
    const QString program = QDir::cleanPath(ProgramFilePath());
    const QString folder = QFileInfo(program).absolutePath();
#ifdef POLLUX_INSTALL_LIBDIR
    const QString installed =
        QDir::cleanPath(folder + QStringLiteral("/../" POLLUX_INSTALL_LIBDIR "/pollux/") + QLatin1String(kPluginFile));
    if (QFileInfo(installed).isFile())
        return installed;
#endif
#ifdef POLLUX_BUILD_DIR
    const QString buildDir = QDir::cleanPath(QStringLiteral(POLLUX_BUILD_DIR));
    if (program.startsWith(buildDir + QLatin1Char('/'))) {
        const QString built = buildDir + QStringLiteral("/lib/pollux/") + QLatin1String(kPluginFile);
        if (QFileInfo(built).isFile())
            return built;
    }
#endif
    return {};
}

IPolluxWebView* CreateWebView(QWidget* parent, WebStatusHandler onStatus)
{
    static PolluxCreateWebViewFn create = nullptr;
    if (!create) {
        const QString path = WebViewPluginPath();
        if (path.isEmpty())
            throw EPollux(QStringLiteral("The web view is not installed (") + QLatin1String(kPluginFile)
                          + QStringLiteral(" was not found beside Pollux)."));
        PrepareEngineEnvironment();
        LogDebug(QStringLiteral(" - Loading web view (") + path + QStringLiteral(")"));
        QLibrary library(path);
        // Kept loaded: the engine cannot be unloaded from a running process.
        library.setLoadHints(QLibrary::PreventUnloadHint);
        create = reinterpret_cast<PolluxCreateWebViewFn>(library.resolve(POLLUX_WEBVIEW_ENTRY));
        if (!create)
            throw EPollux(QStringLiteral("Unable to load the web view: ") + library.errorString());
    }
    IPolluxWebView* view = create(parent, &onStatus);
    if (!view)
        throw EPollux(QStringLiteral("Unable to create the web view."));
    return view;
}
