// The text view: text in and out, selection and clipboard, find, go to line,
// links, gutter and options.

#include "ModalHelper.h"
#include "TestMain.h"

#include "core/Errors.h"
#include "ui/FindDialog.h"
#include "ui/TDCMemo.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QUrl>

#include <csignal>
#include <sys/resource.h>

Q_DECLARE_METATYPE(TSearchOptions)
Q_DECLARE_METATYPE(TMemoPos)

char* toString(const TMemoPos& pos)
{
    return qstrdup(QByteArray::number(pos.line) + ":" + QByteArray::number(pos.col));
}

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Closes the next message box and hands back its text.
QString* ExpectMessage()
{
    static QString text;
    text.clear();
    OnNextModal([](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            text = box->windowTitle() + QLatin1Char('|') + box->text();
            box->accept();
        }
    });
    return &text;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestView : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void loadAndAppend();
    void appendIsOneRepaint();
    void textIsBounded();
    void saveToFile();
    void saveFailureKeepsOldFile();
    void selectionAndClipboard();
    void search_data();
    void search();
    void searchNotFound();
    void findDialogSharedByViews();
    void gotoLineDialog();
    void linkClicks_data();
    void linkClicks();
    void linkNeedsPlainClick();
    void gutterAndOptions();
    void controlCharactersShownNotStored();
    void longLineIsCut();
    void endOfLargeText();
    void printing();

private:
    TDCMemo* view = nullptr;
    QList<QUrl> opened;
};

void TestView::init()
{
    view = new TDCMemo;
    view->resize(600, 300);
    view->SetHighlightUrls(true);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    opened.clear();
    TDCMemo::SetLinkOpener([this](const QUrl& url) { opened.append(url); });
    TDCMemo::SharedSearch() = TSearchOptions{};
}

void TestView::cleanup()
{
    delete view;
    view = nullptr;
    TDCMemo::SetLinkOpener({});
    TDCMemo::SetTextLimit(0);
}

void TestView::textIsBounded()
{
    // Lines of 9 characters and a break: 10 each; room for 100 at 1000.
    TDCMemo::SetTextLimit(1000);
    auto run = [](int from) {
        QStringList lines;
        for (int i = from; i < from + 60; ++i)
            lines << QStringLiteral("line %1").arg(i, 4, 10, QLatin1Char('0'));
        return lines;
    };
    view->AppendLines(run(0));
    QCOMPARE(view->LineCount(), 60);
    view->GotoLine(59);
    for (int repeat = 1; repeat <= 3; ++repeat) {
        view->AppendLines(run(60 * repeat));
        const QStringList lines = view->Lines();
        // The newest lines stay; the first line alone says how many went.
        QCOMPARE(lines.last(), QStringLiteral("line %1").arg(60 * repeat + 59, 4, 10, QLatin1Char('0')));
        const qsizetype kept = lines.size() - 1;
        QCOMPARE(lines.first(), TDCMemo::DroppedLinesNotice(60 * (repeat + 1) - kept));
        QCOMPARE(lines.filter(QStringLiteral("earlier lines dropped")).size(), 1);
        QVERIFY(lines.join(QLatin1Char('\n')).size() + 1 <= 1000);
        QVERIFY(kept >= 80);
        // The caret stays on its line while the line is kept, else goes to the top.
        if (repeat == 1)
            QCOMPARE(view->LineText(view->CaretLine()), QStringLiteral("line 0059"));
    }
    QCOMPARE(view->CaretLine(), 0);
    view->GotoLine(view->LineCount() - 1);
    view->AppendLines(run(240));
    QCOMPARE(view->LineText(view->CaretLine()), QStringLiteral("line 0239"));
    // Replaced text starts afresh, bounded too.
    view->SetLines(run(0) + run(60));
    QCOMPARE(view->Lines().first(), TDCMemo::DroppedLinesNotice(120 - (view->LineCount() - 1)));
}

void TestView::loadAndAppend()
{
    view->LoadFromBytes(QByteArray("a\r\nb\0c", 6));
    QCOMPARE(view->Lines(), (QStringList{"a", QString::fromUtf16(u"b\0c", 3)}));
    view->LoadFromBytes("x\ry\r\n");
    QCOMPARE(view->Lines(), (QStringList{"x", "y"}));
    view->AppendLines({"z", ""});
    QCOMPARE(view->Lines(), (QStringList{"x", "y", "z", ""}));
    QCOMPARE(view->LineCount(), 4);
    QCOMPARE(view->LineText(2), QStringLiteral("z"));
    QCOMPARE(view->LineText(9), QString());
    view->ClearText();
    QCOMPARE(view->LineCount(), 0);
    QCOMPARE(view->CaretLine(), 0);
    view->AppendLines({"after clear"});
    QCOMPARE(view->Lines(), QStringList{"after clear"});
}

