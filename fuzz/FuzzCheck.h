#pragma once
// What every fuzz target shares: a property check that stops the run with a
// message libFuzzer keeps beside the failing input, and the ways the raw
// bytes become the text a parser reads.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                            \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "property failed at %s:%d: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

namespace fuzz {

inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// UTF-8 text, as a file or a terminal would give it (an invalid sequence
// becomes U+FFFD, as it does when Qt reads such a file).
inline QString Text(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Several texts from one input: the parts between NUL bytes.
inline QStringList Texts(const uint8_t* data, size_t size)
{
    QStringList parts;
    for (const QByteArray& part : Bytes(data, size).split('\0'))
        parts << QString::fromUtf8(part);
    return parts;
}

// Lines as a text file would hold them.
inline QStringList Lines(const QString& text)
{
    return text.split(QLatin1Char('\n'));
}

// Byte lines ended by CR LF, LF or CR. The part after the last break is a
// line of its own; empty, it is kept only when `keepEmptyLast` says so.
inline QList<QByteArray> ByteLines(const QByteArray& bytes, bool keepEmptyLast)
{
    QList<QByteArray> lines;
    QByteArray line;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines << line;
            line.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (keepEmptyLast || !line.isEmpty())
        lines << line;
    return lines;
}

} // namespace fuzz
