#pragma once
// The text styles of the token classes: the colour and font style each class
// has in saved RTF and HTML documents (and on screen when syntax colours are
// switched on). Background, face and size always follow the view.

#include "settings/ColourText.h"

#include <QString>

struct TTextStyle {
    const char* name;
    TColor colour; // 0x00BBGGRR
    bool bold;
    bool italic;
    bool underline;
};

inline constexpr int kTextStyleCount = 13;

// The style of class `cls` (0 to 12); classes outside the table get the
// Whitespace style.
const TTextStyle& DefaultTextStyle(int cls);
