// Query expressions and the repeat timer's list: every character of the text
// ends up in exactly one place, nothing is trimmed or lost.
#include "FuzzCheck.h"
#include "finger/FingerUrl.h"
#include "finger/QueryExpression.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = fuzz::Text(data, size);
    const QChar at = QLatin1Char('@');

    // A finger:// link splits by its own rules (the finger_url target); the
    // list split below holds for it all the same.
    const bool link = IsFingerUrl(text);
    QueryParts parts;
    try {
        parts = SplitQueryExpression(text);
    } catch (const EFingerUrlError&) {
        FUZZ_CHECK(link);
    }
    if (!link && text.contains(at))
        FUZZ_CHECK(parts.user + at + parts.host == text && !parts.user.contains(at));
    else if (!link)
        FUZZ_CHECK(parts.host == text && parts.user.isEmpty());
    FUZZ_CHECK(IsValidQueryExpression(text) == !text.isEmpty());
    if (!link) {
        FUZZ_CHECK(parts.connectHost == parts.host);
        FUZZ_CHECK(WebAddressFor(text) == QStringLiteral("http://www.") + parts.host);
        const QString key = TabKey(text);
        FUZZ_CHECK(key == (parts.user.isEmpty() ? parts.host : parts.user + QLatin1Char('-') + parts.host));
    }

    const QChar comma = QLatin1Char(',');
    const QStringList items = SplitQueryList(text);
    FUZZ_CHECK(items.size() == text.count(comma));
    for (const QString& item : items)
        FUZZ_CHECK(!item.contains(comma));
    if (!items.isEmpty())
        FUZZ_CHECK(items.join(comma) + comma == text.left(text.lastIndexOf(comma) + 1));
    // The repeat timer closes the box text with a comma: nothing is dropped.
    FUZZ_CHECK(SplitQueryList(text + comma).join(comma) == text);
    return 0;
}
