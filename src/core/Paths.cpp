#include "core/Paths.h"

#include "core/Version.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString ensured(const QString& path)
{
    QDir().mkpath(path);
    return QDir::cleanPath(path);
}

QString fromEnv(const char* name)
{
    return qEnvironmentVariable(name);
}

QString homeRelative(const char* xdgName, const char* fallback)
{
    QString base = fromEnv(xdgName);
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QLatin1Char('/') + QLatin1String(fallback);
    return base + QStringLiteral("/pollux");
}
} // namespace

QString ConfigDirPath()
{
    const QString own = fromEnv("POLLUX_CONFIG_DIR");
    return QDir::cleanPath(own.isEmpty() ? homeRelative("XDG_CONFIG_HOME", ".config") : own);
}

QString ConfigDir()
{
    const QString path = ConfigDirPath();
    QDir().mkpath(path);
    return path;
}

QString StateDir()
{
    QString own = fromEnv("POLLUX_STATE_DIR");
    if (own.isEmpty())
        own = fromEnv("POLLUX_CONFIG_DIR");
    if (!own.isEmpty())
        return ensured(own);
    return ensured(homeRelative("XDG_STATE_HOME", ".local/state"));
}

QString DataDir()
{
    const QString own = fromEnv("POLLUX_DATA_DIR");
    if (!own.isEmpty())
        return QDir::cleanPath(own);
    const QString exeDir = QFileInfo(ProgramFilePath()).absolutePath();
    const QString installed = QDir::cleanPath(exeDir + QStringLiteral("/../share/pollux"));
    if (QFileInfo::exists(installed))
        return installed;
    return QStringLiteral(POLLUX_SOURCE_DATA_DIR);
}

QString UserDataDir()
{
    QString own = fromEnv("POLLUX_USER_DATA_DIR");
    if (own.isEmpty())
        own = fromEnv("POLLUX_CONFIG_DIR");
    if (!own.isEmpty())
        return QDir::cleanPath(own);
    return QDir::cleanPath(homeRelative("XDG_DATA_HOME", ".local/share"));
}
