#pragma once
// The text of a result tab, held once: the lines as received, in UTF-8, one
// after the other in a single buffer with an index of where each begins.
// A line becomes a QString only when it is painted, searched, copied or
// saved. The shown form (ANSI SGR sequences taken out) is derived from the
// received one line by line, with the colour state at each line's start
// kept only where it changes.

#include "results/HTMLParser.h"
#include "results/SgrParser.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <compare>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

// A position in the text: line and column (a UTF-16 index into the line),
// both from 0.
struct TMemoPos {
    int line = 0;
    int col = 0;
    auto operator<=>(const TMemoPos&) const = default;
};

// The one search of the program: text and options, shared by every view so
// that Find Again repeats it in whichever view is active.
struct TSearchOptions {
    QString text;
    bool caseSensitive = false;
    bool wholeWords = false;
    bool regularExpression = false;
    bool selectedOnly = false; // scope: the selected text instead of all of it
    bool entireScope = false;  // origin: the whole scope instead of from the caret
    bool backward = false;
};

class TReplyDocument {
public:
    // --- text
    void Clear();
    // Replaces the text with a reply's lines, split and decoded by the rules
    // of SplitReplyLines. Takes the bytes: moved in, a UTF-8 reply is not
    // copied.
    void LoadBytes(QByteArray bytes);
    void AppendBytes(QByteArray bytes);
    void SetLines(const QStringList& lines);
    void AppendLines(const QStringList& lines);

    // Whether SGR sequences are taken out of the shown lines.
    bool StripsSgr() const { return stripSgr_; }
    void SetStripsSgr(bool on);
    // Whether any line so far held a sequence.
    bool SgrActive() const { return sgrSeen_; }

    int LineCount() const { return int(indexCount() - 1 + (dropped_ > 0 ? 1 : 0)); }
    QString Line(int index) const;         // as shown; empty out of range
    QString ReceivedLine(int index) const; // as received
    QByteArray ReceivedUtf8(int index) const;
    QStringList Lines() const;
    QStringList ReceivedLines() const;
    // Characters of the shown lines, one more for each line's break.
    qint64 TextSize() const { return textSize_; }
    // The longest shown line so far, in characters, counted up to the
    // length cap (what a view shows of a line at most).
    int MaxLineLength() const { return maxLength_; }
    void SetLengthCap(int cap) { lengthCap_ = cap; }

    TSgrState StartState(int line) const;
    // The runs of a line's shown text, over at most `limit` characters.
    QVector<TSgrRun> Runs(int line, qsizetype limit = -1) const;

    // --- the bound on the text
    // Drops the oldest lines until the text, with a notice line in their
    // place, fits in `limit` characters; the newest line always stays.
    // Answers how many lines went from the front (an earlier notice among
    // them), 0 when nothing went.
    int EnforceLimit(qint64 limit, qint64 noticeRoom, const std::function<QString(qint64)>& notice);
    qint64 DroppedLines() const { return dropped_; }

    // --- token classes, from line to line
    void SetParser(const THTMLParser* parser);
    QByteArray LineClasses(int index, bool markLinks) const;

    // --- search (in TextSearch.cpp), over the shown text between
    // `scopeStart` and `scopeEnd`: the first match from `from` on or,
    // backward, the last one that starts before it. An empty match, a
    // match that is not a whole word when whole words are asked for, and
    // an invalid expression find nothing. Matches do not cross lines.
    std::optional<std::pair<TMemoPos, TMemoPos>> Find(const TSearchOptions& options, TMemoPos from,
                                                      TMemoPos scopeStart, TMemoPos scopeEnd) const;

private:
    qsizetype indexCount() const { return qsizetype(starts_.size()) - firstIndex_; }
    qsizetype bufferLine(int index) const; // index into starts_, -1 for the notice or out of range
    QByteArrayView slice(qsizetype at) const;
    void appendUtf8Line(QByteArrayView line);
    void appendBuffer(QByteArray bytes);
    void lineAdded(qsizetype at, QByteArrayView bytes);
    TSgrState startStateAt(qsizetype at) const;
    QString shown(qsizetype at, const QString& received) const;
    qsizetype shownLength(qsizetype at) const;
    void ensureStates(int upTo) const;
    void resetDerived();
    void compact();

    QByteArray buffer_;                // every line followed by one LF
    std::vector<qint64> starts_{0};    // where each line starts; the last entry is the end
    qsizetype firstIndex_ = 0;         // entries of starts_ before it are dropped lines
    qint64 dropped_ = 0;               // above 0, line 0 is notice_
    QString notice_;
    bool stripSgr_ = true;
    bool sgrSeen_ = false;
    TSgrState end_;                    // the state after the last line
    // (starts_ index, state) where a line's start state differs from the one before
    std::vector<std::pair<qsizetype, TSgrState>> changes_;
    qint64 textSize_ = 0;
    int maxLength_ = 0;
    int lengthCap_ = 10000;

    const THTMLParser* parser_ = nullptr;
    mutable std::vector<ParserState> endStates_; // by shown line
    mutable int statesKnown_ = 0;
    mutable qsizetype cachedAt_ = -1;  // one line kept decoded, for the caret's moves
    mutable QString cachedReceived_;
};
