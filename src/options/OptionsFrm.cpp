// The Options dialog's frame, its General, Editor and Sounds panels, and
// loading and saving every panel.

#include "options/OptionsFrm.h"

#include "app/MainFrm.h"
#include "core/Addresses.h"
#include "core/Guard.h"
#include "options/OptionsWidgets.h"
#include "options/SoundFrm.h"
#include "settings/ColourText.h"
#include "settings/RegUtils.h"
#include "settings/SoundEvents.h"
#include "ui/Colours.h"
#include "ui/ColourPicker.h"
#include "ui/TDCMemo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QFontDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString kSoundsKey = kConfigurationKey + QStringLiteral("\\Sounds");
const QString kColourKey = kConfigurationKey + QStringLiteral("\\Colour");
const QString kQueryKey = kConfigurationKey + QStringLiteral("\\Query");
const QString kDefaultFont = QStringLiteral("Courier New (Size: 10)");
constexpr int kMaxFontPoints = 400;

// The six events in the order the Sounds panel lists them.
const QStringList& soundEventNames()
{
    static const QStringList names{kSoundCloseQuery, kSoundExitPollux, kSoundNewQuery,
                                   kSoundSaveQuery, kSoundStartPollux, kSoundSwitchQueries};
    return names;
}

// The banner of the General panel: drawn, so it follows no fixed artwork.
QPixmap bannerPixmap(const QSize& size, qreal ratio)
{
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(0x1d, 0x3a, 0x5f));
    gradient.setColorAt(1, QColor(0x2f, 0x7f, 0xa8));
    painter.fillRect(QRect(QPoint(), size), gradient);
    const QIcon icon = QIcon::fromTheme(QStringLiteral("pollux"), QIcon(QStringLiteral(":/pollux/icons/pollux.svg")));
    icon.paint(&painter, QRect(12, 12, 48, 48));
    painter.setPen(Qt::white);
    QFont title = painter.font();
    title.setPointSizeF(16);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(72, 10, size.width() - 80, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Pollux Professional"));
    QFont subtitle = painter.font();
    subtitle.setPointSizeF(9);
    subtitle.setBold(false);
    painter.setFont(subtitle);
    painter.drawText(QRect(72, 38, size.width() - 80, 20), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Finger client for the desktop"));
    return pixmap;
}

} // namespace

