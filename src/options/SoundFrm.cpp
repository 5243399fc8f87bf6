#include "options/SoundFrm.h"

#include "core/Guard.h"
#include "options/OptionsWidgets.h"
#include "settings/RegUtils.h"
#include "settings/SoundEvents.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QToolButton>

namespace {
const QString kSoundsKey = kConfigurationKey + QStringLiteral("\\Sounds");
const QString kUsedKey = kSoundsKey + QStringLiteral("\\Used");

QIcon themeIcon(const QString& name, QStyle::StandardPixmap fallback, const QWidget* widget)
{
    return QIcon::fromTheme(name, widget->style()->standardIcon(fallback));
}
} // namespace

TConfigureSounds::TConfigureSounds(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ConfigureSounds"));
    setWindowTitle(QStringLiteral("Configure Sounds"));

    auto* eventCaption = new QLabel(QStringLiteral("Event:"), this);
    QFont bold = eventCaption->font();
    bold.setBold(true);
    eventCaption->setFont(bold);
    SoundEvent = new QLabel(this);
    SoundEvent->setObjectName(QStringLiteral("SoundEvent"));
    SoundEvent->setTextFormat(Qt::PlainText);

    SoundCombo = new QComboBox(this);
    SoundCombo->setObjectName(QStringLiteral("SoundCombo"));
    SoundCombo->setEditable(true);
    SoundCombo->setInsertPolicy(QComboBox::NoInsert); // a typed path is not added to the list
    SoundCombo->setMinimumWidth(329);
    SoundCombo->setToolTip(QStringLiteral("Select one of the sound events that you have used before"));
    eventCaption->setBuddy(SoundCombo);

    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setIcon(themeIcon(QStringLiteral("document-open"), QStyle::SP_DialogOpenButton, this));
    SpeedButton1->setText(QStringLiteral("&Browse..."));
    SpeedButton1->setToolTip(QStringLiteral("Select a new sound file"));
    SpeedButton1->setAccessibleName(QStringLiteral("Browse"));

    cmdTest = new QPushButton(themeIcon(QStringLiteral("media-playback-start"), QStyle::SP_MediaPlay, this),
                              QStringLiteral("&Test"), this);
    cmdTest->setObjectName(QStringLiteral("cmdTest"));
    cmdTest->setToolTip(QStringLiteral("Test the current sound file that you have selected"));
    cmdTest->setEnabled(false);
    cmdTest->setAutoDefault(false);

    cmdOK = new QPushButton(QStringLiteral("O&K"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setToolTip(QStringLiteral("Assign the current sound file to the selected sound event"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(QStringLiteral("Exit without assigning the sound to the current sound event"));
    cmdCancel->setAutoDefault(false);

    auto* layout = new QGridLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(eventCaption);
    top->addWidget(SoundEvent, 1);
    layout->addLayout(top, 0, 0, 1, 2);
    layout->addWidget(SoundCombo, 1, 0);
    layout->addWidget(SpeedButton1, 1, 1);
    auto* test = new QHBoxLayout;
    test->addWidget(cmdTest);
    test->addStretch(1);
    layout->addLayout(test, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons, 4, 0, 1, 2);

    setTabOrder(SoundCombo, SpeedButton1);
    setTabOrder(SpeedButton1, cmdTest);
    setTabOrder(cmdTest, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    setFixedSize(QSize(384, 143).expandedTo(sizeHint()));

    // Only the user's own changes of the text count: typing, or picking.
    connect(SoundCombo, &QComboBox::editTextChanged, this, [this] { Guarded(this, [&] { SoundComboChange(); }); });
    connect(SpeedButton1, &QToolButton::clicked, this, [this] { Guarded(this, [&] { SpeedButton1Click(); }); });
    connect(cmdTest, &QPushButton::clicked, this, [this] { Guarded(this, [&] { cmdTestClick(); }); });
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        bool saved = false;
        Guarded(this, [&] {
            SaveSoundAssignment();
            saved = true;
        });
        if (saved)
            accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    Guarded(this, [&] { LoadUsedSounds(); });
}

void TConfigureSounds::LoadUsedSounds()
{
    SoundCombo->clear();
    SoundCombo->setEditText(QString());
    QStringList names;
    if (!ListSettingValues(kUsedKey, names))
        return;
    SoundCombo->addItems(names);
    // The box starts empty, whatever the list holds.
    SoundCombo->setCurrentIndex(-1);
    SoundCombo->setEditText(QString());
}

QString TConfigureSounds::GetMediaPath()
{
    for (const QString& dir : QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("sounds"),
                                                        QStandardPaths::LocateDirectory))
        return dir;
    return {};
}

void TConfigureSounds::SpeedButton1Click()
{
    QFileDialog dialog(this, QStringLiteral("Open"), GetMediaPath());
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // The desktop's own sounds are mostly Ogg, which the player also plays.
    dialog.setNameFilters({QStringLiteral("Wav Files (*.wav *.WAV)"),
                           QStringLiteral("Sound Files (*.wav *.WAV *.oga *.OGA *.ogg *.OGG)"),
                           QStringLiteral("All Files (*)")});
    const QString chosen = RunFileDialog(dialog);
    if (chosen.isEmpty())
        return;
    ChooseSoundFile(chosen);
}

void TConfigureSounds::ChooseSoundFile(const QString& path)
{
    int found = -1;
    for (int i = 0; i < SoundCombo->count(); ++i)
        if (SoundCombo->itemText(i) == path)
            found = i;
    if (found < 0) {
        SoundCombo->addItem(path);
        found = SoundCombo->count() - 1;
    }
    SoundCombo->setCurrentIndex(found);
    SoundCombo->setEditText(path);
    cmdTest->setEnabled(!SoundCombo->currentText().isEmpty());
}

void TConfigureSounds::SoundComboChange()
{
    cmdTest->setEnabled(!SoundCombo->currentText().isEmpty());
}

void TConfigureSounds::cmdTestClick()
{
    // A test plays whether or not event sounds are switched on.
    CurrentSoundPlayer().Play(SoundCombo->currentText());
}

void TConfigureSounds::SaveSoundAssignment()
{
    QList<SettingEntry> used;
    for (int i = 0; i < SoundCombo->count(); ++i) {
        const QString path = SoundCombo->itemText(i);
        if (!path.isEmpty())
            used.append({path, false, QString(), 0});
    }
    DeleteSettingsKey(kUsedKey);
    if (!used.isEmpty())
        WriteSettingEntries(kUsedKey, used);
    WriteSettingString(kSoundsKey, SoundEvent->text(), SoundCombo->currentText());
}
