#pragma once
// The text view component of a result tab: read-only lines with a gutter of
// line numbers, a right-margin line, a current-line highlight and clickable
// links. A QPlainTextEdit underneath.

#include "results/HTMLParser.h"
#include "settings/ColourText.h"

#include <QPlainTextEdit>
#include <QStringList>

class THTMLParser;

// Option bits, in the order of the component's enumeration.
enum TMemoOption : quint32 {
    moDrawMargin = 1u << 0, moDrawGutter = 1u << 1, moThumbTracking = 1u << 2,
    moDblClickLine = 1u << 3, moColorSyntax = 1u << 4, moLineNumbers = 1u << 5,
    moOverwriteCaret = 1u << 6, moLeftIndent = 1u << 7, moDisableDrag = 1u << 8,
    moSelectOnlyText = 1u << 9, moLineNumbersOnGutter = 1u << 10,
    moNotePadCursorStyle = 1u << 11, moBreakWordAtMargin = 1u << 12,
    moDrawSpecialSymbols = 1u << 13, moDisableRightClickMove = 1u << 14,
    moColoredLineStyle = 1u << 15, moDisableInvertedSel = 1u << 16,
    moHideInvisibleLines = 1u << 17, moDrawLineBookmarks = 1u << 18,
    moShowScrollHint = 1u << 19, moUseReadOnlyColor = 1u << 20, moExtendedSel = 1u << 21,
    moCenterOnBookmark = 1u << 22, moTripleClick = 1u << 23, moLimitLineNumbers = 1u << 24,
};

class TDCMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TDCMemo(QWidget* parent = nullptr);
    ~TDCMemo() override;

    // --- text
    void LoadFromBytes(const QByteArray& bytes);      // replaces all lines
    void AppendLines(const QStringList& lines);       // one update, one repaint
    QStringList Lines() const;
    int LineCount() const;
    QString LineText(int index) const;
    QByteArray LineClasses(int index) const;          // token classes + links
    void ClearText();
    void SelectAllText();
    void CopyToClipboard();
    bool HasSelection() const;
    int CaretLine() const;                            // from 0
    int CaretColumn() const;                          // from 0
    void GotoLine(int line);                          // from 0; caret to its start
    // Writes the lines with CR LF between them and none after the last, to a
    // temporary file moved into place: a failed save leaves the old file.
    // Throws EInOutError.
    void SaveToFile(const QString& path) const;

    // --- dialogs
    void ShowFindDialog();
    void FindAgain();
    void ShowGotoLineDialog();

    // --- configuration
    quint32 Options() const;
    void SetOptions(quint32 options);
    bool HighlightUrls() const;
    void SetHighlightUrls(bool on);
    void SetSyntaxParser(const THTMLParser* parser);
    void SetLeftIndent(int pixels);
    int LeftIndent() const;
    void SetRightMargin(int column);
    int RightMargin() const;
    int GutterWidth() const;
    void SetLineHighlightVisible(bool on);
    void SetLineHighlightPen(Qt::PenStyle style, const QColor& colour);
    void SetLineHighlightBrush(const QColor& colour);
    void SetBackground(const QColor& colour);
    void SetForeground(const QColor& colour);
    void SetGutterBrush(const QColor& colour);
    void SetSelBackColor(const QColor& colour);
    void SetSelColor(const QColor& colour);
    void SetLineNumColor(const QColor& colour);

signals:
    // State bit 0 (value 1): the caret moved.
    void StateChange(TDCMemo* sender, int state);
    void SelectionChange(TDCMemo* sender);
    // A plain click on a link; the default handler opens LinkTarget(text)
    // with the desktop unless this is connected and handled elsewhere.
    void LinkClicked(const QString& linkText);
};
