// Find over a reply document: the shown lines, one at a time.

#include "results/ReplyDocument.h"

#include <QRegularExpression>

namespace {

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

bool isWholeWord(const QString& line, qsizetype start, qsizetype length)
{
    if (start > 0 && isWordChar(line[start - 1]))
        return false;
    const qsizetype end = start + length;
    return end >= line.size() || !isWordChar(line[end]);
}

// Matches of the search in one line, left to right, each inside [from, to).
class LineMatcher {
public:
    explicit LineMatcher(const TSearchOptions& options) : options_(options)
    {
        if (options.regularExpression) {
            QRegularExpression::PatternOptions flags = QRegularExpression::UseUnicodePropertiesOption;
            if (!options.caseSensitive)
                flags |= QRegularExpression::CaseInsensitiveOption;
            regex_ = QRegularExpression(options.text, flags);
            regex_.optimize();
        }
    }

    bool valid() const { return !options_.regularExpression || regex_.isValid(); }

    // The first match starting at or after `from` that ends by `to`.
    bool next(const QString& line, qsizetype from, qsizetype to, qsizetype& start, qsizetype& length) const
    {
        while (from <= to) {
            if (options_.regularExpression) {
                const QRegularExpressionMatch m = regex_.match(line, from);
                if (!m.hasMatch())
                    return false;
                start = m.capturedStart();
                length = m.capturedLength();
            } else {
                start = line.indexOf(options_.text, from,
                                     options_.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
                if (start < 0)
                    return false;
                length = options_.text.size();
            }
            if (start + length > to)
                return false;
            // An empty match finds nothing a user could see or step over.
            if (length > 0 && (!options_.wholeWords || isWholeWord(line, start, length)))
                return true;
            from = start + 1;
        }
        return false;
    }

private:
    const TSearchOptions& options_;
    QRegularExpression regex_;
};

} // namespace

std::optional<std::pair<TMemoPos, TMemoPos>> TReplyDocument::Find(const TSearchOptions& options, TMemoPos from,
                                                                  TMemoPos scopeStart, TMemoPos scopeEnd) const
{
    const LineMatcher matcher(options);
    if (options.text.isEmpty() || !matcher.valid() || LineCount() == 0)
        return std::nullopt;
    scopeEnd.line = std::min(scopeEnd.line, LineCount() - 1);
    qsizetype start = 0, length = 0;
    if (!options.backward) {
        for (int line = from.line; line <= scopeEnd.line; ++line) {
            const QString text = Line(line);
            const qsizetype lo = line == from.line ? from.col : 0;
            const qsizetype hi = line == scopeEnd.line ? scopeEnd.col : text.size();
            if (matcher.next(text, lo, hi, start, length))
                return std::pair{TMemoPos{line, int(start)}, TMemoPos{line, int(start + length)}};
        }
        return std::nullopt;
    }
    for (int line = from.line; line >= scopeStart.line; --line) {
        const QString text = Line(line);
        const qsizetype lo = line == scopeStart.line ? scopeStart.col : 0;
        const qsizetype hi = line == scopeEnd.line ? scopeEnd.col : text.size();
        // The last match that starts before `from`.
        const qsizetype limit = line == from.line ? from.col : text.size() + 1;
        std::optional<std::pair<TMemoPos, TMemoPos>> last;
        qsizetype at = lo;
        while (matcher.next(text, at, hi, start, length) && start < limit) {
            last = std::pair{TMemoPos{line, int(start)}, TMemoPos{line, int(start + length)}};
            at = start + 1;
        }
        if (last)
            return last;
    }
    return std::nullopt;
}
