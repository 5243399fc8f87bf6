// finger:// links: a link that reads names a host and a port from 1 to
// 65535 and a request without line breaks; written back (host part, the
// request escaped) it reads the same; a link that does not read says why;
// and a query expression that is a link splits into what the link names.
#include "FuzzCheck.h"
#include "finger/FingerUrl.h"
#include "finger/QueryExpression.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QString text = fuzz::Text(data, size);
    // Most inputs should be links: the scheme is put in front unless the
    // text brings its own.
    if (!IsFingerUrl(text))
        text.prepend(QLatin1String("finger://"));
    FUZZ_CHECK(IsFingerUrl(text));

    FingerUrl url;
    QString error;
    if (!ParseFingerUrl(text, url, &error)) {
        FUZZ_CHECK(!error.isEmpty());
        bool threw = false;
        try {
            SplitQueryExpression(text);
        } catch (const EFingerUrlError&) {
            threw = true;
        }
        FUZZ_CHECK(threw);
        return 0;
    }
    FUZZ_CHECK(!url.host.isEmpty() && url.port >= 1 && url.port <= 65535);
    FUZZ_CHECK(url.portGiven || url.port == 79);
    for (QChar c : url.request)
        FUZZ_CHECK(c != QLatin1Char('\r') && c != QLatin1Char('\n') && c != QChar(0));
    const QString hostPart = FingerUrlHostPart(url);
    FUZZ_CHECK(hostPart.startsWith(url.host));

    const QString again = QStringLiteral("finger://") + hostPart + QLatin1Char('/')
                          + QString::fromLatin1(QUrl::toPercentEncoding(url.request));
    FingerUrl back;
    FUZZ_CHECK(ParseFingerUrl(again, back));
    FUZZ_CHECK(back.host == url.host && back.port == url.port && back.portGiven == url.portGiven
               && back.request == url.request);

    const QueryParts parts = SplitQueryExpression(text);
    FUZZ_CHECK(parts.host == hostPart && parts.user == url.request);
    FUZZ_CHECK(parts.connectHost == (url.portGiven ? hostPart : url.host + QStringLiteral(":79")));
    FUZZ_CHECK(!TabKey(text).isEmpty() && WebAddressFor(text) == QStringLiteral("http://www.") + hostPart);
    return 0;
}
