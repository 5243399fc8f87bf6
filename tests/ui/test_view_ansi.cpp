// The text view with ANSI colours in its text: what is shown, found, copied
// and saved, what is drawn, links next to colour codes, and what a screen
// reader reads through the accessibility interfaces.

#include "TestMain.h"

#include "ui/MemoAccessible.h"
#include "ui/SgrFormats.h"
#include "ui/TDCMemo.h"

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

namespace {

// The accessibility events the view sends, kept by kind.
QList<int> cursorEvents;
QList<QPair<int, int>> selectionEvents;

void recordEvent(QAccessibleEvent* event)
{
    if (event->type() == QAccessible::TextCaretMoved)
        cursorEvents.append(static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition());
    else if (event->type() == QAccessible::TextSelectionChanged) {
        auto* e = static_cast<QAccessibleTextSelectionEvent*>(event);
        selectionEvents.append({e->selectionStart(), e->selectionEnd()});
    }
}

double luminance(const QColor& c)
{
    auto ch = [](int v) {
        const double x = v / 255.0;
        return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * ch(c.red()) + 0.7152 * ch(c.green()) + 0.0722 * ch(c.blue());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

class TestViewAnsi : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void shownFoundCopiedSaved();
    void switchOffShowsMarks();
    void coloursDrawn_data();
    void coloursDrawn();
    void readablePalette();
    void linksBesideColourCodes();
    void accessibleText();

private:
    TDCMemo* view = nullptr;
    QList<QUrl> opened;
};

void TestViewAnsi::init()
{
    view = new TDCMemo;
    view->resize(600, 300);
    view->SetHighlightUrls(true);
    view->SetBackground(Qt::white);
    view->SetForeground(Qt::black);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
    opened.clear();
    TDCMemo::SetLinkOpener([this](const QUrl& url) { opened.append(url); });
}

void TestViewAnsi::cleanup()
{
    delete view;
    view = nullptr;
    TDCMemo::SetLinkOpener({});
}

void TestViewAnsi::shownFoundCopiedSaved()
{
    const QByteArray reply = "\x1b[31mred\x1b[0m text\r\n\x1b[1;4mbold \x1b[38;5;208mand more\r\nplain\x1b[2J";
    view->LoadFromBytes(reply);
    QCOMPARE(view->Lines(), (QStringList{"red text", "bold and more", QStringLiteral("plain\x1b[2J")}));
    view->SelectAllText();
    QCOMPARE(view->SelectedText(), QStringLiteral("red text\nbold and more\nplain\x1b[2J"));

    TSearchOptions options;
    options.text = QStringLiteral("d and m");
    options.entireScope = true;
    QVERIFY(view->Search(options, true));
    QCOMPARE(view->SelectionStart(), (TMemoPos{1, 3}));
    QCOMPARE(view->SelectedText(), QStringLiteral("d and m"));

    // Saving keeps every byte as received.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("reply.txt"));
    view->SaveToFile(path);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), reply);
    saved.close();
    view->SaveAsDocument(TDocumentKind::Text, path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), reply);
    saved.close();
    // The documents hold the text as shown, without colour codes.
    for (TDocumentKind kind : {TDocumentKind::HTML, TDocumentKind::RTF}) {
        view->SaveAsDocument(kind, path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray document = saved.readAll();
        saved.close();
        QVERIFY(!document.contains("[31m"));
        QVERIFY(!document.contains("[38;5;208m"));
        QVERIFY(document.contains("more"));
    }

    // Appended lines go on in the state the text before them ended in.
    view->AppendLines({QStringLiteral("still orange\x1b[0m"), "plain"});
    QCOMPARE(view->LineText(3), QStringLiteral("still orange"));
    QCOMPARE(view->ReceivedLines().at(3), QStringLiteral("still orange\x1b[0m"));
}

