#pragma once
// Laying a view's lines out on printed pages: header with the page number,
// line numbers, wrapped or cut lines, the token classes in their styles, and
// a progress window with Cancel.

#include "ui/TDCMemo.h"

#include <QFont>
#include <QStringList>

class QPrinter;
class QWidget;

struct TPrintJob {
    // The whole text (for the tokeniser's state too): a copy of the view's
    // document, whose bytes are shared rather than copied, so the view may
    // change or close while the progress window turns the event loop. Lines
    // are made one at a time as they are printed.
    TReplyDocument text;
    int first = 0;       // the lines printed, inclusive
    int last = -1;
    int startCol = 0;    // where the first printed line starts
    int endCol = -1;     // where the last printed line ends (-1: its end)
    bool highlightUrls = true;
    QFont font;
    QString title;       // left in the header
};

// Prints the job; answers false when the user cancelled. Throws EPrinter
// when the printer cannot be started. `progressParent` may vanish while the
// progress window turns the event loop; the job holds its own copy of the
// text.
bool PrintLines(QPrinter& printer, const TPrintJob& job, const TPrintOptions& options, QWidget* progressParent);
