#include "results/ResultView.h"

#include "settings/ColourText.h"
#include "settings/RegUtils.h"
#include "ui/Colours.h"
#include "ui/TDCMemo.h"

#include <QLayout>
#include <QVBoxLayout>

namespace {

constexpr int kMaxFontPoints = 400;

// The font text names the view's font; a size the screen cannot show keeps
// the size the view has.
void applyFontSetting(TDCMemo* view)
{
    const QString key = kConfigurationKey;
    if (!SettingsValueExists(key, QStringLiteral("FontName")))
        return;
    QString name;
    int size = 0;
    ParseFontText(ReadSettingString(key, QStringLiteral("FontName")), name, size);
    QFont font = view->font();
    font.setFamily(name);
    font.setStyleHint(QFont::TypeWriter);
    view->setFont(font);
    if (size > 0) {
        font.setPointSize(std::min(size, kMaxFontPoints));
        view->setFont(font);
    }
}

// Each colour is applied before the next is read, so a bad value leaves
// the ones before it in place.
void applyColourSettings(TDCMemo* view)
{
    const QString key = kConfigurationKey + QStringLiteral("\\Colour");
    if (!SettingsKeyExists(key))
        return;
    auto read = [&](const char* name) { return TextToColour(ReadSettingString(key, QLatin1String(name))); };
    view->SetBackground(ColourToQColor(read("BackGround"), view->Background()));
    view->SetForeground(ColourToQColor(read("ForeGround"), view->Foreground()));
    view->SetGutterBrush(ColourToQColor(read("Gutter"), view->GutterBrush()));
    view->SetLineHighlightPen(view->LineHighlightPenStyle(),
                              ColourToQColor(read("LineOutline"), view->LineHighlightPenColor()));
    view->SetSelBackColor(ColourToQColor(read("SelBackGround"), view->SelBackColor()));
    view->SetSelColor(ColourToQColor(read("SelForeGround"), view->SelColor()));
    view->SetLineNumColor(ColourToQColor(read("GutterLine"), view->LineNumColor()));
    view->SetLineHighlightBrush(ColourToQColor(read("LineBackGround"), view->LineHighlightBrush()));
}

} // namespace

bool AnsiColoursSetting()
{
    if (!SettingsValueExists(kConfigurationKey, kAnsiColoursValue))
        return true;
    // A value of the wrong kind is taken as absent: it must not stop a query.
    try {
        return ReadSettingBool(kConfigurationKey, kAnsiColoursValue);
    } catch (const ERegistryException&) {
        return true;
    }
}

TDCMemo* CreateResultView(QWidget* sheet, const ResultViewHooks& hooks)
{
    auto* view = new TDCMemo(sheet);
    view->setObjectName(QStringLiteral("DCMemo"));
    QLayout* layout = sheet->layout();
    if (!layout) {
        layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    layout->addWidget(view);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->SetHighlightUrls(true);
    if (hooks.receiver && hooks.stateChangedSlot)
        QObject::connect(view, SIGNAL(StateChange(TDCMemo*,int)), hooks.receiver, hooks.stateChangedSlot);
    view->SetSyntaxParser(hooks.parser);
    view->SetLineHighlightVisible(true);
    view->SetLineHighlightPen(Qt::DotLine, ColourToQColor(8421504));
    view->SetLeftIndent(2);
    view->SetPopupMenu(hooks.popupMenu);
    if (hooks.receiver && hooks.selectionChangedSlot)
        QObject::connect(view, SIGNAL(SelectionChange(TDCMemo*)), hooks.receiver, hooks.selectionChangedSlot);
    if (sheet->isVisible())
        view->show();

    if (hooks.between)
        hooks.between();

    applyFontSetting(view);
    view->SetOptions(kResultViewOptions);
    view->SetAnsiColours(AnsiColoursSetting());
    applyColourSettings(view);
    return view;
}
