#include "ui/TDCMemo.h"

#include "core/Guard.h"
#include "results/ReplyText.h"
#include "results/TextStyles.h"
#include "ui/Colours.h"
#include "ui/LineRender.h"
#include "ui/MemoAccessible.h"
#include "ui/PixelGrid.h"
#include "ui/SgrFormats.h"

#include <QFontDatabase>
#include <QMenu>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QtMath>

namespace {

constexpr int kNumberPad = 4;        // space either side of a line number
constexpr int kRenderCacheCost = 4096;
constexpr qreal kUnboundedWidth = 8388607.0;

QColor blend(const QColor& a, const QColor& b)
{
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

int digitCount(int n)
{
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

} // namespace

TDCMemo::TDCMemo(QWidget* parent)
    : QAbstractScrollArea(parent), renders_(kRenderCacheCost)
{
    const QPalette pal = palette();
    background_ = pal.color(QPalette::Active, QPalette::Base);
    foreground_ = pal.color(QPalette::Active, QPalette::Text);
    selBack_ = pal.color(QPalette::Active, QPalette::Highlight);
    selFore_ = pal.color(QPalette::Active, QPalette::HighlightedText);
    // White on the classic desktop; taken from the palette so that a dark
    // theme does not get a white gutter and line under light text.
    gutterBrush_ = background_;
    lineBrush_ = background_;
    lineNumColour_ = foreground_;
    linePenColour_ = QColor(128, 128, 128);

    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::IBeamCursor);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    doc_.SetLengthCap(kDisplayLimit);
    updateMetrics();
    ConnectMemoAccessibility(this);
}

TDCMemo::~TDCMemo() = default;

// ---------------------------------------------------------------- text

void TDCMemo::LoadFromBytes(QByteArray bytes)
{
    doc_.LoadBytes(std::move(bytes));
    textReplaced();
}

void TDCMemo::SetLines(const QStringList& lines)
{
    doc_.SetLines(lines);
    textReplaced();
}

void TDCMemo::ClearText()
{
    doc_.Clear();
    textReplaced();
}

void TDCMemo::AppendLines(const QStringList& lines)
{
    if (lines.isEmpty())
        return;
    const int before = LineCount();
    doc_.AppendLines(lines);
    enforceTextLimit();
    // Lines that stayed are where they were, less those dropped before them.
    textGrew(std::max(0, before - (before + int(lines.size()) - LineCount())));
}

void TDCMemo::AppendBytes(QByteArray bytes)
{
    const int before = LineCount();
    doc_.AppendBytes(std::move(bytes));
    const int added = LineCount() - before;
    if (added == 0)
        return;
    enforceTextLimit();
    textGrew(std::max(0, before - (before + added - LineCount())));
}

void TDCMemo::textReplaced()
{
    ++generation_;
    enforceTextLimit();
    measuredWidth_ = 0;
    scopeValid_ = false;
    invalidateRenders();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    textGrew(0);
    setCursorState({}, {}, false);
}

void TDCMemo::textGrew(int firstNewLine)
{
    // The empty row shown for a view without lines is no longer empty.
    renders_.remove(firstNewLine);
    updateScrollBars();
    viewport()->update();
}

QStringList TDCMemo::Lines() const { return doc_.Lines(); }
QStringList TDCMemo::ReceivedLines() const { return doc_.ReceivedLines(); }
int TDCMemo::LineCount() const { return doc_.LineCount(); }
QString TDCMemo::LineText(int index) const { return doc_.Line(index); }

QByteArray TDCMemo::LineClasses(int index) const
{
    return doc_.LineClasses(index, highlightUrls_);
}

// ---------------------------------------------------------------- geometry

void TDCMemo::updateMetrics()
{
    const QFontMetricsF fm(font());
    lineHeight_ = std::max(1, qCeil(fm.height()));
    // Rows that start on whole device pixels keep every row's text and
    // frame aligned at 150 % and other fractional scales.
    const qreal dpr = viewport()->devicePixelRatioF();
    for (int extra = 0; extra < 4; ++extra)
        if (std::abs(std::remainder((lineHeight_ + extra) * dpr, 1.0)) < 0.01) {
            lineHeight_ += extra;
            break;
        }
    metricsDpr_ = dpr;
    ascent_ = qCeil(fm.ascent());
    charWidth_ = std::max<qreal>(1, fm.horizontalAdvance(QLatin1Char('x')));
    tabWidth_ = 8 * std::max<qreal>(1, fm.horizontalAdvance(QLatin1Char(' ')));
    measuredWidth_ = 0;
    invalidateRenders();
    updateScrollBars();
    viewport()->update();
}

void TDCMemo::invalidateRenders()
{
    renders_.clear();
}

int TDCMemo::LineHeight() const { return lineHeight_; }
int TDCMemo::TopLine() const { return verticalScrollBar()->value(); }
int TDCMemo::VisibleLineCount() const { return std::max(1, viewport()->height() / lineHeight_); }

int TDCMemo::digitsWidth() const
{
    return QFontMetrics(font()).horizontalAdvance(QLatin1Char('9')) * digitCount(std::max(1, LineCount()));
}

int TDCMemo::GutterWidth() const
{
    if (!(options_ & moDrawGutter))
        return 0;
    int width = 32;
    if ((options_ & moLineNumbers) && (options_ & moLineNumbersOnGutter))
        width = std::max(width, digitsWidth() + 2 * kNumberPad);
    return width;
}

// Line numbers that are not drawn on the gutter get a strip of their own on
// the text's background.
int TDCMemo::numberAreaWidth() const
{
    if (!(options_ & moLineNumbers))
        return 0;
    if ((options_ & moLineNumbersOnGutter) && (options_ & moDrawGutter))
        return 0;
    return digitsWidth() + 2 * kNumberPad;
}

int TDCMemo::highlightLeft() const { return GutterWidth() + numberAreaWidth(); }

int TDCMemo::TextLeft() const
{
    return highlightLeft() + ((options_ & moLeftIndent) ? leftIndent_ : 0);
}

void TDCMemo::updateScrollBars()
{
    const int rows = VisibleLineCount();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, LineCount() - rows));
    vertical->setPageStep(rows);
    vertical->setSingleStep(1);

    const int textWidth = std::max(1, viewport()->width() - TextLeft());
    const qreal content = std::max(doc_.MaxLineLength() * charWidth_, measuredWidth_) + 2 * charWidth_;
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, qCeil(content) - textWidth));
    horizontal->setPageStep(textWidth);
    horizontal->setSingleStep(qCeil(charWidth_));
}

