// The walk over a result's lines that both document writers share: runs by
// appearance, the marks each run opens and closes, the empty-line rule and
// the variant without runs. Plus plain text and saving to a file.

#include "results/DocumentOps.h"

#include "results/HTMLParser.h"
#include "results/ReplyText.h"

#include <QBuffer>
#include <QSaveFile>

#include <array>

namespace document {

namespace {

// How a run of a class is written: colour and font style. Face, size and
// background always follow the view.
struct Appearance {
    TColor colour = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const Appearance&) const = default;
};

// The class strings line by line: given, or tokenised in order with the
// state carried from line to line as the view does.
class ClassCursor {
public:
    explicit ClassCursor(const TDocumentInput& input) : input_(input) {}

    // The classes of line index, whose text is line.
    QByteArray At(qsizetype index, const QString& line)
    {
        if (!input_.classes.isEmpty())
            return index < input_.classes.size() ? input_.classes.at(index) : QByteArray();
        catchUp(index);
        QByteArray classes = parser_.TokenizeLine(line, state_);
        next_ = index + 1;
        if (input_.highlightUrls)
            MarkLinks(line, classes);
        return classes;
    }

    // Line index, whose text is line, is written without classes: only the
    // tokeniser's state moves on.
    void Pass(qsizetype index, const QString& line)
    {
        if (!input_.classes.isEmpty())
            return;
        catchUp(index);
        state_ = parser_.EndState(line, state_);
        next_ = index + 1;
    }

private:
    // The state after the lines before index that were not asked about.
    void catchUp(qsizetype index)
    {
        while (next_ < index)
            state_ = parser_.EndState(input_.Line(next_++), state_);
    }

    const TDocumentInput& input_;
    THTMLParser parser_;
    ParserState state_ = ParserState::Text;
    qsizetype next_ = 0;
};

struct Styles {
    std::array<Appearance, kTextStyleCount> table{}; // for cutting runs
    std::array<Appearance, kTextStyleCount> written{}; // for writing them
};

Styles MakeStyles(const TDocumentInput& input)
{
    Styles s;
    for (int c = 0; c < kTextStyleCount; ++c) {
        const TTextStyle& style = c < input.styles.size() ? input.styles.at(c) : DefaultTextStyle(c);
        s.table[size_t(c)] = {style.colour, style.bold, style.italic, style.underline, false};
        s.written[size_t(c)] = s.table[size_t(c)];
    }
    // Whitespace is written in the view's font and colour.
    s.written[0] = {input.foreground, input.font.bold, input.font.italic, input.font.underline,
                    input.font.strikeOut};
    return s;
}

inline int ClassAt(const QByteArray& classes, qsizetype i)
{
    if (i >= classes.size())
        return 0;
    const int c = quint8(classes.at(i));
    return c < kTextStyleCount ? c : 0;
}

void WriteRuns(const QString& line, const QByteArray& classes, const Styles& styles,
               const TDocumentInput& input, Ops& ops, int followingEmpty)
{
    const qsizetype n = line.size();
    qsizetype start = 0;
    TColor previousColour = 0;
    int column = 0;
    bool first = true;
    Mark opened[8];
    while (start < n) {
        const int cls = ClassAt(classes, start);
        const Appearance& key = styles.table[size_t(cls)];
        qsizetype end = start + 1;
        while (end < n && styles.table[size_t(ClassAt(classes, end))] == key)
            ++end;
        // A character outside the basic plane is never cut in two.
        if (end < n && line.at(end - 1).isHighSurrogate() && line.at(end).isLowSurrogate())
            ++end;
        const Appearance& look = styles.written[size_t(cls)];

        int count = 0;
        auto open = [&](Mark m, TColor colour = 0) {
            ops.Open(m, colour);
            opened[count++] = m;
        };
        // Face and size never differ from the view's, so they open only at
        // the start of a line.
        if (first) {
            open(Mark::Face);
            open(Mark::Size);
        }
        if (look.bold)
            open(Mark::Bold);
        if (look.italic)
            open(Mark::Italic);
        if (look.underline)
            open(Mark::Underline);
        if (look.strikeOut)
            open(Mark::StrikeOut);
        if (first || look.colour != previousColour || look.colour != input.foreground)
            open(Mark::Colour, look.colour);
        // The background of every class is the view's, so no background mark.
        ops.Text(QStringView(line).mid(start, end - start), column);
        if (end >= n)
            for (int k = 0; k < followingEmpty; ++k)
                ops.LineBreak();
        while (count > 0)
            ops.Close(opened[--count]);
        previousColour = look.colour;
        first = false;
        start = end;
    }
}

} // namespace

