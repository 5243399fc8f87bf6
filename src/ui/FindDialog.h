#pragma once
// The "Find Text" dialog of the text view: the text and the options of one
// search.

#include "ui/TDCMemo.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QRadioButton;

class TFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget* parent = nullptr);

    void SetOptions(const TSearchOptions& options);
    TSearchOptions Options() const;

    void accept() override;

    // Texts searched for before, newest first, for the drop-down.
    static QStringList& History();

private:
    void updateButtons();

    QComboBox* text_;
    QCheckBox* caseSensitive_;
    QCheckBox* wholeWords_;
    QCheckBox* regularExpression_;
    QRadioButton* global_;
    QRadioButton* selected_;
    QRadioButton* fromCursor_;
    QRadioButton* entireScope_;
    QRadioButton* forward_;
    QRadioButton* backward_;
    QDialogButtonBox* buttons_;
};
