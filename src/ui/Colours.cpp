#include "ui/Colours.h"

#include <QGuiApplication>
#include <QPalette>

#include <cmath>

namespace {

constexpr TColor kSystemColour = 0x80000000u;
constexpr TColor kNone = 0x1FFFFFFFu;
constexpr TColor kDefault = 0x20000000u;

// The desktop's counterpart of each system colour index.
bool systemColour(int index, QColor& out)
{
    const QPalette pal = QGuiApplication::palette();
    auto role = [&](QPalette::ColorRole r, QPalette::ColorGroup g = QPalette::Active) {
        out = pal.color(g, r);
        return true;
    };
    switch (index) {
    case 0: return role(QPalette::Button);            // clScrollBar
    case 1: return role(QPalette::Dark);              // clBackground (desktop)
    case 2: return role(QPalette::Highlight);         // clActiveCaption
    case 3: return role(QPalette::Window, QPalette::Inactive); // clInactiveCaption
    case 4: return role(QPalette::Window);            // clMenu
    case 5: return role(QPalette::Base);              // clWindow
    case 6: return role(QPalette::Shadow);            // clWindowFrame
    case 7: return role(QPalette::WindowText);        // clMenuText
    case 8: return role(QPalette::Text);              // clWindowText
    case 9: return role(QPalette::HighlightedText);   // clCaptionText
    case 10: return role(QPalette::Window);           // clActiveBorder
    case 11: return role(QPalette::Window);           // clInactiveBorder
    case 12: return role(QPalette::Dark);             // clAppWorkSpace
    case 13: return role(QPalette::Highlight);        // clHighlight
    case 14: return role(QPalette::HighlightedText);  // clHighlightText
    case 15: return role(QPalette::Button);           // clBtnFace
    case 16: return role(QPalette::Mid);              // clBtnShadow
    case 17: return role(QPalette::PlaceholderText);  // clGrayText
    case 18: return role(QPalette::ButtonText);       // clBtnText
    case 19: return role(QPalette::WindowText, QPalette::Inactive); // clInactiveCaptionText
    case 20: return role(QPalette::Light);            // clBtnHighlight
    case 21: return role(QPalette::Shadow);           // cl3DDkShadow
    case 22: return role(QPalette::Midlight);         // cl3DLight
    case 23: return role(QPalette::ToolTipText);      // clInfoText
    case 24: return role(QPalette::ToolTipBase);      // clInfoBk
    case 26: return role(QPalette::Link);             // clHotLight
    case 27: return role(QPalette::Highlight);        // clGradientActiveCaption
    case 28: return role(QPalette::Window, QPalette::Inactive); // clGradientInactiveCaption
    case 29: return role(QPalette::Highlight);        // clMenuHighlight
    case 30: return role(QPalette::Window);           // clMenuBar
    default: return false;
    }
}

} // namespace

QColor ColourToQColor(TColor colour, const QColor& fallback)
{
    if (colour == kNone || colour == kDefault)
        return fallback;
    if ((colour & 0xFF000000u) == kSystemColour) {
        QColor out;
        return systemColour(int(colour & 0xFFu), out) ? out : fallback;
    }
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

TColor QColorToColour(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return TColor(rgb.red()) | (TColor(rgb.green()) << 8) | (TColor(rgb.blue()) << 16);
}

namespace {
double relativeLuminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(rgb.red()) + 0.7152 * channel(rgb.green()) + 0.0722 * channel(rgb.blue());
}
} // namespace

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableLinkColour(const QColor& background)
{
    constexpr double kReadable = 4.5;
    const QColor blue(0, 0, 255);
    if (ContrastRatio(blue, background) >= kReadable)
        return blue;
    QColor best = blue;
    double bestRatio = ContrastRatio(blue, background);
    // Lighter blues: blue mixed with white in steps.
    for (int step = 1; step <= 20; ++step) {
        const int mix = 255 * step / 20;
        const QColor lighter(mix, mix, 255);
        const double ratio = ContrastRatio(lighter, background);
        if (ratio >= kReadable)
            return lighter;
        if (ratio > bestRatio) {
            best = lighter;
            bestRatio = ratio;
        }
    }
    // A mid-tone background that no light blue reads on: a dark one may.
    for (int step = 1; step <= 10; ++step) {
        const QColor darker(0, 0, 255 - 200 * step / 10);
        const double ratio = ContrastRatio(darker, background);
        if (ratio > bestRatio) {
            best = darker;
            bestRatio = ratio;
        }
    }
    return best;
}
