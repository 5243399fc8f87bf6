#pragma once
// The view's thin decorations (gutter edge, margin line, current-line frame,
// caret) are drawn on the device's own pixels, so that at 150 % or 200 %
// they stay one crisp line instead of a smear across two pixels.

#include <QPainter>

#include <algorithm>
#include <cmath>

class TPixelGrid {
public:
    // Switches `painter` to device pixels until destroyed.
    TPixelGrid(QPainter& painter, qreal dpr)
        : painter_(painter), dpr_(dpr > 0 ? dpr : 1), hair_(std::max(1, int(std::floor(dpr_ + 0.01))))
    {
        painter_.save();
        painter_.scale(1 / dpr_, 1 / dpr_);
        painter_.setRenderHint(QPainter::Antialiasing, false);
    }
    ~TPixelGrid() { painter_.restore(); }
    TPixelGrid(const TPixelGrid&) = delete;
    TPixelGrid& operator=(const TPixelGrid&) = delete;

    // A logical coordinate on the device grid.
    int px(qreal logical) const { return int(std::lround(logical * dpr_)); }
    // A logical rectangle with its edges on the grid.
    QRect rect(qreal x, qreal y, qreal w, qreal h) const
    {
        const int left = px(x), top = px(y);
        return QRect(left, top, std::max(0, px(x + w) - left), std::max(0, px(y + h) - top));
    }
    // The width of a thin line: whole device pixels, one per full scale step.
    int hair() const { return hair_; }

    void fill(const QRect& r, const QColor& colour) { painter_.fillRect(r, colour); }
    void verticalLine(int x, int top, int bottom, const QColor& colour)
    {
        painter_.fillRect(QRect(x, top, hair_, bottom - top), colour);
    }
    // A frame just inside `r`, dotted like a 1-pixel dotted pen at 100 %.
    void dottedFrame(const QRect& r, const QColor& colour)
    {
        const int step = 3 * hair_;
        for (int x = r.left(); x < r.right() + 1; x += step) {
            painter_.fillRect(QRect(x, r.top(), hair_, hair_), colour);
            painter_.fillRect(QRect(x, r.bottom() + 1 - hair_, hair_, hair_), colour);
        }
        for (int y = r.top(); y < r.bottom() + 1; y += step) {
            painter_.fillRect(QRect(r.left(), y, hair_, hair_), colour);
            painter_.fillRect(QRect(r.right() + 1 - hair_, y, hair_, hair_), colour);
        }
    }
    void solidFrame(const QRect& r, const QColor& colour, Qt::PenStyle style)
    {
        QPen pen(colour, hair_, style);
        pen.setJoinStyle(Qt::MiterJoin);
        painter_.setPen(pen);
        painter_.setBrush(Qt::NoBrush);
        const qreal half = hair_ / 2.0;
        painter_.drawRect(QRectF(r).adjusted(half, half, -half, -half));
    }

private:
    QPainter& painter_;
    qreal dpr_;
    int hair_;
};
