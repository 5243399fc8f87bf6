#include "settings/DebugLog.h"

#include "core/Errors.h"
#include "core/Paths.h"
#include "core/Version.h"
#include "settings/RegUtils.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

EInOutError logFailure(const QString& what, const QString& path, int error)
{
    return EInOutError(QStringLiteral("Cannot %1 the debug log \"%2\": %3")
                           .arg(what, path, QString::fromLocal8Bit(std::strerror(error))));
}

void writeAll(int fd, const QByteArray& data, const QString& path)
{
    const char* at = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            throw logFailure(QStringLiteral("write"), path, error);
        }
        at += written;
        left -= written;
    }
}

QByteArray withLineEnd(const QString& line)
{
    return line.toUtf8() + QByteArrayLiteral("\r\n");
}

// Appends one line, the header first when this call creates the file. The
// file is created exclusively, so of two copies starting at once only one
// writes the header; every line goes out in one write on an O_APPEND file,
// so lines of two writers never interleave.
void appendLine(const QString& line)
{
    const QString path = DebugLogPath();
    const QByteArray file = QFile::encodeName(path);
    QByteArray data;
    int fd = ::open(file.constData(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
        data = withLineEnd(QStringLiteral("Pollux is starting..."))
            + withLineEnd(QStringLiteral("Version: ") + GetFileVersionString(ProgramFilePath()));
    } else if (errno == EEXIST) {
        fd = ::open(file.constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd < 0)
            throw logFailure(QStringLiteral("open"), path, errno);
    } else {
        throw logFailure(QStringLiteral("create"), path, errno);
    }
    data += withLineEnd(line);
    writeAll(fd, data, path);
    if (::close(fd) != 0)
        throw logFailure(QStringLiteral("close"), path, errno);
}

// The locale's long time format without its time-zone part ("t" and its
// longer forms), outside quoted literals, with the blank that led to it.
QString timeFormatWithoutZone(const QString& format)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == QLatin1Char('t')) {
            while (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('t'))
                ++i;
            while (out.endsWith(QLatin1Char(' ')))
                out.chop(1);
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

} // namespace

bool DebugEnabled()
{
    try {
        return ReadSettingBool(kRootKey, QStringLiteral("Debug"));
    } catch (const ERegistryException&) {
        // A Debug stored as text ("pxreg set ... --string 1") would otherwise
        // make every action that logs fail.
        return false;
    }
}

void WriteDebugLog(const QString& line)
{
    if (!DebugEnabled())
        return;
    try {
        appendLine(line);
    } catch (const EInOutError&) {
        // The trace is for support: an action never fails for want of it,
        // and a report about it would itself be logged.
    }
}

QString DebugNow()
{
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    // The C locale stands for "no regional settings": a fixed numeric date
    // and a 24-hour time then, rather than its "9 Dec 2003".
    if (locale.language() == QLocale::C)
        return now.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    return locale.toString(now.date(), locale.dateFormat(QLocale::ShortFormat)) + QLatin1Char(' ')
        + locale.toString(now.time(), timeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat)));
}

void LogDebug(const QString& message)
{
    // The clock and the locale are only consulted when the line is written.
    if (!DebugEnabled())
        return;
    WriteDebugLog(DebugNow() + message);
}

QString DebugLogPath()
{
    return StateDir() + QStringLiteral("/pxdebug.log");
}

bool DeleteDebugLog()
{
    const QString path = DebugLogPath();
    return ::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT;
}
