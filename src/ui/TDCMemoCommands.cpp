// The view's commands: clipboard, find, go to line and save.

#include "ui/TDCMemo.h"

#include "results/ReplyText.h"
#include "ui/FindDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextDocument>

// ---------------------------------------------------------------- clipboard

QString TDCMemo::SelectedText() const
{
    const TMemoPos start = SelectionStart();
    const TMemoPos end = SelectionEnd();
    if (start == end || (doc_.LineCount() == 0))
        return {};
    if (start.line == end.line)
        return doc_.Line(start.line).mid(start.col, end.col - start.col);
    QStringList parts;
    parts.append(doc_.Line(start.line).mid(start.col));
    for (int line = start.line + 1; line < end.line; ++line)
        parts.append(doc_.Line(line));
    parts.append(doc_.Line(end.line).left(end.col));
    return parts.join(QLatin1Char('\n'));
}

// Control characters reach the clipboard in the notation they are shown in,
// so that pasting a reply into a terminal cannot replay its escapes.
QString TDCMemo::visibleSelection() const
{
    const QString text = SelectedText();
    QString out;
    out.reserve(text.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u'\n') {
            if (start > 0)
                out.append(QLatin1Char('\n'));
            out.append(VisibleText(QStringView(text).sliced(start, i - start)));
            start = i + 1;
        }
    }
    return out;
}

void TDCMemo::CopyToClipboard()
{
    if (!HasSelection())
        return;
    auto* data = new QMimeData;
    data->setText(visibleSelection());
    QGuiApplication::clipboard()->setMimeData(data);
}

// ---------------------------------------------------------------- find

TSearchOptions& TDCMemo::SharedSearch()
{
    static TSearchOptions search;
    return search;
}

void TDCMemo::ShowFindDialog()
{
    TSearchOptions& shared = SharedSearch();
    TSearchOptions initial = shared;
    const QString selected = SelectedText();
    if (!selected.isEmpty() && !selected.contains(QLatin1Char('\n')))
        initial.text = selected;
    else if (SelectionStart().line != SelectionEnd().line)
        initial.selectedOnly = true;

    TFindDialog dialog(this);
    dialog.SetOptions(initial);
    if (dialog.exec() != QDialog::Accepted)
        return;
    shared = dialog.Options();
    Search(shared, true);
}

void TDCMemo::FindAgain()
{
    if (SharedSearch().text.isEmpty()) {
        ShowFindDialog();
        return;
    }
    Search(SharedSearch(), false);
}

bool TDCMemo::Search(const TSearchOptions& options, bool fromDialog)
{
    // The selected text a search is confined to is taken when the search is
    // started, and kept while Find Again repeats it here.
    if (options.selectedOnly && (fromDialog || !scopeValid_) && HasSelection()) {
        scopeValid_ = true;
        scopeStart_ = SelectionStart();
        scopeEnd_ = SelectionEnd();
    } else if (fromDialog) {
        scopeValid_ = false;
    }
    std::optional<std::pair<TMemoPos, TMemoPos>> match;
    if (LineCount() > 0) {
        TMemoPos scopeStart{};
        TMemoPos scopeEnd = endPos();
        if (options.selectedOnly && scopeValid_) {
            scopeStart = clampPos(scopeStart_);
            scopeEnd = clampPos(scopeEnd_);
        }
        const bool fromScopeEdge = fromDialog && options.entireScope;
        TMemoPos from;
        if (options.backward)
            from = fromScopeEdge ? scopeEnd : std::min(caret_, scopeEnd);
        else
            from = fromScopeEdge ? scopeStart : std::max(caret_, scopeStart);
        match = doc_.Find(options, from, scopeStart, scopeEnd);
    }
    const bool found = match.has_value();
    const auto [matchStart, matchEnd] = match.value_or(std::pair<TMemoPos, TMemoPos>{});
    if (!found) {
        QMessageBox::information(this, QStringLiteral("Information"),
                                 QStringLiteral("Search string '%1' not found").arg(options.text),
                                 QMessageBox::Ok);
        return false;
    }
    if (options.backward)
        setCursorState(matchEnd, matchStart, false);
    else
        setCursorState(matchStart, matchEnd, false);
    ensureVisible(caret_, true);
    return true;
}

// ---------------------------------------------------------------- go to line

void TDCMemo::ShowGotoLineDialog()
{
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("GotoLineDialog"));
    dialog.setWindowTitle(QStringLiteral("Go to line Number"));
    dialog.setLabelText(QStringLiteral("&Enter new line number:"));
    dialog.setInputMode(QInputDialog::IntInput);
    dialog.setIntRange(1, std::max(1, LineCount()));
    dialog.setIntValue(CaretLine() + 1);
    if (dialog.exec() == QDialog::Accepted)
        GotoLine(dialog.intValue() - 1);
}

// ---------------------------------------------------------------- save

void TDCMemo::SaveToFile(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EInOutError(QStringLiteral("Cannot create file %1").arg(path));
    constexpr qsizetype kChunk = 1 << 20;
    QByteArray buffer;
    buffer.reserve(kChunk + 4096);
    bool ok = true;
    for (int i = 0; i < doc_.LineCount() && ok; ++i) {
        if (i > 0)
            buffer.append("\r\n", 2);
        buffer.append(doc_.ReceivedUtf8(i));
        if (buffer.size() >= kChunk) {
            ok = file.write(buffer) == buffer.size();
            buffer.clear();
        }
    }
    if (ok && !buffer.isEmpty())
        ok = file.write(buffer) == buffer.size();
    if (!ok || !file.commit())
        throw EInOutError(QStringLiteral("Cannot write file %1: %2").arg(path, file.errorString()));
}
