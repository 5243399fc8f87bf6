#pragma once
// Configure Sounds: assigns a sound file to one event. It offers the files
// chosen in earlier uses (Configuration\Sounds\Used), browses for one or
// takes a typed path, plays the choice on request, and on OK stores the
// choice for the event and the list of used files at once.

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QToolButton;

class TConfigureSounds : public QDialog {
    Q_OBJECT
public:
    explicit TConfigureSounds(QWidget* parent = nullptr);

    QLabel* SoundEvent = nullptr; // the event's name, set by the caller
    QComboBox* SoundCombo = nullptr;
    QToolButton* SpeedButton1 = nullptr; // browse
    QPushButton* cmdTest = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    void LoadUsedSounds();
    // The system's sounds folder, where browsing starts; empty when there
    // is none.
    static QString GetMediaPath();

    void SpeedButton1Click();
    // Selects the entry equal to `path` (the last such one), or appends it.
    void ChooseSoundFile(const QString& path);
    void SoundComboChange();
    void cmdTestClick();
    void SaveSoundAssignment();
};
