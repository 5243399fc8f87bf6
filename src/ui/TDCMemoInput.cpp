// Caret, selection, mouse, keyboard and links of the text view.

#include "ui/TDCMemo.h"

#include "core/Guard.h"
#include "ui/LineRender.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleHints>
#include <QUrl>

namespace {

std::function<void(const QUrl&)>& linkOpener()
{
    static std::function<void(const QUrl&)> opener;
    return opener;
}

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

constexpr int kAutoScrollInterval = 50;

} // namespace

// ---------------------------------------------------------------- positions

TMemoPos TDCMemo::endPos() const
{
    if ((doc_.LineCount() == 0))
        return {};
    return {doc_.LineCount() - 1, int(doc_.Line(doc_.LineCount() - 1).size())};
}

TMemoPos TDCMemo::clampPos(TMemoPos pos) const
{
    if ((doc_.LineCount() == 0))
        return {};
    pos.line = std::clamp(pos.line, 0, doc_.LineCount() - 1);
    pos.col = std::clamp(pos.col, 0, int(doc_.Line(pos.line).size()));
    return pos;
}

TMemoPos TDCMemo::SelectionStart() const { return std::min(anchor_, caret_); }
TMemoPos TDCMemo::SelectionEnd() const { return std::max(anchor_, caret_); }
bool TDCMemo::HasSelection() const { return anchor_ != caret_; }
int TDCMemo::CaretLine() const { return caret_.line; }
int TDCMemo::CaretColumn() const { return caret_.col; }

void TDCMemo::SetSelection(TMemoPos anchor, TMemoPos caret)
{
    setCursorState(clampPos(anchor), clampPos(caret), true);
}

void TDCMemo::SelectAllText()
{
    setCursorState({}, endPos(), false);
}

void TDCMemo::GotoLine(int line)
{
    const TMemoPos pos = clampPos({line, 0});
    setCursorState(pos, pos, false);
    ensureVisible(pos, true);
}

// The one place the caret and anchor change, so that the signals follow
// every change and nothing else.
void TDCMemo::setCursorState(TMemoPos anchor, TMemoPos caret, bool scrollToCaret)
{
    const bool hadSelection = anchor_ != caret_;
    const bool selectionChanged = (anchor_ != caret_ || anchor != caret)
                                  && (std::min(anchor_, caret_) != std::min(anchor, caret)
                                      || std::max(anchor_, caret_) != std::max(anchor, caret));
    const bool caretMoved = caret != caret_;
    anchor_ = anchor;
    caret_ = caret;
    if (caretMoved || selectionChanged || hadSelection != (anchor != caret)) {
        restartBlink();
        viewport()->update();
    }
    if (scrollToCaret)
        ensureVisible(caret_, false);
    if (caretMoved)
        emit StateChange(this, 1);
    if (selectionChanged)
        emit SelectionChange(this);
}

void TDCMemo::moveCaret(TMemoPos to, bool extend)
{
    setCursorState(extend ? anchor_ : to, to, true);
}

void TDCMemo::ensureVisible(TMemoPos pos, bool centre)
{
    QScrollBar* vertical = verticalScrollBar();
    const int rows = VisibleLineCount();
    const int top = vertical->value();
    if (pos.line < top || pos.line >= top + rows) {
        if (centre)
            vertical->setValue(pos.line - rows / 2);
        else if (pos.line < top)
            vertical->setValue(pos.line);
        else
            vertical->setValue(pos.line - rows + 1);
    }
    QScrollBar* horizontal = horizontalScrollBar();
    const int x = lineX(pos.line, pos.col);
    const int textWidth = std::max(1, viewport()->width() - TextLeft());
    const int margin = qCeil(charWidth_ * 2);
    if (x < horizontal->value())
        horizontal->setValue(std::max(0, x - margin));
    else if (x > horizontal->value() + textWidth - margin) {
        if (x + margin > horizontal->maximum() + textWidth)
            horizontal->setMaximum(x + margin - textWidth);
        horizontal->setValue(x + margin - textWidth);
    }
}

TMemoPos TDCMemo::nextPos(TMemoPos pos, bool word) const
{
    if ((doc_.LineCount() == 0))
        return {};
    const QString text = doc_.Line(pos.line);
    if (pos.col >= text.size())
        return pos.line + 1 < doc_.LineCount() ? TMemoPos{pos.line + 1, 0} : pos;
    if (pos.col >= kDisplayLimit) {
        if (!word)
            return {pos.line, pos.col + 1};
        int col = pos.col;
        while (col < text.size() && isWordChar(text[col]))
            ++col;
        while (col < text.size() && !isWordChar(text[col]))
            ++col;
        return {pos.line, col};
    }
    const TLineRender* render = renderFor(pos.line);
    const int next = render->layout.nextCursorPosition(render->displayPos(pos.col),
                                                       word ? QTextLayout::SkipWords : QTextLayout::SkipCharacters);
    int col = render->storedPos(next);
    if (col <= pos.col) // inside a caret notation: one stored character on
        col = pos.col + 1;
    if (next >= render->contentLength)
        col = std::max(col, render->shownLength == kDisplayLimit ? kDisplayLimit : int(text.size()));
    return {pos.line, std::min(col, int(text.size()))};
}

