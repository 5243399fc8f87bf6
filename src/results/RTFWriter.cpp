// The RTF writer: groups for the marks, a font table and a colour table that
// list fonts and colours in the order they are first used, \uN? for every
// character outside ASCII.
//
// The tables stand at the front of the document but grow while the body is
// written, so a first pass gathers them and the second writes the document
// straight through: a large result is never held twice in memory.

#include "results/DocumentOps.h"

#include <utility>
#include <vector>

namespace {

using document::Mark;

struct Tables {
    std::vector<std::pair<QByteArray, int>> fonts{{QByteArrayLiteral("\\fnil Times New Roman"), 1}};
    std::vector<TColor> colours;

    int Font(const QByteArray& name, int charset)
    {
        for (size_t i = 0; i < fonts.size(); ++i)
            if (fonts[i].first == name && fonts[i].second == charset)
                return int(i);
        fonts.emplace_back(name, charset);
        return int(fonts.size() - 1);
    }
    int Colour(TColor colour)
    {
        for (size_t i = 0; i < colours.size(); ++i)
            if (colours[i] == colour)
                return int(i);
        colours.push_back(colour);
        return int(colours.size() - 1);
    }
};

void AppendUnicode(QByteArray& out, char16_t unit)
{
    out.append("\\u", 2);
    out.append(QByteArray::number(int(qint16(unit))));
    out.append('?');
}

// A character outside ASCII as \uN? for each of its UTF-16 units; half a
// surrogate pair as the replacement character.
void AppendNonAscii(QByteArray& out, QStringView text, qsizetype& i)
{
    const char16_t c = text[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
        AppendUnicode(out, c);
        AppendUnicode(out, text[i + 1].unicode());
        i += 2;
        return;
    }
    AppendUnicode(out, QChar::isSurrogate(c) ? u'\xFFFD' : c);
    ++i;
}

// A font name in the font table: ASCII names as they are; the characters
// that would end the entry or the group escaped.
QByteArray FontName(const QString& name)
{
    QByteArray out;
    for (qsizetype i = 0; i < name.size();) {
        const char16_t c = name[i].unicode();
        if (c >= 128) {
            AppendNonAscii(out, name, i);
            continue;
        }
        if (c == u'\\' || c == u'{' || c == u'}')
            out.append('\\');
        if (c == u';')
            out.append("\\'3b");
        else
            out.append(char(c));
        ++i;
    }
    return out;
}

class RtfOps : public document::Ops {
public:
    RtfOps(const TDocumentInput& input, Tables& tables, document::Sink* sink)
        : name_(FontName(input.font.name)), charset_(input.font.charset),
          size_("{\\fs" + QByteArray::number(2 * input.font.size) + " \r\n"), tables_(tables), out_(sink)
    {
    }

    void BeginDocument() override
    {
        if (!out_)
            return;
        out_->Append("{\\rtf1\\ansi ");
        out_->Append("{\\fonttbl\r\n");
        for (size_t i = 0; i < tables_.fonts.size(); ++i)
            out_->Append("{\\f" + QByteArray::number(qsizetype(i)) + "\\fcharset" +
                         QByteArray::number(tables_.fonts[i].second) + ' ' + tables_.fonts[i].first + ";}\r\n");
        out_->Append("}\r\n");
        out_->Append("{\\colortbl\r\n");
        for (TColor c : tables_.colours)
            out_->Append("\\red" + QByteArray::number(c & 0xFF) + "\\green" + QByteArray::number((c >> 8) & 0xFF) +
                         "\\blue" + QByteArray::number((c >> 16) & 0xFF) + ";\r\n");
        out_->Append("}\r\n");
        out_->Append("\r\n{\\plain \r\n");
    }
    void PageBackground(TColor) override {}
    void Open(Mark mark, TColor colour) override
    {
        switch (mark) {
        case Mark::Face:
            if (face_.isEmpty())
                face_ = "{\\f" + QByteArray::number(tables_.Font(name_, charset_)) + ' ';
            Write(face_);
            break;
        case Mark::Size: Write(size_); break;
        case Mark::Bold: Write("{\\b \r\n"); break;
        case Mark::Italic: Write("{\\i \r\n"); break;
        case Mark::Underline: Write("{\\ul \r\n"); break;
        case Mark::StrikeOut: Write("{\\strike \r\n"); break;
        case Mark::Colour:
            Write(colourTags_.Get(colour, [this](TColor c) {
                return "{\\cf" + QByteArray::number(tables_.Colour(c)) + ' ';
            }));
            break;
        case Mark::Background: {
            const int index = tables_.Colour(colour);
            Write("{\\highlight" + QByteArray::number(index) + ' ');
            break;
        }
        }
        if (!out_)
            enough_ = tables_.colours.size() >= wanted_;
    }
    void Close(Mark) override
    {
        if (out_)
            out_->Append('}');
    }
    void Text(QStringView text, int&) override
    {
        if (!out_)
            return;
        QByteArray& out = out_->Buffer();
        const qsizetype n = text.size();
        for (qsizetype i = 0; i < n;) {
            const char16_t c = text[i].unicode();
            switch (c) {
            case u'\t': out.append("\\tab ", 5); ++i; break;
            case u'\\': out.append("\\\\", 2); ++i; break;
            case u'{': out.append("\\{", 2); ++i; break;
            case u'}': out.append("\\}", 2); ++i; break;
            default:
                if (c < 128) {
                    out.append(char(c));
                    ++i;
                } else {
                    AppendNonAscii(out, text, i);
                }
            }
        }
        out_->Spill();
    }
    void LineBreak() override { Write("{\\line \r\n}"); }
    void EndBody() override {}
    void FinishDocument() override { Write("}}"); }
    bool Enough() const override { return enough_; }

    // The gathering pass may stop once every colour a document can use is in.
    void StopAfter(size_t colours) { wanted_ = colours; }

private:
    void Write(const QByteArray& text)
    {
        if (out_)
            out_->Append(text);
    }
    template <qsizetype N>
    void Write(const char (&literal)[N])
    {
        if (out_)
            out_->Append(literal, N - 1);
    }

    QByteArray name_;
    int charset_;
    QByteArray size_;
    QByteArray face_;
    document::ColourTags colourTags_;
    Tables& tables_;
    document::Sink* out_;
    size_t wanted_ = size_t(-1);
    bool enough_ = false;
};

} // namespace

bool WriteRTFDocument(const TDocumentInput& input, QIODevice& device)
{
    Tables tables;
    {
        RtfOps gather(input, tables, nullptr);
        std::vector<TColor> possible{input.foreground};
        for (int c = 1; c < kTextStyleCount; ++c) {
            const TColor colour = c < input.styles.size() ? input.styles.at(c).colour : DefaultTextStyle(c).colour;
            if (std::find(possible.begin(), possible.end(), colour) == possible.end())
                possible.push_back(colour);
        }
        gather.StopAfter(possible.size());
        document::WriteDocument(input, gather);
    }
    document::Sink sink(&device);
    RtfOps ops(input, tables, &sink);
    document::WriteDocument(input, ops);
    return sink.Flush();
}
