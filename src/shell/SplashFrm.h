#pragma once
// The welcome screen, shown by the start-up before the main window appears.

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

class TSplash : public QDialog {
    Q_OBJECT
public:
    explicit TSplash(QWidget* owner = nullptr);

    QLabel* lblversion = nullptr;       // the start-up writes the version here
    QLabel* lblTutorial = nullptr;      // the sentence holding the "online tutorial" link
    QCheckBox* DisplaySplash = nullptr; // "&Always show welcome screen at startup"
    QPushButton* lblContinue = nullptr; // "&Continue..."

    void TutorialLinkClick();
};
