#include "RequestLog.h"

#include <QDateTime>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <syslog.h>

bool RequestLog::Open(Sink sink, const QString& path, QString* error)
{
    sink_ = sink;
    if (sink_ == File && path == QLatin1String("-"))
        sink_ = Stderr;
    if (sink_ == Syslog)
        openlog("pxserver", LOG_PID, LOG_DAEMON);
    if (sink_ != File)
        return true;
    // Opened for appending by the system itself: every line lands at the
    // end even with two writers, and a pipe or /dev/null works as well.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0 && file_.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        return true;
    if (error)
        *error = QStringLiteral("cannot open the log %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (fd >= 0)
        ::close(fd);
    return false;
}

void RequestLog::Write(const RequestRecord& record)
{
    Line(FormatRequestRecord(record), LOG_INFO);
}

void RequestLog::Note(const QString& text)
{
    Line(QDateTime::currentDateTime().toString(Qt::ISODate) + QStringLiteral(" pxserver: ") + text, LOG_NOTICE);
}

void RequestLog::Line(const QString& text, int priority)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    switch (sink_) {
    case Syslog:
        syslog(priority, "%s", text.toUtf8().constData());
        break;
    case File:
        // One write per line, flushed, so lines of a crash are not lost
        // and a log rotated by copy stays whole.
        file_.write(bytes);
        file_.flush();
        break;
    case Stderr:
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
        std::fflush(stderr);
        break;
    }
}
