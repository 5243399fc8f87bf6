// Printing a view to a PDF file with the print options, read back with the
// poppler tools; the "Print Selection" dialog; Cancel in the progress window.

#include "ModalHelper.h"
#include "TestMain.h"

#include "ui/PrintSelectionDialog.h"
#include "ui/TDCMemo.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>

Q_DECLARE_METATYPE(TPrintOptions)

namespace {

const QString kLongLine = QStringLiteral("start ") + QString(240, u'x') + QStringLiteral(" TAILEND");

QStringList Sample()
{
    QStringList lines;
    for (int i = 1; i <= 150; ++i)
        lines << QStringLiteral("row%1 <b>tag</b> www.host1.example").arg(i);
    lines[9] = kLongLine;
    return lines;
}

// The PDF's text laid out as on the page; empty when poppler is missing.
// "line 0", "line 1", ...
QStringList NumberedLines(int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("line %1").arg(i);
    return lines;
}

QString PdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

QImage PdfFirstPage(const QString& pdf, const QString& prefix)
{
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-png"),
                                         QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                         QStringLiteral("1"), QStringLiteral("-singlefile"), pdf, prefix});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QImage(prefix + QStringLiteral(".png"));
}

// Where the first word of the first page starts, in points from the left.
double FirstWordX(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return -1;
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("<word xMin=\"([0-9.]+)\"")).match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toDouble() : -1;
}

bool HasBlue(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() > 160 && c.red() < 110 && c.green() < 110)
                return true;
        }
    return false;
}

} // namespace

class TestPrint : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString PrintToPdf(TDCMemo& view, const TPrintOptions& options, const QString& name)
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(dir.filePath(name));
        [&] { QVERIFY(view.PrintTo(printer, options)); }();
        return dir.filePath(name);
    }

private slots:
    void initTestCase();
    void pages_data();
    void pages();
    void leftMargin();
    void syntaxColours();
    void dialog();
    void cancel();
    void textChangedWhilePrinting();
};

void TestPrint::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed; scripts/install-deps installs it");
}

void TestPrint::pages_data()
{
    QTest::addColumn<TPrintOptions>("options");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QStringList>("absent");
    TPrintOptions plain;
    plain.showProgress = false;
    TPrintOptions header = plain;
    header.header = true;
    TPrintOptions numbers = plain;
    numbers.lineNumbers = true;
    TPrintOptions wrap = plain;
    wrap.wrapLines = true;
    QTest::newRow("plain") << plain << QStringList{"row1 <b>tag</b>", "row150", "start xxx"}
                           << QStringList{"Page 1", "TAILEND"};
    QTest::newRow("header and page numbers") << header << QStringList{"Page 1", "Page 2", "row150"}
                                             << QStringList{"TAILEND"};
    QTest::newRow("line numbers") << numbers << QStringList{"1  row1 ", "150  row150", "10  start"}
                                  << QStringList{"Page 1"};
    QTest::newRow("wrapped") << wrap << QStringList{"TAILEND", "row150"} << QStringList{"Page 1"};
    // Selected from the middle of line 3 to the middle of line 4.
    TPrintOptions block = plain;
    block.selectedBlock = true;
    QTest::newRow("selected block") << block << QStringList{"<b>tag</b> www.host1.example", "row4 <b>"}
                                    << QStringList{"row3", "row2 ", "row5 "};
}

void TestPrint::pages()
{
    QFETCH(TPrintOptions, options);
    QFETCH(QStringList, present);
    QFETCH(QStringList, absent);
    TDCMemo view;
    view.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10));
    view.SetHighlightUrls(true);
    view.SetLines(Sample());
    view.SetSelection({2, 5}, {3, 8});
    const QString text = PdfText(PrintToPdf(view, options, QStringLiteral("pages.pdf")));
    QVERIFY(!text.isEmpty());
    QString flat = text;
    flat.replace(QRegularExpression(QStringLiteral("[ ]+")), QStringLiteral(" "));
    for (const QString& s : present) {
        QString want = s;
        want.replace(QRegularExpression(QStringLiteral("[ ]+")), QStringLiteral(" "));
        QVERIFY2(flat.contains(want), qPrintable(s));
    }
    for (const QString& s : absent)
        QVERIFY2(!text.contains(s), qPrintable(s));
}

