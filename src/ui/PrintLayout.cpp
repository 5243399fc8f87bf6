#include "ui/PrintLayout.h"

#include "results/HTMLParser.h"
#include "results/ReplyText.h"
#include "results/TextStyles.h"
#include "ui/Colours.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QProgressDialog>

#include <cmath>

namespace {

constexpr int kTabColumns = 8;

// One printed line: its text with tabs expanded and the class of each
// character.
struct PrintedLine {
    QString text;
    QByteArray classes;
};

PrintedLine Expand(const QString& stored, const QByteArray& storedClasses)
{
    PrintedLine out;
    // Control characters print in the notation the view shows them in.
    if (HasControlNotation(stored)) {
        out.text = VisibleText(stored);
        out.classes = QByteArray(out.text.size(), char(tcWhitespace));
        return out;
    }
    out.text.reserve(stored.size());
    out.classes.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const char cls = i < storedClasses.size() ? storedClasses.at(i) : char(tcWhitespace);
        if (stored.at(i) == u'\t') {
            const qsizetype spaces = kTabColumns - out.text.size() % kTabColumns;
            out.text.append(QString(spaces, u' '));
            out.classes.append(QByteArray(spaces, cls));
        } else {
            out.text.append(stored.at(i));
            out.classes.append(cls);
        }
    }
    return out;
}

class PageWriter {
public:
    PageWriter(QPrinter& printer, QPainter& painter, const TPrintJob& job, const TPrintOptions& options)
        : printer_(printer), painter_(painter), options_(options), title_(job.title)
    {
        font_ = QFont(job.font, &printer);
        painter_.setFont(font_);
        const QFontMetricsF fm(font_, &printer);
        lineHeight_ = std::max<qreal>(1, fm.lineSpacing());
        ascent_ = fm.ascent();
        const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
        width_ = page.width();
        height_ = page.height();
        const qreal margin = options.leftMargin * printer.resolution() / 25.4;
        const int digits = int(QString::number(job.last + 1).size());
        gutter_ = options.lineNumbers ? fm.horizontalAdvance(QString(digits + 2, u'9')) : 0;
        left_ = std::min(margin, width_ / 2);
        textLeft_ = left_ + gutter_;
        top_ = options.header ? 2 * lineHeight_ : 0;
        rows_ = std::max(1, int(std::floor((height_ - top_) / lineHeight_)));
    }

    int Page() const { return page_; }

    // Prints one line (wrapped over several rows when asked).
    void Line(int number, const PrintedLine& line)
    {
        qsizetype start = 0;
        bool firstRow = true;
        do {
            const qsizetype end = options_.wrapLines ? WrapEnd(line.text, start) : line.text.size();
            Row(firstRow ? number : -1, line, start, end);
            firstRow = false;
            start = end;
        } while (start < line.text.size());
    }

private:
    void Row(int number, const PrintedLine& line, qsizetype start, qsizetype end)
    {
        if (row_ >= rows_ || page_ == 0)
            NewPage();
        const qreal baseline = top_ + row_ * lineHeight_ + ascent_;
        painter_.setClipRect(QRectF(0, 0, width_, height_));
        if (number >= 0 && options_.lineNumbers) {
            painter_.setFont(font_);
            painter_.setPen(Qt::black);
            const QString text = QString::number(number + 1);
            const QFontMetricsF fm(font_, &printer_);
            painter_.drawText(QPointF(textLeft_ - fm.horizontalAdvance(text + QStringLiteral("  ")), baseline), text);
        }
        qreal x = textLeft_;
        for (qsizetype i = start; i < end;) {
            const char cls = line.classes.at(i);
            qsizetype j = i + 1;
            if (options_.syntaxPrint)
                while (j < end && line.classes.at(j) == cls)
                    ++j;
            else
                j = end;
            const QString piece = line.text.mid(i, j - i);
            QFont font = font_;
            QColor colour = Qt::black;
            if (options_.syntaxPrint) {
                const TTextStyle& style = DefaultTextStyle(quint8(cls));
                font.setBold(font_.bold() || style.bold);
                font.setItalic(font_.italic() || style.italic);
                font.setUnderline(font_.underline() || style.underline);
                if (options_.useColor)
                    colour = ColourToQColor(style.colour, Qt::black);
            }
            painter_.setFont(font);
            painter_.setPen(colour);
            painter_.drawText(QPointF(x, baseline), piece);
            x += QFontMetricsF(font, &printer_).horizontalAdvance(piece);
            i = j;
        }
        ++row_;
    }

