#pragma once
// Configure Servers: the small dialog that edits one favourite, its server
// or query text and its description. It reads and writes nothing itself:
// the caller fills the boxes and reads them after OK.

#include <QDialog>

class QLineEdit;
class QPushButton;

class TServer : public QDialog {
    Q_OBJECT
public:
    explicit TServer(QWidget* parent = nullptr);

    QLineEdit* ServerName = nullptr;
    QLineEdit* ServerDescription = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    bool event(QEvent* event) override;
};
