// The HTML writer: font tags for the marks, "&nbsp;" for every blank, tabs
// expanded to the stops the view uses, and numeric character references for
// everything outside ASCII.

#include "results/DocumentOps.h"

#include <QBuffer>

namespace {

using document::Mark;

// A character that needs no escape, by code.
constexpr bool Plain(char16_t c)
{
    return c < 128 && c != u' ' && c != u'"' && c != u'&' && c != u'<' && c != u'>' && c != u'\t';
}

// HTML font size classes of a size in points.
int SizeClass(int points)
{
    if (points >= 1 && points <= 8)
        return 1;
    if (points >= 9 && points <= 11)
        return 2;
    if (points == 12 || points == 13)
        return 3;
    if (points >= 14 && points <= 17)
        return 4;
    if (points >= 18 && points <= 23)
        return 5;
    if (points >= 24 && points <= 35)
        return 6;
    return 7;
}

// Tab stops at columns 9, 17, 25, ... counted from 0.
int NextTabStop(int column)
{
    return column < 9 ? 9 : 9 + 8 * ((column - 9) / 8 + 1);
}

void AppendReference(QByteArray& out, char32_t code)
{
    out.append("&#", 2);
    out.append(QByteArray::number(quint32(code)));
    out.append(';');
}

// Escapes for an attribute value (a font name): ASCII names stay as they are.
QByteArray AttributeText(const QString& text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size();) {
        int units = 1;
        const char32_t c = document::CodePointAt(text, i, units);
        i += units;
        switch (c) {
        case U'"': out.append("&quot;"); break;
        case U'&': out.append("&amp;"); break;
        case U'<': out.append("&lt;"); break;
        case U'>': out.append("&gt;"); break;
        default:
            if (c < 128)
                out.append(char(c));
            else
                AppendReference(out, c);
        }
    }
    return out;
}

class HtmlOps : public document::Ops {
public:
    HtmlOps(const TDocumentInput& input, document::Sink& sink)
        : face_("<font face=\"" + AttributeText(input.font.name) + "\">"),
          size_("<font SIZE=\"" + QByteArray::number(SizeClass(input.font.size)) + "\">"), out_(sink)
    {
    }

    void BeginDocument() override
    {
        out_.Append("<Html><Head></Head><Title></Title><Body>");
        out_.Append("<font face=\"Times New Roman\">");
        lastAttributeTag_ = "font";
    }
    void PageBackground(TColor colour) override
    {
        AttributeTag("Body", "<Body BGCOLOR=\"" + document::HtmlColour(colour) + "\">");
    }
    void Open(Mark mark, TColor colour) override
    {
        switch (mark) {
        case Mark::Face: AttributeTag("font", face_); break;
        case Mark::Size: AttributeTag("font", size_); break;
        case Mark::Bold: out_.Append("<B>", 3); break;
        case Mark::Italic: out_.Append("<I>", 3); break;
        case Mark::Underline: out_.Append("<U>", 3); break;
        case Mark::StrikeOut: out_.Append("<S>", 3); break;
        case Mark::Colour:
            AttributeTag("font", colourTags_.Get(colour, [](TColor c) {
                return "<font color=\"" + document::HtmlColour(c) + "\">";
            }));
            break;
        case Mark::Background: break;
        }
    }
    void Close(Mark mark) override
    {
        switch (mark) {
        case Mark::Face:
        case Mark::Size:
        case Mark::Colour: out_.Append("</font>", 7); break;
        case Mark::Bold: out_.Append("</B>", 4); break;
        case Mark::Italic: out_.Append("</I>", 4); break;
        case Mark::Underline: out_.Append("</U>", 4); break;
        case Mark::StrikeOut: out_.Append("</S>", 4); break;
        case Mark::Background: break;
        }
    }
    void Text(QStringView text, int& column) override
    {
        QByteArray& out = out_.Buffer();
        const qsizetype n = text.size();
        qsizetype i = 0;
        while (i < n) {
            // The common case, a stretch of plain ASCII, in one append.
            qsizetype j = i;
            while (j < n && Plain(text[j].unicode()))
                ++j;
            if (j > i) {
                const qsizetype at = out.size();
                out.resize(at + (j - i));
                char* dst = out.data() + at;
                for (qsizetype k = i; k < j; ++k)
                    *dst++ = char(text[k].unicode());
                column += int(j - i);
                i = j;
                continue;
            }
            int units = 1;
            const char32_t c = document::CodePointAt(text, i, units);
            i += units;
            switch (c) {
            case U' ': out.append("&nbsp;", 6); ++column; break;
            case U'"': out.append("&quot;", 6); ++column; break;
            case U'&': out.append("&amp;", 5); ++column; break;
            case U'<': out.append("&lt;", 4); ++column; break;
            case U'>': out.append("&gt;", 4); ++column; break;
            case U'\t': {
                const int stop = NextTabStop(column);
                for (; column < stop; ++column)
                    out.append("&nbsp;", 6);
                break;
            }
            default:
                AppendReference(out, c);
                ++column;
            }
        }
        out_.Spill();
    }
    void LineBreak() override { out_.Append("<BR>\r\n", 6); }
    void EndBody() override { out_.Append("</Body>"); }
    void FinishDocument() override { out_.Append("</font></Body></Html>"); }

private:
    // A start tag with attributes goes on a new line when its name differs
    // from the last such tag's.
    void AttributeTag(const char* name, const QByteArray& tag)
    {
        if (qstrcmp(lastAttributeTag_.constData(), name) != 0) {
            out_.Append("\r\n", 2);
            lastAttributeTag_ = name;
        }
        out_.Append(tag);
    }

    QByteArray face_;
    QByteArray size_;
    QByteArray lastAttributeTag_;
    document::ColourTags colourTags_;
    document::Sink& out_;
};

} // namespace

bool WriteHTMLDocument(const TDocumentInput& input, QIODevice& device)
{
    document::Sink sink(&device);
    HtmlOps ops(input, sink);
    document::WriteDocument(input, ops);
    return sink.Flush();
}
