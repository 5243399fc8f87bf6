// Creating a result view from the settings: fixed properties, font, option
// mask and colours, and what a bad setting leaves behind.

#include "ModalHelper.h"
#include "TestMain.h"

#include "core/Errors.h"
#include "results/ResultView.h"
#include "settings/RegUtils.h"
#include "ui/Colours.h"
#include "ui/TDCMemo.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QVBoxLayout>

namespace {

const QString kColourKey = kConfigurationKey + QStringLiteral("\\Colour");

class Receiver : public QObject {
    Q_OBJECT
public:
    int states = 0;
    int selections = 0;
public slots:
    void ViewStateChanged(TDCMemo*, int) { ++states; }
    void DCMemoSelectionChange(TDCMemo*) { ++selections; }
};

void writeColours(const QStringList& values)
{
    static const char* names[] = {"BackGround", "ForeGround", "Gutter", "LineOutline",
                                  "SelBackGround", "SelForeGround", "GutterLine", "LineBackGround"};
    for (int i = 0; i < values.size(); ++i)
        WriteSettingString(kColourKey, QLatin1String(names[i]), values[i]);
}

} // namespace

class TestResultView : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void fixedProperties();
    void fontSetting();
    void colourSettings();
    void systemColours();
    void badColourFallsBack_data();
    void badColourFallsBack();
    void badFontFallsBack();
    void popupMenu();
    void ansiColoursSetting_data();
    void ansiColoursSetting();

private:
    QWidget* sheet = nullptr;
};

void TestResultView::init()
{
    DeleteSettingsKey(kConfigurationKey);
    sheet = new QWidget;
    sheet->resize(500, 300);
}

void TestResultView::cleanup()
{
    delete sheet;
}

