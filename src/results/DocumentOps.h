#pragma once
// The inside of the two document writers: the operations each writer
// implements, and the one walk over the lines that calls them.

#include "results/DocumentWriter.h"

#include <QIODevice>
#include <QStringView>

#include <utility>
#include <vector>

namespace document {

// The marks a run opens, in the order they are opened; ends go in reverse.
enum class Mark { Face, Size, Bold, Italic, Underline, StrikeOut, Colour, Background };

// Bytes collected in pieces and handed to a device (or kept) as they grow.
class Sink {
public:
    // The buffer grows as a document does (a small one never takes a
    // whole piece) and keeps its allocation from piece to piece.
    explicit Sink(QIODevice* device) : device_(device) {}
    void Append(const char* text, qsizetype size) { buffer_.append(text, size); Spill(); }
    void Append(const QByteArray& text) { buffer_.append(text); Spill(); }
    template <qsizetype N>
    void Append(const char (&literal)[N]) { Append(literal, N - 1); }
    void Append(char c) { buffer_.append(c); }
    QByteArray& Buffer() { return buffer_; }
    void Spill()
    {
        if (device_ && buffer_.size() >= kPiece)
            Flush();
    }
    bool Flush()
    {
        if (device_ && !buffer_.isEmpty()) {
            ok_ = ok_ && device_->write(buffer_) == buffer_.size();
            buffer_.resize(0); // keeps the allocation for the next piece
        }
        return ok_;
    }
    bool Ok() const { return ok_; }

private:
    static constexpr qsizetype kPiece = 1 << 20;
    QIODevice* device_;
    QByteArray buffer_;
    bool ok_ = true;
};

// Tags that differ only by colour, made once per colour.
class ColourTags {
public:
    template <class Make>
    const QByteArray& Get(TColor colour, Make make)
    {
        for (const auto& [c, tag] : tags_)
            if (c == colour)
                return tag;
        tags_.emplace_back(colour, make(colour));
        return tags_.back().second;
    }

private:
    std::vector<std::pair<TColor, QByteArray>> tags_;
};

class Ops {
public:
    virtual ~Ops() = default;
    virtual void BeginDocument() = 0;
    virtual void PageBackground(TColor colour) = 0;
    // `colour` is only read for Colour and Background.
    virtual void Open(Mark mark, TColor colour) = 0;
    virtual void Close(Mark mark) = 0;
    // Escaped text of a run (or a whole line); `column` is the line's
    // column before it, kept up to date for tab stops.
    virtual void Text(QStringView text, int& column) = 0;
    virtual void LineBreak() = 0;
    virtual void EndBody() = 0;
    virtual void FinishDocument() = 0;
    // A pass that only gathers can stop early.
    virtual bool Enough() const { return false; }
};

// Walks the lines and calls `ops` as both documents are built.
void WriteDocument(const TDocumentInput& input, Ops& ops);

// "#RRGGBB" of a plain colour.
QByteArray HtmlColour(TColor colour);

// A UTF-16 unit pair at i as one code point; `units` says how many it took.
char32_t CodePointAt(QStringView text, qsizetype i, int& units);

} // namespace document
