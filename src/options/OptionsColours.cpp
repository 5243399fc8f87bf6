// The Colours panel of the Options dialog: the scheme list, the preview,
// the eight colour pickers, and loading and saving scheme files.

#include "options/OptionsFrm.h"

#include "core/Guard.h"
#include "options/OptionsWidgets.h"
#include "settings/RegUtils.h"
#include "ui/ColourPicker.h"
#include "ui/Colours.h"
#include "ui/TDCMemo.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kColourKey = kConfigurationKey + QStringLiteral("\\Colour");

const QStringList kPreviewParagraphs{
    QStringLiteral("This screen shows you a brief preview of the current colour scheme you have selected to use "
                   "with Pollux."),
    QString(),
    QStringLiteral("You can customise a number of text attributes and colours.")};

TSchemeColours designedPickers()
{
    // The current line's fill is white like the preview's: black under black
    // text would hide the line the caret is on.
    return {TextToColour(QStringLiteral("clWhite")), TextToColour(QStringLiteral("clBlack")),
            TextToColour(QStringLiteral("clBtnFace")), TextToColour(QStringLiteral("clSilver")),
            TextToColour(QStringLiteral("clNavy")), TextToColour(QStringLiteral("clWhite")),
            TextToColour(QStringLiteral("clBlack")), TextToColour(QStringLiteral("clWhite"))};
}

TSchemeColours designedPreview()
{
    return {TextToColour(QStringLiteral("clWindow")), TextToColour(QStringLiteral("clBlack")),
            TextToColour(QStringLiteral("clBtnFace")), TextToColour(QStringLiteral("clGray")),
            TextToColour(QStringLiteral("clNavy")), TextToColour(QStringLiteral("clWhite")),
            TextToColour(QStringLiteral("clBlack")), TextToColour(QStringLiteral("clWhite"))};
}

// Words of `text` in lines of at most `columns` characters; a longer word
// gets a line of its own.
QStringList wrapText(const QString& text, int columns)
{
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > columns) {
            lines << line;
            line.clear();
        }
        line += line.isEmpty() ? word : QLatin1Char(' ') + word;
    }
    lines << line;
    return lines;
}

// Wraps the preview's text again whenever its size changes.
class PreviewWrapper : public QObject {
public:
    PreviewWrapper(TDCMemo* view, std::function<void()> wrap) : QObject(view), wrap_(std::move(wrap))
    {
        view->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::FontChange)
            Guarded(nullptr, wrap_);
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> wrap_;
};

} // namespace