    // Where a row that starts at `start` ends: the last blank that fits, or
    // the last character that fits, but never before one character.
    qsizetype WrapEnd(const QString& text, qsizetype start) const
    {
        const QFontMetricsF fm(font_, &printer_);
        const qreal room = width_ - textLeft_;
        qreal used = 0;
        qsizetype lastBlank = -1;
        for (qsizetype i = start; i < text.size(); ++i) {
            used += fm.horizontalAdvance(text.at(i));
            if (used > room && i > start)
                return lastBlank > start ? lastBlank + 1 : i;
            if (text.at(i) == u' ')
                lastBlank = i;
        }
        return text.size();
    }

    void NewPage()
    {
        if (page_ > 0)
            printer_.newPage();
        ++page_;
        row_ = 0;
        if (!options_.header)
            return;
        painter_.setClipping(false);
        QFont bold = font_;
        bold.setBold(true);
        painter_.setFont(bold);
        painter_.setPen(Qt::black);
        const QFontMetricsF fm(bold, &printer_);
        const QString pageText = QStringLiteral("Page %1").arg(page_);
        const QString left = title_.isEmpty()
                                 ? QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat)
                                 : title_;
        painter_.drawText(QPointF(left_, fm.ascent()), left);
        painter_.drawText(QPointF(width_ - fm.horizontalAdvance(pageText), fm.ascent()), pageText);
        const qreal ruleY = lineHeight_ * 1.4;
        painter_.drawLine(QPointF(left_, ruleY), QPointF(width_, ruleY));
        painter_.setFont(font_);
    }

    QPrinter& printer_;
    QPainter& painter_;
    const TPrintOptions& options_;
    QString title_;
    QFont font_;
    qreal lineHeight_ = 1;
    qreal ascent_ = 0;
    qreal width_ = 0;
    qreal height_ = 0;
    qreal gutter_ = 0;
    qreal left_ = 0;
    qreal textLeft_ = 0;
    qreal top_ = 0;
    int rows_ = 1;
    int row_ = 0;
    int page_ = 0;
};

} // namespace

bool PrintLines(QPrinter& printer, const TPrintJob& job, const TPrintOptions& options, QWidget* progressParent)
{
    QPainter painter;
    if (!painter.begin(&printer))
        throw EPrinter(QStringLiteral("Printing could not be started on %1")
                           .arg(printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName()));
    PageWriter pages(printer, painter, job, options);

    const int first = std::max(0, job.first);
    const int last = std::min(job.last, job.text.LineCount() - 1);
    // The window goes with its parent if that is closed while printing.
    QPointer<QProgressDialog> progress;
    struct DropProgress {
        QPointer<QProgressDialog>& p;
        ~DropProgress() { delete p.data(); }
    } dropProgress{progress};
    if (options.showProgress && last >= first) {
        progress = new QProgressDialog(QStringLiteral("Printing..."), QStringLiteral("Cancel"), 0,
                                       last - first + 1, progressParent);
        progress->setObjectName(QStringLiteral("PrintProgress"));
        progress->setWindowTitle(QStringLiteral("Printing"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(500);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
    }

    THTMLParser parser;
    ParserState state = ParserState::Text;
    for (int i = 0; i < first; ++i)
        state = parser.EndState(job.text.Line(i), state);
    for (int i = first; i <= last; ++i) {
        const QString whole = job.text.Line(i);
        QByteArray classes;
        if (options.syntaxPrint) {
            classes = parser.TokenizeLine(whole, state);
            if (job.highlightUrls)
                MarkLinks(whole, classes);
        }
        qsizetype from = i == first ? std::clamp<qsizetype>(job.startCol, 0, whole.size()) : 0;
        qsizetype to = i == last && job.endCol >= 0 ? std::clamp<qsizetype>(job.endCol, from, whole.size())
                                                      : whole.size();
        pages.Line(i, Expand(whole.mid(from, to - from), classes.mid(from, to - from)));
        if (progress && ((i - first) % 64 == 0 || i == last)) {
            progress->setLabelText(QStringLiteral("Printing page %1...").arg(pages.Page()));
            progress->setValue(i - first);
            // Until the window shows, setValue turns no event loop; this
            // turn lets its show timer run (and nothing of the user's in).
            if (progress && !progress->isVisible())
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            if (progress && progress->wasCanceled()) {
                printer.abort();
                painter.end();
                return false;
            }
        }
    }
    if (last < first)
        pages.Line(0, {}); // an empty text still prints its (empty) page
    painter.end();
    return true;
}
