#pragma once
// The About box: the program's name, version and how to reach its makers.

#include <QDialog>

class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* owner = nullptr);

    QLabel* lblProduct = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblEmail = nullptr;
    QLabel* lblWeb = nullptr;
    QPushButton* OKButton = nullptr;
};
