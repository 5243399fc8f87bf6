// The bound on a view's text: the oldest lines go first, and one line at the
// top says how many went.

#include "ui/TDCMemo.h"

#include <QScrollBar>

#include <algorithm>

namespace {
constexpr qint64 kDefaultTextLimit = qint64(256) * 1024 * 1024;
// Room kept for the notice line itself, whatever its count.
constexpr qint64 kNoticeRoom = 128;

qint64& textLimitSlot()
{
    static qint64 limit = kDefaultTextLimit;
    return limit;
}
} // namespace

void TDCMemo::SetTextLimit(qint64 characters)
{
    textLimitSlot() = characters > 0 ? characters : kDefaultTextLimit;
}

qint64 TDCMemo::TextLimit()
{
    return textLimitSlot();
}

QString TDCMemo::DroppedLinesNotice(qint64 droppedLines)
{
    const qint64 limit = TextLimit();
    const QString bound = limit % (1024 * 1024) == 0 ? QStringLiteral("%1 MiB").arg(limit / (1024 * 1024))
                                                     : QStringLiteral("%1 characters").arg(limit);
    return QStringLiteral("[%1 earlier lines dropped: a tab keeps at most %2 of text]").arg(droppedLines).arg(bound);
}

void TDCMemo::enforceTextLimit()
{
    const qint64 limit = TextLimit();
    if (textSize_ <= limit)
        return;
    const qsizetype count = lines_.size();
    // An earlier notice is replaced, not counted among the dropped lines.
    const qsizetype start = droppedLines_ > 0 ? 1 : 0;
    qint64 size = textSize_ - (start ? lines_[0].size() + 1 : 0);
    qsizetype drop = 0;
    // The newest line always stays, however long.
    while (size + kNoticeRoom > limit && start + drop < count - 1) {
        size -= lines_[start + drop].size() + 1;
        ++drop;
    }
    if (drop == 0)
        return;
    const qsizetype gone = start + drop; // lines removed from the front, the old notice with them
    droppedLines_ += drop;
    lines_.erase(lines_.begin(), lines_.begin() + gone);
    lines_.prepend(DroppedLinesNotice(droppedLines_));
    // The received lines and their colour states follow the shown ones.
    received_.erase(received_.begin(), received_.begin() + std::min(gone, received_.size()));
    received_.prepend(lines_.front());
    sgr_.dropFront(int(gone));
    ++generation_;
    textSize_ = size + lines_.front().size() + 1;
    const int shift = int(gone - 1);

    // Token states run from line to line. Those known for the lines that
    // stay are kept: tokenising everything again at every repeat would cost
    // more than the small error at the first line after the notice.
    const auto known = std::min<qsizetype>(qsizetype(endStates_.size()), gone);
    endStates_.erase(endStates_.begin(), endStates_.begin() + known);
    endStates_.insert(endStates_.begin(), ParserState::Text); // the notice holds no tag, comment or string
    statesKnown_ = statesKnown_ > gone ? int(statesKnown_ - shift) : 1;
    invalidateRenders();
    scopeValid_ = false;

    auto moved = [&](TMemoPos pos) {
        return pos.line >= gone ? TMemoPos{int(pos.line - shift), pos.col} : TMemoPos{};
    };
    setCursorState(moved(anchor_), moved(caret_), false);
    QScrollBar* vertical = verticalScrollBar();
    vertical->setValue(std::max(0, vertical->value() - shift));
}