TOptions::TOptions(TMain* main, QWidget* parent) : QDialog(parent ? parent : main), main_(main)
{
    setObjectName(QStringLiteral("Options"));
    setWindowTitle(QStringLiteral("Options"));

    PTTreeView1 = new QTreeWidget(this);
    PTTreeView1->setObjectName(QStringLiteral("PTTreeView1"));
    PTTreeView1->setHeaderHidden(true);
    PTTreeView1->setRootIsDecorated(false);
    PTTreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PTTreeView1->setMouseTracking(true); // items light up under the mouse
    PTTreeView1->setIconSize(QSize(24, 24));
    PTTreeView1->setFixedWidth(185);
    const struct {
        const char* text;
        const char* icons;
        QStyle::StandardPixmap fallback;
    } items[] = {
        {"General", "preferences-system|preferences-other", QStyle::SP_ComputerIcon},
        {"Editor", "accessories-text-editor|text-editor", QStyle::SP_FileIcon},
        {"Colours", "preferences-desktop-color|preferences-desktop-theme|applications-graphics",
         QStyle::SP_DesktopIcon},
        {"Sounds", "audio-volume-high|preferences-desktop-sound|multimedia-volume-control", QStyle::SP_MediaVolume},
        {"Servers", "network-server|network-workgroup", QStyle::SP_DriveNetIcon},
    };
    for (const auto& item : items) {
        auto* node = new QTreeWidgetItem(PTTreeView1, {QLatin1String(item.text)});
        node->setIcon(0, ThemedIcon(QLatin1String(item.icons), item.fallback));
    }

    PanelStack = new QStackedWidget(this);
    PanelStack->setObjectName(QStringLiteral("PanelStack"));
    General = BuildGeneral();
    Editor = BuildEditor();
    ColourCoding = BuildColours();
    Sounds = BuildSounds();
    Servers = BuildServers();
    for (QWidget* panel : {General, Editor, ColourCoding, Sounds, Servers})
        PanelStack->addWidget(panel);
    PanelStack->setCurrentWidget(General);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    Button1 = new QPushButton(QStringLiteral("O&K"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setToolTip(QStringLiteral("Exit configuration screen and save changes"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setToolTip(QStringLiteral("Cancel configuration screen without saving changes"));
    Button2->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);

    auto* layout = new QGridLayout(this);
    layout->addWidget(PTTreeView1, 0, 0, 3, 1);
    layout->addWidget(PanelStack, 0, 1);
    layout->addWidget(line, 1, 1);
    layout->addLayout(buttons, 2, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(0, 1);

    // The tree follows the keyboard as well as the mouse.
    connect(PTTreeView1, &QTreeWidget::itemClicked, this, [this] { Guarded(this, [&] { PTTreeView1Click(); }); });
    connect(PTTreeView1, &QTreeWidget::currentItemChanged, this,
            [this] { Guarded(this, [&] { PTTreeView1Click(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] {
        bool saved = false;
        Guarded(this, [&] {
            SaveSettings();
            saved = true;
        });
        if (saved)
            accept();
    });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    // Tab order is the order of creation: the tree, the controls of the
    // panel in front from top to bottom, then the buttons.

    setFixedSize(QSize(585, 416).expandedTo(sizeHint()));

    // FormCreate.
    PTTreeView1->expandAll();
    PTTreeView1->setCurrentItem(PTTreeView1->topLevelItem(0));
    Guarded(this, [&] { LoadSettings(); });
    Guarded(this, [&] { FillSchemeList(); });
    Guarded(this, [&] { ApplyStoredColours(); });
}

TOptions::~TOptions() = default;

QWidget* TOptions::FrontPanel() const
{
    return PanelStack->currentWidget();
}

// ---------------------------------------------------------------- panels

QWidget* TOptions::BuildGeneral()
{
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("General"));

    auto* banner = new QLabel(panel);
    banner->setObjectName(QStringLiteral("Banner"));
    banner->setFixedSize(370, 83);
    banner->setPixmap(bannerPixmap(banner->size(), devicePixelRatioF()));
    auto* link = new QLabel(banner);
    link->setObjectName(QStringLiteral("VendorLink"));
    const QUrl home = Addresses::HomePage();
    link->setText(QStringLiteral("<a href=\"%1\" style=\"color:#ffffff\">%2</a>")
                      .arg(home.toString().toHtmlEscaped(), home.host().toHtmlEscaped()));
    link->setTextFormat(Qt::RichText);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setToolTip(home.toString());
    connect(link, &QLabel::linkActivated, this, [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
    link->adjustSize();
    link->move(banner->width() - link->width() - 8, banner->height() - link->height() - 4);

    DisplaySplash = MakeCheckBox(panel, "DisplaySplash", QStringLiteral("Show &welcome screen at startup"),
                                 QStringLiteral("Display the welcome screen every time Pollux starts up"));
    OpenLastSite = MakeCheckBox(panel, "OpenLastSite", QStringLiteral("&Open up last queried site on startup"),
                                QStringLiteral("Query the last site when you start Pollux up"));
    MinimiseSysTray = MakeCheckBox(panel, "MinimiseSysTray", QStringLiteral("&Minimise to system tray"),
                                   QStringLiteral("Make Pollux go to the system tray when you minimise"));
    cmdClearHistory = MakeButton(panel, "cmdClearHistory", QStringLiteral("&Clear Query History"),
                                 QStringLiteral("Clear Pollux's query history "));
    connect(cmdClearHistory, &QPushButton::clicked, this, [this] { Guarded(this, [&] { cmdClearHistoryClick(); }); });

    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(banner);
    layout->addSpacing(8);
    layout->addWidget(DisplaySplash);
    layout->addWidget(OpenLastSite);
    layout->addWidget(MinimiseSysTray);
    layout->addSpacing(8);
    layout->addWidget(cmdClearHistory, 0, Qt::AlignLeft);
    layout->addStretch(1);
    DisplaySplash->setChecked(false);
    return panel;
}

QWidget* TOptions::BuildEditor()
{
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("Editor"));
    auto* fontLabel = new QLabel(QStringLiteral("&Font:"), panel);
    SelectedFont = new QLineEdit(panel);
    SelectedFont->setObjectName(QStringLiteral("SelectedFont"));
    SelectedFont->setReadOnly(true);
    SelectedFont->setToolTip(QStringLiteral("Shows the current font to be used in the results window"));
    QPalette inactive = SelectedFont->palette();
    inactive.setColor(QPalette::Base, ColourToQColor(TextToColour(QStringLiteral("clInactiveBorder"))));
    SelectedFont->setPalette(inactive);
    SpeedButton1 = new QToolButton(panel);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("---"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setFocusPolicy(Qt::StrongFocus);
    SpeedButton1->setToolTip(QStringLiteral("Select a new font to be used in the results window"));
    SpeedButton1->setAccessibleName(QStringLiteral("Choose font"));
    fontLabel->setBuddy(SpeedButton1);
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { Guarded(this, [&] { SpeedButton1Click(); }); });

    ShowGutter = MakeCheckBox(panel, "ShowGutter", QStringLiteral("&Show Gutter"),
                              QStringLiteral("Show the gutter in the reults window (this allows you to view the line numbers)"));
    ShowLineNum = MakeCheckBox(panel, "ShowLineNum", QStringLiteral("S&how Line numbers in gutter"),
                               QStringLiteral("Display line numbering in the gutter on the results window (Show Gutter "
                                              "option also needs to be enabled)"));
    URLHighlighting = MakeCheckBox(panel, "URLHighlighting", QStringLiteral("&URL highlighting"),
                                   QStringLiteral("Enabled URL hightlighting, if enabled email addresses and Intetnet "
                                                  "addresses will be highlighted"));
    HideMarginMarker = MakeCheckBox(panel, "HideMarginMarker", QStringLiteral("&Hide margin marker"),
                                    QStringLiteral("Show / hide the margin marker which is displayed to show the end "
                                                   "of the line"));

    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(SelectedFont, 1);
    fontRow->addWidget(SpeedButton1);
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(fontLabel);
    layout->addLayout(fontRow);
    layout->addSpacing(8);
    // One check box a row: further editor switches go below these.
    for (QCheckBox* box : {ShowGutter, ShowLineNum, URLHighlighting, HideMarginMarker})
        layout->addWidget(box);
    layout->addStretch(1);
    return panel;
}

QWidget* TOptions::BuildSounds()
{
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("Sounds"));
    auto* intro = new QLabel(QStringLiteral("Pollux allows you to associate sounds with specific events."), panel);
    intro->setWordWrap(true);
    EnableSounds = MakeCheckBox(panel, "EnableSounds", QStringLiteral("&Enable Sounds"),
                                QStringLiteral("Enable sound support in Pollux"));
    ListView3 = MakeReportList(panel, "ListView3", {QStringLiteral("Event"), QStringLiteral("Sound File")}, {100, 280},
                               QStringLiteral("Shows the sound events that can be changed to play various sounds"));
    cmdEditSounds = MakeButton(panel, "cmdEditSounds", QStringLiteral("&Edit"),
                               QStringLiteral("Edit one of the sound events"));
    cmdEditSounds->setEnabled(false);
    // As designed: the six events with no file, until the store says more.
    for (const QString& name : soundEventNames())
        new QTreeWidgetItem(ListView3, {name, QString()});

    connect(EnableSounds, &QCheckBox::clicked, this, [this] { Guarded(this, [&] { EnableSoundsClick(); }); });
    connect(ListView3, &QTreeWidget::itemClicked, this, [this] { Guarded(this, [&] { ListView3Click(); }); });
    connect(ListView3, &QTreeWidget::currentItemChanged, this, [this] { Guarded(this, [&] { ListView3Click(); }); });
    connect(ListView3, &QTreeWidget::itemDoubleClicked, this, [this] { Guarded(this, [&] { cmdEditSoundsClick(); }); });
    connect(ListView3, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem*, int) {
        // Enter on a row edits it; a double click arrives above already.
        if (!ListView3->underMouse())
            Guarded(this, [&] { cmdEditSoundsClick(); });
    });
    connect(cmdEditSounds, &QPushButton::clicked, this, [this] { Guarded(this, [&] { cmdEditSoundsClick(); }); });

    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(intro);
    layout->addWidget(EnableSounds);
    layout->addWidget(ListView3, 1);
    layout->addWidget(cmdEditSounds, 0, Qt::AlignRight);
    return panel;
}

// ---------------------------------------------------------------- handlers

void TOptions::PTTreeView1Click()
{
    const QTreeWidgetItem* item = PTTreeView1->currentItem();
    if (!item)
        return;
    const QString text = item->text(0);
    if (text == QLatin1String("General"))
        PanelStack->setCurrentWidget(General);
    else if (text == QLatin1String("Editor"))
        PanelStack->setCurrentWidget(Editor);
    else if (text == QLatin1String("Sounds"))
        PanelStack->setCurrentWidget(Sounds);
    else if (text == QLatin1String("Servers"))
        PanelStack->setCurrentWidget(Servers);
    else if (text == QLatin1String("Colours"))
        PanelStack->setCurrentWidget(ColourCoding);
}

void TOptions::SpeedButton1Click()
{
    QString name;
    int size = 0;
    ParseFontText(SelectedFont->text(), name, size);
    QFont font(name);
    if (size > 0)
        font.setPointSize(std::min(size, kMaxFontPoints));
    QFontDialog dialog(font, this);
    dialog.setObjectName(QStringLiteral("FontDialog1"));
    dialog.setOption(QFontDialog::MonospacedFonts, false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QFont chosen = dialog.selectedFont();
    const int points = chosen.pointSize() > 0 ? chosen.pointSize() : qRound(chosen.pointSizeF());
    SelectedFont->setText(FontToText(chosen.family(), points));
}

void TOptions::EnableSoundsClick()
{
    const bool on = EnableSounds->isChecked();
    ListView3->setEnabled(on);
    cmdEditSounds->setEnabled(on);
}

void TOptions::ListView3Click()
{
    if (!ListView3->isEnabled())
        return;
    cmdEditSounds->setEnabled(!ListView3->selectedItems().isEmpty());
}

void TOptions::cmdEditSoundsClick()
{
    const QList<QTreeWidgetItem*> selected = ListView3->selectedItems();
    if (selected.isEmpty())
        return;
    TConfigureSounds dialog(this);
    dialog.SoundEvent->setText(selected.first()->text(0));
    if (dialog.exec() == QDialog::Accepted)
        LoadSoundEvents();
}

void TOptions::cmdClearHistoryClick()
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), QStringLiteral("Clear query history?"),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Cancel);
    if (box.exec() != QMessageBox::Ok)
        return;
    DeleteSettingsKey(kQueryKey);
    if (main_)
        main_->LoadQueryText();
}

// ---------------------------------------------------------------- loading

void TOptions::LoadSettings()
{
    if (!SettingsKeyExists(kConfigurationKey)) {
        DisplaySplash->setChecked(true);
        SelectedFont->setText(kDefaultFont);
        ShowGutter->setChecked(true);
        ShowLineNum->setChecked(true);
        URLHighlighting->setChecked(true);
        HideMarginMarker->setChecked(false);
        EnableSoundsClick();
        return;
    }
    // Each step on its own: a value written by hand that cannot be read is
    // reported, and the rest still loads, so that OK does not write over
    // what the dialog never showed.
    auto step = [this](auto&& body) { Guarded(this, body); };
    auto boolOr = [](const QString& name, bool absent) {
        return SettingsValueExists(kConfigurationKey, name) ? ReadSettingBool(kConfigurationKey, name) : absent;
    };
    step([&] { DisplaySplash->setChecked(ReadSettingBool(kConfigurationKey, QStringLiteral("DisplaySplash"))); });
    step([&] { OpenLastSite->setChecked(ReadSettingBool(kConfigurationKey, QStringLiteral("OpenLastSite"))); });
    step([&] { MinimiseSysTray->setChecked(ReadSettingBool(kConfigurationKey, QStringLiteral("MinToSysTray"))); });
    step([&] {
        SelectedFont->setText(SettingsValueExists(kConfigurationKey, QStringLiteral("FontName"))
                                  ? ReadSettingString(kConfigurationKey, QStringLiteral("FontName"))
                                  : kDefaultFont);
    });
    step([&] { ShowGutter->setChecked(boolOr(QStringLiteral("ShowGutter"), true)); });
    step([&] { ShowLineNum->setChecked(boolOr(QStringLiteral("ShowLineNumbers"), true)); });
    step([&] { URLHighlighting->setChecked(boolOr(QStringLiteral("URLHighlighting"), true)); });
    step([&] { HideMarginMarker->setChecked(ReadSettingBool(kConfigurationKey, QStringLiteral("HideMarginMarker"))); });
    step([&] { LoadColourScheme(ReadSettingString(kColourKey, QStringLiteral("Scheme"))); });
    step([&] { EnableSounds->setChecked(ReadSettingBool(kSoundsKey, QStringLiteral("SoundsEnabled"))); });
    EnableSoundsClick();
    step([&] { LoadSoundEvents(); });
    step([&] { LoadServers(); });
}

void TOptions::LoadSoundEvents()
{
    // The row that was selected stays selected, so a keyboard user can go
    // on from where the sound dialog was opened.
    const QTreeWidgetItem* current = ListView3->currentItem();
    const int row = current ? ListView3->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(current)) : -1;
    const bool wasSelected = current && current->isSelected();
    ListView3->setUpdatesEnabled(false);
    ListView3->clear();
    for (const QString& name : soundEventNames())
        new QTreeWidgetItem(ListView3, {name, ReadSettingString(kSoundsKey, name)});
    if (row >= 0 && wasSelected)
        ListView3->setCurrentItem(ListView3->topLevelItem(row));
    else
        ListView3->setCurrentItem(nullptr);
    ListView3->setUpdatesEnabled(true);
}

// ---------------------------------------------------------------- saving

void TOptions::SaveSettings()
{
    // 1. General.
    WriteSettingBool(kConfigurationKey, QStringLiteral("DisplaySplash"), DisplaySplash->isChecked());
    WriteSettingBool(kConfigurationKey, QStringLiteral("OpenLastSite"), OpenLastSite->isChecked());
    WriteSettingBool(kConfigurationKey, QStringLiteral("MinToSysTray"), MinimiseSysTray->isChecked());
    if (main_)
        main_->SetTrayIconActive(MinimiseSysTray->isChecked());

    // 2. The font.
    WriteSettingString(kConfigurationKey, QStringLiteral("FontName"), SelectedFont->text());
    QString fontName;
    int fontSize = 0;
    ParseFontText(SelectedFont->text(), fontName, fontSize);

    // 3. The editor switches.
    WriteSettingBool(kConfigurationKey, QStringLiteral("ShowGutter"), ShowGutter->isChecked());
    WriteSettingBool(kConfigurationKey, QStringLiteral("ShowLineNumbers"), ShowLineNum->isChecked());
    WriteSettingBool(kConfigurationKey, QStringLiteral("URLHighlighting"), URLHighlighting->isChecked());
    WriteSettingBool(kConfigurationKey, QStringLiteral("HideMarginMarker"), HideMarginMarker->isChecked());

    // 4. The colours, then the scheme's name.
    const auto& names = SchemeColourValueNames();
    for (int i = 0; i < kSchemeColourCount; ++i)
        WriteSettingString(kColourKey, QLatin1String(names[size_t(i)]),
                           ColourToText(Picker(TSchemeColour(i))->Colour()));
    WriteSettingString(kColourKey, QStringLiteral("Scheme"), SpeedSettingCombo->currentText());

    // 5, 6. Sounds.
    WriteSettingBool(kSoundsKey, QStringLiteral("SoundsEnabled"), EnableSounds->isChecked());
    for (int i = 0; i < ListView3->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = ListView3->topLevelItem(i);
        WriteSettingString(kSoundsKey, item->text(0), item->text(1));
    }

    // 7. Favourites.
    SaveServers();

    // 8. The open views.
    ApplyToViews(fontName, fontSize);
}

void TOptions::ApplyToViews(const QString& fontName, int fontSize)
{
    if (!main_)
        return;
    for (int i = 0; i < main_->PageControl1->count(); ++i) {
        TDCMemo* view = main_->ViewOfTab(i);
        if (!view)
            continue;
        QFont font = view->font();
        font.setFamily(fontName);
        font.setStyleHint(QFont::TypeWriter);
        view->setFont(font);
        if (fontSize > 0) {
            font.setPointSize(std::min(fontSize, kMaxFontPoints));
            view->setFont(font);
        }
        quint32 options = view->Options();
        auto setBit = [&](quint32 bit, bool on) { options = on ? (options | bit) : (options & ~bit); };
        setBit(moDrawGutter, ShowGutter->isChecked());
        setBit(moLineNumbers, ShowLineNum->isChecked());
        view->SetOptions(options);
        view->SetHighlightUrls(URLHighlighting->isChecked());
        setBit(moDrawMargin, !HideMarginMarker->isChecked());
        view->SetOptions(options);

        view->SetBackground(ColourToQColor(preview_[scBackground], view->Background()));
        view->SetForeground(ColourToQColor(preview_[scText], view->Foreground()));
        view->SetGutterBrush(ColourToQColor(preview_[scGutter], view->GutterBrush()));
        view->SetLineHighlightPen(view->LineHighlightPenStyle(),
                                  ColourToQColor(preview_[scLineOutline], view->LineHighlightPenColor()));
        view->SetSelBackColor(ColourToQColor(preview_[scSelBackground], view->SelBackColor()));
        view->SetSelColor(ColourToQColor(preview_[scSelText], view->SelColor()));
        view->SetLineNumColor(ColourToQColor(preview_[scLineNumbers], view->LineNumColor()));
        view->SetLineHighlightBrush(ColourToQColor(preview_[scLineFill], view->LineHighlightBrush()));
    }
}
