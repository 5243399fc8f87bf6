#pragma once
// Stored colours (0x00BBGGRR, or a system colour 0x80000000 + n) as the
// colours the screen uses, and back.

#include "settings/ColourText.h"

#include <QColor>

// A plain colour as it is; a system colour from the application palette
// (clWindow 5, clWindowText 8, clHighlight 13, clHighlightText 14,
// clBtnFace 15, ...). clNone, clDefault and unknown system colours give
// `fallback`.
QColor ColourToQColor(TColor colour, const QColor& fallback = QColor());
// The plain 0x00BBGGRR value of a screen colour.
TColor QColorToColour(const QColor& colour);

// WCAG contrast ratio of two colours, 1 to 21.
double ContrastRatio(const QColor& a, const QColor& b);
// The colour links are drawn in on `background`: blue, or where blue would
// be hard to read (contrast under 4.5:1, as on dark backgrounds) the first
// lighter blue that reads well; where no blue reaches that, the one that
// contrasts most.
QColor ReadableLinkColour(const QColor& background);
