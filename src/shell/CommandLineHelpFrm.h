#pragma once
// The command line help window.

#include <QDialog>

class QPushButton;
class QWidget;

class TCLHelp : public QDialog {
    Q_OBJECT
public:
    explicit TCLHelp(QWidget* owner);

    QPushButton* OKBtn;
};

// Shows the help window modally (or, unattended, writes the help to standard
// output) and asks the program to end once it is up.
void ShowCommandLineHelp(QWidget* owner);
