#include "ui/SgrFormats.h"

#include "ui/LineRender.h"

#include <QFont>

#include <cmath>

namespace {

constexpr QRgb kStandard[16] = {
    0x000000, 0xCD0000, 0x00CD00, 0xCDCD00, 0x0000EE, 0xCD00CD, 0x00CDCD, 0xE5E5E5,
    0x7F7F7F, 0xFF0000, 0x00FF00, 0xFFFF00, 0x5C5CFF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};
constexpr double kMinContrast = 3.0;

double channel(int v)
{
    const double c = v / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor& c)
{
    return 0.2126 * channel(c.red()) + 0.7152 * channel(c.green()) + 0.0722 * channel(c.blue());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor(qRound(a.red() + (b.red() - a.red()) * t), qRound(a.green() + (b.green() - a.green()) * t),
                  qRound(a.blue() + (b.blue() - a.blue()) * t));
}

} // namespace

QColor AnsiPaletteColour(int index)
{
    index = std::clamp(index, 0, 255);
    if (index < 16)
        return QColor::fromRgb(kStandard[index]);
    if (index < 232) {
        static constexpr int levels[6] = {0, 95, 135, 175, 215, 255};
        const int i = index - 16;
        return QColor(levels[i / 36], levels[(i / 6) % 6], levels[i % 6]);
    }
    const int gray = 8 + 10 * (index - 232);
    return QColor(gray, gray, gray);
}

QColor ReadableAnsiColour(int index, const QColor& background)
{
    const QColor colour = AnsiPaletteColour(index);
    if (contrast(colour, background) >= kMinContrast)
        return colour;
    const QColor target = luminance(background) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
    for (int step = 1; step <= 10; ++step) {
        const QColor moved = mix(colour, target, step / 10.0);
        if (contrast(moved, background) >= kMinContrast)
            return moved;
    }
    return target;
}

QColor SgrColour(quint32 colour)
{
    switch (colour & kSgrKindMask) {
    case sgrIndexed: return AnsiPaletteColour(int(colour & 0xFF));
    case sgrRgb: return QColor::fromRgb(colour & 0xFFFFFF);
    default: return {};
    }
}

QTextCharFormat SgrFormat(const TSgrState& state, const QColor& foreground, const QColor& background)
{
    const bool reverse = state.attributes & sgrReverse;
    bool ownForeground = state.fg != sgrDefault || reverse || (state.attributes & sgrFaint);
    QColor fg = state.fg == sgrDefault ? foreground : SgrColour(state.fg);
    QColor bg = SgrColour(state.bg);
    // Only a standard colour on the view's own background is adjusted: a
    // colour the reply pairs with a background of its own is its choice.
    if ((state.fg & kSgrKindMask) == sgrIndexed && (state.fg & 0xFF) < 16 && !bg.isValid() && !reverse)
        fg = ReadableAnsiColour(int(state.fg & 0xFF), background);
    // The view's own text colour on a background the reply chose (art made
    // for a dark terminal on a light view) turns black or white instead.
    if (state.fg == sgrDefault && bg.isValid() && !reverse && contrast(fg, bg) < kMinContrast) {
        fg = luminance(bg) > 0.18 ? QColor(Qt::black) : QColor(Qt::white);
        ownForeground = true;
    }
    if (reverse) {
        const QColor newBg = fg;
        fg = bg.isValid() ? bg : background;
        bg = newBg;
    }
    if (state.attributes & sgrFaint)
        fg = mix(fg, bg.isValid() ? bg : background, 0.5);

    QTextCharFormat format;
    if (ownForeground)
        format.setForeground(fg);
    if (bg.isValid())
        format.setBackground(bg);
    if (state.attributes & sgrBold)
        format.setFontWeight(QFont::Bold);
    if (state.attributes & sgrItalic)
        format.setFontItalic(true);
    if (state.attributes & sgrUnderline)
        format.setFontUnderline(true);
    if (state.attributes & sgrStrike)
        format.setFontStrikeOut(true);
    return format;
}

void AppendSgrFormats(QList<QTextLayout::FormatRange>& formats, const QVector<TSgrRun>& runs,
                      const TLineRender& render, const QColor& foreground, const QColor& background)
{
    for (const TSgrRun& run : runs) {
        if (run.start >= render.shownLength)
            break;
        const int from = render.displayPos(run.start);
        const int to = render.displayPos(run.start + run.length);
        if (to > from)
            formats.append({from, to - from, SgrFormat(run.state, foreground, background)});
    }
}