void TestView::appendIsOneRepaint()
{
    view->LoadFromBytes("first\r\n");
    QCoreApplication::processEvents();
    PaintCounter counter;
    view->viewport()->installEventFilter(&counter);
    QStringList lines;
    for (int i = 0; i < 5000; ++i)
        lines.append(QStringLiteral("line %1 www.host%1.example").arg(i));
    view->AppendLines(lines);
    QTRY_VERIFY(counter.paints >= 1);
    QCoreApplication::processEvents();
    QCOMPARE(counter.paints, 1);
    QCOMPARE(view->LineCount(), 5001);
}

void TestView::saveToFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.txt");
    view->LoadFromBytes(QByteArray("\tone\x1b[0m\r\ntw\xc3\xb6\r\n\r\nlast"));
    view->SaveToFile(path);
    QCOMPARE(readFile(path), QByteArray("\tone\x1b[0m\r\ntw\xc3\xb6\r\n\r\nlast"));
    view->SetLines({"short"});
    view->SaveToFile(path);
    QCOMPARE(readFile(path), QByteArray("short"));
    view->ClearText();
    view->SaveToFile(path);
    QCOMPARE(readFile(path), QByteArray());

    try {
        view->SaveToFile(dir.filePath("missing/dir/out.txt"));
        QFAIL("no failure");
    } catch (const EInOutError& e) {
        QCOMPARE(e.Message(), QStringLiteral("Cannot create file %1").arg(dir.filePath("missing/dir/out.txt")));
    }
}

