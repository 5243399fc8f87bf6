#pragma once
// The colour picker: a drop-down of the named colours, each a swatch and
// its name less "cl", then "Custom", which holds the last unnamed colour
// the program set (or one the user mixes in the colour dialog).

#include "settings/ColourText.h"

#include <QComboBox>

class TColourPicker : public QComboBox {
    Q_OBJECT
public:
    explicit TColourPicker(QWidget* parent = nullptr);

    TColor Colour() const;
    // A named colour selects its entry without a change report; an unnamed
    // one goes into "Custom", which is selected, and reports a change.
    void SetColour(TColor colour);
    int CustomIndex() const;

signals:
    // The colour changed: by the user's choice, or an unnamed colour set.
    void Change();

private:
    void chosen(int index);
    void setCustom(TColor colour);

    TColor custom_ = 0;
};
