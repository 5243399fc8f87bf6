// The view's settings: options, colours, margins, the syntax parser and the
// drawing of ANSI colours.

#include "ui/TDCMemo.h"

#include <QMenu>
#include <QScrollBar>

// ---------------------------------------------------------------- configuration

quint32 TDCMemo::Options() const { return options_; }

void TDCMemo::SetOptions(quint32 options)
{
    options &= kMemoOptionMask;
    if (options == options_)
        return;
    options_ = options;
    invalidateRenders();
    updateScrollBars();
    viewport()->update();
}

bool TDCMemo::HighlightUrls() const { return highlightUrls_; }

void TDCMemo::SetHighlightUrls(bool on)
{
    if (on == highlightUrls_)
        return;
    highlightUrls_ = on;
    invalidateRenders();
    viewport()->update();
}

void TDCMemo::SetSyntaxParser(const THTMLParser* parser)
{
    parser_ = parser;
    doc_.SetParser(parser);
    invalidateRenders();
    viewport()->update();
}

const THTMLParser* TDCMemo::SyntaxParser() const { return parser_; }

bool TDCMemo::AnsiColours() const { return doc_.StripsSgr(); }

void TDCMemo::SetAnsiColours(bool on)
{
    if (on == doc_.StripsSgr())
        return;
    // The shown text changes length, so positions are kept by line only.
    const TMemoPos anchor{anchor_.line, 0};
    const TMemoPos caret{caret_.line, 0};
    const int top = TopLine();
    doc_.SetStripsSgr(on);
    textReplaced();
    verticalScrollBar()->setValue(top);
    setCursorState(clampPos(anchor), clampPos(caret), false);
}

void TDCMemo::SetLeftIndent(int pixels)
{
    leftIndent_ = std::clamp(pixels, 0, 1000);
    updateScrollBars();
    viewport()->update();
}

int TDCMemo::LeftIndent() const { return leftIndent_; }

void TDCMemo::SetRightMargin(int column)
{
    rightMargin_ = std::max(0, column);
    viewport()->update();
}

int TDCMemo::RightMargin() const { return rightMargin_; }

void TDCMemo::SetLineHighlightVisible(bool on)
{
    lineHighlight_ = on;
    viewport()->update();
}

bool TDCMemo::LineHighlightVisible() const { return lineHighlight_; }

void TDCMemo::SetLineHighlightPen(Qt::PenStyle style, const QColor& colour)
{
    linePenStyle_ = style;
    linePenColour_ = colour;
    viewport()->update();
}

Qt::PenStyle TDCMemo::LineHighlightPenStyle() const { return linePenStyle_; }
QColor TDCMemo::LineHighlightPenColor() const { return linePenColour_; }

void TDCMemo::SetLineHighlightBrush(const QColor& colour)
{
    lineBrush_ = colour;
    viewport()->update();
}

QColor TDCMemo::LineHighlightBrush() const { return lineBrush_; }

void TDCMemo::SetBackground(const QColor& colour)
{
    background_ = colour;
    invalidateRenders(); // the dimmed notation colour mixes it in
    viewport()->update();
}

QColor TDCMemo::Background() const { return background_; }

void TDCMemo::SetForeground(const QColor& colour)
{
    foreground_ = colour;
    invalidateRenders();
    viewport()->update();
}

QColor TDCMemo::Foreground() const { return foreground_; }

void TDCMemo::SetGutterBrush(const QColor& colour)
{
    gutterBrush_ = colour;
    viewport()->update();
}

QColor TDCMemo::GutterBrush() const { return gutterBrush_; }

void TDCMemo::SetSelBackColor(const QColor& colour)
{
    selBack_ = colour;
    viewport()->update();
}

QColor TDCMemo::SelBackColor() const { return selBack_; }

void TDCMemo::SetSelColor(const QColor& colour)
{
    selFore_ = colour;
    viewport()->update();
}

QColor TDCMemo::SelColor() const { return selFore_; }

void TDCMemo::SetLineNumColor(const QColor& colour)
{
    lineNumColour_ = colour;
    viewport()->update();
}

QColor TDCMemo::LineNumColor() const { return lineNumColour_; }

void TDCMemo::SetPopupMenu(QMenu* menu) { popup_ = menu; }
QMenu* TDCMemo::PopupMenu() const { return popup_; }
