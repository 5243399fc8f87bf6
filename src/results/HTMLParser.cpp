#include "results/HTMLParser.h"

#include <QUrl>

#include <cstring>

namespace {

inline bool isLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
inline bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
inline bool isIdentStart(char16_t c) { return isLetter(c) || c == u'_'; }
inline bool isIdentChar(char16_t c) { return isIdentStart(c) || isDigit(c); }
// Control characters other than tab end strings and comment pieces.
inline bool isControl(char16_t c) { return c < 32 && c != u'\t'; }

inline bool isLinkChar(char16_t c)
{
    if (isIdentChar(c))
        return true;
    switch (c) {
    case u'-': case u'.': case u'/': case u':': case u'=': case u'?': case u'@': case u'~':
        return true;
    default:
        return false;
    }
}

// End of a string that starts with the double quote at `i`; a doubled quote
// right after a closing quote carries the string on.
qsizetype stringEnd(QStringView s, qsizetype i)
{
    const qsizetype n = s.size();
    qsizetype j = i + 1;
    for (;;) {
        while (j < n && s[j] != u'"' && !isControl(s[j].unicode()))
            ++j;
        if (j >= n || s[j] != u'"')
            return j;
        ++j; // the closing quote
        if (j < n && s[j] == u'"')
            ++j;
        else
            return j;
    }
}

qsizetype identEnd(QStringView s, qsizetype i)
{
    qsizetype j = i + 1;
    while (j < s.size() && isIdentChar(s[j].unicode()))
        ++j;
    return j;
}

qsizetype numberEnd(QStringView s, qsizetype i, bool& isFloat)
{
    const qsizetype n = s.size();
    qsizetype j = i;
    while (j < n && isDigit(s[j].unicode()))
        ++j;
    isFloat = false;
    if (j + 1 < n && s[j] == u'.' && isDigit(s[j + 1].unicode())) {
        j += 2;
        while (j < n && isDigit(s[j].unicode()))
            ++j;
        isFloat = true;
    }
    if (j < n && (s[j] == u'e' || s[j] == u'E')) {
        isFloat = true;
        ++j;
        if (j < n && (s[j] == u'+' || s[j] == u'-'))
            ++j;
        while (j < n && isDigit(s[j].unicode()))
            ++j;
    }
    return j;
}

// One pass over a line. With Emit false only the end state is wanted, which
// is how the start states of lines far down are found cheaply.
template <bool Emit>
ParserState tokenize(QStringView s, ParserState state, quint8* out)
{
    const qsizetype n = s.size();
    // A default capture: with Emit false `out` is not used, and an explicit
    // capture of it would be an unused one.
    auto mark = [&](qsizetype from, qsizetype to, quint8 cls) {
        if constexpr (Emit)
            std::memset(out + from, cls, size_t(to - from));
    };
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = s[i].unicode();
        qsizetype j = i + 1;
        switch (state) {
        case ParserState::Text:
            if (c == u'"') {
                j = stringEnd(s, i);
                mark(i, j, tcString);
            } else if (isIdentStart(c)) {
                j = identEnd(s, i);
                mark(i, j, tcIdentifier);
            } else if (isDigit(c)) {
                bool isFloat;
                j = numberEnd(s, i, isFloat);
                mark(i, j, isFloat ? tcFloat : tcInteger);
            } else if (c == u'<') {
                if (i + 3 < n && s[i + 1] == u'!' && s[i + 2] == u'-' && s[i + 3] == u'-') {
                    if (i + 4 < n && s[i + 4] == u'>') {
                        j = i + 5;
                    } else {
                        j = i + 3; // the second "-" is read in Comment
                        state = ParserState::Comment;
                    }
                    mark(i, j, tcComment);
                } else {
                    while (j < n && (s[j] == u'/' || isIdentChar(s[j].unicode())))
                        ++j;
                    mark(i, j, tcHtmlTag);
                    state = ParserState::Tag;
                }
            } else {
                mark(i, j, c >= 33 ? tcDelimiter : tcWhitespace);
            }
            break;
        case ParserState::Tag:
            if (c == u'"') {
                j = stringEnd(s, i);
                mark(i, j, tcString);
            } else if (isIdentStart(c)) {
                j = identEnd(s, i);
                mark(i, j, tcHtmlParam);
            } else if (isDigit(c)) {
                bool isFloat;
                j = numberEnd(s, i, isFloat);
                mark(i, j, isFloat ? tcFloat : tcInteger);
            } else if (c == u'>') {
                mark(i, j, tcHtmlTag);
                state = ParserState::Text;
            } else {
                mark(i, j, tcWhitespace);
            }
            break;
        case ParserState::Comment:
            if (c <= 32) {
                mark(i, j, tcWhitespace);
                break;
            }
            j = i;
            while (j < n && s[j] != u'-' && !isControl(s[j].unicode()))
                ++j;
            if (j < n && s[j] == u'-') {
                if (j + 2 < n && s[j + 1] == u'-' && s[j + 2] == u'>') {
                    j += 3;
                    state = ParserState::Text;
                } else {
                    j += 1;
                }
            }
            mark(i, j, tcComment);
            break;
        }
        i = j;
    }
    return state;
}

