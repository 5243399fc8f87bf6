#pragma once
// The view's print dialog, "Print Selection": what to print, the left
// margin, the page options, and the printer set-up.

#include "ui/TDCMemo.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QPrinter;
class QSpinBox;

class TPrintSelectionDialog : public QDialog {
    Q_OBJECT
public:
    using Preview = std::function<void(QPrinter*, const TPrintOptions&)>;
    TPrintSelectionDialog(QPrinter* printer, const TPrintOptions& options, bool hasSelection, Preview preview,
                          QWidget* parent = nullptr);
    TPrintOptions Options() const;

    QCheckBox* SelectedBlock = nullptr;
    QSpinBox* LeftMargin = nullptr;
    QCheckBox* Header = nullptr;
    QCheckBox* LineNumbers = nullptr;
    QCheckBox* SyntaxPrint = nullptr;
    QCheckBox* WrapLines = nullptr;
    QCheckBox* UseColor = nullptr;
    QCheckBox* ShowProgress = nullptr;

private:
    void Setup();
    void ShowPreview();

    QPrinter* printer_;
    Preview preview_;
};
