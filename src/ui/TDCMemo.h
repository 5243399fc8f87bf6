#pragma once
// The text view component of a result tab: read-only lines with a gutter of
// line numbers, a right-margin line, a current-line highlight and clickable
// links. Painting and input over a TReplyDocument, which holds the text:
// only the lines on screen are ever laid out, tokenised or searched for
// links.

#include "core/Errors.h"
#include "results/DocumentWriter.h"
#include "results/HTMLParser.h"
#include "results/ReplyDocument.h"
#include "results/SgrParser.h"
#include "settings/ColourText.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QCache>
#include <QPointer>
#include <QStringList>

#include <compare>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QPrinter;
class QUrl;
struct TLineRender;

POLLUX_DECLARE_ERROR(EPrinter, EPollux) // printing is not possible

// What the print dialog sets and a print follows. A new view prints with
// only the progress window and no left margin.
struct TPrintOptions {
    bool selectedBlock = false; // only the selection, when there is one
    int leftMargin = 0;         // millimetres
    bool header = false;        // a header with the page number on every page
    bool lineNumbers = false;
    bool syntaxPrint = false;   // the token classes in their text styles
    bool wrapLines = false;     // long lines go on below instead of being cut
    bool useColor = false;      // syntax colours in colour, not black
    bool showProgress = true;   // a progress window with Cancel
    bool operator==(const TPrintOptions&) const = default;
};

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
inline constexpr quint32 kMemoOptionMask = (1u << 25) - 1;

class TDCMemo : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TDCMemo(QWidget* parent = nullptr);
    ~TDCMemo() override;

    // --- text
    // A reply's bytes, split and decoded as SplitReplyLines does; taken
    // over, not copied, when moved in.
    void LoadFromBytes(QByteArray bytes);             // replaces all lines
    void AppendBytes(QByteArray bytes);               // as AppendLines
    // One update, one repaint. Past TextLimit() the oldest lines are dropped
    // and the first line says how many went (DroppedLinesNotice).
    void AppendLines(const QStringList& lines);
    void SetLines(const QStringList& lines);          // replaces all lines
    // The lines as shown: with colour drawing on, SGR sequences are taken
    // out, and caret, selection, find, copy, links and printing see the text
    // without them.
    QStringList Lines() const;
    // The lines as received, sequences and all: what Save writes.
    QStringList ReceivedLines() const;
    int LineCount() const;
    QString LineText(int index) const;
    // Changes whenever the lines are replaced (not when lines are appended).
    quint64 TextGeneration() const { return generation_; }
    QByteArray LineClasses(int index) const;          // token classes + links
    void ClearText();
    void SelectAllText();
    void CopyToClipboard();
    bool HasSelection() const;
    QString SelectedText() const;                     // as stored, lines joined by LF
    TMemoPos SelectionStart() const;
    TMemoPos SelectionEnd() const;
    void SetSelection(TMemoPos anchor, TMemoPos caret);
    int CaretLine() const;                            // from 0
    int CaretColumn() const;                          // from 0
    void GotoLine(int line);                          // from 0; caret to its start
    // Writes the lines with CR LF between them and none after the last, to a
    // temporary file moved into place: a failed save leaves the old file.
    // Throws EInOutError.
    void SaveToFile(const QString& path) const;
    // The text as the document writers take it: lines, the view's font and
    // its colours resolved to plain values, the link highlighting.
    TDocumentInput DocumentInput() const;
    // Writes the text as plain text, RTF or HTML, whole or not at all.
    // Throws EInOutError "Cannot create file %s".
    void SaveAsDocument(TDocumentKind kind, const QString& path) const;
    // Prints on the default printer: with the "Print Selection" dialog, whose
    // choices the view keeps, or directly with the options it has. Throws
    // EPrinter when there is no printer. Answers whether it printed. A quiet
    // print shows no progress window.
    bool Print(bool withDialog, bool quiet = false);
    // Prints with the view's options (or the given ones) on `printer`;
    // answers false when the user cancelled in the progress window.
    bool PrintTo(QPrinter& printer) const;
    bool PrintTo(QPrinter& printer, const TPrintOptions& options) const;
    const TPrintOptions& PrintOptions() const;
    void SetPrintOptions(const TPrintOptions& options);

    // A view holds at most this many characters (a line break counts as
    // one), so that a repeat run that only adds cannot eat all memory. 256 Mi
    // by default; 0 or less restores it (tests set a smaller one).
    static void SetTextLimit(qint64 characters);
    static qint64 TextLimit();
    static QString DroppedLinesNotice(qint64 droppedLines);

    // --- dialogs
    void ShowFindDialog();
    void FindAgain();
    void ShowGotoLineDialog();
    // Runs a search; `fromDialog` applies the origin option. Shows "Search
    // string '%s' not found" and answers false when nothing is found.
    bool Search(const TSearchOptions& options, bool fromDialog);
    static TSearchOptions& SharedSearch();

    // --- configuration
    quint32 Options() const;
    void SetOptions(quint32 options);
    bool HighlightUrls() const;
    void SetHighlightUrls(bool on);
    // Drawing of ANSI SGR colours and styles; off, the sequences show in
    // caret notation like every other escape.
    bool AnsiColours() const;
    void SetAnsiColours(bool on);
    void SetSyntaxParser(const THTMLParser* parser);
    const THTMLParser* SyntaxParser() const;
    void SetLeftIndent(int pixels);
    int LeftIndent() const;
    void SetRightMargin(int column);
    int RightMargin() const;
    int GutterWidth() const;
    void SetLineHighlightVisible(bool on);
    bool LineHighlightVisible() const;
    void SetLineHighlightPen(Qt::PenStyle style, const QColor& colour);
    Qt::PenStyle LineHighlightPenStyle() const;
    QColor LineHighlightPenColor() const;
    void SetLineHighlightBrush(const QColor& colour);
    QColor LineHighlightBrush() const;
    void SetBackground(const QColor& colour);
    QColor Background() const;
    void SetForeground(const QColor& colour);         // the colour of the view's font
    QColor Foreground() const;
    void SetGutterBrush(const QColor& colour);
    QColor GutterBrush() const;
    void SetSelBackColor(const QColor& colour);
    QColor SelBackColor() const;
    void SetSelColor(const QColor& colour);
    QColor SelColor() const;
    void SetLineNumColor(const QColor& colour);
    QColor LineNumColor() const;
    // The popup menu shown on a right click (dxPopupMenu1); none when unset.
    void SetPopupMenu(QMenu* menu);
    QMenu* PopupMenu() const;

    // --- links
    // The link under a point of the viewport; empty when there is none or
    // links are not highlighted.
    QString LinkAt(const QPoint& viewportPos) const;
    // Opens a link's text the way a click does: LinkUrl() decides, and only
    // a valid URL reaches the opener. Answers whether it was opened.
    bool OpenLink(const QString& linkText);
    // Replaces the desktop opener (QDesktopServices::openUrl); tests use it.
    // An empty function restores the desktop.
    static void SetLinkOpener(std::function<void(const QUrl&)> opener);

    // --- geometry, for the main window and tests
    int LineHeight() const;
    int TopLine() const;
    int VisibleLineCount() const;
    // Where a character is drawn, in viewport coordinates.
    QRect CharRect(int line, int col) const;
    int TextLeft() const;                             // x of column 0, unscrolled