bool startsWithWebPrefix(QStringView text)
{
    static const char* const prefixes[] = {"WWW.", "HTTP://", "HTTPS://", "GOPHER://", "FTP://", "FINGER://"};
    for (const char* p : prefixes)
        if (text.startsWith(QLatin1String(p), Qt::CaseInsensitive))
            return true;
    return false;
}

const QLatin1String kMailto("MAILTO:");
const QLatin1String kFingerScheme("finger");

// Sentence punctuation after a link is not part of it: a final full stop,
// comma, semicolon, colon, exclamation or question mark, or a closing
// bracket without its opening one.
qsizetype trimmedLength(QStringView run)
{
    qsizetype n = run.size();
    while (n > 0) {
        const char16_t c = run[n - 1].unicode();
        if (c == u'.' || c == u',' || c == u';' || c == u':' || c == u'!' || c == u'?') {
            --n;
        } else if (c == u')' && run.first(n).count(u'(') < run.first(n).count(u')')) {
            --n;
        } else {
            break;
        }
    }
    return n;
}

bool isFingerUser(QStringView user)
{
    for (QChar ch : user) {
        const char16_t c = ch.unicode();
        if (!isIdentChar(c) && c != u'.' && c != u'-' && c != u'~' && c != u'=')
            return false;
    }
    return true;
}

} // namespace

QByteArray THTMLParser::TokenizeLine(const QString& line, ParserState& state) const
{
    QByteArray classes(line.size(), char(tcWhitespace));
    state = tokenize<true>(line, state, reinterpret_cast<quint8*>(classes.data()));
    return classes;
}

ParserState THTMLParser::EndState(QStringView line, ParserState state) const
{
    return tokenize<false>(line, state, nullptr);
}

QVector<QPair<int, int>> FindLinks(const QString& line)
{
    QVector<QPair<int, int>> links;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n && !isIdentChar(line[i].unicode()))
        ++i;
    while (i < n) {
        qsizetype j = i;
        while (j < n && isLinkChar(line[j].unicode()))
            ++j;
        const qsizetype length = trimmedLength(QStringView(line).sliced(i, j - i));
        if (length > 0 && IsLinkRun(QStringView(line).sliced(i, length)))
            links.append({int(i), int(length)});
        i = j;
        while (i < n && !isLinkChar(line[i].unicode()))
            ++i;
    }
    return links;
}

void MarkLinks(const QString& line, QByteArray& classes)
{
    if (classes.size() < line.size())
        classes.resize(line.size(), char(tcWhitespace));
    for (const auto& [start, length] : FindLinks(line))
        std::memset(classes.data() + start, tcUrl, size_t(length));
}

bool IsLinkRun(QStringView run)
{
    return startsWithWebPrefix(run) || run.startsWith(kMailto, Qt::CaseInsensitive)
           || IsMailAddress(run);
}

bool IsMailAddress(QStringView run)
{
    const qsizetype at = run.indexOf(u'@');
    if (at < 0 || run.indexOf(u'@', at + 1) >= 0 || at + 1 >= run.size())
        return false;
    if (!isIdentChar(run[at + 1].unicode()))
        return false;
    return run.lastIndexOf(u'.') > at;
}

QString LinkTarget(const QString& linkText)
{
    // A web address with a user name in it (ftp://user@host.example/) is
    // still a web address, not a mail address.
    const bool web = startsWithWebPrefix(linkText);
    if (!web && IsMailAddress(linkText) && !linkText.contains(kMailto, Qt::CaseInsensitive))
        return QStringLiteral("mailto:") + linkText;
    // The desktop opener would take "www.host" for a file name.
    if (linkText.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        return QStringLiteral("http://") + linkText;
    return linkText;
}

QUrl LinkUrl(const QString& linkText)
{
    if (!IsLinkRun(linkText))
        return {};
    for (QChar c : linkText)
        if (!isLinkChar(c.unicode()))
            return {};
    const QUrl url(LinkTarget(linkText), QUrl::StrictMode);
    if (!url.isValid())
        return {};
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("mailto"))
        return url.path().isEmpty() ? QUrl() : url;
    if (scheme == kFingerScheme)
        return FingerLinkQuery(linkText).isEmpty() ? QUrl() : url;
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("ftp")
        || scheme == QLatin1String("gopher"))
        return url.host().isEmpty() ? QUrl() : url;
    return {};
}

QString FingerLinkQuery(const QString& linkText)
{
    const QUrl url(linkText, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != kFingerScheme || url.host().isEmpty() || url.hasQuery()
        || url.hasFragment() || !url.password().isEmpty())
        return {};
    QString path = url.path();
    if (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    const QString name = url.userName();
    if (path.contains(QLatin1Char('/')) || (!name.isEmpty() && !path.isEmpty()))
        return {};
    const QString user = name.isEmpty() ? path : name;
    if (!isFingerUser(user))
        return {};
    QString host = url.host();
    if (url.port() > 0)
        host += QLatin1Char(':') + QString::number(url.port());
    return user + QLatin1Char('@') + host;
}