void TestResultView::fixedProperties()
{
    Receiver receiver;
    THTMLParser parser;
    int between = 0;
    quint32 optionsBetween = 0;
    ResultViewHooks hooks;
    hooks.parser = &parser;
    hooks.receiver = &receiver;
    hooks.stateChangedSlot = SLOT(ViewStateChanged(TDCMemo*,int));
    hooks.selectionChangedSlot = SLOT(DCMemoSelectionChange(TDCMemo*));
    TDCMemo* view = nullptr;
    hooks.between = [&] {
        ++between;
        view = sheet->findChild<TDCMemo*>();
        optionsBetween = view ? view->Options() : 0;
    };
    TDCMemo* created = CreateResultView(sheet, hooks);
    QCOMPARE(between, 1);
    QCOMPARE(view, created);
    QVERIFY(optionsBetween != kResultViewOptions); // the mask comes after `between`

    QCOMPARE(sheet->findChildren<TDCMemo*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    auto* layout = qobject_cast<QVBoxLayout*>(sheet->layout());
    QVERIFY(layout);
    QCOMPARE(layout->contentsMargins(), QMargins());
    sheet->show();
    QVERIFY(QTest::qWaitForWindowExposed(sheet));
    QCOMPARE(created->geometry(), sheet->rect());

    QCOMPARE(created->Options(), 19039395u);
    QCOMPARE(created->Options(), quint32(moDrawMargin | moDrawGutter | moLineNumbers | moLeftIndent
                                         | moLineNumbersOnGutter | moColoredLineStyle | moHideInvisibleLines
                                         | moExtendedSel | moLimitLineNumbers));
    QVERIFY(created->HighlightUrls());
    QCOMPARE(created->SyntaxParser(), &parser);
    QVERIFY(created->LineHighlightVisible());
    QCOMPARE(created->LineHighlightPenStyle(), Qt::DotLine);
    QCOMPARE(created->LineHighlightPenColor(), QColor(128, 128, 128));
    QCOMPARE(created->LeftIndent(), 2);
    QCOMPARE(created->RightMargin(), 80);
    QCOMPARE(created->GutterWidth(), 32);
    // No Colour key: the component's colours.
    const QPalette pal = QGuiApplication::palette();
    QCOMPARE(created->Background(), pal.color(QPalette::Base));
    QCOMPARE(created->Foreground(), pal.color(QPalette::Text));
    QCOMPARE(created->SelBackColor(), pal.color(QPalette::Highlight));
    QCOMPARE(created->SelColor(), pal.color(QPalette::HighlightedText));

    created->SetLines({"one", "two"});
    created->SetSelection({0, 0}, {1, 1});
    QCOMPARE(receiver.states, 1);
    QCOMPARE(receiver.selections, 1);
}

void TestResultView::fontSetting()
{
    const QFont standard = TDCMemo().font();
    TDCMemo* plain = CreateResultView(sheet, {});
    QCOMPARE(plain->font().family(), standard.family());
    QCOMPARE(plain->Options(), kResultViewOptions);

    WriteSettingString(kConfigurationKey, "FontName", "Courier New (Size: 10)");
    QWidget other;
    TDCMemo* view = CreateResultView(&other, {});
    QCOMPARE(view->font().family(), QStringLiteral("Courier New"));
    QCOMPARE(view->font().pointSize(), 10);
    QCOMPARE(view->Options(), kResultViewOptions);

    WriteSettingString(kConfigurationKey, "FontName", "Courier New (Size: 0)");
    QWidget third;
    QCOMPARE(CreateResultView(&third, {})->font().pointSize(), standard.pointSize());
}

void TestResultView::colourSettings()
{
    writeColours({"clNavy", "clYellow", "$00102030", "clRed", "clLime", "clBlack", "$00FF0000", "$000000FF"});
    TDCMemo* view = CreateResultView(sheet, {});
    QCOMPARE(view->Background(), QColor(0, 0, 128));
    QCOMPARE(view->Foreground(), QColor(255, 255, 0));
    QCOMPARE(view->GutterBrush(), QColor(0x30, 0x20, 0x10));
    QCOMPARE(view->LineHighlightPenColor(), QColor(255, 0, 0));
    QCOMPARE(view->LineHighlightPenStyle(), Qt::DotLine);
    QCOMPARE(view->SelBackColor(), QColor(0, 255, 0));
    QCOMPARE(view->SelColor(), QColor(0, 0, 0));
    QCOMPARE(view->LineNumColor(), QColor(0, 0, 255));
    QCOMPARE(view->LineHighlightBrush(), QColor(255, 0, 0));
    QCOMPARE(view->Options(), kResultViewOptions);

    // What is drawn: the background and the gutter in the stored colours.
    view->SetLines({"text"});
    sheet->show();
    QVERIFY(QTest::qWaitForWindowExposed(sheet));
    const QImage shot = view->viewport()->grab().toImage();
    QCOMPARE(shot.pixelColor(5, shot.height() - 5), QColor(0x30, 0x20, 0x10));
    QCOMPARE(shot.pixelColor(shot.width() - 5, shot.height() - 5), QColor(0, 0, 128));
}

void TestResultView::systemColours()
{
    const QPalette pal = QGuiApplication::palette();
    QCOMPARE(ColourToQColor(0x80000005), pal.color(QPalette::Base));
    QCOMPARE(ColourToQColor(0x80000008), pal.color(QPalette::Text));
    QCOMPARE(ColourToQColor(0x8000000D), pal.color(QPalette::Highlight));
    QCOMPARE(ColourToQColor(0x8000000E), pal.color(QPalette::HighlightedText));
    QCOMPARE(ColourToQColor(0x8000000F), pal.color(QPalette::Button));
    QCOMPARE(ColourToQColor(0x800000FF, Qt::red), QColor(Qt::red));
    QCOMPARE(ColourToQColor(0x1FFFFFFF, Qt::green), QColor(Qt::green)); // clNone
    QCOMPARE(ColourToQColor(0x00563412), QColor(0x12, 0x34, 0x56));
    QCOMPARE(QColorToColour(QColor(0x12, 0x34, 0x56)), TColor(0x00563412));

    writeColours({"clWindow", "clWindowText", "clBtnFace", "clGray", "clHighlight", "clHighlightText",
                  "clWindowText", "clWindow"});
    TDCMemo* view = CreateResultView(sheet, {});
    QCOMPARE(view->Background(), pal.color(QPalette::Base));
    QCOMPARE(view->GutterBrush(), pal.color(QPalette::Button));
}

void TestResultView::badColourFallsBack_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("problem");
    QTest::newRow("bad name") << QStringList{"clNavy", "clBogus", "clRed", "clGray", "clNavy", "clWhite", "clGray", "clWhite"}
                              << "The setting 'ForeGround' of '" + kColourKey
                                     + "' holds 'clBogus', which cannot be used ('clBogus' is not a valid integer "
                                       "value). The result view uses its default for it.";
    QTest::newRow("missing value") << QStringList{"clNavy", "clBlack", "clRed", "clGray", "clNavy", "clWhite", "clGray"}
                                   << "The setting 'LineBackGround' of '" + kColourKey
                                          + "' is missing. The result view uses its default for it.";
}