void WriteDocument(const TDocumentInput& input, Ops& ops)
{
    const Styles styles = MakeStyles(input);
    const TDocumentFont& font = input.font;
    ops.BeginDocument();
    ops.PageBackground(input.background);
    std::vector<Mark> outer{Mark::Face, Mark::Size};
    if (!input.highlightUrls) {
        if (font.bold)
            outer.push_back(Mark::Bold);
        if (font.italic)
            outer.push_back(Mark::Italic);
        if (font.underline)
            outer.push_back(Mark::Underline);
        if (font.strikeOut)
            outer.push_back(Mark::StrikeOut);
    }
    outer.push_back(Mark::Colour);
    for (Mark m : outer)
        ops.Open(m, input.foreground);

    ClassCursor cursor(input);
    const qsizetype count = input.LineCount();
    // Each line is asked for once: the look past empty lines keeps the first
    // line that is not empty for the next round.
    QString ahead;
    qsizetype aheadAt = -1;
    auto lineAt = [&](qsizetype index) {
        if (index != aheadAt) {
            ahead = input.Line(index);
            aheadAt = index;
        }
        return ahead;
    };
    for (qsizetype i = 0; i < count && !ops.Enough(); ++i) {
        if (i > 0)
            ops.LineBreak();
        const QString line = lineAt(i);
        // A line with control characters is written as the view and the
        // printout show it: in their notation, in the plain colour. Its text
        // still carries the tokeniser's state to the lines after it.
        if (!input.highlightUrls || HasControlNotation(line)) {
            if (input.highlightUrls)
                cursor.Pass(i, line);
            int column = 0;
            ops.Text(VisibleText(line), column);
            continue;
        }
        if (line.isEmpty())
            continue;
        int followingEmpty = 0;
        while (i + 1 + followingEmpty < count && lineAt(i + 1 + followingEmpty).isEmpty())
            ++followingEmpty;
        WriteRuns(line, cursor.At(i, line), styles, input, ops, followingEmpty);
        i += followingEmpty;
    }

    for (auto it = outer.rbegin(); it != outer.rend(); ++it)
        ops.Close(*it);
    ops.EndBody();
    ops.FinishDocument();
}

QByteArray HtmlColour(TColor colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", unsigned(colour & 0xFF), unsigned((colour >> 8) & 0xFF),
                  unsigned((colour >> 16) & 0xFF));
    return QByteArray(text, 7);
}

char32_t CodePointAt(QStringView text, qsizetype i, int& units)
{
    const char16_t c = text[i].unicode();
    units = 1;
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
        units = 2;
        return QChar::surrogateToUcs4(c, text[i + 1].unicode());
    }
    if (QChar::isSurrogate(c))
        return 0xFFFD; // half a pair stands for nothing readable
    return c;
}

} // namespace document

QByteArray TextDocument(const QStringList& lines)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteTextDocument(lines, buffer);
    return bytes;
}

bool WriteTextDocument(const QStringList& lines, QIODevice& device)
{
    TDocumentInput input;
    input.lines = lines;
    return WriteTextDocument(input, device);
}

bool WriteTextDocument(const TDocumentInput& input, QIODevice& device)
{
    document::Sink sink(&device);
    const qsizetype count = input.LineCount();
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0)
            sink.Append("\r\n", 2);
        sink.Append(input.Line(i).toUtf8());
    }
    return sink.Flush();
}

QByteArray HTMLDocument(const TDocumentInput& input)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteHTMLDocument(input, buffer);
    return bytes;
}

QByteArray RTFDocument(const TDocumentInput& input)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteRTFDocument(input, buffer);
    return bytes;
}

void SaveDocument(TDocumentKind kind, const TDocumentInput& input, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EInOutError(QStringLiteral("Cannot create file %1").arg(path));
    bool ok = false;
    switch (kind) {
    case TDocumentKind::Text: ok = WriteTextDocument(input, file); break;
    case TDocumentKind::RTF: ok = WriteRTFDocument(input, file); break;
    case TDocumentKind::HTML: ok = WriteHTMLDocument(input, file); break;
    }
    // Nothing of a failed save reaches the target: the old file stays.
    if (!ok || !file.commit())
        throw EInOutError(QStringLiteral("Cannot create file %1").arg(path));
}