// A write that fails half-way (here: the file size limit) leaves the old
// file as it was.
void TestView::saveFailureKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.txt");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old contents");
    }
    QStringList lines;
    for (int i = 0; i < 20000; ++i)
        lines.append(QString(100, QLatin1Char('x')));
    view->SetLines(lines);

    rlimit old{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    bool failed = false;
    try {
        view->SaveToFile(path);
    } catch (const EInOutError& e) {
        failed = e.Message().startsWith(QStringLiteral("Cannot write file"));
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    QVERIFY(failed);
    QCOMPARE(readFile(path), QByteArray("old contents"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.txt"});
}

void TestView::selectionAndClipboard()
{
    view->LoadFromBytes("alpha beta\r\ngam\x1bma\r\ndelta");
    QSignalSpy state(view, &TDCMemo::StateChange);
    QSignalSpy selection(view, &TDCMemo::SelectionChange);
    QVERIFY(!view->HasSelection());

    view->SetSelection({0, 6}, {1, 5});
    QVERIFY(view->HasSelection());
    QCOMPARE(view->SelectedText(), QStringLiteral("beta\ngam\x1bm"));
    QCOMPARE(state.count(), 1);
    QCOMPARE(state.at(0).at(1).toInt(), 1);
    QCOMPARE(selection.count(), 1);
    QCOMPARE(view->CaretLine(), 1);
    QCOMPARE(view->CaretColumn(), 5);

    // The clipboard gets the escape as it is shown, never the escape itself.
    view->CopyToClipboard();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("beta\ngam^[m"));
    QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasHtml());

    view->SelectAllText();
    QCOMPARE(view->SelectedText(), QStringLiteral("alpha beta\ngam\x1bma\ndelta"));
    QCOMPARE(selection.count(), 2);

    // Moving the caret with the keyboard: one state change, selection gone.
    state.clear();
    selection.clear();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
    QVERIFY(!view->HasSelection());
    QCOMPARE(view->CaretLine(), 0);
    QCOMPARE(selection.count(), 1);
    QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(view->SelectionEnd(), (TMemoPos{1, 1}));
    QCOMPARE(state.count(), 3);
    QTest::keyClick(view, Qt::Key_End);
    QCOMPARE(view->CaretColumn(), 6);
    QTest::keyClick(view, Qt::Key_Right);
    QCOMPARE(view->SelectionStart(), (TMemoPos{2, 0}));
}

void TestView::search_data()
{
    QTest::addColumn<TSearchOptions>("options");
    QTest::addColumn<TMemoPos>("caret");
    QTest::addColumn<TMemoPos>("matchStart");
    QTest::addColumn<TMemoPos>("matchEnd");
    auto opts = [](QString text, auto tweak) {
        TSearchOptions o;
        o.text = std::move(text);
        tweak(o);
        return o;
    };
    auto none = [](TSearchOptions&) {};
    // Lines: "Plan: see the plan", "planet PLAN", "the end plan"
    QTest::newRow("forward, any case") << opts("plan", none) << TMemoPos{0, 1} << TMemoPos{0, 14} << TMemoPos{0, 18};
    QTest::newRow("case sensitive")
        << opts("PLAN", [](auto& o) { o.caseSensitive = true; }) << TMemoPos{} << TMemoPos{1, 7} << TMemoPos{1, 11};
    QTest::newRow("whole words skip planet")
        << opts("plan", [](auto& o) { o.wholeWords = true; }) << TMemoPos{0, 15} << TMemoPos{1, 7} << TMemoPos{1, 11};
    QTest::newRow("backward")
        << opts("plan", [](auto& o) { o.backward = true; }) << TMemoPos{1, 7} << TMemoPos{1, 0} << TMemoPos{1, 4};
    QTest::newRow("regular expression")
        << opts("e[nt]d?\\b", [](auto& o) { o.regularExpression = true; }) << TMemoPos{1, 0} << TMemoPos{1, 4}
        << TMemoPos{1, 6};
    QTest::newRow("entire scope from the top")
        << opts("the", [](auto& o) { o.entireScope = true; }) << TMemoPos{2, 5} << TMemoPos{0, 10} << TMemoPos{0, 13};
    QTest::newRow("empty matches are passed over")
        << opts("x*plan", [](auto& o) { o.regularExpression = true; }) << TMemoPos{0, 15} << TMemoPos{1, 0}
        << TMemoPos{1, 4};
}

void TestView::search()
{
    QFETCH(TSearchOptions, options);
    QFETCH(TMemoPos, caret);
    QFETCH(TMemoPos, matchStart);
    QFETCH(TMemoPos, matchEnd);
    view->SetLines({"Plan: see the plan", "planet PLAN", "the end plan"});
    view->SetSelection(caret, caret);
    QVERIFY(view->Search(options, true));
    QCOMPARE(view->SelectionStart(), matchStart);
    QCOMPARE(view->SelectionEnd(), matchEnd);
    QCOMPARE(view->CaretLine(), options.backward ? matchStart.line : matchEnd.line);
}

void TestView::searchNotFound()
{
    view->SetLines({"one plan", "two plan", "three"});
    TSearchOptions o;
    o.text = "plan";
    view->SetSelection({1, 0}, {1, 0});
    QVERIFY(view->Search(o, false));
    QCOMPARE(view->SelectionStart(), (TMemoPos{1, 4}));
    QString* message = ExpectMessage();
    QVERIFY(!view->Search(o, false)); // nothing after the last
    QCOMPARE(*message, QStringLiteral("Information|Search string 'plan' not found"));
    QCOMPARE(view->SelectionStart(), (TMemoPos{1, 4})); // the match stays selected

    // Selected text as the scope: only inside it.
    o.selectedOnly = true;
    o.entireScope = true;
    view->SetSelection({2, 0}, {2, 5});
    message = ExpectMessage();
    QVERIFY(!view->Search(o, true));
    QVERIFY(message->endsWith("not found"));

    // An invalid expression finds nothing and says so.
    TSearchOptions bad;
    bad.text = "(";
    bad.regularExpression = true;
    message = ExpectMessage();
    QVERIFY(!view->Search(bad, true));
    QCOMPARE(*message, QStringLiteral("Information|Search string '(' not found"));
}

void TestView::findDialogSharedByViews()
{
    view->SetLines({"first Host line", "second host line"});
    OnNextModal([](QWidget* w) {
        auto* dialog = qobject_cast<TFindDialog*>(w);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Find Text"));
        dialog->findChild<QComboBox*>()->setEditText("host");
        const auto boxes = dialog->findChildren<QCheckBox*>();
        QCOMPARE(boxes.size(), 3);
        for (QCheckBox* box : boxes)
            if (box->text() == "&Case sensitive")
                box->setChecked(true);
        QCOMPARE(dialog->findChildren<QRadioButton*>().size(), 6);
        dialog->accept();
    });
    view->ShowFindDialog();
    QCOMPARE(view->SelectionStart(), (TMemoPos{1, 7}));
    QCOMPARE(TDCMemo::SharedSearch().text, QStringLiteral("host"));
    QVERIFY(TDCMemo::SharedSearch().caseSensitive);

    // Another view repeats the same search with Find Again.
    TDCMemo other;
    other.SetLines({"HOST", "a host"});
    other.FindAgain();
    QCOMPARE(other.SelectionStart(), (TMemoPos{1, 2}));
    QString* message = ExpectMessage();
    other.FindAgain();
    QCOMPARE(*message, QStringLiteral("Information|Search string 'host' not found"));
}

void TestView::gotoLineDialog()
{
    QStringList lines;
    for (int i = 0; i < 300; ++i)
        lines.append(QString::number(i));
    view->SetLines(lines);
    view->SetSelection({4, 1}, {4, 1});
    QString title, label;
    int start = 0, maximum = 0;
    OnNextModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QInputDialog*>(w);
        QVERIFY(dialog);
        title = dialog->windowTitle();
        label = dialog->labelText();
        start = dialog->intValue();
        maximum = dialog->intMaximum();
        dialog->setIntValue(250);
        dialog->accept();
    });
    view->ShowGotoLineDialog();
    QCOMPARE(title, QStringLiteral("Go to line Number"));
    QCOMPARE(label, QStringLiteral("&Enter new line number:"));
    QCOMPARE(start, 5);
    QCOMPARE(maximum, 300);
    QCOMPARE(view->CaretLine(), 249);
    QCOMPARE(view->CaretColumn(), 0);
    QVERIFY(view->TopLine() <= 249 && 249 < view->TopLine() + view->VisibleLineCount());
}

