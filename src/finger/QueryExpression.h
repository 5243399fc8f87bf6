#pragma once
// Query expressions: "user@host", "@host", "host", and finger:// links.
// Pure text functions.

#include "core/Errors.h"

#include <QString>
#include <QStringList>

// A finger:// link that cannot be read; the message says why.
POLLUX_DECLARE_ERROR(EFingerUrlError, EPollux)

struct QueryParts {
    QString host; // after the first "@", or the whole expression
    QString user; // before the first "@"; empty when none
    // What the connection is given. The host part, except for a link that
    // names no port: a link means port 79, whatever port an earlier query
    // left the connection on.
    QString connectHost;
};

// A finger:// link gives the parts of its equivalent expression; a link
// that cannot be read throws EFingerUrlError.
QueryParts SplitQueryExpression(const QString& expression);
// Valid when not empty; there is no other check.
bool IsValidQueryExpression(const QString& expression);
// Items before each comma; whatever follows the last comma is dropped.
QStringList SplitQueryList(const QString& text);
// "http://www." + the host part (the expression less everything up to its
// first "@"; for a link, its host and port).
QString WebAddressFor(const QString& expression);
// The caption of a query's result tab: user + "-" + host, or host alone.
QString TabKey(const QString& expression);
