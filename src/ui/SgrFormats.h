#pragma once
// How the SGR states of a line look on screen: the 256-colour palette, the
// 16 standard colours kept readable on the view's background, and the text
// formats of a line's runs.

#include "results/SgrParser.h"

#include <QColor>
#include <QList>
#include <QTextLayout>

struct TLineRender;

// Palette entry 0-255: the 16 standard colours, the 6x6x6 cube, the grays.
QColor AnsiPaletteColour(int index);
// A standard colour as drawn on `background`: moved toward black or white
// until it stands out (contrast ratio 3:1), so white on a white view or
// black on a dark one is still read.
QColor ReadableAnsiColour(int index, const QColor& background);
// An SGR colour (indexed or true colour); invalid for the default.
QColor SgrColour(quint32 colour);
QTextCharFormat SgrFormat(const TSgrState& state, const QColor& foreground, const QColor& background);
// Appends the formats of `runs` (positions in the line's shown text) at
// their shown positions in `render`.
void AppendSgrFormats(QList<QTextLayout::FormatRange>& formats, const QVector<TSgrRun>& runs,
                      const TLineRender& render, const QColor& foreground, const QColor& background);
