#pragma once
// ANSI SGR sequences (ESC [ params m, or the 8-bit CSI U+009B params m) in
// reply lines: taken out of the text and turned into the colours and styles
// of what follows. Nothing here obeys any other escape: a sequence that is
// not SGR, or not complete, stays in the text, where the view shows it in
// caret notation.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

#include <vector>

// A colour of an SGR state: the kind in the top byte, the value below it.
enum TSgrColourKind : quint32 {
    sgrDefault = 0,              // the view's colour
    sgrIndexed = 0x01000000u,    // | palette index 0-255 (0-15 the standard colours)
    sgrRgb = 0x02000000u,        // | 0xRRGGBB
};
inline constexpr quint32 kSgrKindMask = 0xFF000000u;

enum TSgrAttribute : quint16 {
    sgrBold = 1, sgrFaint = 2, sgrItalic = 4, sgrUnderline = 8, sgrReverse = 16, sgrStrike = 32,
};

struct TSgrState {
    quint32 fg = sgrDefault;
    quint32 bg = sgrDefault;
    quint16 attributes = 0;

    bool isDefault() const { return fg == sgrDefault && bg == sgrDefault && attributes == 0; }
    bool operator==(const TSgrState&) const = default;
};

// A stretch of a line's shown text (sequences taken out) in one state.
struct TSgrRun {
    int start = 0;
    int length = 0;
    TSgrState state;
};

// Applies the parameters of one sequence (the text between the introducer
// and the final "m") to `state`, as a terminal does: an empty parameter is
// 0, unknown codes are passed over, a colour with missing or out-of-range
// values is ignored. Semicolons and colons both separate.
void ApplySgrParameters(QStringView parameters, TSgrState& state);

// Whether the line holds an ESC or a U+009B, so may hold a sequence.
bool MayHaveSgr(QStringView line);

// The line without its SGR sequences. `state` is the state at the line's
// start and is left at its end; `runs`, when given, gets the stretches of
// the returned text whose state is not the default one. A line without a
// sequence comes back as it is (shared, not copied). With a `limit`, the
// work stops once that much text is out (the runs of what a view shows of
// a huge line), and `state` is the state at that point.
QString StripSgr(const QString& line, TSgrState& state, QVector<TSgrRun>* runs = nullptr,
                 qsizetype limit = -1);

// The SGR side of a whole reply: the lines as received and the state in
// which each line starts, carried from line to line as a terminal carries
// it. Kept only once a sequence has been seen.
class TSgrLines {
public:
    void clear();
    // Takes the next received lines and answers them as shown.
    QStringList append(const QStringList& received);
    // Whether any line so far held a sequence (or starts styled).
    bool active() const { return !starts_.empty(); }
    TSgrState startState(int line) const;
    // The first `count` lines are gone and one plain line took their place.
    void dropFront(int count);
    // The runs of a line, from its received text, over at most `limit`
    // characters of its shown text.
    QVector<TSgrRun> runs(int line, const QString& received, qsizetype limit = -1) const;

private:
    std::vector<TSgrState> starts_;
    int lineCount_ = 0;
    TSgrState end_;
};
