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
#include <QRegularExpression>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextDocument>

namespace {

bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

bool isWholeWord(const QString& line, qsizetype start, qsizetype length)
{
    if (start > 0 && isWordChar(line[start - 1]))
        return false;
    const qsizetype end = start + length;
    return end >= line.size() || !isWordChar(line[end]);
}

// Matches of the search in one line, left to right, each inside [from, to).
class LineMatcher {
public:
    explicit LineMatcher(const TSearchOptions& options) : options_(options)
    {
        if (options.regularExpression) {
            QRegularExpression::PatternOptions flags = QRegularExpression::UseUnicodePropertiesOption;
            if (!options.caseSensitive)
                flags |= QRegularExpression::CaseInsensitiveOption;
            regex_ = QRegularExpression(options.text, flags);
            regex_.optimize();
        }
    }

    bool valid() const { return !options_.regularExpression || regex_.isValid(); }

    // The first match starting at or after `from` that ends by `to`.
    bool next(const QString& line, qsizetype from, qsizetype to, qsizetype& start, qsizetype& length) const
    {
        while (from <= to) {
            if (options_.regularExpression) {
                const QRegularExpressionMatch m = regex_.match(line, from);
                if (!m.hasMatch())
                    return false;
                start = m.capturedStart();
                length = m.capturedLength();
            } else {
                start = line.indexOf(options_.text, from,
                                     options_.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
                if (start < 0)
                    return false;
                length = options_.text.size();
            }
            if (start + length > to)
                return false;
            // An empty match finds nothing a user could see or step over.
            if (length > 0 && (!options_.wholeWords || isWholeWord(line, start, length)))
                return true;
            from = start + 1;
        }
        return false;
    }

private:
    const TSearchOptions& options_;
    QRegularExpression regex_;
};

} // namespace

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
    const LineMatcher matcher(options);
    bool found = false;
    TMemoPos matchStart, matchEnd;
    if (!options.text.isEmpty() && matcher.valid() && !(doc_.LineCount() == 0)) {
        TMemoPos scopeStart{};
        TMemoPos scopeEnd = endPos();
        if (options.selectedOnly && scopeValid_) {
            scopeStart = clampPos(scopeStart_);
            scopeEnd = clampPos(scopeEnd_);
        }
        const bool fromScopeEdge = fromDialog && options.entireScope;
        qsizetype start = 0, length = 0;
        if (!options.backward) {
            TMemoPos from = fromScopeEdge ? scopeStart : std::max(caret_, scopeStart);
            for (int line = from.line; line <= scopeEnd.line && !found; ++line) {
                const QString text = doc_.Line(line);
                const qsizetype lo = line == from.line ? from.col : 0;
                const qsizetype hi = line == scopeEnd.line ? scopeEnd.col : text.size();
                if (matcher.next(text, lo, hi, start, length)) {
                    found = true;
                    matchStart = {line, int(start)};
                    matchEnd = {line, int(start + length)};
                }
            }
        } else {
            TMemoPos from = fromScopeEdge ? scopeEnd : std::min(caret_, scopeEnd);
            for (int line = from.line; line >= scopeStart.line && !found; --line) {
                const QString text = doc_.Line(line);
                const qsizetype lo = line == scopeStart.line ? scopeStart.col : 0;
                const qsizetype hi = line == scopeEnd.line ? scopeEnd.col : text.size();
                // The last match that starts before the caret.
                const qsizetype limit = line == from.line ? from.col : text.size() + 1;
                qsizetype at = lo;
                while (matcher.next(text, at, hi, start, length) && start < limit) {
                    found = true;
                    matchStart = {line, int(start)};
                    matchEnd = {line, int(start + length)};
                    at = start + 1;
                }
            }
        }
    }
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
