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
    const int gone = doc_.EnforceLimit(TextLimit(), kNoticeRoom, &TDCMemo::DroppedLinesNotice);
    if (gone == 0)
        return;
    ++generation_;
    const int shift = gone - 1;
    invalidateRenders();
    scopeValid_ = false;

    auto moved = [&](TMemoPos pos) {
        return pos.line >= gone ? TMemoPos{int(pos.line - shift), pos.col} : TMemoPos{};
    };
    setCursorState(moved(anchor_), moved(caret_), false);
    QScrollBar* vertical = verticalScrollBar();
    vertical->setValue(std::max(0, vertical->value() - shift));
}