void TestViewAnsi::switchOffShowsMarks()
{
    const QStringList received{QStringLiteral("\x1b[1mhttp://a.example/"), QStringLiteral("x\x1b[0m")};
    view->SetLines(received);
    view->SetSelection({1, 1}, {1, 1});
    view->SetAnsiColours(false);
    QVERIFY(!view->AnsiColours());
    QCOMPARE(view->Lines(), received);
    QCOMPARE(view->LineText(1), received[1]);
    QCOMPARE(view->CaretLine(), 1); // the caret stays on its line
    view->SetAnsiColours(true);
    QCOMPARE(view->Lines(), (QStringList{"http://a.example/", "x"}));
    QCOMPARE(view->ReceivedLines(), received);
}

void TestViewAnsi::coloursDrawn_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QColor>("drawn"); // behind the last character of the last line
    QTest::newRow("standard background") << QStringList{QStringLiteral("\x1b[41m    ")} << QColor(205, 0, 0);
    QTest::newRow("bright background") << QStringList{QStringLiteral("\x1b[103m    ")} << QColor(255, 255, 0);
    QTest::newRow("256 colours") << QStringList{QStringLiteral("\x1b[48;5;21m    ")} << QColor(0, 0, 255);
    QTest::newRow("true colour") << QStringList{QStringLiteral("\x1b[48;2;10;20;30m    ")} << QColor(10, 20, 30);
    QTest::newRow("reverse") << QStringList{QStringLiteral("\x1b[7m    ")} << QColor(0, 0, 0);
    QTest::newRow("reverse of a colour") << QStringList{QStringLiteral("\x1b[32;7m    ")} << QColor(0, 205, 0);
    QTest::newRow("reset") << QStringList{QStringLiteral("\x1b[41m  \x1b[0m  ")} << QColor(255, 255, 255);
    QTest::newRow("from the line above") << QStringList{QStringLiteral("\x1b[44m"), "    "} << QColor(0, 0, 238);
}

void TestViewAnsi::coloursDrawn()
{
    QFETCH(QStringList, lines);
    QFETCH(QColor, drawn);
    view->SetLines(lines);
    const int last = view->LineCount() - 1;
    auto pixel = [&] {
        const QPoint at = view->CharRect(last, int(view->LineText(last).size()) - 1).center();
        return view->viewport()->grab().toImage().pixelColor(at);
    };
    QCOMPARE(pixel(), drawn);
    // Switched off, the codes are marks and the text has no colour.
    view->SetAnsiColours(false);
    QCOMPARE(pixel(), QColor(255, 255, 255));
}

void TestViewAnsi::readablePalette()
{
    const QList<QColor> backgrounds{Qt::white, Qt::black, QColor(30, 30, 30), QColor(255, 255, 224), QColor(0, 0, 128)};
    for (const QColor& background : backgrounds)
        for (int i = 0; i < 16; ++i)
            QVERIFY2(contrast(ReadableAnsiColour(i, background), background) >= 3.0,
                     qPrintable(QStringLiteral("colour %1 on %2").arg(i).arg(background.name())));
    // Colours that read well already are drawn as they are.
    QCOMPARE(ReadableAnsiColour(1, Qt::white), AnsiPaletteColour(1));
    QCOMPARE(ReadableAnsiColour(15, Qt::black), QColor(Qt::white));
    // The view's own text colour on a dark background the reply chose.
    TSgrState onBlack;
    onBlack.bg = sgrIndexed | 0;
    QCOMPARE(SgrFormat(onBlack, Qt::black, Qt::white).foreground().color(), QColor(Qt::white));
    onBlack.bg = sgrIndexed | 3; // on yellow, black stays
    QVERIFY(!SgrFormat(onBlack, Qt::black, Qt::white).hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(AnsiPaletteColour(196), QColor(255, 0, 0));
    QCOMPARE(AnsiPaletteColour(232), QColor(8, 8, 8));
}

void TestViewAnsi::linksBesideColourCodes()
{
    view->SetLines({QStringLiteral("\x1b[1mhttp://a.example/\x1b[0m see"), "finger://host1.example/ada.",
                    "(https://b.example/x)"});
    QSignalSpy queries(view, &TDCMemo::QueryLinkClicked);
    const QPoint web = view->CharRect(0, 2).center();
    QCOMPARE(view->LinkAt(web), QStringLiteral("http://a.example/"));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, web);
    QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("http://a.example/"))});

    // A finger link is a query for the program, not for the desktop.
    const int lastCol = int(view->LineText(1).size()) - 1;
    QVERIFY(view->LinkAt(view->CharRect(1, lastCol).center()).isEmpty()); // the full stop
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->CharRect(1, 3).center());
    QCOMPARE(queries.count(), 1);
    QCOMPARE(queries.at(0).at(0).toString(), QStringLiteral("finger://host1.example/ada"));
    QCOMPARE(opened.size(), 1);

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->CharRect(2, 3).center());
    QCOMPARE(opened.last(), QUrl(QStringLiteral("https://b.example/x")));
}