void TestPrint::leftMargin()
{
    TDCMemo view;
    view.SetLines({"first"});
    TPrintOptions options;
    options.showProgress = false;
    const double without = FirstWordX(PrintToPdf(view, options, QStringLiteral("m0.pdf")));
    options.leftMargin = 40;
    const double with = FirstWordX(PrintToPdf(view, options, QStringLiteral("m40.pdf")));
    QVERIFY(without >= 0);
    // 40 mm is 113 points.
    QVERIFY2(std::abs(with - without - 113.4) < 3, qPrintable(QStringLiteral("%1 -> %2").arg(without).arg(with)));
}

void TestPrint::syntaxColours()
{
    TDCMemo view;
    view.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 14));
    view.SetHighlightUrls(true);
    view.SetLines({"<b>tag</b> www.host1.example"});
    TPrintOptions options;
    options.showProgress = false;
    options.syntaxPrint = true;
    options.useColor = true;
    const QImage coloured = PdfFirstPage(PrintToPdf(view, options, "c.pdf"), dir.filePath("c"));
    if (coloured.isNull())
        QSKIP("pdftoppm is not installed");
    QVERIFY(HasBlue(coloured));
    options.useColor = false;
    QVERIFY(!HasBlue(PdfFirstPage(PrintToPdf(view, options, "m.pdf"), dir.filePath("m"))));
    options.useColor = true;
    options.syntaxPrint = false;
    QVERIFY(!HasBlue(PdfFirstPage(PrintToPdf(view, options, "p.pdf"), dir.filePath("p"))));
}

void TestPrint::dialog()
{
    QPrinter printer;
    TPrintOptions start;
    start.leftMargin = 7;
    start.lineNumbers = true;
    TPrintSelectionDialog without(&printer, start, false, {});
    QCOMPARE(without.windowTitle(), QStringLiteral("Print Selection"));
    QVERIFY(!without.SelectedBlock->isEnabled());
    QCOMPARE(without.Options(), start);
    QStringList texts;
    for (const QCheckBox* c : without.findChildren<QCheckBox*>())
        texts << c->text();
    for (const QLabel* l : without.findChildren<QLabel*>())
        texts << l->text();
    for (const QPushButton* b : without.findChildren<QPushButton*>())
        texts << b->text();
    for (const char* want : {"&Print selected block", "Left &margin:", "Header/page &number", "&Line numbers",
                             "&Syntax print", "&Wrap lines", "Use &color", "Show print &progress", "Se&tup...",
                             "<Unknown>"})
        QVERIFY2(texts.contains(QLatin1String(want)), want);

    TPrintSelectionDialog with(&printer, start, true, {});
    QVERIFY(with.SelectedBlock->isEnabled());
    with.SelectedBlock->setChecked(true);
    with.WrapLines->setChecked(true);
    with.LeftMargin->setValue(12);
    TPrintOptions chosen = start;
    chosen.selectedBlock = true;
    chosen.wrapLines = true;
    chosen.leftMargin = 12;
    QCOMPARE(with.Options(), chosen);
}

void TestPrint::cancel()
{
    TDCMemo view;
    view.SetLines(NumberedLines(5000));
    // The progress window turns the event loop at once, so this runs
    // before the first page is done, however fast the machine.
    QTimer::singleShot(0, &view, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<QProgressDialog*>(w))
                p->cancel();
    });
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("cancelled.pdf"));
    TPrintOptions options; // progress on, as for a new view
    QVERIFY(!view.PrintTo(printer, options));
}

// The progress window turns the event loop, and a query may replace the
// view's text meanwhile: the pages are of the text as it was when printing
// began.
void TestPrint::textChangedWhilePrinting()
{
    TDCMemo view;
    view.SetLines(NumberedLines(3000));
    bool changed = false;
    QTimer::singleShot(0, &view, [&] {
        view.SetLines({QStringLiteral("replaced")});
        changed = true;
    });
    TPrintOptions options; // progress on
    const QString text = PdfText(PrintToPdf(view, options, QStringLiteral("changed.pdf")));
    QVERIFY(changed);
    QVERIFY(text.contains(QLatin1String("line 0")));
    QVERIFY(text.contains(QLatin1String("line 2999")));
    QVERIFY(!text.contains(QLatin1String("replaced")));
}

POLLUX_GUI_TEST_MAIN(TestPrint)
#include "test_print.moc"