int TDCMemo::lineX(int line, int col) const
{
    return qRound(renderFor(line)->x(col));
}

QRect TDCMemo::CharRect(int line, int col) const
{
    const TLineRender* render = renderFor(line);
    const qreal x0 = render->x(col);
    qreal x1 = render->x(col + 1);
    if (x1 <= x0)
        x1 = x0 + charWidth_;
    const int left = TextLeft() - horizontalScrollBar()->value();
    return QRect(left + qFloor(x0), (line - TopLine()) * lineHeight_, std::max(1, qCeil(x1 - x0)), lineHeight_);
}

// ---------------------------------------------------------------- rendering

QString TDCMemo::shownPrefix(int line) const
{
    const QString text = doc_.Line(line);
    return text.size() > kDisplayLimit ? text.left(kDisplayLimit) : text;
}

TLineRender* TDCMemo::renderFor(int line) const
{
    const int count = LineCount();
    if (line < 0 || line >= count)
        line = count; // the empty row of an empty view, or past the end
    if (TLineRender* cached = renders_.object(line))
        return cached;

    auto render = std::make_unique<TLineRender>();
    const QString text = doc_.Line(line);
    const bool truncated = text.size() > kDisplayLimit;
    const QString shown = truncated ? text.left(kDisplayLimit) : text;
    render->shownLength = int(shown.size());

    QList<QTextLayout::FormatRange> formats;
    QList<QTextLayout::FormatRange> marks;
    QTextCharFormat dim;
    dim.setForeground(blend(foreground_, background_));

    QString display;
    if (HasControlNotation(shown)) {
        render->toDisplay.resize(shown.size() + 1);
        display.reserve(shown.size() + 16);
        for (qsizetype i = 0; i < shown.size(); ++i) {
            render->toDisplay[i] = int(display.size());
            const QString notation = ControlNotation(shown[i].unicode());
            if (notation.isEmpty()) {
                display.append(shown[i]);
            } else {
                marks.append({int(display.size()), int(notation.size()), dim});
                display.append(notation);
            }
        }
        render->toDisplay[shown.size()] = int(display.size());
    } else {
        display = shown;
    }
    render->contentLength = int(display.size());

    if ((options_ & moColorSyntax) && line < count) {
        const QByteArray classes = LineClasses(line);
        int i = 0;
        while (i < render->shownLength) {
            const int cls = quint8(classes[i]);
            int j = i + 1;
            while (j < render->shownLength && quint8(classes[j]) == cls)
                ++j;
            if (cls != tcWhitespace) {
                const TTextStyle& style = DefaultTextStyle(cls);
                QTextCharFormat format;
                format.setForeground(ColourToQColor(style.colour));
                format.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
                format.setFontItalic(style.italic);
                format.setFontUnderline(style.underline);
                const int from = render->displayPos(i);
                formats.append({from, render->displayPos(j) - from, format});
            }
            i = j;
        }
    }

    if (doc_.SgrActive() && doc_.StripsSgr() && line < count)
        AppendSgrFormats(formats, doc_.Runs(line, kDisplayLimit), *render, foreground_, background_);
    formats.append(marks); // over the colours: a mark never takes the look of text

    if (highlightUrls_) {
        render->links = FindLinks(shown);
        QTextCharFormat link;
        link.setForeground(ReadableLinkColour(background_));
        link.setFontUnderline(true);
        for (const auto& [start, length] : render->links) {
            const int from = render->displayPos(start);
            formats.append({from, render->displayPos(start + length) - from, link});
        }
    }

    if (truncated) {
        const QString note = QStringLiteral(" \u2026 (%1 more characters)").arg(text.size() - kDisplayLimit);
        QTextCharFormat noteFormat = dim;
        noteFormat.setFontItalic(true);
        formats.append({int(display.size()), int(note.size()), noteFormat});
        display.append(note);
    }

    QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute);
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(Qt::LeftToRight);
    option.setTabStopDistance(tabWidth_);
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    QTextLayout& layout = render->layout;
    layout.setText(display);
    layout.setFont(font());
    layout.setTextOption(option);
    layout.setFormats(formats);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine textLine = layout.createLine();
    if (textLine.isValid()) {
        textLine.setLeadingIncluded(false);
        textLine.setLineWidth(kUnboundedWidth);
        textLine.setPosition(QPointF(0, 0));
    }
    layout.endLayout();
    render->width = textLine.isValid() ? textLine.naturalTextWidth() : 0;
    if (render->width > measuredWidth_) {
        measuredWidth_ = render->width;
        const_cast<TDCMemo*>(this)->measuredGrew_ = true;
    }

    // A cost above the cache's limit would make the cache drop the line at
    // once; no line costs that much, and none may.
    const qsizetype cost = std::min<qsizetype>(1 + display.size() / 128, kRenderCacheCost / 4);
    TLineRender* result = render.get();
    renders_.insert(line, render.release(), cost);
    return result;
}