QWidget* TOptions::BuildColours()
{
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("ColourCoding"));

    auto* schemeLabel = new QLabel(QStringLiteral("Colour S&peedSetting:"), panel);
    SpeedSettingCombo = new QComboBox(panel);
    SpeedSettingCombo->setObjectName(QStringLiteral("SpeedSettingCombo"));
    SpeedSettingCombo->setEditable(false);
    SpeedSettingCombo->setToolTip(QStringLiteral("Select the colour scheme you would like applied to Pollux"));
    SpeedSettingCombo->addItems({QStringLiteral("Custom"), QStringLiteral("Default"), QStringLiteral("Twilight"),
                                 QStringLiteral("Ocean")});
    schemeLabel->setBuddy(SpeedSettingCombo);
    Button3 = MakeButton(panel, "Button3", QStringLiteral("&Save Scheme"),
                         QStringLiteral("Save the current colour scheme which is shown to the right"));
    Button3->setIcon(ThemedIcon(QStringLiteral("document-save-as"), QStyle::SP_DialogSaveButton));

    ColourSchemeDemo = new TDCMemo(panel);
    ColourSchemeDemo->setObjectName(QStringLiteral("ColourSchemeDemo"));
    ColourSchemeDemo->setFixedSize(225, 161);
    ColourSchemeDemo->setToolTip(QStringLiteral("This shows the current colour scheme which has been selected"));
    ColourSchemeDemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont demoFont(QStringLiteral("Courier New"));
    demoFont.setStyleHint(QFont::TypeWriter);
    demoFont.setPointSize(8);
    ColourSchemeDemo->setFont(demoFont);
    ColourSchemeDemo->SetOptions(moDrawGutter | moLineNumbers | moLineNumbersOnGutter | moDrawMargin | moLeftIndent);
    ColourSchemeDemo->SetLeftIndent(2);
    ColourSchemeDemo->SetLineHighlightVisible(true);
    ColourSchemeDemo->SetLineHighlightPen(Qt::DotLine, ColourSchemeDemo->LineHighlightPenColor());
    ColourSchemeDemo->SetHighlightUrls(true);
    new PreviewWrapper(ColourSchemeDemo, [this] { WrapPreview(); });
    WrapPreview();

    const struct {
        TColourPicker** picker;
        const char* name;
        const char* label;
        const char* hint;
    } pickers[] = {
        {&BackgroundColour, "BackgroundColour", "&Background Colour:",
         "Select the colour to be shown for the background colour of the results window"},
        {&ForegroundColour, "ForegroundColour", "&Foreground Colour:",
         "Select the colour of the text to be shown on the results window"},
        {&GutterColour, "GutterColour", "&Gutter:", "Select the colour of the gutter (if shown) on the results window"},
        {&LineOutlineColour, "LineOutlineColour", "Line &Outline:",
         "Select the colour of the line outline in the results window"},
        {&SelectionBackground, "SelectionBackground", "Selection B&ackground:",
         "Select the colour to be shown for the background of selections in the results window"},
        {&SelectionForegound, "SelectionForegound", "Selecttion F&oreground:",
         "Select the foreground colour to be shown when selecting text in the results window"},
        {&GutterLineColour, "GutterLineColour", "Gutter &Line Numbers:",
         "Select the colour of the line numbering in the gutter of the results window (if gutter is shown)"},
        {&LineBackground, "LineBackground", "Line Ba&ckground:",
         "Select the colour for the background of the lines in the results window"},
    };
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(2);
    // Left column: background, text, gutter, line outline; right column:
    // selection background, selected text, line numbers, line fill.
    const TSchemeColour order[] = {scBackground, scText, scGutter, scLineOutline,
                                   scSelBackground, scSelText, scLineNumbers, scLineFill};
    for (int i = 0; i < kSchemeColourCount; ++i) {
        const TSchemeColour which = order[i];
        const auto& p = pickers[which];
        auto* picker = new TColourPicker(panel);
        picker->setObjectName(QLatin1String(p.name));
        picker->setToolTip(QLatin1String(p.hint));
        *p.picker = picker;
        auto* label = new QLabel(QLatin1String(p.label), panel);
        label->setBuddy(picker);
        const int column = i < 4 ? 0 : 1;
        const int row = (i % 4) * 2;
        grid->addWidget(label, row, column);
        grid->addWidget(picker, row + 1, column);
        connect(picker, &TColourPicker::Change, this, [this, which] { Guarded(this, [&] { PickerChanged(which); }); });
    }

    const TSchemeColours pickerColours = designedPickers();
    for (int i = 0; i < kSchemeColourCount; ++i)
        Picker(TSchemeColour(i))->SetColour(pickerColours[size_t(i)]);
    const TSchemeColours previewColours = designedPreview();
    for (int i = 0; i < kSchemeColourCount; ++i)
        SetPreviewColour(TSchemeColour(i), previewColours[size_t(i)]);

    connect(SpeedSettingCombo, &QComboBox::activated, this,
            [this] { Guarded(this, [&] { LoadColourScheme(SpeedSettingCombo->currentText()); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { Guarded(this, [&] { SaveColourScheme(); }); });

    auto* schemeColumn = new QVBoxLayout;
    schemeColumn->addWidget(schemeLabel);
    schemeColumn->addWidget(SpeedSettingCombo);
    schemeColumn->addWidget(Button3, 0, Qt::AlignLeft);
    schemeColumn->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addLayout(schemeColumn, 1);
    top->addWidget(ColourSchemeDemo, 0, Qt::AlignTop | Qt::AlignRight);
    auto* layout = new QVBoxLayout(panel);
    layout->addLayout(top);
    layout->addLayout(grid);
    layout->addStretch(1);

    return panel;
}

TColourPicker* TOptions::Picker(TSchemeColour which) const
{
    switch (which) {
    case scBackground: return BackgroundColour;
    case scText: return ForegroundColour;
    case scGutter: return GutterColour;
    case scLineOutline: return LineOutlineColour;
    case scSelBackground: return SelectionBackground;
    case scSelText: return SelectionForegound;
    case scLineNumbers: return GutterLineColour;
    case scLineFill: return LineBackground;
    }
    return nullptr;
}

TColor TOptions::PreviewColour(TSchemeColour which) const
{
    return preview_[size_t(which)];
}

void TOptions::SetPreviewColour(TSchemeColour which, TColor colour)
{
    preview_[size_t(which)] = colour;
    TDCMemo* demo = ColourSchemeDemo;
    switch (which) {
    case scBackground: demo->SetBackground(ColourToQColor(colour, demo->Background())); break;
    case scText: demo->SetForeground(ColourToQColor(colour, demo->Foreground())); break;
    case scGutter: demo->SetGutterBrush(ColourToQColor(colour, demo->GutterBrush())); break;
    case scLineOutline:
        demo->SetLineHighlightPen(demo->LineHighlightPenStyle(), ColourToQColor(colour, demo->LineHighlightPenColor()));
        break;
    case scSelBackground: demo->SetSelBackColor(ColourToQColor(colour, demo->SelBackColor())); break;
    case scSelText: demo->SetSelColor(ColourToQColor(colour, demo->SelColor())); break;
    case scLineNumbers: demo->SetLineNumColor(ColourToQColor(colour, demo->LineNumColor())); break;
    case scLineFill: demo->SetLineHighlightBrush(ColourToQColor(colour, demo->LineHighlightBrush())); break;
    }
}

void TOptions::PickerChanged(TSchemeColour which)
{
    SetPreviewColour(which, Picker(which)->Colour());
}

void TOptions::WrapPreview()
{
    TDCMemo* demo = ColourSchemeDemo;
    const qreal charWidth = QFontMetricsF(demo->font()).horizontalAdvance(QLatin1Char('M'));
    const int room = demo->viewport()->width() - demo->TextLeft() - 2;
    const int columns = std::max(8, charWidth > 0 ? int(room / charWidth) : 30);
    QStringList lines;
    for (const QString& paragraph : kPreviewParagraphs)
        lines << wrapText(paragraph, columns);
    if (lines != demo->Lines())
        demo->SetLines(lines);
}

void TOptions::FillSchemeList()
{
    SpeedSettingCombo->clear();
    SpeedSettingCombo->addItems(ListColourSchemes());
    if (SpeedSettingCombo->count() == 0) {
        SpeedSettingCombo->addItem(QStringLiteral("Default"));
        SpeedSettingCombo->setCurrentIndex(0);
    }
    auto selectLast = [this](auto matches) {
        int found = -1;
        for (int i = 0; i < SpeedSettingCombo->count(); ++i)
            if (matches(SpeedSettingCombo->itemText(i)))
                found = i;
        SpeedSettingCombo->setCurrentIndex(found);
    };
    if (SettingsKeyExists(kColourKey)) {
        const QString scheme = ReadSettingString(kColourKey, QStringLiteral("Scheme"));
        selectLast([&](const QString& text) { return text == scheme; });
        LoadColourScheme(SpeedSettingCombo->currentText());
    } else {
        selectLast([](const QString& text) { return text.toUpper() == QLatin1String("DEFAULT"); });
    }
}

void TOptions::LoadColourScheme(const QString& name)
{
    const QString path = ColourSchemePath(name);
    QByteArray bytes;
    if (path.isEmpty() || !ReadColourSchemeFile(path, bytes))
        return;
    const TSchemeParse scheme = ParseColourScheme(bytes);
    for (int i = 0; i < scheme.count; ++i)
        SetPreviewColour(TSchemeColour(i), scheme.colours[size_t(i)]);
    if (!scheme.Complete())
        throw scheme.Error();
    for (TSchemeColour which :
         {scBackground, scText, scSelText, scSelBackground, scGutter, scLineNumbers, scLineOutline, scLineFill})
        Picker(which)->SetColour(preview_[size_t(which)]);
}

// The colours last confirmed are what the dialog shows, even when they
// were changed after the scheme named in the store was loaded: otherwise
// the next OK would put the scheme's colours back without a word.
void TOptions::ApplyStoredColours()
{
    if (!SettingsKeyExists(kColourKey))
        return;
    TSchemeColours stored{};
    const auto& names = SchemeColourValueNames();
    for (int i = 0; i < kSchemeColourCount; ++i) {
        const QString name = QLatin1String(names[size_t(i)]);
        if (!SettingsValueExists(kColourKey, name))
            return;
        try {
            stored[size_t(i)] = TextToColour(ReadSettingString(kColourKey, name));
        } catch (const EConvertError&) {
            return; // the scheme's colours stand; a new view will report the bad value
        }
    }
    bool same = true;
    for (int i = 0; i < kSchemeColourCount; ++i)
        same = same && Picker(TSchemeColour(i))->Colour() == stored[size_t(i)];
    if (same)
        return;
    for (int i = 0; i < kSchemeColourCount; ++i) {
        SetPreviewColour(TSchemeColour(i), stored[size_t(i)]);
        Picker(TSchemeColour(i))->SetColour(stored[size_t(i)]);
    }
}

void TOptions::SaveColourScheme()
{
    const QString folder = UserSchemeFolder();
    QDir().mkpath(folder);
    QFileDialog dialog(this, QStringLiteral("Save Colour Scheme"), folder);
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // ".csf" is added below whatever the name ends with, so the dialog's
    // own question about an existing file would ask about another file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setNameFilter(QStringLiteral("Colour Scheme Files (*.csf *.CSF)"));
    const QString chosen = RunFileDialog(dialog);
    if (!chosen.isEmpty())
        WriteSchemeAs(chosen);
}

void TOptions::WriteSchemeAs(const QString& filePath)
{
    const QString target = filePath + kSchemeSuffix;
    if (QFileInfo::exists(target)) {
        QMessageBox ask(QMessageBox::Question, QStringLiteral("Confirm"),
                        QStringLiteral("%1 already exists.\nDo you want to replace it?")
                            .arg(QFileInfo(target).fileName()),
                        QMessageBox::Yes | QMessageBox::No, this);
        ask.setDefaultButton(QMessageBox::No);
        if (ask.exec() != QMessageBox::Yes)
            return;
    }
    TSchemeColours colours{};
    for (int i = 0; i < kSchemeColourCount; ++i)
        colours[size_t(i)] = Picker(TSchemeColour(i))->Colour();
    try {
        WriteColourSchemeFile(target, colours);
    } catch (const EInOutError& e) {
        QMessageBox::warning(this, QStringLiteral("Warning"),
                             QStringLiteral("The colour scheme was not saved.\n") + e.Message());
        return;
    }
    const QString entry = QFileInfo(filePath).fileName();
    SpeedSettingCombo->addItem(entry);
    int last = -1;
    for (int i = 0; i < SpeedSettingCombo->count(); ++i)
        if (SpeedSettingCombo->itemText(i) == entry)
            last = i;
    SpeedSettingCombo->setCurrentIndex(last);
}