void TestView::linkClicks_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("url");
    QTest::newRow("mail") << "Mail user@host1.example now" << 8 << "mailto:user@host1.example";
    QTest::newRow("mailto kept") << "MAILTO:user@host1.example" << 3 << "mailto:user@host1.example";
    QTest::newRow("www") << "\tsee www.host1.example/x?q=1&r=2" << 6 << "http://www.host1.example/x?q=1";
    QTest::newRow("after escape") << QStringLiteral("\x07http://host1.example/\x1b[0m") << 8
                                  << "http://host1.example/";
}

void TestView::linkClicks()
{
    QFETCH(QString, line);
    QFETCH(int, column);
    QFETCH(QString, url);
    view->SetLines({"first line", line});
    QSignalSpy clicked(view, &TDCMemo::LinkClicked);
    const QPoint at = view->CharRect(1, column).center();
    QVERIFY(!view->LinkAt(at).isEmpty());
    QTest::mouseMove(view->viewport(), at);
    QCOMPARE(view->viewport()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(opened, QList<QUrl>{QUrl(url)});
    QCOMPARE(clicked.count(), 1);

    // Plain text is no link: no hand, nothing opened.
    const QPoint plain = view->CharRect(0, 2).center();
    QTest::mouseMove(view->viewport(), plain);
    QCOMPARE(view->viewport()->cursor().shape(), Qt::IBeamCursor);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, plain);
    QCOMPARE(opened.size(), 1);
}

void TestView::linkNeedsPlainClick()
{
    view->SetLines({"go to www.host1.example today"});
    const QPoint at = view->CharRect(0, 8).center();
    // A drag that starts on the link selects text and opens nothing.
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseMove(view->viewport(), view->CharRect(0, 20).center());
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, view->CharRect(0, 20).center());
    QVERIFY(view->HasSelection());
    QVERIFY(opened.isEmpty());
    // A click with Ctrl or Shift is not plain.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
    QVERIFY(opened.isEmpty());
    // Without link highlighting there are no links.
    view->SetHighlightUrls(false);
    QVERIFY(view->LinkAt(at).isEmpty());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QVERIFY(opened.isEmpty());
    QCOMPARE(view->LineClasses(0).count(char(tcUrl)), 0);
    view->SetHighlightUrls(true);
    QCOMPARE(view->LineClasses(0).count(char(tcUrl)), 17);
    // Enter on a link opens it from the keyboard.
    view->SetSelection({0, 10}, {0, 10});
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(opened, QList<QUrl>{QUrl("http://www.host1.example")});
}

