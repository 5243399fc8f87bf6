#pragma once
// The stored forms of a colour and of the result view's font.
//
// A colour is a 32-bit value: plain colours 0x00BBGGRR (red in the low byte),
// system colour n is 0x80000000 + n, clNone 0x1FFFFFFF, clDefault 0x20000000.

#include "core/Errors.h"

#include <QString>
#include <QStringList>

using TColor = quint32;

// The table name ("clNavy") when the value is one of the 52, else "$" and
// eight upper-case hexadecimal digits.
QString ColourToText(TColor colour);
// A table name in any case, or an integer (decimal with sign, "$" or "0x"
// hexadecimal); anything else throws EConvertError "'%s' is not a valid
// integer value".
TColor TextToColour(const QString& text);
// The 52 names of the colour name table, in the table's order ("clBlack",
// "clMaroon", ..., "clWindowText").
QStringList ColourNameList();

// "Courier New (Size: 10)" -> "Courier New", 10; other shapes throw EConvertError.
void ParseFontText(const QString& text, QString& name, int& size);
QString FontToText(const QString& name, int size);

// Reads text as a decimal integer the way the conversion routines do; throws
// EConvertError "'%s' is not a valid integer value".
qint32 StrToInt(const QString& text);
