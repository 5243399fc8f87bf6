#pragma once
// What the view keeps of a line it has drawn: the laid-out shown text and
// the map between stored columns and shown positions. Control characters
// are shown in caret notation, so a stored character may take several
// shown positions; lines without one map one to one.

#include <QPair>
#include <QTextLayout>
#include <QVector>

#include <algorithm>

// Characters of one line that are laid out; the rest of a longer line is
// kept and saved, but shown as a note, so that no reply can make a paint
// shape megabytes of text.
inline constexpr int kDisplayLimit = 10000;

struct TLineRender {
    QTextLayout layout;
    QVector<int> toDisplay;          // stored column -> shown position; empty: identity
    int shownLength = 0;             // stored characters shown
    int contentLength = 0;           // shown positions of those characters
    QVector<QPair<int, int>> links;  // stored (start, length)
    qreal width = 0;

    int displayPos(int col) const
    {
        col = std::clamp(col, 0, shownLength);
        return toDisplay.isEmpty() ? col : toDisplay[col];
    }
    int storedPos(int pos) const
    {
        if (pos >= contentLength)
            return shownLength;
        if (pos <= 0)
            return 0;
        if (toDisplay.isEmpty())
            return pos;
        const auto it = std::upper_bound(toDisplay.begin(), toDisplay.end(), pos);
        return int(it - toDisplay.begin()) - 1;
    }
    qreal x(int col) const { return layout.lineAt(0).cursorToX(displayPos(col)); }
};
