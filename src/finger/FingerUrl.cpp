#include "finger/FingerUrl.h"

#include <QByteArray>
#include <QStringDecoder>

namespace {
const QLatin1String kScheme("finger://");

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// Percent-escapes decoded. The bytes are read as UTF-8 when they form it,
// which is what browsers write; otherwise each escaped byte stands for the
// Latin-1 letter of its value, so no byte turns into a replacement mark.
bool decode(const QString& text, QString& out)
{
    QByteArray bytes;
    bool escaped = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('%')) {
            bytes += QString(text.at(i)).toUtf8();
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        const int high = hexValue(text.at(i + 1));
        const int low = hexValue(text.at(i + 2));
        if (high < 0 || low < 0)
            return false;
        bytes += char(high * 16 + low);
        escaped = true;
        i += 2;
    }
    if (!escaped) {
        out = text;
        return true;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(bytes);
    if (!utf8.hasError()) {
        out = decoded;
        return true;
    }
    out.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('%')) {
            out += QChar(char16_t(hexValue(text.at(i + 1)) * 16 + hexValue(text.at(i + 2))));
            i += 2;
        } else {
            out += text.at(i);
        }
    }
    return true;
}

bool isHostNameChar(QChar c)
{
    // Letters of any script (international names), digits, and the
    // punctuation names use; never what splits a link or a query.
    if (c.isLetterOrNumber())
        return true;
    return c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_');
}

bool isAddressLiteral(const QString& inside)
{
    if (inside.isEmpty() || !inside.contains(QLatin1Char(':')))
        return false;
    for (QChar c : inside) {
        if (hexValue(c) < 0 && c != QLatin1Char(':') && c != QLatin1Char('.'))
            return false;
    }
    return true;
}

bool fail(QString* error, const QString& text, const char* reason)
{
    if (error)
        *error = QStringLiteral("\"%1\" is not a valid finger link: %2.").arg(text, QLatin1String(reason));
    return false;
}
} // namespace

bool IsFingerUrl(const QString& text)
{
    return text.trimmed().startsWith(kScheme, Qt::CaseInsensitive);
}

bool ParseFingerUrl(const QString& text, FingerUrl& url, QString* error)
{
    url = FingerUrl{};
    const QString link = text.trimmed();
    if (!link.startsWith(kScheme, Qt::CaseInsensitive))
        return fail(error, text, "it does not begin with finger://");
    QString rest = link.mid(kScheme.size());
    // A fragment only places a page; it is nothing a finger server is asked.
    const qsizetype hash = rest.indexOf(QLatin1Char('#'));
    if (hash >= 0)
        rest.truncate(hash);

    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    const QString authority = slash < 0 ? rest : rest.left(slash);
    const QString rawRequest = slash < 0 ? QString() : rest.mid(slash + 1);

    // The user ends at the last "@": the ones before it belong to a
    // forwarding request ("finger://a@b@host"), which the server decides on.
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    const QString rawUser = at < 0 ? QString() : authority.left(at);
    const QString hostPort = authority.mid(at + 1);

    QString user;
    QString request;
    if (!decode(rawUser, user) || !decode(rawRequest, request))
        return fail(error, text, "a % must be followed by two hexadecimal digits");
    if (!user.isEmpty() && !request.isEmpty())
        return fail(error, text, "it names the user both before the host and after it");
    url.request = user.isEmpty() ? request : user;
    for (QChar c : url.request) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0))
            return fail(error, text, "the request may not hold a line break or a NUL");
    }

    QString hostText;
    QString portText;
    bool hasPort = false;
    if (hostPort.startsWith(QLatin1Char('['))) {
        const qsizetype close = hostPort.indexOf(QLatin1Char(']'));
        if (close < 0 || !isAddressLiteral(hostPort.mid(1, close - 1)))
            return fail(error, text, "an address in brackets must be an IPv6 address");
        url.host = hostPort.left(close + 1);
        const QString after = hostPort.mid(close + 1);
        if (!after.isEmpty()) {
            if (!after.startsWith(QLatin1Char(':')))
                return fail(error, text, "only a port may follow the address in brackets");
            hasPort = true;
            portText = after.mid(1);
        }
    } else {
        const qsizetype colon = hostPort.lastIndexOf(QLatin1Char(':'));
        hostText = colon < 0 ? hostPort : hostPort.left(colon);
        if (colon >= 0) {
            hasPort = true;
            portText = hostPort.mid(colon + 1);
        }
        if (!decode(hostText, url.host))
            return fail(error, text, "a % must be followed by two hexadecimal digits");
        if (url.host.isEmpty())
            return fail(error, text, "it names no host");
        for (QChar c : url.host) {
            if (!isHostNameChar(c))
                return fail(error, text, "the host name holds a character no host name has");
        }
        if (url.host.size() > 253)
            return fail(error, text, "the host name is longer than 253 characters");
    }

    // "host:" with nothing after the colon is the default port.
    if (hasPort && !portText.isEmpty()) {
        bool digits = portText.size() <= 5;
        for (QChar c : portText)
            digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const int port = digits ? portText.toInt() : 0;
        if (port < 1 || port > 65535)
            return fail(error, text, "the port must be a number from 1 to 65535");
        url.port = port;
        url.portGiven = true;
    }
    return true;
}

QString FingerUrlHostPart(const FingerUrl& url)
{
    if (!url.portGiven)
        return url.host;
    return url.host + QLatin1Char(':') + QString::number(url.port);
}
