#include "results/ResultView.h"

#include "core/Guard.h"
#include "settings/ColourText.h"
#include "settings/RegUtils.h"
#include "ui/Colours.h"
#include "ui/TDCMemo.h"

#include <QLayout>
#include <QVBoxLayout>

namespace {

constexpr int kMaxFontPoints = 400;

void reportUnusable(const ResultViewHooks& hooks, const QString& key, const QString& name, bool exists,
                    const QString& value, const EPollux& why)
{
    const QString where = QStringLiteral("The setting '") + name + QStringLiteral("' of '") + key + QLatin1Char('\'');
    const QString what = exists ? where + QStringLiteral(" holds '") + value + QStringLiteral("', which cannot be used (")
                                      + why.Message() + QStringLiteral(").")
                                : where + QStringLiteral(" is missing.");
    const EConvertError problem(what + QStringLiteral(" The result view uses its default for it."));
    if (hooks.settingProblem)
        hooks.settingProblem(problem);
    else
        ReportFallback(nullptr, problem);
}

// The font text names the view's font; a size the screen cannot show keeps
// the size the view has.
void applyFontSetting(TDCMemo* view, const ResultViewHooks& hooks)
{
    const QString key = kConfigurationKey;
    if (!SettingsValueExists(key, QStringLiteral("FontName")))
        return;
    const QString text = ReadSettingString(key, QStringLiteral("FontName"));
    QString name;
    int size = 0;
    try {
        ParseFontText(text, name, size);
    } catch (const EConvertError& e) {
        reportUnusable(hooks, key, QStringLiteral("FontName"), true, text, e);
        return;
    }
    QFont font = view->font();
    font.setFamily(name);
    font.setStyleHint(QFont::TypeWriter);
    view->setFont(font);
    if (size > 0) {
        font.setPointSize(std::min(size, kMaxFontPoints));
        view->setFont(font);
    }
}

// Each colour stands alone: one that cannot be used keeps the view's own
// colour for that part and the others still apply.
void applyColourSettings(TDCMemo* view, const ResultViewHooks& hooks)
{
    const QString key = kConfigurationKey + QStringLiteral("\\Colour");
    if (!SettingsKeyExists(key))
        return;
    auto apply = [&](const char* name, const QColor& current, const std::function<void(const QColor&)>& set) {
        const QString valueName = QLatin1String(name);
        const QString text = ReadSettingString(key, valueName);
        try {
            set(ColourToQColor(TextToColour(text), current));
        } catch (const EConvertError& e) {
            reportUnusable(hooks, key, valueName, SettingsValueExists(key, valueName), text, e);
        }
    };
    apply("BackGround", view->Background(), [view](const QColor& c) { view->SetBackground(c); });
    apply("ForeGround", view->Foreground(), [view](const QColor& c) { view->SetForeground(c); });
    apply("Gutter", view->GutterBrush(), [view](const QColor& c) { view->SetGutterBrush(c); });
    apply("LineOutline", view->LineHighlightPenColor(),
          [view](const QColor& c) { view->SetLineHighlightPen(view->LineHighlightPenStyle(), c); });
    apply("SelBackGround", view->SelBackColor(), [view](const QColor& c) { view->SetSelBackColor(c); });
    apply("SelForeGround", view->SelColor(), [view](const QColor& c) { view->SetSelColor(c); });
    apply("GutterLine", view->LineNumColor(), [view](const QColor& c) { view->SetLineNumColor(c); });
    apply("LineBackGround", view->LineHighlightBrush(), [view](const QColor& c) { view->SetLineHighlightBrush(c); });
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

    applyFontSetting(view, hooks);
    view->SetOptions(kResultViewOptions);
    view->SetAnsiColours(AnsiColoursSetting());
    applyColourSettings(view, hooks);
    return view;
}
