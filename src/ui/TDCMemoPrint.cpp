// The view's way out of the program: documents and printing.

#include "ui/TDCMemo.h"

#include "ui/Colours.h"
#include "ui/PrintLayout.h"
#include "ui/PrintSelectionDialog.h"

#include <QFontInfo>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>

TDocumentInput TDCMemo::DocumentInput() const
{
    TDocumentInput input;
    // Lines are made one at a time as the document is written.
    input.lineCount = doc_.LineCount();
    input.lineAt = [this](qsizetype index) { return doc_.Line(int(index)); };
    const QFont f = font();
    // The family really used: "monospace" means nothing to a word processor.
    input.font.name = QFontInfo(f).family();
    const qreal points = f.pointSizeF();
    input.font.size = points > 0 ? int(std::lround(points)) : 10;
    input.font.bold = f.bold();
    input.font.italic = f.italic();
    input.font.underline = f.underline();
    input.font.strikeOut = f.strikeOut();
    // Palette colours are already real values here: nothing system-relative
    // reaches a document.
    input.foreground = QColorToColour(foreground_);
    input.background = QColorToColour(background_);
    input.highlightUrls = highlightUrls_;
    return input;
}

void TDCMemo::SaveAsDocument(TDocumentKind kind, const QString& path) const
{
    TDocumentInput input = DocumentInput();
    // Text keeps the reply as received, colour codes and all; RTF and HTML
    // are documents of the text as shown.
    if (kind == TDocumentKind::Text)
        input.lineAt = [this](qsizetype index) { return doc_.ReceivedLine(int(index)); };
    SaveDocument(kind, input, path);
}

const TPrintOptions& TDCMemo::PrintOptions() const { return printOptions_; }

void TDCMemo::SetPrintOptions(const TPrintOptions& options) { printOptions_ = options; }

bool TDCMemo::Print(bool withDialog, bool quiet)
{
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    if (defaultPrinter.isNull() && QPrinterInfo::availablePrinterNames().isEmpty())
        throw EPrinter(QStringLiteral("There is no default printer currently selected"));
    QPrinter printer(defaultPrinter.isNull() ? QPrinterInfo::printerInfo(QPrinterInfo::availablePrinterNames().first())
                                             : defaultPrinter,
                     QPrinter::HighResolution);
    if (withDialog) {
        TPrintSelectionDialog dialog(&printer, printOptions_, HasSelection(),
                                     [this](QPrinter* p, const TPrintOptions& o) { PrintTo(*p, o); }, this);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        printOptions_ = dialog.Options();
    }
    TPrintOptions options = printOptions_;
    if (quiet)
        options.showProgress = false;
    return PrintTo(printer, options);
}

bool TDCMemo::PrintTo(QPrinter& printer) const
{
    return PrintTo(printer, printOptions_);
}

bool TDCMemo::PrintTo(QPrinter& printer, const TPrintOptions& options) const
{
    TPrintJob job;
    job.text = doc_;
    job.first = 0;
    job.last = doc_.LineCount() - 1;
    if (options.selectedBlock && HasSelection()) {
        const TMemoPos from = SelectionStart();
        const TMemoPos to = SelectionEnd();
        job.first = from.line;
        job.startCol = from.col;
        job.last = to.line;
        job.endCol = to.col;
    }
    job.highlightUrls = highlightUrls_;
    job.font = font();
    // The job keeps its own copy of the text (the bytes shared, not
    // copied) and the progress window belongs to the window: the view may
    // be closed while the progress window turns the event loop.
    return PrintLines(printer, job, options, window());
}