TMemoPos TDCMemo::previousPos(TMemoPos pos, bool word) const
{
    if ((doc_.LineCount() == 0))
        return {};
    if (pos.col <= 0)
        return pos.line > 0 ? TMemoPos{pos.line - 1, int(doc_.Line(pos.line - 1).size())} : pos;
    if (pos.col > kDisplayLimit)
        return {pos.line, pos.col - 1};
    const TLineRender* render = renderFor(pos.line);
    const int previous = render->layout.previousCursorPosition(render->displayPos(pos.col),
                                                               word ? QTextLayout::SkipWords : QTextLayout::SkipCharacters);
    int col = render->storedPos(previous);
    if (col >= pos.col)
        col = pos.col - 1;
    return {pos.line, std::max(0, col)};
}

TMemoPos TDCMemo::verticalPos(TMemoPos from, int lines) const
{
    if ((doc_.LineCount() == 0))
        return {};
    TDCMemo* self = const_cast<TDCMemo*>(this);
    if (self->desiredX_ < 0)
        self->desiredX_ = lineX(from.line, from.col);
    const int line = std::clamp(from.line + lines, 0, doc_.LineCount() - 1);
    const TLineRender* render = renderFor(line);
    const int pos = render->layout.lineAt(0).xToCursor(desiredX_, QTextLine::CursorBetweenCharacters);
    return {line, std::min(render->storedPos(pos), int(doc_.Line(line).size()))};
}

TMemoPos TDCMemo::hitTest(const QPoint& p) const
{
    if ((doc_.LineCount() == 0))
        return {};
    const int line = std::clamp(TopLine() + (p.y() < 0 ? -1 - (-p.y() - 1) / lineHeight_ : p.y() / lineHeight_),
                                0, doc_.LineCount() - 1);
    const TLineRender* render = renderFor(line);
    const qreal x = p.x() - TextLeft() + horizontalScrollBar()->value();
    const int pos = render->layout.lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters);
    return {line, render->storedPos(pos)};
}

void TDCMemo::selectWordAt(TMemoPos pos)
{
    pos = clampPos(pos);
    if ((doc_.LineCount() == 0))
        return;
    const QString text = doc_.Line(pos.line);
    int start = pos.col;
    int end = pos.col;
    if (end < text.size() && isWordChar(text[end])) {
        while (start > 0 && isWordChar(text[start - 1]))
            --start;
        while (end < text.size() && isWordChar(text[end]))
            ++end;
    } else if (end < text.size()) {
        ++end;
    }
    setCursorState({pos.line, start}, {pos.line, end}, true);
}

// ---------------------------------------------------------------- links

void TDCMemo::SetLinkOpener(std::function<void(const QUrl&)> opener)
{
    linkOpener() = std::move(opener);
}

bool TDCMemo::OpenLink(const QString& linkText)
{
    const QUrl url = LinkUrl(linkText);
    if (url.isValid() && url.scheme() == QLatin1String("finger")) {
        emit QueryLinkClicked(linkText);
    } else if (url.isValid()) {
        if (linkOpener())
            linkOpener()(url);
        else
            QDesktopServices::openUrl(url);
    }
    emit LinkClicked(linkText);
    return url.isValid();
}

TDCMemo::LinkHit TDCMemo::linkHitAt(const QPoint& p) const
{
    if (!highlightUrls_ || (doc_.LineCount() == 0) || p.y() < 0 || p.x() < TextLeft())
        return {};
    const int line = TopLine() + p.y() / lineHeight_;
    if (line >= doc_.LineCount())
        return {};
    const TLineRender* render = renderFor(line);
    const qreal x = p.x() - TextLeft() + horizontalScrollBar()->value();
    if (x < 0 || x >= render->layout.lineAt(0).cursorToX(render->contentLength))
        return {};
    const int col = render->storedPos(render->layout.lineAt(0).xToCursor(x, QTextLine::CursorOnCharacter));
    for (const auto& [start, length] : render->links)
        if (col >= start && col < start + length)
            return {line, start, length};
    return {};
}

