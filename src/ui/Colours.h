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
