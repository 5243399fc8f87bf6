#pragma once
// Query expressions: "user@host", "@host", "host". Pure text functions.

#include <QString>
#include <QStringList>

struct QueryParts {
    QString host; // after the first "@", or the whole expression
    QString user; // before the first "@"; empty when none
};

QueryParts SplitQueryExpression(const QString& expression);
// Valid when not empty; there is no other check.
bool IsValidQueryExpression(const QString& expression);
// Items before each comma; whatever follows the last comma is dropped.
QStringList SplitQueryList(const QString& text);
// "http://www." + the expression less everything up to its first "@".
QString WebAddressFor(const QString& expression);
// The caption of a query's result tab: user + "-" + host, or host alone.
QString TabKey(const QString& expression);