TDCMemo::LinkHit TDCMemo::linkHitAtCaret() const
{
    if (!highlightUrls_ || (doc_.LineCount() == 0))
        return {};
    const TLineRender* render = renderFor(caret_.line);
    for (const auto& [start, length] : render->links)
        if (caret_.col >= start && caret_.col <= start + length)
            return {caret_.line, start, length};
    return {};
}

QString TDCMemo::LinkAt(const QPoint& viewportPos) const
{
    const LinkHit hit = linkHitAt(viewportPos);
    return hit.valid() ? doc_.Line(hit.line).mid(hit.start, hit.length) : QString();
}

void TDCMemo::updateCursorShape(const QPoint& p)
{
    Qt::CursorShape shape = Qt::IBeamCursor;
    if (p.x() < highlightLeft())
        shape = Qt::ArrowCursor;
    else if (linkHitAt(p).valid())
        shape = Qt::PointingHandCursor;
    if (viewport()->cursor().shape() != shape)
        viewport()->setCursor(shape);
}

// ---------------------------------------------------------------- mouse

void TDCMemo::mousePressEvent(QMouseEvent* event)
{
    Guarded(this, [&] {
        const QPoint p = event->position().toPoint();
        pressPos_ = p;
        pressLink_ = {};
        desiredX_ = -1;
        if (event->button() == Qt::LeftButton) {
            const TMemoPos pos = hitTest(p);
            const bool extend = event->modifiers() & Qt::ShiftModifier;
            if (!extend && event->modifiers() == Qt::NoModifier)
                pressLink_ = linkHitAt(p);
            setCursorState(extend ? anchor_ : pos, pos, true);
            selecting_ = true;
            lastMousePos_ = p;
        } else if (event->button() == Qt::RightButton) {
            // A right click moves the caret, unless it falls into the selection.
            const TMemoPos pos = hitTest(p);
            if (!(HasSelection() && pos >= SelectionStart() && pos <= SelectionEnd()))
                setCursorState(pos, pos, false);
        }
        event->accept();
    });
}

void TDCMemo::mouseMoveEvent(QMouseEvent* event)
{
    Guarded(this, [&] {
        const QPoint p = event->position().toPoint();
        lastMousePos_ = p;
        if (selecting_ && (event->buttons() & Qt::LeftButton)) {
            if ((p - pressPos_).manhattanLength() >= QApplication::startDragDistance())
                pressLink_ = {};
            setCursorState(anchor_, hitTest(p), true);
            if (viewport()->rect().contains(p))
                autoScrollTimer_.stop();
            else if (!autoScrollTimer_.isActive())
                autoScrollTimer_.start(kAutoScrollInterval, this);
        } else {
            updateCursorShape(p);
        }
    });
}

void TDCMemo::mouseReleaseEvent(QMouseEvent* event)
{
    Guarded(this, [&] {
        const QPoint p = event->position().toPoint();
        autoScrollTimer_.stop();
        const bool wasSelecting = selecting_;
        selecting_ = false;
        if (event->button() != Qt::LeftButton || !wasSelecting)
            return;
        const LinkHit link = pressLink_;
        pressLink_ = {};
        // A plain click: pressed and released on the same link, no drag.
        if (link.valid() && !HasSelection() && event->modifiers() == Qt::NoModifier
            && (p - pressPos_).manhattanLength() < QApplication::startDragDistance()
            && linkHitAt(p) == link)
            OpenLink(doc_.Line(link.line).mid(link.start, link.length));
    });
}

void TDCMemo::mouseDoubleClickEvent(QMouseEvent* event)
{
    Guarded(this, [&] {
        if (event->button() != Qt::LeftButton)
            return;
        pressLink_ = {};
        selecting_ = false;
        selectWordAt(hitTest(event->position().toPoint()));
    });
}

void TDCMemo::autoScrollTick()
{
    if (!selecting_) {
        autoScrollTimer_.stop();
        return;
    }
    const QRect r = viewport()->rect();
    const QPoint p = lastMousePos_;
    if (p.y() < r.top())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (p.y() > r.bottom())
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (p.x() < TextLeft())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (p.x() > r.right())
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    setCursorState(anchor_, hitTest(p), false);
}

void TDCMemo::contextMenuEvent(QContextMenuEvent* event)
{
    Guarded(this, [&] {
        if (!popup_)
            return;
        QPoint global = event->globalPos();
        if (event->reason() == QContextMenuEvent::Keyboard) {
            const QRect caret = CharRect(caret_.line, caret_.col);
            global = viewport()->mapToGlobal(viewport()->rect().contains(caret.bottomLeft())
                                                 ? caret.bottomLeft() : QPoint(TextLeft(), 0));
        }
        popup_->popup(global);
        event->accept();
    });
}

