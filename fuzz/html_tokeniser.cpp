// The HTML tokeniser over the lines of a text: one class per character, only
// the classes it can give, each class where its characters allow it, and the
// cheap end-state pass agreeing with the full one, so the view's start states
// of far lines match what tokenising every line in turn gives.
#include "FuzzCheck.h"
#include "results/HTMLParser.h"

namespace {

bool isIdentChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'_';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const THTMLParser parser;
    ParserState state = ParserState::Text;
    for (const QString& line : fuzz::Lines(fuzz::Text(data, size))) {
        const ParserState start = state;
        const QByteArray classes = parser.TokenizeLine(line, state);
        FUZZ_CHECK(classes.size() == line.size());
        FUZZ_CHECK(parser.EndState(line, start) == state);
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            switch (quint8(classes[i])) {
            case tcWhitespace:
            case tcComment:
            case tcDelimiter:
                break;
            case tcString:
                FUZZ_CHECK(c == QLatin1Char('"') || (i > 0 && classes[i - 1] == char(tcString)));
                break;
            case tcIdentifier:
            case tcHtmlParam:
                FUZZ_CHECK(isIdentChar(c));
                break;
            case tcInteger:
                FUZZ_CHECK(c.unicode() >= u'0' && c.unicode() <= u'9');
                break;
            case tcFloat:
                FUZZ_CHECK(isIdentChar(c) || c == QLatin1Char('.') || c == QLatin1Char('+') || c == QLatin1Char('-'));
                break;
            case tcHtmlTag:
                FUZZ_CHECK(isIdentChar(c) || c == QLatin1Char('<') || c == QLatin1Char('/') || c == QLatin1Char('>'));
                break;
            default:
                FUZZ_CHECK(!"a class the tokeniser never gives");
            }
        }
        // Determinism: the same line from the same state gives the same.
        ParserState again = start;
        FUZZ_CHECK(parser.TokenizeLine(line, again) == classes && again == state);
    }
    return 0;
}