void TestResultView::badColourFallsBack()
{
    QFETCH(QStringList, values);
    QFETCH(QString, problem);
    writeColours(values);
    const TDCMemo standard;
    QStringList problems;
    ResultViewHooks hooks;
    hooks.settingProblem = [&](const EPollux& e) { problems << e.TypeName() + QLatin1Char('|') + e.Message(); };
    TDCMemo* view = CreateResultView(sheet, hooks);
    QCOMPARE(problems, QStringList{QStringLiteral("EConvertError|") + problem});
    // The others apply; the unusable one keeps the view's own colour.
    QCOMPARE(view->Options(), kResultViewOptions);
    QCOMPARE(view->Background(), QColor(0, 0, 128));
    QCOMPARE(view->GutterBrush(), QColor(255, 0, 0));
    if (values.size() == 8)
        QCOMPARE(view->Foreground(), standard.Foreground());
    else
        QCOMPARE(view->LineHighlightBrush(), standard.LineHighlightBrush());
}

void TestResultView::badFontFallsBack()
{
    WriteSettingString(kConfigurationKey, "FontName", "garbage");
    writeColours({"clNavy", "clBlack", "clRed", "clGray", "clNavy", "clWhite", "clGray", "clWhite"});
    QStringList problems;
    ResultViewHooks hooks;
    hooks.settingProblem = [&](const EPollux& e) { problems << e.Message(); };
    const QFont standard = TDCMemo().font();
    TDCMemo* view = CreateResultView(sheet, hooks);
    QCOMPARE(problems.size(), 1);
    QVERIFY2(problems.first().startsWith("The setting 'FontName' of '" + kConfigurationKey + "' holds 'garbage'"),
             qPrintable(problems.first()));
    QCOMPARE(view->font().family(), standard.family());
    QVERIFY(view->HighlightUrls());
    QCOMPARE(view->Options(), kResultViewOptions);
    QCOMPARE(view->Background(), QColor(0, 0, 128));
}

void TestResultView::popupMenu()
{
    QMenu menu;
    menu.addAction("&Copy");
    ResultViewHooks hooks;
    hooks.popupMenu = &menu;
    TDCMemo* view = CreateResultView(sheet, hooks);
    sheet->show();
    QVERIFY(QTest::qWaitForWindowExposed(sheet));
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(50, 10), view->viewport()->mapToGlobal(QPoint(50, 10)));
    QCoreApplication::sendEvent(view->viewport(), &event);
    QTRY_VERIFY(menu.isVisible());
    menu.hide();

    QWidget other;
    TDCMemo* bare = CreateResultView(&other, {});
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QContextMenuEvent again(QContextMenuEvent::Mouse, QPoint(50, 10), bare->viewport()->mapToGlobal(QPoint(50, 10)));
    QCoreApplication::sendEvent(bare->viewport(), &again);
    QCoreApplication::processEvents();
    QVERIFY(!QApplication::activePopupWidget());
}

void TestResultView::ansiColoursSetting_data()
{
    QTest::addColumn<QString>("kind"); // of the stored value; empty: none stored
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("absent") << "" << "" << true;
    QTest::newRow("off") << "dword" << "0" << false;
    QTest::newRow("on") << "dword" << "1" << true;
    QTest::newRow("text instead of a number") << "string" << "no" << true;
}

void TestResultView::ansiColoursSetting()
{
    QFETCH(QString, kind);
    QFETCH(QString, value);
    QFETCH(bool, drawn);
    if (kind == QLatin1String("dword"))
        WriteSettingInteger(kConfigurationKey, kAnsiColoursValue, value.toInt());
    else if (kind == QLatin1String("string"))
        WriteSettingString(kConfigurationKey, kAnsiColoursValue, value);
    TDCMemo* view = CreateResultView(sheet, {});
    QCOMPARE(view->AnsiColours(), drawn);
    view->LoadFromBytes("\x1b[31mred\x1b[0m");
    QCOMPARE(view->LineText(0), drawn ? QStringLiteral("red") : QStringLiteral("\x1b[31mred\x1b[0m"));
}

POLLUX_GUI_TEST_MAIN(TestResultView)
#include "test_result_view.moc"