bool TDCMemo::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Leave && viewport()->cursor().shape() != Qt::IBeamCursor)
        viewport()->setCursor(Qt::IBeamCursor);
    return QAbstractScrollArea::viewportEvent(event);
}

// ---------------------------------------------------------------- keyboard

void TDCMemo::keyPressEvent(QKeyEvent* event)
{
    Guarded(this, [&] {
        struct Move {
            QKeySequence::StandardKey move, select;
        };
        static const Move moves[] = {
            {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar},
            {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar},
            {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord},
            {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord},
            {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine},
            {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine},
            {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage},
            {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage},
            {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine},
            {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine},
            {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument},
            {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument},
        };
        if (event == QKeySequence::SelectAll) {
            SelectAllText();
            return;
        }
        if (event == QKeySequence::Copy) {
            CopyToClipboard();
            return;
        }
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            && event->modifiers() == Qt::NoModifier) {
            const LinkHit link = linkHitAtCaret();
            if (link.valid())
                OpenLink(doc_.Line(link.line).mid(link.start, link.length));
            else
                event->ignore();
            return;
        }
        if (event->modifiers() == Qt::ControlModifier
            && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
            verticalScrollBar()->triggerAction(event->key() == Qt::Key_Up ? QAbstractSlider::SliderSingleStepSub
                                                                           : QAbstractSlider::SliderSingleStepAdd);
            return;
        }
        for (const Move& m : moves) {
            const bool extend = event->matches(m.select);
            if (!extend && !event->matches(m.move))
                continue;
            const int rows = VisibleLineCount();
            const bool vertical = m.move == QKeySequence::MoveToNextLine || m.move == QKeySequence::MoveToPreviousLine
                                  || m.move == QKeySequence::MoveToNextPage || m.move == QKeySequence::MoveToPreviousPage;
            if (!vertical)
                desiredX_ = -1;
            TMemoPos to = caret_;
            switch (m.move) {
            case QKeySequence::MoveToNextChar:
                to = HasSelection() && !extend ? SelectionEnd() : nextPos(caret_, false);
                break;
            case QKeySequence::MoveToPreviousChar:
                to = HasSelection() && !extend ? SelectionStart() : previousPos(caret_, false);
                break;
            case QKeySequence::MoveToNextWord: to = nextPos(caret_, true); break;
            case QKeySequence::MoveToPreviousWord: to = previousPos(caret_, true); break;
            case QKeySequence::MoveToNextLine: to = verticalPos(caret_, 1); break;
            case QKeySequence::MoveToPreviousLine: to = verticalPos(caret_, -1); break;
            case QKeySequence::MoveToNextPage:
                to = verticalPos(caret_, rows);
                verticalScrollBar()->setValue(TopLine() + rows);
                break;
            case QKeySequence::MoveToPreviousPage:
                to = verticalPos(caret_, -rows);
                verticalScrollBar()->setValue(TopLine() - rows);
                break;
            case QKeySequence::MoveToStartOfLine: to = {caret_.line, 0}; break;
            case QKeySequence::MoveToEndOfLine: to = clampPos({caret_.line, INT_MAX}); break;
            case QKeySequence::MoveToStartOfDocument: to = {}; break;
            case QKeySequence::MoveToEndOfDocument: to = endPos(); break;
            default: break;
            }
            moveCaret(to, extend);
            return;
        }
        event->ignore();
    });
}

// ---------------------------------------------------------------- focus and timers

void TDCMemo::restartBlink()
{
    caretOn_ = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        blinkTimer_.start(flash / 2, this);
    else
        blinkTimer_.stop();
}

void TDCMemo::focusInEvent(QFocusEvent* event)
{
    Guarded(this, [&] {
        QAbstractScrollArea::focusInEvent(event);
        restartBlink();
        viewport()->update();
    });
}

void TDCMemo::focusOutEvent(QFocusEvent* event)
{
    Guarded(this, [&] {
        QAbstractScrollArea::focusOutEvent(event);
        blinkTimer_.stop();
        viewport()->update();
    });
}

void TDCMemo::timerEvent(QTimerEvent* event)
{
    Guarded(this, [&] {
        if (event->timerId() == blinkTimer_.timerId()) {
            caretOn_ = !caretOn_;
            if (TopLine() <= caret_.line && caret_.line < TopLine() + VisibleLineCount() + 1)
                viewport()->update(QRect(0, (caret_.line - TopLine()) * lineHeight_, viewport()->width(), lineHeight_));
        } else if (event->timerId() == autoScrollTimer_.timerId()) {
            autoScrollTick();
        } else {
            QAbstractScrollArea::timerEvent(event);
        }
    });
}
