// The link marker: runs of link characters, left to right, each a link by the
// rule less its trailing sentence punctuation, marked over the tokeniser's
// classes and nothing else; what a click opens is one of the link kinds or
// nothing.
#include "FuzzCheck.h"
#include "results/HTMLParser.h"

#include <QUrl>

namespace {

bool isLinkChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9')
           || QStringView(u"_-./:=?@~").contains(c);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const THTMLParser parser;
    ParserState state = ParserState::Text;
    for (const QString& line : fuzz::Lines(fuzz::Text(data, size))) {
        const QByteArray tokens = parser.TokenizeLine(line, state);
        QByteArray classes = tokens;
        MarkLinks(line, classes);
        FUZZ_CHECK(classes.size() == line.size());

        QByteArray expected = tokens;
        qsizetype previousEnd = 0;
        for (const auto& [start, length] : FindLinks(line)) {
            FUZZ_CHECK(start >= previousEnd && length > 0 && start + length <= line.size());
            const QStringView run = QStringView(line).sliced(start, length);
            for (QChar c : run)
                FUZZ_CHECK(isLinkChar(c));
            // Only sentence punctuation may follow the link inside its run.
            qsizetype end = start + length;
            while (end < line.size() && isLinkChar(line[end])) {
                FUZZ_CHECK(QStringView(u".:?").contains(line[end]));
                ++end;
            }
            FUZZ_CHECK(IsLinkRun(run));
            FUZZ_CHECK(!QStringView(u".:?").contains(run.back()));
            previousEnd = end;
            for (qsizetype i = start; i < start + length; ++i)
                expected[i] = char(tcUrl);

            const QString text = run.toString();
            FUZZ_CHECK(!LinkTarget(text).isEmpty());
            const QUrl url = LinkUrl(text);
            if (url.isValid()) {
                const QString scheme = url.scheme();
                FUZZ_CHECK(scheme == QLatin1String("http") || scheme == QLatin1String("https")
                           || scheme == QLatin1String("ftp") || scheme == QLatin1String("gopher")
                           || scheme == QLatin1String("mailto") || scheme == QLatin1String("finger"));
            }
        }
        FUZZ_CHECK(classes == expected);
        // Whatever the line, a click on it opens a link kind or nothing.
        const QUrl any = LinkUrl(line);
        FUZZ_CHECK(!any.isValid() || IsLinkRun(line));
    }
    return 0;
}
