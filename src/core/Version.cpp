#include "core/Version.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#ifndef POLLUX_VERSION_TEXT
#error "POLLUX_VERSION_TEXT must be defined by the build"
#endif

namespace {
// The record is stored in the program file as a marker followed by the
// version text and a NUL, the way a version resource sits in a Windows
// program. The marker is split here so that the reader's own copy of it
// (built at run time below) never appears in the file as a false match.
#define POLLUX_VERSION_MARKER_HEAD "\x7fPOLLUX-FILE-"
#define POLLUX_VERSION_MARKER_TAIL "VERSION\x01"
[[gnu::used]] const char kVersionRecord[] =
    POLLUX_VERSION_MARKER_HEAD POLLUX_VERSION_MARKER_TAIL POLLUX_VERSION_TEXT;

QByteArray marker()
{
    QByteArray m(POLLUX_VERSION_MARKER_HEAD);
    m += POLLUX_VERSION_MARKER_TAIL;
    return m;
}
} // namespace

QString CompiledVersion()
{
    return QStringLiteral(POLLUX_VERSION_TEXT);
}

QString GetFileVersionString(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = file.size();
    if (size <= 0)
        return {};
    const uchar* data = file.map(0, size);
    if (!data)
        return {};
    const QByteArray view = QByteArray::fromRawData(reinterpret_cast<const char*>(data), size);
    const QByteArray needle = marker();
    static const QRegularExpression versionShape(QStringLiteral("^\\d{1,5}\\.\\d{1,5}\\.\\d{1,5}\\.\\d{1,5}$"));
    for (qsizetype at = view.indexOf(needle); at >= 0; at = view.indexOf(needle, at + 1)) {
        const qsizetype start = at + needle.size();
        const qsizetype end = view.indexOf('\0', start);
        if (end < 0 || end - start > 24)
            continue;
        const QString text = QString::fromLatin1(view.constData() + start, end - start);
        if (versionShape.match(text).hasMatch())
            return text;
    }
    return {};
}

QString ProgramFilePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}