void TestViewAnsi::accessibleText()
{
    SetMemoAccessibilitySink(recordEvent);
    view->SetLines({QStringLiteral("\x1b[31mfirst\x1b[0m"), "second line", "", "fourth"});
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(view);
    QVERIFY(iface);
    QAccessibleTextInterface* text = iface->textInterface();
    QVERIFY(text);
    QCOMPARE(iface->role(), QAccessible::EditableText);
    QVERIFY(iface->state().readOnly);
    QVERIFY(iface->state().multiLine);
    QVERIFY(!iface->text(QAccessible::Name).isEmpty());

    // Line by line, as a screen reader walks it; the colour codes are not read.
    QStringList read;
    int start = 0, end = 0;
    for (int offset = 0; offset < text->characterCount(); offset = end)
        read << text->textAtOffset(offset, QAccessible::LineBoundary, &start, &end);
    QCOMPARE(read, (QStringList{"first\n", "second line\n", "\n", "fourth"}));
    QCOMPARE(text->text(0, text->characterCount()), QStringLiteral("first\nsecond line\n\nfourth"));
    QCOMPARE(text->textAtOffset(9, QAccessible::WordBoundary, &start, &end), QStringLiteral("second"));
    QCOMPARE(start, 6);
    QCOMPARE(text->textAtOffset(5, QAccessible::CharBoundary, &start, &end), QStringLiteral("\n"));
    QCOMPARE(text->textAfterOffset(0, QAccessible::LineBoundary, &start, &end), QStringLiteral("second line\n"));
    QCOMPARE(text->textBeforeOffset(20, QAccessible::LineBoundary, &start, &end), QStringLiteral("\n"));

    // The caret and its moves.
    cursorEvents.clear();
    view->SetSelection({1, 3}, {1, 3});
    QCOMPARE(text->cursorPosition(), 9);
    QCOMPARE(cursorEvents.value(cursorEvents.size() - 1, -1), 9);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(text->cursorPosition(), 18);
    QCOMPARE(cursorEvents.value(cursorEvents.size() - 1, -1), 18);
    text->setCursorPosition(20);
    QCOMPARE(view->CaretLine(), 3);
    QCOMPARE(view->CaretColumn(), 1);

    // The selection, both ways.
    selectionEvents.clear();
    view->SetSelection({0, 1}, {1, 2});
    QCOMPARE(text->selectionCount(), 1);
    text->selection(0, &start, &end);
    QCOMPARE(start, 1);
    QCOMPARE(end, 8);
    QVERIFY(selectionEvents.contains(qMakePair(1, 8)));
    text->setSelection(0, 6, 12);
    QCOMPARE(view->SelectedText(), QStringLiteral("second"));
    SetMemoAccessibilitySink({});
}

POLLUX_GUI_TEST_MAIN(TestViewAnsi)
#include "test_view_ansi.moc"
