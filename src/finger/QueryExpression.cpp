#include "finger/QueryExpression.h"

#include "finger/FingerUrl.h"

QueryParts SplitQueryExpression(const QString& expression)
{
    if (IsFingerUrl(expression)) {
        FingerUrl url;
        QString error;
        if (!ParseFingerUrl(expression, url, &error))
            throw EFingerUrlError(error);
        const QString host = FingerUrlHostPart(url);
        return {host, url.request, url.portGiven ? host : url.host + QStringLiteral(":79")};
    }
    const qsizetype at = expression.indexOf(QLatin1Char('@'));
    if (at < 0)
        return {expression, QString(), expression};
    const QString host = expression.mid(at + 1);
    return {host, expression.left(at), host};
}

bool IsValidQueryExpression(const QString& expression)
{
    return !expression.isEmpty();
}

QStringList SplitQueryList(const QString& text)
{
    QStringList items;
    qsizetype start = 0;
    for (;;) {
        const qsizetype comma = text.indexOf(QLatin1Char(','), start);
        if (comma < 0)
            break; // whatever follows the last comma is not an item
        items << text.mid(start, comma - start);
        start = comma + 1;
    }
    return items;
}

QString WebAddressFor(const QString& expression)
{
    if (IsFingerUrl(expression))
        return QStringLiteral("http://www.") + SplitQueryExpression(expression).host;
    const qsizetype at = expression.indexOf(QLatin1Char('@'));
    return QStringLiteral("http://www.") + (at < 0 ? expression : expression.mid(at + 1));
}

QString TabKey(const QString& expression)
{
    const QueryParts parts = SplitQueryExpression(expression);
    if (parts.user.isEmpty())
        return parts.host;
    return parts.user + QLatin1Char('-') + parts.host;
}