void TDCMemo::paintEvent(QPaintEvent* event)
{
    Guarded(this, [&] {
        if (viewport()->devicePixelRatioF() != metricsDpr_)
            updateMetrics(); // moved to a screen of another scale
        QPainter painter(viewport());
        const QRect area = viewport()->rect();
        const int width = area.width();
        const int top = TopLine();
        const int rows = area.height() / lineHeight_ + 1;
        const int count = LineCount();
        const int lastRow = std::min(top + rows, std::max(count, 1)); // one empty row for no lines
        const int hscroll = horizontalScrollBar()->value();
        const int gutter = GutterWidth();
        const int numbers = numberAreaWidth();
        const int lineLeft = gutter + numbers;
        const int textLeft = TextLeft();
        const QRect textArea(lineLeft, 0, std::max(0, width - lineLeft), area.height());

        painter.fillRect(event->rect(), background_);

        const qreal dpr = viewport()->devicePixelRatioF();
        const bool showLine = lineHighlight_ && caret_.line >= top && caret_.line < lastRow;
        const int caretY = (caret_.line - top) * lineHeight_;
        if (showLine) {
            TPixelGrid grid(painter, dpr);
            grid.fill(grid.rect(lineLeft, caretY, width - lineLeft, lineHeight_), lineBrush_);
        }

        if (options_ & moDrawMargin) {
            const qreal x = textLeft - hscroll + rightMargin_ * charWidth_;
            if (x >= lineLeft && x < width) {
                TPixelGrid grid(painter, dpr);
                grid.verticalLine(grid.px(x), 0, grid.px(area.height()), QColor(192, 192, 192));
            }
        }

        const TMemoPos selStart = SelectionStart();
        const TMemoPos selEnd = SelectionEnd();
        const bool selection = selStart != selEnd;
        QTextCharFormat selFormat;
        selFormat.setBackground(selBack_);
        selFormat.setForeground(selFore_);

        painter.save();
        painter.setClipRect(textArea.intersected(event->rect()));
        painter.setPen(foreground_);
        for (int line = top; line < lastRow; ++line) {
            const int y = (line - top) * lineHeight_;
            if (y + lineHeight_ < event->rect().top() || y > event->rect().bottom())
                continue;
            const TLineRender* render = renderFor(line);
            QList<QTextLayout::FormatRange> selections;
            if (selection && line >= selStart.line && line <= selEnd.line) {
                const int from = line == selStart.line ? render->displayPos(selStart.col) : 0;
                const int to = line == selEnd.line ? render->displayPos(selEnd.col) : render->contentLength;
                if (to > from)
                    selections.append({from, to - from, selFormat});
                if (line < selEnd.line) { // the line break is selected too
                    const qreal endX = render->layout.lineAt(0).cursorToX(render->contentLength);
                    painter.fillRect(QRectF(textLeft - hscroll + endX, y, charWidth_, lineHeight_), selBack_);
                }
            }
            render->layout.draw(&painter, QPointF(textLeft - hscroll, y), selections);
            if (line == caret_.line && hasFocus() && caretOn_) {
                const qreal x = textLeft - hscroll + render->x(caret_.col);
                TPixelGrid grid(painter, dpr);
                const QRect row = grid.rect(x, y, 1, lineHeight_);
                grid.verticalLine(row.left(), row.top(), row.bottom() + 1, foreground_);
            }
        }
        painter.restore();

        if (showLine && linePenStyle_ != Qt::NoPen) {
            TPixelGrid grid(painter, dpr);
            const QRect frame = grid.rect(lineLeft, caretY, width - lineLeft, lineHeight_);
            if (linePenStyle_ == Qt::DotLine)
                grid.dottedFrame(frame, linePenColour_);
            else
                grid.solidFrame(frame, linePenColour_, linePenStyle_);
        }

        if (gutter > 0) {
            TPixelGrid grid(painter, dpr);
            const QRect fill = grid.rect(0, 0, gutter, area.height());
            grid.fill(fill, gutterBrush_);
            grid.verticalLine(fill.right() + 1 - grid.hair(), 0, fill.bottom() + 1,
                              blend(gutterBrush_, QColor(128, 128, 128)));
        }
        if (options_ & moLineNumbers) {
            const int numbersLeft = numbers > 0 ? gutter : 0;
            const int numbersWidth = numbers > 0 ? numbers : gutter;
            painter.setPen(lineNumColour_);
            painter.setFont(font());
            for (int line = top; line < std::min(top + rows, count); ++line)
                painter.drawText(QRect(numbersLeft, (line - top) * lineHeight_, numbersWidth - kNumberPad, lineHeight_),
                                 Qt::AlignRight | Qt::AlignVCenter, QString::number(line + 1));
        }
    });
    if (measuredGrew_) {
        measuredGrew_ = false;
        QMetaObject::invokeMethod(this, [this] { updateScrollBars(); }, Qt::QueuedConnection);
    }
}

void TDCMemo::resizeEvent(QResizeEvent* event)
{
    Guarded(this, [&] {
        QAbstractScrollArea::resizeEvent(event);
        updateScrollBars();
    });
}

void TDCMemo::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TDCMemo::changeEvent(QEvent* event)
{
    Guarded(this, [&] {
        QAbstractScrollArea::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            updateMetrics();
    });
}