void TestView::gutterAndOptions()
{
    view->SetOptions(moDrawGutter | moLineNumbers | moLineNumbersOnGutter | moLeftIndent | moDrawMargin);
    view->SetLeftIndent(2);
    view->SetLines({"a"});
    QCOMPARE(view->GutterWidth(), 32);
    QCOMPARE(view->TextLeft(), 34);
    QStringList many;
    for (int i = 0; i < 100000; ++i)
        many.append(QString());
    view->SetLines(many);
    QVERIFY(view->GutterWidth() > 32); // six digits do not fit in 32 pixels
    const int wide = view->GutterWidth();
    view->SetOptions(view->Options() & ~moDrawGutter);
    QCOMPARE(view->GutterWidth(), 0);
    QVERIFY(view->TextLeft() > 2); // the numbers keep a strip of their own
    view->SetOptions(view->Options() & ~moLineNumbers);
    QCOMPARE(view->TextLeft(), 2);
    view->SetOptions(view->Options() & ~moLeftIndent);
    QCOMPARE(view->TextLeft(), 0);
    view->SetOptions(view->Options() | moDrawGutter | moLineNumbers);
    QCOMPARE(view->GutterWidth(), wide);
    view->SetOptions(0xFFFFFFFFu);
    QCOMPARE(view->Options(), kMemoOptionMask);

    // What the bits change is seen on screen: gutter fill and margin line.
    view->SetOptions(moDrawGutter | moDrawMargin);
    view->SetGutterBrush(QColor(10, 200, 10));
    view->SetBackground(QColor(255, 255, 255));
    view->SetLines({"x"});
    const int emptyY = view->LineHeight() * 3;
    QImage shot = view->viewport()->grab().toImage();
    QCOMPARE(shot.pixelColor(5, emptyY), QColor(10, 200, 10));
    const int marginX = view->TextLeft() + qRound(80 * QFontMetricsF(view->font()).horizontalAdvance('x'));
    if (marginX < shot.width())
        QVERIFY(shot.pixelColor(marginX, emptyY) != QColor(255, 255, 255));
    view->SetOptions(0);
    shot = view->viewport()->grab().toImage();
    QCOMPARE(shot.pixelColor(5, emptyY), QColor(255, 255, 255));
    if (marginX < shot.width())
        QCOMPARE(shot.pixelColor(marginX - view->TextLeft(), emptyY), QColor(255, 255, 255));
}

void TestView::controlCharactersShownNotStored()
{
    const QString line = QStringLiteral("a\x1b[2Jb\x07"); // not a colour code: kept
    view->SetLines({line});
    QCOMPARE(view->LineText(0), line);
    // ESC takes the room of its two-character notation on screen.
    const QFontMetricsF fm(view->font());
    const int escWidth = view->CharRect(0, 2).left() - view->CharRect(0, 1).left();
    QVERIFY(qAbs(escWidth - fm.horizontalAdvance(QStringLiteral("^["))) <= 1);
    // Moving over it is one step; its classes are those of the stored text.
    view->SetSelection({0, 1}, {0, 1});
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Right);
    QCOMPARE(view->CaretColumn(), 2);
    QCOMPARE(view->LineClasses(0).size(), line.size());
}

void TestView::longLineIsCut()
{
    const QString line = QString(50000, QLatin1Char('y')) + QStringLiteral(" www.host1.example");
    view->SetLines({line, "next"});
    QCOMPARE(view->LineText(0), line);
    QCOMPARE(view->Lines().join(QString()).size(), line.size() + 4);
    view->viewport()->grab(); // paints without laying out 50,000 characters
    view->SetSelection({0, 0}, {1, 0});
    QCOMPARE(view->SelectedText().size(), line.size() + 1);
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_End);
    QCOMPARE(view->CaretColumn(), int(line.size()));
}

void TestView::endOfLargeText()
{
    QByteArray reply;
    for (int i = 0; i < 20000; ++i)
        reply += "Login: user" + QByteArray::number(i) + "  <b>Name</b> \"x\" www.host.example\r\n";
    view->LoadFromBytes(reply);
    QCOMPARE(view->LineCount(), 20000);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(view->CaretLine(), 19999);
    QCOMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
    view->viewport()->grab();
    // The classes of the last line need the states before it, found lazily.
    const QByteArray classes = view->LineClasses(19999);
    QCOMPARE(int(quint8(classes[view->LineText(19999).indexOf("<b>")])), int(tcHtmlTag));
    QCOMPARE(int(quint8(classes[view->LineText(19999).indexOf("www")])), int(tcUrl));
}

void TestView::printing()
{
    QTemporaryDir dir;
    view->SetLines({"Login: root", QStringLiteral("bell\x07 here"), "www.host1.example"});
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("out.pdf"));
    view->PrintTo(printer);
    QVERIFY(QFileInfo(dir.filePath("out.pdf")).size() > 0);
    QVERIFY(readFile(dir.filePath("out.pdf")).startsWith("%PDF"));

    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("a printer is installed; not printing on it");
    try {
        view->Print(false);
        QFAIL("no failure");
    } catch (const EPrinter& e) {
        QCOMPARE(e.Message(), QStringLiteral("There is no default printer currently selected"));
        QCOMPARE(e.TypeName(), QStringLiteral("EPrinter"));
    }
}

POLLUX_GUI_TEST_MAIN(TestView)
#include "test_view.moc"