signals:
    // State bit 0 (value 1): the caret moved.
    void StateChange(TDCMemo* sender, int state);
    void SelectionChange(TDCMemo* sender);
    // A plain click (or Enter) on a link; emitted after the link was handed
    // to the opener (or refused by it).
    void LinkClicked(const QString& linkText);
    // A click on a finger link: the link, a query expression of its own,
    // for the program to run as it runs the query box's.
    void QueryLinkClicked(const QString& expression);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    struct LinkHit {
        int line = -1;
        int start = 0;
        int length = 0;
        bool valid() const { return line >= 0; }
        bool operator==(const LinkHit&) const = default;
    };

    void textReplaced();
    void enforceTextLimit(); // in TDCMemoLimit.cpp
    void textGrew(int firstNewLine);
    void invalidateRenders();
    void updateMetrics();
    void updateScrollBars();
    TLineRender* renderFor(int line) const;
    QString shownPrefix(int line) const;
    int numberAreaWidth() const;
    int digitsWidth() const;
    int highlightLeft() const;
    int lineX(int line, int col) const;               // text x of a column, unscrolled
    TMemoPos hitTest(const QPoint& viewportPos) const;
    LinkHit linkHitAt(const QPoint& viewportPos) const;
    LinkHit linkHitAtCaret() const;
    void setCursorState(TMemoPos anchor, TMemoPos caret, bool scrollToCaret);
    void moveCaret(TMemoPos to, bool extend);
    void ensureVisible(TMemoPos pos, bool centre);
    TMemoPos clampPos(TMemoPos pos) const;
    TMemoPos endPos() const;
    TMemoPos nextPos(TMemoPos pos, bool word) const;
    TMemoPos previousPos(TMemoPos pos, bool word) const;
    TMemoPos verticalPos(TMemoPos from, int lines) const;
    void selectWordAt(TMemoPos pos);
    void restartBlink();
    void updateCursorShape(const QPoint& viewportPos);
    void autoScrollTick();
    QString visibleSelection() const;

    TReplyDocument doc_;
    quint64 generation_ = 0;
    mutable qreal measuredWidth_ = 0;
    mutable QCache<int, TLineRender> renders_;

    TMemoPos anchor_;
    TMemoPos caret_;
    int desiredX_ = -1;

    quint32 options_ = moDrawMargin | moDrawGutter | moLineNumbers | moLineNumbersOnGutter;
    bool highlightUrls_ = false;
    const THTMLParser* parser_ = nullptr;
    int leftIndent_ = 0;
    int rightMargin_ = 80;
    bool lineHighlight_ = false;
    Qt::PenStyle linePenStyle_ = Qt::SolidLine;
    QColor linePenColour_;
    QColor lineBrush_;
    QColor background_;
    QColor foreground_;
    QColor gutterBrush_;
    QColor selBack_;
    QColor selFore_;
    QColor lineNumColour_;
    QPointer<QMenu> popup_;
    TPrintOptions printOptions_;

    int lineHeight_ = 16;
    qreal metricsDpr_ = 1;
    int ascent_ = 12;
    qreal charWidth_ = 8;
    qreal tabWidth_ = 64;

    QBasicTimer blinkTimer_;
    bool caretOn_ = true;
    QBasicTimer autoScrollTimer_;
    QPoint lastMousePos_;
    bool selecting_ = false;
    bool measuredGrew_ = false;
    QPoint pressPos_;
    LinkHit pressLink_;
    TMemoPos scopeStart_;
    TMemoPos scopeEnd_;
    bool scopeValid_ = false;
};
